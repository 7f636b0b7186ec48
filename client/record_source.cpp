#include "client/record_source.h"

#include <fstream>
#include <nlohmann/json.hpp>

#include "client/iso_source.h"
#include "client/jsonl_source.h"
#include "client/text.h"
#include "zrteng.h"

namespace zrt::client {

bool ReadSourceHeader(const std::string& path, SourceSpec* spec, std::string titles[3],
                      std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot be read";
    return false;
  }
  nlohmann::ordered_json h;
  try {
    h = nlohmann::ordered_json::parse(in);
  } catch (const nlohmann::json::exception& e) {
    *error = path + ": not a JSON header: " + e.what();
    return false;
  }
  auto fail = [&](const std::string& why) {
    *error = path + ": " + why;
    return false;
  };
  if (!h.is_object()) return fail("the header must be a JSON object");
  const char* names[3] = {"title", "short_name", "copyright"};
  for (int i = 0; i < 3; ++i) {
    if (!h.contains(names[i])) continue;
    if (!h[names[i]].is_string()) return fail(std::string("\"") + names[i] + "\" must be a text");
    titles[i] = h[names[i]].get<std::string>();
  }
  for (const auto& [key, value] : h.items()) {
    if (key != "title" && key != "short_name" && key != "copyright" && key != "fields" &&
        key != "ignore")
      return fail("unknown header entry \"" + key + "\"");
  }
  if (h.contains("ignore")) {
    if (!h["ignore"].is_array()) return fail("\"ignore\" must be a list of keys");
    for (const auto& k : h["ignore"]) {
      if (!k.is_string()) return fail("\"ignore\" must be a list of keys");
      spec->ignore.push_back(k.get<std::string>());
    }
  }
  if (!h.contains("fields")) return true;
  if (!h["fields"].is_array()) return fail("\"fields\" must be a list");
  for (const auto& f : h["fields"]) {
    FieldSpec field;
    field.group = static_cast<int>(spec->fields.size()) + 1;
    if (f.is_string()) {
      field.code = f.get<std::string>();
    } else if (f.is_object() && f.contains("code") && f["code"].is_string()) {
      field.code = f["code"].get<std::string>();
      if (f.contains("group")) {
        if (!f["group"].is_number_integer() || f["group"].get<int64_t>() < 0 ||
            f["group"].get<int64_t>() > 32)
          return fail("field " + field.code + ": \"group\" must be a number from 0 to 32");
        field.group = static_cast<int>(f["group"].get<int64_t>());
      }
      if (f.contains("key")) {
        const auto& key = f["key"];
        if (key.is_string()) {
          field.keys.push_back(key.get<std::string>());
        } else if (key.is_array() && !key.empty()) {
          for (const auto& k : key) {
            if (!k.is_string()) return fail("field " + field.code + ": \"key\" must be texts");
            field.keys.push_back(k.get<std::string>());
          }
        } else {
          return fail("field " + field.code + ": \"key\" must be a text or a list of texts");
        }
      }
      for (const auto& [k, v] : f.items())
        if (k != "code" && k != "key" && k != "group")
          return fail("field " + field.code + ": unknown entry \"" + k + "\"");
    } else {
      return fail("each field must be a code or an object with a \"code\"");
    }
    if (field.group > 32) field.group = 0;
    spec->fields.push_back(std::move(field));
  }
  return true;
}

std::string SourceKeysFile(const std::string& edition) { return EditionFile(edition, ".keys"); }

bool SaveSourceKeys(const std::string& edition, const SourceSpec& spec, std::string* error) {
  nlohmann::ordered_json fields = nlohmann::ordered_json::array();
  for (const FieldSpec& f : spec.fields) fields.push_back({{"code", f.code}, {"key", f.keys}});
  nlohmann::ordered_json keys = {{"fields", fields}, {"ignore", spec.ignore}};
  const std::string path = SourceKeysFile(edition);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << keys.dump(2) << "\n";
  out.close();
  if (out) return true;
  *error = path + ": cannot be written";
  return false;
}

bool LoadSourceKeys(const std::string& edition, SourceSpec* spec, std::string* error) {
  error->clear();
  const std::string path = SourceKeysFile(edition);
  if (!std::ifstream(path)) return false;
  std::string titles[3];
  return ReadSourceHeader(path, spec, titles, error);
}

