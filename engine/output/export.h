// Exchange layouts of one record: a readable plain-text layout, one separated line, and
// an ISO 2709 record folded into 80-byte lines. Text leaves in code page 866 unless the
// caller gives another encoder.
//
// A field list names the fields to write, separated by tab, line feed, carriage return,
// blank, "," or ";":
//   absent or empty  every defined field, in field-number order;
//   "-" first        every entry of the current record, in entry order, under its stored name;
//   names            those fields in list order; a name that resolves to nothing is skipped.
#pragma once

#include <string>
#include <string_view>

#include "core/descriptor.h"
#include "core/record_store.h"

namespace zrt {

class RecordExport {
 public:
  // Turns a Windows-1251 text into the file's code page (one byte a character for the
  // text layout, whose wrapping counts bytes).
  using Encoder = std::string (*)(std::string ansi);

  // The store's current record, seen through the descriptor's definitions (may be null).
  RecordExport(const RecordStore& store, const FieldDescriptor* descriptor,
               Encoder encode = nullptr)
      : store_(store), descriptor_(descriptor), encode_(encode) {}

  // Header line (when not empty), then each non-empty field, optionally with its name
  // in a 9-column margin, wrapped at 63 columns (72 without names).
  std::string Text(std::string_view header, bool withNames, const char* fieldList,
                   bool convertMarkup) const;
  // The fields joined by the separator byte (none when separator is 0), then CR LF.
  std::string Separated(char separator, const char* fieldList, bool convertMarkup) const;
  // The record's entries that belong to the listed fields (all without a list), as an
  // ISO 2709 record in lines of 80 bytes plus CR LF, or plain: the record as it is, in
  // the form MARC readers take, where each data field (tag 010 and up) has two blank
  // indicators and one subfield "a" and the leader says so. The directory holds the
  // lengths of the encoded texts.
  std::string Iso(const char* fieldList, bool folded = true) const;

 private:
  struct Item {
    std::string name;  // Windows-1251
    std::string text;  // Windows-1251, with markup
  };
  enum class Names { DefinedOrSource, DefinedOnly };
  std::vector<Item> Items(const char* fieldList, Names names) const;
  std::string Encoded(std::string ansi) const;
  std::string Prepared(const std::string& text, bool convertMarkup) const;

  const RecordStore& store_;
  const FieldDescriptor* descriptor_;
  Encoder encode_;
};

}  // namespace zrt
