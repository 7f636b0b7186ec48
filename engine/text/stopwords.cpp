#include "text/stopwords.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/file.h"
#include "text/charset.h"

namespace zrt {
namespace {

// Cuts a file into the pieces the list is read in: up to and including the next LF, but
// never more than kLineBytes bytes, so a longer line continues as a piece of its own.
class PieceReader {
 public:
  explicit PieceReader(File* file) : file_(file) {}

  // False at the end of the file or on a read error (then failed() is true).
  bool Next(std::string* piece) {
    piece->clear();
    while (piece->size() < StopList::kLineBytes) {
      if (at_ == buf_.size() && !Fill()) break;
      char c = buf_[at_++];
      piece->push_back(c);
      if (c == '\n') break;
    }
    return !piece->empty() && !failed_;
  }

  bool failed() const { return failed_; }

 private:
  bool Fill() {
    buf_.resize(4096);
    long long got = file_->ReadAt(offset_, buf_.data(), buf_.size());
    if (got < 0) failed_ = true;
    if (got <= 0) {
      buf_.clear();
      at_ = 0;
      return false;
    }
    buf_.resize(static_cast<size_t>(got));
    offset_ += static_cast<uint64_t>(got);
    at_ = 0;
    return true;
  }

  File* file_;
  std::string buf_;
  size_t at_ = 0;
  uint64_t offset_ = 0;
  bool failed_ = false;
};

// The entry text of one piece: up to its first NUL (entries are C strings), without the
// trailing control bytes (LF, CR LF, stray ^Z). Empty for comments and blank lines.
std::string EntryOf(std::string piece) {
  piece.resize(std::strlen(piece.c_str()));
  while (!piece.empty() && piece.back() >= 0x01 && piece.back() <= 0x1F) piece.pop_back();
  if (piece.empty() || piece[0] == '$') return {};
  // Code page 866 has «Ё» and «ё» at F0 and F1, which OemToAnsi leaves alone (as «р»
  // and «с»); entries are compared folded, so they become «Е» and «е».
  for (char& c : piece) {
    if (static_cast<unsigned char>(c) == 0xF0) c = '\x85';
    if (static_cast<unsigned char>(c) == 0xF1) c = '\xA5';
  }
  return AnsiUpper(FoldYo(OemToAnsi(std::move(piece))));
}

long Length(const char* s) { return static_cast<long>(std::strlen(s)); }

int DigitAfter(const char* s, long dollar) {
  char c = s[dollar + 1];
  return c >= '0' && c <= '9' ? c - '0' : -1;
}

}  // namespace

int CompareStopEntry(const char* w, const char* e) {
  if (std::strcmp(w, e) == 0) return 0;
  const char* wd = std::strchr(w, '$');
  const char* ed = std::strchr(e, '$');
  if (!wd && !ed) return std::strcmp(w, e) < 0 ? -1 : 1;  // strcmp compares unsigned bytes
  long dw = wd ? wd - w : -1;
  long de = ed ? ed - e : -1;
  size_t prefix = static_cast<size_t>(wd ? wd - w : ed - e);
  int c = std::strncmp(w, e, prefix);
  if (c != 0) return c < 0 ? -1 : 1;
  if ((wd && wd[1] == '\0') || (ed && ed[1] == '\0')) return 0;
  if (wd) {
    int n = DigitAfter(w, dw);
    if (n >= 0 && Length(e) - dw <= n) return 0;
  }
  if (ed) {
    int n = DigitAfter(e, de);
    if (n >= 0 && Length(w) - de <= n) return 0;
  }
  return wd ? -1 : 1;
}

bool StopList::Load(const std::string& path) {
  entries_.clear();
  if (path.empty()) return false;
  std::unique_ptr<File> file = Env::Current()->Open(path, OpenMode::Read);
  if (!file) return false;
  PieceReader reader(file.get());
  std::vector<std::string> entries;
  std::string piece;
  while (entries.size() < kCapacity && reader.Next(&piece)) {
    std::string entry = EntryOf(piece);
    if (!entry.empty()) entries.push_back(std::move(entry));
  }
  if (reader.failed()) return false;  // half a list would stop some words and not others
  SetEntries(std::move(entries));
  return true;
}

void StopList::SetEntries(std::vector<std::string> entries) {
  if (entries.size() > kCapacity) entries.resize(kCapacity);
  for (std::string& e : entries) e = FoldYo(std::move(e));
  std::sort(entries.begin(), entries.end());  // std::string orders bytes as unsigned
  entries_ = std::move(entries);
}

bool StopList::Contains(const char* word) const {
  if (!word || entries_.empty()) return false;
  std::string upper = AnsiUpper(FoldYo(std::string(word)));
  // The entries are sorted by plain bytes while the comparison also orders "$" entries,
  // so for some words this search misses an entry that would match. The miss is kept:
  // membership is what this search finds, and the indexer and the query side both ask it.
  size_t lo = 0, hi = entries_.size();
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    int c = CompareStopEntry(upper.c_str(), entries_[mid].c_str());
    if (c == 0) return true;
    if (c < 0)
      hi = mid;
    else
      lo = mid + 1;
  }
  return false;
}

StopList& StopList::Global() {
  static StopList list;
  return list;
}

bool IsStopWord(const char* word) { return StopList::Global().Contains(word); }

}  // namespace zrt
