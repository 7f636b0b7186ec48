// A record store stand-in: a field list and the texts of one current record.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/descriptor.h"

namespace zrt::testing {

class FakeSource : public FieldSource {
 public:
  explicit FakeSource(std::vector<std::string> names = {"TI", "AB", "AU", "KW", "PY", "LA"})
      : names_(std::move(names)) {}

  uint8_t SourceFieldByName(const char* name) const override {
    for (size_t i = 0; i < names_.size(); ++i) {
      if (SameAscii(names_[i], name)) return static_cast<uint8_t>(i + 1);
    }
    return 0;
  }
  const char* SourceFieldText(uint8_t srcNo) const override {
    auto it = texts_.find(srcNo);
    return it == texts_.end() ? "" : it->second.c_str();
  }

  uint8_t No(const std::string& name) const { return SourceFieldByName(name.c_str()); }
  // Sets the current record's text of a field; Clear() empties the record.
  void Set(const std::string& name, std::string text) { texts_[No(name)] = std::move(text); }
  void Clear() { texts_.clear(); }

 private:
  static bool SameAscii(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
      char x = a[i] >= 'a' && a[i] <= 'z' ? a[i] - 32 : a[i];
      char y = b[i] >= 'a' && b[i] <= 'z' ? b[i] - 32 : b[i];
      if (x != y) return false;
    }
    return i == a.size() && !b[i];
  }

  std::vector<std::string> names_;
  std::map<uint8_t, std::string> texts_;
};

}  // namespace zrt::testing