std::unique_ptr<RecordSource> OpenSource(const SourceSpec& spec, std::string* error) {
  if (spec.format == "jsonl" || spec.format == "json") return OpenJsonLines(spec, error);
  if (spec.format == "iso") return OpenIso(spec, error);
  *error = "unknown source format '" + spec.format + "' (known: jsonl, iso)";
  return nullptr;
}

Status CheckRecordLimits(const Texts& texts) {
  size_t entries = 0, area = 0;
  for (const std::string& text : texts) {
    if (text.empty()) continue;
    ++entries;
    area += text.size() + 1;
  }
  if (entries > ZRT_RECORD_ENTRIES)
    return Status::Limit("a record holds at most " + std::to_string(ZRT_RECORD_ENTRIES) +
                         " fields");
  if (area > ZRT_RECORD_AREA)
    return Status::Limit("the record's texts take " + std::to_string(area) +
                         " bytes; a record holds at most " + std::to_string(ZRT_RECORD_AREA));
  return Status::Ok();
}

std::string EditionFile(const std::string& edition, const char* ext) {
  std::vector<char> name(edition.size() + 16);
  int32_t n = ZRT_EditionFileName(edition.c_str(), nullptr, ext, name.data(),
                                  static_cast<int32_t>(name.size()));
  if (n >= static_cast<int32_t>(name.size())) {
    name.resize(static_cast<size_t>(n) + 1);
    n = ZRT_EditionFileName(edition.c_str(), nullptr, ext, name.data(),
                            static_cast<int32_t>(name.size()));
  }
  return n < 0 ? edition : std::string(name.data(), static_cast<size_t>(n));
}

namespace {

// The client's source behind the engine's callback.
struct LoadContext {
  RecordSource* source;
  const std::function<void(const LoadStats&)>* progress;
  Status failure;  // the source's own, which the engine only sees as a refusal
  Texts store, index;
  std::vector<char*> storePointers, indexPointers;
};

int NextDocument(void* context, char** store, char** index) {
  auto& c = *static_cast<LoadContext*>(context);
  bool delivered = false;
  c.store.assign(ZRT_MAX_TEXTS, std::string());
  c.index.assign(ZRT_MAX_TEXTS, std::string());
  c.failure = c.source->Next(&c.store, &c.index, &delivered);
  if (!c.failure.ok()) return -1;
  if (!delivered) return 0;
  for (size_t i = 0; i < ZRT_MAX_TEXTS; ++i) {
    store[i] = i < c.store.size() && !c.store[i].empty() ? c.store[i].data() : nullptr;
    index[i] = i < c.index.size() && !c.index[i].empty() ? c.index[i].data() : nullptr;
  }
  return 1;
}

void LoadProgress(void* context, const ZRT_LoadStats* now) {
  auto& c = *static_cast<LoadContext*>(context);
  if (*c.progress) (*c.progress)(LoadStats{now->records, now->words});
}

}  // namespace

Status LoadEdition(const std::string& path, const NewEdition& meta, RecordSource& source,
                   LoadStats* stats, const std::function<void(const LoadStats&)>& progress) {
  LoadContext context{&source, &progress, Status::Ok(), {}, {}, {}, {}};
  std::vector<const char*> names;
  for (const std::string& name : meta.fieldNames) names.push_back(name.c_str());
  ZRT_LoadStats done{};
  int r = ZRT_LoadEdition(path.c_str(), nullptr, meta.title.c_str(), meta.shortName.c_str(),
                          meta.copyright.c_str(), static_cast<int32_t>(names.size()), names.data(),
                          meta.fieldGroups.data(), NextDocument, LoadProgress, &context, &done);
  *stats = LoadStats{done.records, done.words};
  if (r == 0) return Status::Ok();
  if (!context.failure.ok()) return context.failure;
  // The engine names the document ("document 12: ..."); the source knows its line.
  std::string why = Utf8(ZRT_ErrMsg(nullptr)), where = source.Where();
  return Status::InvalidArgument(
      where.empty() || why.compare(0, where.size(), where) == 0 ? why : where + ": " + why);
}

}  // namespace zrt::client
