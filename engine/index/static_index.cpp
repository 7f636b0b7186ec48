#include "index/static_index.h"

#include "base/bytes.h"

namespace zrt {
namespace {

Status OpenWithMagic(const std::string& path, const char* magic, std::unique_ptr<File>* out) {
  Status why;
  auto f = Env::Current()->Open(path, OpenMode::Read, &why);
  if (!f) return Status::NotFound(why.message());
  char head[4];
  if (!f->ReadExact(0, head, 4) || !HasMagic(head, magic))
    return Status::Corruption(path + ": no \"" + magic + "\" magic");
  *out = std::move(f);
  return Status::Ok();
}

}  // namespace

Status StaticIndex::Open(const std::string& base) {
  Close();
  const std::string pagePath = base + ".cdp";
  std::string bytes;
  if (!ReadWholeFile(pagePath, &bytes)) return Status::NotFound(pagePath + ": cannot be read");
  if (bytes.size() < 6 || !(HasMagic(bytes.data(), "ASDP") || HasMagic(bytes.data(), "ASDp")))
    return Status::Corruption(pagePath + ": not a page index (no \"ASDP\" or \"ASDp\")");
  bool newForm = bytes[3] == 'p';
  size_t width = newForm ? 12 : 8;
  size_t count = GetU16(bytes.data() + 4);
  if (bytes.size() < 6 + count * width)
    return Status::Corruption(pagePath + ": " + std::to_string(count) +
                              " entries do not fit the file");
  std::vector<PageIndexEntry> pages(count);
  for (size_t i = 0; i < count; ++i) {
    const char* e = bytes.data() + 6 + i * width;
    PageIndexEntry& p = pages[i];
    p.first = static_cast<uint8_t>(e[0]);
    p.second = static_cast<uint8_t>(e[1]);
    if (newForm) {
      p.wordCount = GetU32(e + 4);
      p.offset = GetU32(e + 8);
    } else {
      p.wordCount = GetU16(e + 2);
      p.offset = GetU32(e + 4);
    }
  }

  std::unique_ptr<File> dictionary, occurrences;
  Status s = OpenWithMagic(base + ".cdd", "ASDD", &dictionary);
  if (!s.ok()) return s;
  s = OpenWithMagic(base + ".cdh", "ASDH", &occurrences);
  if (!s.ok()) return s;

  newForm_ = newForm;
  pages_ = std::move(pages);
  dictionary_ = std::move(dictionary);
  occurrences_ = std::move(occurrences);
  return Status::Ok();
}

void StaticIndex::Close() {
  pages_.clear();
  newForm_ = false;
  dictionary_.reset();
  occurrences_.reset();
}

}  // namespace zrt
