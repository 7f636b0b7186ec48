#include "load_source.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "base/names.h"
#include "edition_arg.h"
#include "iso_source.h"
#include "jsonl_source.h"

namespace zrt::cli {
namespace {

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ','))
    if (!item.empty()) items.push_back(item);
  return items;
}

bool ParseGroup(const std::string& text, int* group) {
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  *group = std::stoi(text);
  return *group <= 32;
}

// Header file: {"title", "short_name", "copyright", "fields": ["ID", {"code": "TI",
// "key": "title" or ["a", "b"], "group": 2}, ...], "ignore": ["key", ...]}.
bool ReadHeader(const std::string& path, SourceSpec* spec, std::string titles[3],
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

}  // namespace

bool ReadSourceOptions(const Args& args, SourceSpec* spec, zrt::NewEdition* meta,
                       std::string* error) {
  spec->format = args.Get("format", spec->format);
  spec->substitute = args.Has("substitute");
  spec->encoding = args.Get("encoding", spec->encoding);
  if (spec->encoding != "cp866" && spec->encoding != "cp1251" && spec->encoding != "utf-8") {
    *error = "--encoding wants cp866, cp1251 or utf-8, not '" + spec->encoding + "'";
    return false;
  }
  if (args.Has("encoding") && spec->format != "iso") {
    *error = "--encoding belongs to --format iso (JSON Lines are UTF-8)";
    return false;
  }
  spec->skipBad = args.Has("skip-bad");
  std::string titles[3];  // title, short name, copyright (UTF-8)
  if (args.Has("header") && !ReadHeader(args.Get("header"), spec, titles, error)) return false;
  if (args.Has("fields")) {
    spec->fields.clear();
    for (const std::string& item : SplitList(args.Get("fields"))) {
      FieldSpec field;
      size_t eq = item.find('=');
      field.code = item.substr(0, eq);
      if (eq != std::string::npos)
        for (const std::string& key : SplitList(item.substr(eq + 1))) field.keys.push_back(key);
      field.group = static_cast<int>(spec->fields.size()) + 1;
      if (field.group > 32) field.group = 0;
      spec->fields.push_back(std::move(field));
    }
    if (spec->fields.empty()) {
      *error = "--fields names no field";
      return false;
    }
  }
  if (args.Has("groups")) {
    std::vector<std::string> groups = SplitList(args.Get("groups"));
    if (groups.size() != spec->fields.size()) {
      *error = "--groups gives " + std::to_string(groups.size()) + " groups for " +
               std::to_string(spec->fields.size()) + " fields";
      return false;
    }
    for (size_t i = 0; i < groups.size(); ++i)
      if (!ParseGroup(groups[i], &spec->fields[i].group)) {
        *error = "--groups: '" + groups[i] + "' is not a group from 0 to 32";
        return false;
      }
  }
  for (const std::string& key : SplitList(args.Get("ignore"))) spec->ignore.push_back(key);
  std::set<std::string> codes;
  for (size_t i = 0; i < spec->fields.size(); ++i) {
    FieldSpec& f = spec->fields[i];
    if (f.code.empty()) {
      *error = "a field has no code";
      return false;
    }
    if (!codes.insert(f.code).second) {
      *error = "field " + f.code + " is named twice";
      return false;
    }
    if (f.keys.empty()) f.keys.push_back(f.code);
    f.slot = static_cast<int>(i);
  }
  if (spec->fields.size() > 255) {
    *error = "an edition holds at most 255 fields";
    return false;
  }
  if (args.Has("title")) titles[0] = args.Get("title");
  if (args.Has("short-name")) titles[1] = args.Get("short-name");
  if (args.Has("copyright")) titles[2] = args.Get("copyright");
  std::string* out[3] = {&meta->title, &meta->shortName, &meta->copyright};
  const char* what[3] = {"the title", "the short name", "the copyright line"};
  for (int i = 0; i < 3; ++i) {
    std::string bad;
    if (!FromUtf8(titles[i], out[i], &bad)) {
      *error = std::string(what[i]) + ": '" + bad + "' has no Windows-1251 form";
      return false;
    }
  }
  return true;
}

std::string SourceKeysFile(const std::string& edition) {
  return zrt::EditionFileName(edition, nullptr, ".keys");
}

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
  return ReadHeader(path, spec, titles, error);
}

std::unique_ptr<CliSource> OpenSource(const SourceSpec& spec, std::string* error) {
  if (spec.format == "jsonl" || spec.format == "json") return OpenJsonLines(spec, error);
  if (spec.format == "iso") return OpenIso(spec, error);
  *error = "unknown source format '" + spec.format + "' (known: jsonl, iso)";
  return nullptr;
}

zrt::Status CheckRecordLimits(const zrt::RecordStore::Texts& texts) {
  size_t entries = 0, area = 0;
  for (const std::string& text : texts) {
    if (text.empty()) continue;
    ++entries;
    area += text.size() + 1;
  }
  if (entries > zrt::RecordStore::kMaxEntries)
    return zrt::Status::Limit("a record holds at most " +
                              std::to_string(zrt::RecordStore::kMaxEntries) + " fields");
  if (area > zrt::RecordStore::kRecordBufferSize)
    return zrt::Status::Limit("the record's texts take " + std::to_string(area) +
                              " bytes; a record holds at most " +
                              std::to_string(zrt::RecordStore::kRecordBufferSize));
  return zrt::Status::Ok();
}

ProgressBar::ProgressBar() : terminal_(::isatty(STDERR_FILENO) == 1) {}

void ProgressBar::Update(double fraction, long long records) {
  if (!terminal_) return;
  using Clock = std::chrono::steady_clock;
  double now = std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
  if (last_ >= 0 && now - last_ < 0.2) return;
  last_ = now;
  constexpr int kWidth = 30;
  int filled = static_cast<int>(fraction * kWidth + 0.5);
  filled = filled < 0 ? 0 : filled > kWidth ? kWidth : filled;
  std::fprintf(stderr, "\r[%s%s] %3d%%  %lld records", std::string(filled, '#').c_str(),
               std::string(kWidth - filled, '.').c_str(), static_cast<int>(fraction * 100),
               records);
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::Done() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r%60s\r", "");
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace zrt::cli
