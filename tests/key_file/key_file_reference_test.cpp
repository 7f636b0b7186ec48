// Byte-for-byte agreement on insertion: a small reference tree written straight from the
// format's split rule (old page split at the entry holding byte used / 2 + 4, the new
// entry going up itself when it lands exactly there, the root growing at the top with the
// right page taken before the left one) must produce the same file as the engine.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "fixture/fixture_writer.h"
#include "key_file/key_file_util.h"

namespace keyfile_test {
namespace {

struct RefEntry {
  RawEntry e;
  int32_t child = -1;
};

size_t Size(const RefEntry& r) { return (10 + r.e.key.size() + 1 + 3) / 4 * 4; }

struct RefPage {
  int32_t leftmost = -1;
  std::vector<RefEntry> entries;
  size_t Used() const {
    size_t n = 0;
    for (const auto& r : entries) n += Size(r);
    return n;
  }
};

class ReferenceTree {
public:
  explicit ReferenceTree(bool unique) : unique_(unique) { pages_[0] = RefPage{}; }

  void Insert(const RawEntry& e) {
    // Descend to the first entry not smaller than e at every level.
    path_.clear();
    int32_t page = 0;
    const RawEntry* first_not_smaller = nullptr;
    for (int lv = 0; lv < levels_; ++lv) {
      RefPage& p = pages_[page];
      size_t pos = 0;
      while (pos < p.entries.size() && p.entries[pos].e < e) ++pos;
      if (pos < p.entries.size()) first_not_smaller = &p.entries[pos].e;
      path_.push_back({page, pos});
      if (lv + 1 < levels_) page = pos == 0 ? p.leftmost : p.entries[pos - 1].child;
    }
    if (unique_ && first_not_smaller && *first_not_smaller == e) return;
    InsertAt(levels_ - 1, path_.back().second, RefEntry{e, -1});
  }

  std::string Bytes() const {
    std::string b(static_cast<size_t>(end_), '\0');
    for (const auto& [offset, page] : pages_) {
      size_t at = static_cast<size_t>(offset);
      Put(&b, at, offset);
      Put(&b, at + 4, static_cast<int32_t>(page.Used()));
      Put(&b, at + 8, page.leftmost);
      size_t o = at + 12;
      for (const auto& r : page.entries) {
        Put(&b, o, r.child);
        Put(&b, o + 4, r.e.record);
        b[o + 8] = static_cast<char>(r.e.field);
        b[o + 9] = static_cast<char>(r.e.position);
        b.replace(o + 10, r.e.key.size(), r.e.key);
        o += Size(r);
      }
    }
    Put(&b, 1024, -1);
    Put(&b, 1028, levels_);
    return b;
  }

private:
  static void Put(std::string* b, size_t at, int32_t v) { fixture::PutU32(*b, at, static_cast<uint32_t>(v)); }

  int32_t Allocate() {
    int32_t o = end_;
    end_ += 1024;
    return o;
  }

  void InsertAt(int lv, size_t pos, RefEntry ne) {
    RefPage& p = pages_[path_[lv].first];
    size_t used = p.Used();
    if (used + Size(ne) <= 1012) {
      p.entries.insert(p.entries.begin() + static_cast<long>(pos), ne);
      return;
    }
    size_t x = used / 2 + 4, start = 0, s = 0;
    while (!(start <= x && x < start + Size(p.entries[s]))) start += Size(p.entries[s++]);
    std::vector<RefEntry> left(p.entries.begin(), p.entries.begin() + static_cast<long>(s));
    std::vector<RefEntry> right;
    RefEntry up;
    if (pos == s) {
      up = ne;
      right.assign(p.entries.begin() + static_cast<long>(s), p.entries.end());
    } else {
      up = p.entries[s];
      right.assign(p.entries.begin() + static_cast<long>(s) + 1, p.entries.end());
      if (pos < s) {
        left.insert(left.begin() + static_cast<long>(pos), ne);
      } else {
        right.insert(right.begin() + static_cast<long>(pos - s - 1), ne);
      }
    }
    RefPage right_page{up.child, right};
    int32_t right_offset = Allocate();
    up.child = right_offset;
    if (lv == 0) {
      int32_t left_offset = Allocate();
      RefPage left_page{pages_[0].leftmost, left};
      pages_[right_offset] = right_page;
      pages_[left_offset] = left_page;
      pages_[0] = RefPage{left_offset, {up}};
      ++levels_;
      return;
    }
    pages_[right_offset] = right_page;
    pages_[path_[lv].first].entries = left;
    InsertAt(lv - 1, path_[lv - 1].second, up);
  }

  bool unique_;
  int levels_ = 1;
  int32_t end_ = 1032;
  std::map<int32_t, RefPage> pages_;
  std::vector<std::pair<int32_t, size_t>> path_;
};

TEST(KeyFileReference, InsertionsGiveTheSameBytes) {
  TempDir dir;
  for (int round = 0; round < 8; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    bool unique = round % 2 == 0;
    std::mt19937 rng(100 + round);
    std::string path = dir / "t.cdi";
    std::unique_ptr<zrt::KeyFile> kf;
    ASSERT_TRUE(zrt::KeyFile::Create(path, unique ? zrt::KeyFileMode::Unique : zrt::KeyFileMode::Duplicate, &kf).ok());
    ReferenceTree ref(unique);
    int count = round % 4 < 2 ? 3000 : 12000;  // short keys need more entries for three levels
    for (int i = 0; i < count; ++i) {
      std::string key;
      size_t len = round % 4 < 2 ? rng() % 31 : rng() % 4;
      for (size_t k = 0; k < len; ++k) key += static_cast<char>('A' + rng() % (round % 4 < 2 ? 26 : 3));
      zrt::KeyEntry e = E(key, static_cast<int32_t>(rng() % 50), static_cast<uint8_t>(rng() % 2),
                          static_cast<uint8_t>(rng() % 2));
      ASSERT_TRUE(kf->Insert(e).ok());
      ref.Insert(ToRaw(e));
    }
    ASSERT_TRUE(kf->Close().ok());
    std::string got = fixture::ReadFile(path), want = ref.Bytes();
    ASSERT_EQ(got.size(), want.size());
    size_t diff = 0;
    while (diff < got.size() && got[diff] == want[diff]) ++diff;
    EXPECT_EQ(diff, got.size()) << "first difference at byte " << diff;
    EXPECT_GE(CheckKeyFile(got).levels, 3);
  }
}

}  // namespace
}  // namespace keyfile_test
