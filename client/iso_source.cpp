#include "client/iso_source.h"

#include <array>
#include <cstdio>
#include <set>

#include "client/text.h"
#include "formats/iso2709.h"
#include "zrteng.h"

namespace zrt::client {
namespace {

constexpr size_t kTags = 1000;

class IsoSource : public RecordSource {
 public:
  explicit IsoSource(const SourceSpec& spec) : spec_(spec) {
    slotOfTag_.fill(-1);
    ignored_.fill(false);
  }

  bool Open(std::string* error) {
    Status s = reader_.Open(spec_.path);
    if (!s.ok()) {
      *error = s.message();
      return false;
    }
    for (const std::string& key : spec_.ignore) {
      size_t tag = 0;
      if (!IsTagText(key, &tag)) {
        *error = "--ignore: '" + key + "' is not an ISO 2709 tag (three digits)";
        return false;
      }
      ignored_[tag] = true;
    }
    for (const FieldSpec& f : spec_.fields) {
      for (const std::string& key : f.keys) {
        size_t tag = 0;
        if (key == f.code) {
          tag = iso2709::Tag(f.code, static_cast<unsigned>(f.slot + 1));
        } else if (!IsTagText(key, &tag)) {
          *error = "field " + f.code + ": '" + key + "' is not an ISO 2709 tag (three digits)";
          return false;
        }
        int& slot = slotOfTag_[tag];
        if (slot >= 0 && slot != f.slot) {
          *error = "fields " + spec_.fields[static_cast<size_t>(slot)].code + " and " + f.code +
                   " both take the ISO 2709 tag " + std::to_string(tag);
          return false;
        }
        slot = f.slot;
      }
    }
    return true;
  }

  Status DiscoverFields(std::vector<std::string>* keys) override {
    std::set<size_t> seen;
    std::vector<IsoField> fields;
    for (;;) {
      bool done = false;
      Status s = reader_.Next(&fields, &done);
      if (!s.ok()) {
        // Skipped records are reported by the load's own pass.
        if (s.code() == Status::Code::Corruption && spec_.skipBad) continue;
        return s;
      }
      if (done) break;
      for (const IsoField& f : fields) {
        size_t tag = 0;
        if (!IsoTagNumber(f.tag, &tag)) {
          if (spec_.skipBad) break;
          return reader_.Bad(TagNotNumber(f.tag));
        }
        if (!ignored_[tag] && seen.insert(tag).second)
          keys->push_back(iso2709::FieldCode(static_cast<unsigned>(tag)));
      }
    }
    return reader_.Open(spec_.path);
  }

  Status Next(Texts* store, Texts* index, bool* delivered) override {
    *delivered = false;
    for (;;) {
      bool done = false;
      Status s = reader_.Next(&fields_, &done);
      if (s.ok() && done) {
        if (skipped_ > 0)
          Warn(spec_.path + ": " + std::to_string(skipped_) + " malformed record" +
               (skipped_ == 1 ? "" : "s") + " skipped");
        return Status::Ok();
      }
      if (s.ok()) s = FieldTexts(store);
      if (s.ok()) break;
      if (s.code() != Status::Code::Corruption || !spec_.skipBad) return s;
      Warn(s.message() + "; skipped");
      ++skipped_;
    }
    *index = *store;
    *delivered = true;
    return Status::Ok();
  }

  double Progress() const override {
    return reader_.size() > 0 ? static_cast<double>(reader_.position()) / reader_.size() : 1.0;
  }
  std::string Where() const override {
    return reader_.recordNumber() > 0 ? reader_.Where() : std::string();
  }

 private:
  void Warn(const std::string& message) const {
    if (spec_.warn) spec_.warn(message);
  }

  // A tag given on the command line: one to three digits ("7" is tag 007).
  static bool IsTagText(const std::string& text, size_t* tag) {
    if (text.empty() || text.size() > 3 ||
        text.find_first_not_of("0123456789") != std::string::npos)
      return false;
    *tag = std::stoul(text);
    return true;
  }

  static std::string TagNotNumber(const std::string& tag) {
    return "the tag '" + ShowIsoTag(tag) + "' is not a number, so it names no field";
  }

  // The record's fields by their tags; repeated tags are joined with "; ", as lists are.
  Status FieldTexts(Texts* store) {
    store->assign(256, std::string());
    for (const IsoField& f : fields_) {
      size_t tag = 0;
      if (!IsoTagNumber(f.tag, &tag)) return reader_.Bad(TagNotNumber(f.tag));
      int slot = slotOfTag_[tag];
      if (slot < 0 && ignored_[tag]) continue;
      if (slot < 0)
        return reader_.Bad("the tag " + f.tag + " belongs to no field of the edition" +
                           " (name its field with --fields CODE=" + f.tag + ", or --ignore " +
                           f.tag + ")");
      std::string& text = (*store)[static_cast<size_t>(slot)];
      std::string ansi, bad;
      if (spec_.encoding == "cp1251") {
        ansi = f.data;
      } else if (spec_.encoding == "utf-8") {
        if (!FromUtf8(f.data, &ansi, &bad, spec_.substitute ? '?' : 0))
          return reader_.Bad("tag " + f.tag + ": '" + bad + "' has no Windows-1251 form");
      } else {
        ansi = f.data;
        LExchangeToAnsi(ansi.data());
      }
      if (ansi.empty()) continue;
      if (!text.empty()) text += "; ";
      text += ansi;
    }
    Status s = CheckRecordLimits(*store);
    return s.ok() ? s : Status::Corruption(reader_.Where() + ": " + s.message());
  }

  SourceSpec spec_;
  IsoReader reader_;
  std::array<int, kTags> slotOfTag_;
  std::array<bool, kTags> ignored_;  // --ignore: tags whose fields are dropped
  std::vector<IsoField> fields_;
  long long skipped_ = 0;
};

}  // namespace

std::unique_ptr<RecordSource> OpenIso(const SourceSpec& spec, std::string* error) {
  auto source = std::make_unique<IsoSource>(spec);
  if (!source->Open(error)) return nullptr;
  return source;
}

}  // namespace zrt::client
