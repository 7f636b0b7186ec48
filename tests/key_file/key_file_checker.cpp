#include "key_file/key_file_checker.h"

#include <set>

#include "fixture/fixture_writer.h"

namespace keyfile_test {
namespace {

int32_t I32(const std::string& b, size_t at) { return static_cast<int32_t>(fixture::GetU32(b, at)); }

struct Walker {
  const std::string& bytes;
  CheckedFile& out;
  std::set<int32_t> seen;

  bool Fail(const std::string& why) {
    if (out.error.empty()) out.error = why;
    return false;
  }

  bool Walk(int32_t offset, int depth) {
    if (depth >= out.levels) return Fail("deeper than the level count");
    if (offset != 0) {
      if (!seen.insert(offset).second) return Fail("page " + std::to_string(offset) + " reached twice");
      out.tree_pages.push_back(offset);
    }
    RawPage page;
    std::string why;
    if (!ReadRawPage(bytes, offset, &page, &why)) return Fail(why);
    bool leaf = depth == out.levels - 1;
    std::string at = "page " + std::to_string(offset) + ": ";
    if (offset != 0 && page.entries.empty()) return Fail(at + "empty page below the root");
    if (leaf) {
      if (page.leftmost != -1) return Fail(at + "leaf with a leftmost child");
      for (int32_t c : page.children)
        if (c != -1) return Fail(at + "leaf entry with a child");
      out.entries.insert(out.entries.end(), page.entries.begin(), page.entries.end());
      return true;
    }
    if (page.leftmost < 1032) return Fail(at + "inner page without leftmost child");
    if (!Walk(page.leftmost, depth + 1)) return false;
    for (size_t i = 0; i < page.entries.size(); ++i) {
      out.entries.push_back(page.entries[i]);
      if (page.children[i] < 1032) return Fail(at + "inner entry without child");
      if (!Walk(page.children[i], depth + 1)) return false;
    }
    return true;
  }
};

}  // namespace

int CompareRaw(const RawEntry& a, const RawEntry& b) {
  size_t n = std::min(a.key.size(), b.key.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a.key[i]), y = static_cast<unsigned char>(b.key[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.key.size() != b.key.size()) return a.key.size() < b.key.size() ? -1 : 1;
  if (a.record != b.record) return a.record < b.record ? -1 : 1;
  if (a.field != b.field) return a.field < b.field ? -1 : 1;
  if (a.position != b.position) return a.position < b.position ? -1 : 1;
  return 0;
}

bool operator<(const RawEntry& a, const RawEntry& b) { return CompareRaw(a, b) < 0; }
bool operator==(const RawEntry& a, const RawEntry& b) { return CompareRaw(a, b) == 0; }

bool ReadRawPage(const std::string& bytes, int32_t offset, RawPage* page, std::string* error) {
  std::string at = "page " + std::to_string(offset) + ": ";
  if (offset < 0 || static_cast<size_t>(offset) + 1024 > bytes.size()) {
    *error = at + "outside the file";
    return false;
  }
  *page = RawPage{};
  size_t base = static_cast<size_t>(offset);
  page->offset = I32(bytes, base);
  page->used = static_cast<uint32_t>(I32(bytes, base + 4));
  page->leftmost = I32(bytes, base + 8);
  if (page->offset != offset) {
    *error = at + "own offset field is " + std::to_string(page->offset);
    return false;
  }
  if (page->used > 1012 || page->used % 4 != 0) {
    *error = at + "used bytes " + std::to_string(page->used);
    return false;
  }
  size_t area = base + 12;
  size_t o = 0;
  while (o < page->used) {
    RawEntry e;
    int32_t child = I32(bytes, area + o);
    e.record = I32(bytes, area + o + 4);
    e.field = static_cast<uint8_t>(bytes[area + o + 8]);
    e.position = static_cast<uint8_t>(bytes[area + o + 9]);
    size_t k = area + o + 10;
    while (k < area + page->used && bytes[k] != '\0') e.key.push_back(bytes[k++]);
    if (k >= area + page->used) {
      *error = at + "key runs past the used bytes";
      return false;
    }
    if (e.key.size() > 30) {
      *error = at + "key longer than 30";
      return false;
    }
    size_t len = (10 + e.key.size() + 1 + 3) / 4 * 4;
    if (o + len > page->used) {
      *error = at + "entry runs past the used bytes";
      return false;
    }
    for (size_t p = 10 + e.key.size(); p < len; ++p) {
      if (bytes[area + o + p] != '\0') {
        *error = at + "padding not zero";
        return false;
      }
    }
    if (!page->entries.empty() && e < page->entries.back()) {
      *error = at + "entries out of order";
      return false;
    }
    page->entries.push_back(e);
    page->children.push_back(child);
    o += len;
  }
  for (size_t p = page->used; p < 1012; ++p) {
    if (bytes[area + p] != '\0') {
      *error = at + "bytes after the used ones not zero";
      return false;
    }
  }
  return true;
}

CheckedFile CheckKeyFile(const std::string& bytes) {
  CheckedFile out;
  if (bytes.size() < 1032 || (bytes.size() - 1032) % 1024 != 0) {
    out.error = "file size " + std::to_string(bytes.size()) + " is not the header plus whole pages";
    return out;
  }
  out.free_head = I32(bytes, 1024);
  out.levels = I32(bytes, 1028);
  if (out.levels < 1 || out.levels > 8) {
    out.error = "level count " + std::to_string(out.levels);
    return out;
  }
  Walker w{bytes, out, {}};
  if (!w.Walk(0, 0)) return out;
  for (size_t i = 1; i < out.entries.size(); ++i) {
    if (out.entries[i] < out.entries[i - 1]) {
      out.error = "entries out of order across pages at " + std::to_string(i);
      return out;
    }
  }
  for (int32_t f = out.free_head; f != -1;) {
    if (f < 1032 || static_cast<size_t>(f) + 1024 > bytes.size() || (f - 1032) % 1024 != 0) {
      out.error = "free link " + std::to_string(f) + " outside the pages";
      return out;
    }
    if (!w.seen.insert(f).second) {
      out.error = "free page " + std::to_string(f) + " is in the tree or the list twice";
      return out;
    }
    if (I32(bytes, f + 8) != -2) {
      out.error = "free page " + std::to_string(f) + " without the free mark";
      return out;
    }
    out.free_pages.push_back(f);
    f = I32(bytes, f);
  }
  size_t pages = (bytes.size() - 1032) / 1024;
  if (w.seen.size() != pages) {
    out.error = std::to_string(pages - w.seen.size()) + " pages neither in the tree nor free";
  }
  return out;
}

CheckedFile CheckKeyFilePath(const std::string& path) { return CheckKeyFile(fixture::ReadFile(path)); }

}  // namespace keyfile_test
