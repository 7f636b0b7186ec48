#include "dzwriter.h"

#include <algorithm>
#include <tuple>

#include "base/bytes.h"
#include "morph/dictionary.h"

namespace dzbuild {

bool LayOut(const std::vector<Ring>& rings, std::string* file, std::string* error) {
  using zrt::morph::kTableEntries;
  struct Entry {
    const std::string* stem;
    size_t ring, index;
  };
  std::vector<std::vector<Entry>> ranges(kTableEntries / 2);
  for (size_t r = 0; r < rings.size(); ++r)
    for (size_t i = 0; i < rings[r].size(); ++i) {
      const std::string& stem = rings[r][i].stem;
      if (stem.empty() || stem.size() > 255) return *error = "stem of bad length", false;
      const auto a = static_cast<unsigned char>(stem[0]);
      const auto b = stem.size() > 1 ? static_cast<unsigned char>(stem[1]) : 0xE0;
      if (a < 0xE0 || b < 0xE0) return *error = "stem not in lower-case Cyrillic", false;
      const size_t slot = stem.size() == 1 ? a - 0xE0 : 32 + 32 * (a - 0xE0) + (b - 0xE0);
      ranges[slot].push_back({&stem, r, i});
    }
  std::vector<std::vector<uint32_t>> offsets(rings.size());
  for (size_t r = 0; r < rings.size(); ++r) offsets[r].resize(rings[r].size());
  std::vector<uint32_t> table(kTableEntries, 0);
  uint64_t pos = zrt::morph::kTableBytes;
  for (size_t g = 0; g < ranges.size(); ++g) {
    auto& range = ranges[g];
    if (range.empty()) continue;
    std::sort(range.begin(), range.end(), [](const Entry& x, const Entry& y) {
      return std::tie(*x.stem, x.ring, x.index) < std::tie(*y.stem, y.ring, y.index);
    });
    table[2 * g] = static_cast<uint32_t>(pos);
    for (const Entry& e : range) {
      offsets[e.ring][e.index] = static_cast<uint32_t>(pos);
      pos += zrt::morph::kRecordFixed + e.stem->size();
    }
    table[2 * g + 1] = static_cast<uint32_t>(pos);
    if (pos >= zrt::morph::kMaxFileSize) return *error = "dictionary too large", false;
  }
  file->assign(pos, '\0');
  for (int i = 0; i < kTableEntries; ++i) zrt::PutU32(file->data() + 4 * i, table[i]);
  for (size_t r = 0; r < rings.size(); ++r)
    for (size_t i = 0; i < rings[r].size(); ++i) {
      const Record& rec = rings[r][i];
      char* p = file->data() + offsets[r][i];
      p[0] = static_cast<char>(rec.stem.size());
      std::copy(rec.stem.begin(), rec.stem.end(), p + 1);
      char* v = p + 1 + rec.stem.size();
      zrt::PutU32(v, rec.code);
      zrt::PutU32(v + 4, rec.mask);
      zrt::PutU32(v + 8, rec.features);
      zrt::PutU32(v + 12, rec.fourth);
      zrt::PutU32(v + 16, offsets[r][(i + 1) % rings[r].size()]);
    }
  return true;
}

}  // namespace dzbuild
