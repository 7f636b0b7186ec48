// Field access by name or number. Two numberings: source field numbers are positions in
// the store's field list (what records hold); field numbers are what the edition shows —
// the descriptor's definitions when it has one, otherwise the source field numbers.
#pragma once

#include <cstdint>

#include "core/descriptor.h"
#include "core/record_store.h"

namespace zrt {

class Fields {
public:
  Fields(const RecordStore& store, const FieldDescriptor* descriptor)
      : store_(store), descriptor_(descriptor) {}

  uint8_t NoByField(const char* name) const;
  uint8_t SrcNoByField(const char* name) const { return store_.SrcNoByField(name); }
  const char* FieldByNo(int n) const;       // null when there is no such field
  const char* DataByNo(int n) const;        // null for a definition without nodes
  const char* DataBySrcNo(int n) const;     // "" when the record lacks the field
  // The source field numbers behind a name; writes at most `room`, returns the count.
  int FNumsB(const char* name, uint8_t* out, int room) const;
  uint16_t FieldCount() const;
  const char* AliasFieldName(int position) const;  // 0-based position
  // Mask of the index groups 1-32 of the named fields (separated by tab, line feed,
  // carriage return, blank, "," or ";").
  uint32_t GroupMask(const char* names) const;

private:
  const RecordStore& store_;
  const FieldDescriptor* descriptor_;
};

}  // namespace zrt
