#include "core/fields.h"

#include <cstring>
#include <string>

namespace zrt {

uint8_t Fields::NoByField(const char* name) const {
  if (!name) return 0;
  if (!descriptor_) return store_.SrcNoByField(name);
  return static_cast<uint8_t>(descriptor_->NumberByName(name));
}

const char* Fields::FieldByNo(int n) const {
  if (descriptor_) return n >= 1 && n <= descriptor_->definitionCount() ? descriptor_->Name(n) : nullptr;
  const SourceField* f = store_.FieldBySrcNo(n);
  return f ? f->name.c_str() : nullptr;
}

const char* Fields::DataByNo(int n) const {
  if (!descriptor_) return DataBySrcNo(n);
  if (n < 1 || n > descriptor_->definitionCount()) return nullptr;
  return descriptor_->Evaluate(n, store_);
}

const char* Fields::DataBySrcNo(int n) const {
  return n >= 0 && n <= 255 ? store_.DataBySrcNo(static_cast<uint8_t>(n)) : "";
}

int Fields::FNumsB(const char* name, uint8_t* out, int room) const {
  if (!name || !out || room <= 0) return 0;
  uint8_t n = NoByField(name);
  if (n == 0) {
    uint8_t src = store_.SrcNoByField(name);
    if (src == 0) return 0;
    out[0] = src;
    return 1;
  }
  if (!descriptor_) {
    out[0] = n;
    return 1;
  }
  return descriptor_->SourceFieldsOf(n, out, room);
}

uint16_t Fields::FieldCount() const {
  return static_cast<uint16_t>(descriptor_ ? descriptor_->definitionCount() : store_.fieldCount());
}

const char* Fields::AliasFieldName(int position) const {
  int n = position + 1;
  if (descriptor_) {
    if (n < 1 || n > descriptor_->definitionCount()) return nullptr;
    const char* alias = descriptor_->Alias(n);
    return alias ? alias : descriptor_->Name(n);
  }
  if (n < 1 || n > store_.fieldCount()) return nullptr;
  return store_.description().fields[n - 1].display.c_str();
}

uint32_t Fields::GroupMask(const char* names) const {
  uint32_t mask = 0;
  if (!names) return mask;
  const char* separators = "\t\n\r ,;";
  std::string list = names;
  size_t pos = 0;
  while ((pos = list.find_first_not_of(separators, pos)) != std::string::npos) {
    size_t end = list.find_first_of(separators, pos);
    std::string name = list.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end;
    uint8_t numbers[256];
    int count = FNumsB(name.c_str(), numbers, 256);
    for (int i = 0; i < count; ++i) {
      uint16_t g = store_.IndexGroup(numbers[i]);
      if (g >= 1 && g <= 32) mask |= 1u << (g - 1);
    }
    if (end == std::string::npos) break;
  }
  return mask;
}

}  // namespace zrt
