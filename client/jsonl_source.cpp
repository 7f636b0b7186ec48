#include "client/jsonl_source.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "client/text.h"

namespace zrt::client {
namespace {

using Json = nlohmann::ordered_json;

std::string CodePoint(const std::string& utf8) {
  uint32_t cp = 0;
  auto b = static_cast<unsigned char>(utf8.empty() ? 0 : utf8[0]);
  int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
  cp = b & (0x7F >> extra);
  for (int i = 1; i <= extra && i < static_cast<int>(utf8.size()); ++i)
    cp = (cp << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", cp);
  return buffer;
}

class JsonLinesSource : public RecordSource {
 public:
  explicit JsonLinesSource(const SourceSpec& spec) : spec_(spec) {
    for (const FieldSpec& f : spec_.fields)
      for (const std::string& key : f.keys) known_.insert(key);
    known_.insert(spec_.ignore.begin(), spec_.ignore.end());
  }

  bool Open(std::string* error) {
    in_.open(spec_.path, std::ios::binary);
    if (!in_) {
      *error = spec_.path + ": cannot be read";
      return false;
    }
    in_.seekg(0, std::ios::end);
    size_ = static_cast<double>(in_.tellg());
    in_.seekg(0);
    return true;
  }

  Status DiscoverFields(std::vector<std::string>* keys) override {
    std::set<std::string> seen;
    Json record;
    Status s;
    while ((s = NextObject(&record)).ok() && !record.is_null()) {
      for (const auto& [key, value] : record.items())
        if (seen.insert(key).second) keys->push_back(key);
    }
    in_.clear();
    in_.seekg(0);
    line_ = 0;
    read_ = 0;
    return s;
  }

  Status Next(Texts* store, Texts* index, bool* delivered) override {
    *delivered = false;
    Json record;
    Status s = NextObject(&record);
    if (!s.ok() || record.is_null()) return s;
    for (const auto& [key, value] : record.items())
      if (!known_.count(key)) return Error("unknown field \"" + key + "\"");
    if (store->size() < 256) store->resize(256);
    for (const FieldSpec& f : spec_.fields) {
      std::string text;
      for (const std::string& key : f.keys) {
        auto it = record.find(key);
        if (it == record.end()) continue;
        std::string part;
        s = TextOf(*it, f.code, &part);
        if (!s.ok()) return s;
        if (part.empty()) continue;
        if (!text.empty()) text += ' ';
        text += part;
      }
      std::string ansi, bad;
      if (!FromUtf8(text, &ansi, &bad, spec_.substitute ? '?' : 0))
        return Error("field " + f.code + ": '" + bad + "' (" + CodePoint(bad) +
                     ") has no Windows-1251 form (--substitute puts '?' in its place)");
      (*store)[static_cast<size_t>(f.slot)] = std::move(ansi);
    }
    s = CheckRecordLimits(*store);
    if (!s.ok()) return Error(s.message());
    *index = *store;
    *delivered = true;
    return Status::Ok();
  }

  double Progress() const override { return size_ > 0 ? read_ / size_ : 1.0; }
  std::string Where() const override {
    return line_ == 0 ? std::string() : spec_.path + ": line " + std::to_string(line_);
  }

 private:
  Status Error(const std::string& why) const {
    return Status::InvalidArgument(Where() + ": " + why);
  }

  // The next non-blank line's object; null at the end.
  Status NextObject(Json* record) {
    *record = nullptr;
    std::string text;
    while (std::getline(in_, text)) {
      ++line_;
      read_ += static_cast<double>(text.size() + 1);
      if (text.find_first_not_of(" \t\r") == std::string::npos) continue;
      try {
        *record = Json::parse(text);
      } catch (const nlohmann::json::parse_error& e) {
        // The library's message names the byte; the line is ours to name.
        std::string why = e.what();
        size_t colon = why.find("parse error");
        return Error("malformed JSON: " + (colon == std::string::npos ? why : why.substr(colon)));
      } catch (const nlohmann::json::exception& e) {
        // A number beyond the range of a double ("1e400") is refused as out of range.
        std::string why = e.what();
        size_t bracket = why.find("] ");
        return Error("malformed JSON: " + (bracket == std::string::npos ? why : why.substr(bracket + 2)));
      }
      if (!record->is_object()) return Error("not a JSON object");
      return Status::Ok();
    }
    if (in_.bad()) return Status::IOError(spec_.path + ": read failed");
    return Status::Ok();
  }

  // A record's texts end at a zero byte, so a "\u0000" would silently cut the field.
  Status StringOf(const Json& value, const std::string& code, std::string* out) const {
    *out = value.get<std::string>();
    if (out->find('\0') != std::string::npos)
      return Error("field " + code + ": a text holds \\u0000, which a record cannot store");
    return Status::Ok();
  }

  Status TextOf(const Json& value, const std::string& code, std::string* out) const {
    if (value.is_string()) {
      return StringOf(value, code, out);
    } else if (value.is_number_integer() || value.is_number_unsigned() || value.is_number_float()) {
      *out = value.dump();
    } else if (value.is_null()) {
      out->clear();
    } else if (value.is_array()) {
      out->clear();
      for (const Json& item : value) {
        if (item.is_null()) continue;
        if (!item.is_string() && !item.is_number())
          return Error("field " + code + ": a list may hold only texts and numbers");
        std::string text = item.dump();
        if (item.is_string()) {
          Status s = StringOf(item, code, &text);
          if (!s.ok()) return s;
        }
        if (!out->empty()) *out += "; ";
        *out += text;
      }
    } else {
      return Error("field " + code + ": " + (value.is_boolean() ? "true or false" : "an object") +
                   " is not a text, a number or a list");
    }
    return Status::Ok();
  }

  SourceSpec spec_;
  std::set<std::string> known_;
  std::ifstream in_;
  double size_ = 0, read_ = 0;
  long long line_ = 0;
};

}  // namespace

std::unique_ptr<RecordSource> OpenJsonLines(const SourceSpec& spec, std::string* error) {
  auto source = std::make_unique<JsonLinesSource>(spec);
  if (!source->Open(error)) return nullptr;
  return source;
}

}  // namespace zrt::client
