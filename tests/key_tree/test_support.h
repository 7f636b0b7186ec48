// Small helper of the key tree tests: an item buffer of exactly the layout's size (so that
// the sanitizers catch any access past it).
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "btree/key_tree.h"
#include "fixture/scratch.h"

namespace keytree_test {

using fixture::TempDir;

class ItemBuffer {
 public:
  explicit ItemBuffer(zrt::ItemLayout layout) : layout_(layout), bytes_(layout.bufferSize, '\0') {}
  // child -1, the payload bytes (data text or value, cut to fit), the key (cut to 63 bytes).
  ItemBuffer(zrt::ItemLayout layout, const std::string& key, const std::string& payload)
      : ItemBuffer(layout) {
    std::memset(bytes_.data(), 0xFF, 4);
    std::memcpy(bytes_.data() + 4, payload.data(),
                std::min<size_t>(payload.size(), layout.keyOffset - 4));
    std::memcpy(bytes_.data() + layout.keyOffset, key.data(), std::min<size_t>(key.size(), 63));
  }
  void* data() { return bytes_.data(); }
  std::vector<unsigned char>& bytes() { return bytes_; }
  std::string key() const {
    return reinterpret_cast<const char*>(bytes_.data() + layout_.keyOffset);
  }
  std::string payload() const {
    return std::string(reinterpret_cast<const char*>(bytes_.data()) + 4, layout_.keyOffset - 4);
  }
  int32_t child() const {
    int32_t c;
    std::memcpy(&c, bytes_.data(), 4);
    return c;
  }

 private:
  zrt::ItemLayout layout_;
  std::vector<unsigned char> bytes_;
};

}  // namespace keytree_test
