// A set of record numbers asked once per occurrence while a term is read: the records
// indexed again since the pack, whose static occurrences no longer count.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zrt {

class RecordBitmap {
public:
  // `records` ascending. Records past the bitmap's reach (only a damaged record set
  // names them) are kept in a list, so that one stray number cannot claim memory.
  void Assign(const std::vector<uint32_t>& records) {
    bits_.clear();
    beyond_.clear();
    for (uint32_t r : records) {
      if (r >= kReach) {
        beyond_.push_back(r);
        continue;
      }
      if (r / 64 >= bits_.size()) bits_.resize(r / 64 + 1, 0);
      bits_[r / 64] |= uint64_t{1} << (r % 64);
    }
  }
  bool empty() const { return bits_.empty() && beyond_.empty(); }
  bool Contains(int32_t record) const {
    auto r = static_cast<uint32_t>(record);
    if (r / 64 < bits_.size()) return (bits_[r / 64] >> (r % 64)) & 1;
    return r >= kReach && std::binary_search(beyond_.begin(), beyond_.end(), r);
  }

  // The bitmap's words held in plain values: a loop that also stores bytes would
  // otherwise load the vector's pointer and size again after every store.
  struct View {
    const uint64_t* bits;
    size_t words;
    const RecordBitmap* all;
    bool Contains(int32_t record) const {
      auto r = static_cast<uint32_t>(record);
      if (r / 64 < words) return (bits[r / 64] >> (r % 64)) & 1;
      return all->Contains(record);
    }
  };
  View view() const { return {bits_.data(), bits_.size(), this}; }

private:
  static constexpr uint32_t kReach = uint32_t{1} << 26;  // 8 MB of bits at most
  std::vector<uint64_t> bits_;
  std::vector<uint32_t> beyond_;
};

}  // namespace zrt
