#include "output/export.h"

#include <bitset>
#include <cstdio>

#include "core/fields.h"
#include "formats/iso2709.h"
#include "output/markup.h"
#include "text/charset.h"

namespace zrt {
namespace {

constexpr std::string_view kSeparators = "\t\n\r ,;";
constexpr std::string_view kCrLf = "\r\n";
constexpr size_t kNameColumn = 9;
constexpr size_t kWidthWithNames = 63;
constexpr size_t kWidthWithoutNames = 72;

using iso2709::kDataFieldStart;
using iso2709::kDirectoryEntrySize;
using iso2709::kFieldEnd;
using iso2709::kFirstDataTag;
using iso2709::kLeaderSize;
using iso2709::kRecordEnd;
constexpr size_t kIsoLine = iso2709::kLine;
constexpr size_t kMaxIsoFieldLength = iso2709::kMaxFieldLength;

std::vector<std::string> SplitNames(const char* list) {
  std::vector<std::string> names;
  if (!list) return names;
  std::string_view s(list);
  size_t pos = 0;
  while ((pos = s.find_first_not_of(kSeparators, pos)) != std::string_view::npos) {
    size_t end = s.find_first_of(kSeparators, pos);
    names.emplace_back(s.substr(pos, end == std::string_view::npos ? end : end - pos));
    pos = end;
  }
  return names;
}

bool AllEntries(const char* list) { return list && list[0] == '-'; }


size_t SkipSpaces(const std::string& s, size_t pos) {
  while (pos < s.size() && s[pos] == ' ') ++pos;
  return pos;
}

// Appends the text wrapped at `width` columns, continuation lines indented by `indent`.
void AppendWrapped(std::string* out, const std::string& text, size_t width, size_t indent) {
  size_t pos = SkipSpaces(text, 0);
  while (text.size() - pos > width) {
    size_t cut = width;
    if (text[pos + width] != ' ') {
      size_t back = width - 1;
      while (back >= 1 && text[pos + back] != ' ') --back;
      if (back >= 1) cut = back;
    }
    out->append(text, pos, cut);
    out->append(kCrLf);
    out->append(indent, ' ');
    pos = SkipSpaces(text, pos + cut);
  }
  out->append(text, pos, std::string::npos);
  out->append(kCrLf);
}

}  // namespace

std::string RecordExport::Encoded(std::string ansi) const {
  return encode_ ? encode_(std::move(ansi)) : AnsiToExchangeOem(std::move(ansi));
}

std::string RecordExport::Prepared(const std::string& text, bool convertMarkup) const {
  return Encoded(convertMarkup ? OrvToTxt(text) : text);
}

std::vector<RecordExport::Item> RecordExport::Items(const char* fieldList, Names names) const {
  Fields fields(store_, descriptor_);
  std::vector<Item> items;
  auto defined = [&](int n) {
    const char* name = fields.FieldByNo(n);
    const char* text = fields.DataByNo(n);  // may live in a shared buffer: copy now
    items.push_back({name ? name : "", text ? text : ""});
  };
  auto stored = [&](uint8_t n, std::string text) {
    const SourceField* f = store_.FieldBySrcNo(n);
    items.push_back({f ? f->name : "", std::move(text)});
  };
  if (AllEntries(fieldList)) {
    for (const RecordStore::Entry& e : store_.entries())
      stored(e.field, std::string(e.text, e.length));
    return items;
  }
  std::vector<std::string> list = SplitNames(fieldList);
  if (list.empty()) {
    // Field numbers are source numbers without a descriptor, and then a store with
    // shifted numbering has no number 11.
    bool shifted = !descriptor_ && store_.description().shiftedNumbering;
    for (int i = 1; i <= fields.FieldCount(); ++i) defined(shifted && i >= 11 ? i + 1 : i);
    return items;
  }
  for (const std::string& name : list) {
    if (uint8_t n = fields.NoByField(name.c_str())) {
      defined(n);
    } else if (names == Names::DefinedOrSource) {
      if (uint8_t src = fields.SrcNoByField(name.c_str())) stored(src, fields.DataBySrcNo(src));
    }
  }
  return items;
}

std::string RecordExport::Text(std::string_view header, bool withNames, const char* fieldList,
                               bool convertMarkup) const {
  std::string out;
  if (!header.empty()) {
    out.append(header);
    out.append(kCrLf);
  }
  for (const Item& item : Items(fieldList, Names::DefinedOrSource)) {
    if (item.text.empty()) continue;
    if (withNames) {
      std::string name = Encoded(item.name);
      out += name;
      if (name.size() < kNameColumn) out.append(kNameColumn - name.size(), ' ');
    }
    AppendWrapped(&out, Prepared(item.text, convertMarkup),
                  withNames ? kWidthWithNames : kWidthWithoutNames, withNames ? kNameColumn : 0);
    if (!withNames) out.append(kCrLf);
  }
  out.append(kCrLf);
  return out;
}

std::string RecordExport::Separated(char separator, const char* fieldList,
                                    bool convertMarkup) const {
  std::string out;
  bool first = true;
  for (const Item& item : Items(fieldList, Names::DefinedOnly)) {
    if (!first && separator != 0) out += separator;
    first = false;
    out += Prepared(item.text, convertMarkup);
  }
  out.append(kCrLf);
  return out;
}

std::string RecordExport::Iso(const char* fieldList, bool folded) const {
  // Entries are chosen by their own source field numbers, so that exactly the listed
  // fields are written whatever their index groups are.
  std::bitset<256> selected;
  std::vector<std::string> list = SplitNames(fieldList);
  if (list.empty() || AllEntries(fieldList)) {
    selected.set();
  } else {
    Fields fields(store_, descriptor_);
    for (const std::string& name : list) {
      uint8_t numbers[256];
      int count = fields.FNumsB(name.c_str(), numbers, 256);
      for (int i = 0; i < count; ++i) selected.set(numbers[i]);
    }
  }
  struct Field {
    unsigned tag;
    std::string text;  // code page 866, without its terminator
  };
  std::vector<Field> chosen;
  for (const RecordStore::Entry& e : store_.entries()) {
    if (e.length == 0 || !selected.test(e.field)) continue;
    const SourceField* f = store_.FieldBySrcNo(e.field);
    const unsigned tag = iso2709::Tag(f ? std::string_view(f->name) : std::string_view(), e.field);
    std::string text = Encoded(std::string(e.text, e.length));
    if (!folded && tag >= kFirstDataTag) text = std::string(kDataFieldStart) + text;
    if (text.size() >= kMaxIsoFieldLength) text.resize(kMaxIsoFieldLength - 1);
    chosen.push_back({tag, std::move(text)});
  }
  size_t base = kLeaderSize + kDirectoryEntrySize * chosen.size() + 1;
  size_t length = base + 1;
  for (const Field& f : chosen) length += f.text.size() + 1;

  std::string record;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%05zu00000%s%05zu0004500", length, folded ? "00" : "22", base);
  record += buf;
  size_t start = 0;
  for (const Field& f : chosen) {
    std::snprintf(buf, sizeof buf, "%03u%04zu%05zu", f.tag, f.text.size() + 1, start);
    record += buf;
    start += f.text.size() + 1;
  }
  record += kFieldEnd;
  for (const Field& f : chosen) {
    record += f.text;
    record += kFieldEnd;
  }
  record += kRecordEnd;
  if (!folded) return record;

  std::string out;
  for (size_t pos = 0; pos < record.size(); pos += kIsoLine) {
    out.append(record, pos, kIsoLine);
    out.append(kCrLf);
  }
  return out;
}

}  // namespace zrt
