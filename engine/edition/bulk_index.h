// Occurrences of a bulk load, collected in memory and spilled to sorted run files when
// they outgrow a budget, then handed to the static index writer in dictionary order.
// The result is byte for byte what inserting them into the update index and packing
// would give, without a B-tree insertion per occurrence.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "index/index_writer.h"
#include "index/postings.h"

namespace zrt {

class BulkIndex {
public:
  // Run files are named runBase + number.
  explicit BulkIndex(std::string runBase, size_t budgetOccurrences = 5u << 20)
      : runBase_(std::move(runBase)), budget_(budgetOccurrences) {}
  ~BulkIndex();

  // key: the OEM word key (at most 30 bytes).
  Status Add(const std::string& key, const Occurrence& occurrence);
  // Feeds every occurrence, in dictionary order, to the writer.
  Status WriteTo(StaticIndexWriter* writer);
  uint64_t occurrences() const { return total_; }

private:
  // A slot of the open-addressing word table. The first bytes of the key sit in the slot
  // itself, so that most lookups touch one slot and nothing else; only a longer key
  // reads the rest of its bytes from the arena.
  struct Slot {
    static constexpr size_t kHead = 11;
    char head[kHead];     // the key's first bytes, zero-padded
    uint8_t length;       // the key's length
    uint32_t word;        // word number + 1; 0: the slot is empty
  };
  static_assert(sizeof(Slot) == 16);

  // The word number of a key whose hash is given; the table has room for it.
  uint32_t WordOf(const std::string& key, uint64_t hash);
  void Rehash();
  // Adds the occurrences waiting in pending_.
  Status Drain();
  // The words known so far in dictionary order, with those added since the last spill
  // sorted and merged in.
  void OrderWords();
  Status Spill();
  void RemoveRuns();

  std::string_view Word(uint32_t w) const {
    return std::string_view(arena_.data() + wordStart_[w], wordStart_[w + 1] - wordStart_[w]);
  }

  std::string runBase_;
  size_t budget_;
  // Occurrences wait in small batches: their slots are fetched into the cache together,
  // so that the table's cache misses overlap instead of following one another.
  struct Pending {
    std::string key;
    Occurrence occurrence;
    uint64_t hash;
  };
  static constexpr size_t kBatch = 32;
  std::array<Pending, kBatch> pending_;
  size_t pendingCount_ = 0;
  // Every word of the load, its bytes one after another in an arena. The table lives
  // across spills: the words of one run are mostly those of the last, and each is
  // hashed and ordered once.
  std::string arena_;
  std::vector<uint32_t> wordStart_;  // arena offset of each word, and one past the last
  std::vector<Slot> slots_;
  std::vector<uint32_t> ordered_;    // word numbers in dictionary order
  // The current run's occurrences in arrival order: the number of their word, field and
  // position (field << 8 | position), and where each record's occurrences begin.
  struct RecordStart {
    int32_t record;
    uint32_t first;
  };
  std::vector<uint32_t> wordOf_;
  std::vector<uint16_t> placeOf_;
  std::vector<RecordStart> records_;
  std::string sorted_;  // the run in dictionary order, 6 bytes an occurrence
  uint64_t total_ = 0;
  std::vector<std::string> runs_;
};

}  // namespace zrt
