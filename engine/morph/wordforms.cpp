#include "morph/wordforms.h"

#include <algorithm>
#include <cstring>

#include "morph/cyrillic.h"
#include "morph/forms.h"
#include "text/charset.h"

namespace zrt::morph {

const std::vector<std::string>& PrefixList() {
  static const std::vector<std::string> list = [] {
    const char* utf8[] = {
        "зоо", "радио", "опто", "крио", "фото", "электро", "микро", "макро", "пьезо",
        "сегнето", "много", "звуко", "видео", "теле", "агро", "био", "химио", "ксено",
        "низко", "высоко", "не", "ни", "социально-", "справочно-", "термо", "научно-",
        "обще", "мульти", "логико", "меж", "объектно-", "общественно-", "культурно-",
        "информационно-", "историко-", "книго", "пара", "документо", "гипер", "двух",
        "патентно-", "программно-", "системно-", "психо", "само", "гетеро", "библиотеко",
        "библиотечно-", "библио", "бизнес-", "волоконно-", "гео", "транс", "техно", "супер",
        "социо", "системо", "аудио", "без", "взаимо", "внутри", "вне", "квази", "нейро",
        "полно", "полу", "пост"};
    std::vector<std::string> v;
    for (const char* p : utf8) v.push_back(Cp1251(p));
    return v;
  }();
  return list;
}

static bool CyrillicStart(std::string_view word) {
  return word.size() >= 2 && static_cast<unsigned char>(word[0]) >= 0xE0 &&
         static_cast<unsigned char>(word[1]) >= 0xE0;
}

int LexemeSlots(const Dictionary& dict, std::string_view word, std::vector<std::string>* slots) {
  slots->clear();
  if (!CyrillicStart(word)) return 0;
  const std::string key(word);
  std::vector<uint32_t> candidates;
  dict.Candidates(word, &candidates);
  std::vector<uint32_t> links;
  struct Kept {
    size_t first, count;
    bool exact;
  };
  std::vector<Kept> kept;
  Slot generated[kMaxSlots];
  for (uint32_t offset : candidates) {
    StemRecord head;
    if (!dict.ReadRecord(offset, &head) || head.link == 0) continue;
    if (std::find(links.begin(), links.end(), head.link) != links.end()) continue;
    links.push_back(head.link);
    // Walk the ring; one that does not come back within kMaxStems, or leaves the file,
    // is not a lexeme.
    std::vector<StemRecord> ring{head};
    bool whole = false;
    for (uint32_t at = head.link;;) {
      StemRecord next;
      if (!dict.ReadRecord(at, &next)) break;
      if (next.link == head.link) {
        whole = true;
        break;
      }
      if (ring.size() == static_cast<size_t>(kMaxStems)) break;
      ring.push_back(next);
      at = next.link;
    }
    if (!whole) continue;
    std::vector<std::string> stems;
    stems.reserve(ring.size());
    std::vector<StemView> views;
    for (const StemRecord& r : ring) {
      stems.emplace_back(r.stem.substr(0, std::min(r.stem.find('\0'), r.stem.size())));
      views.push_back({stems.back().c_str(), r.code, r.mask, r.features, r.fourth});
    }
    const int r = BuildAllForms(views.data(), static_cast<int>(views.size()), key.c_str(), generated);
    if (r == 0) continue;
    const size_t k = static_cast<size_t>(r < 0 ? -r : r);
    if (slots->size() + k > static_cast<size_t>(kMaxForms)) break;
    kept.push_back({slots->size(), k, r > 0});
    for (size_t s = 0; s < k; ++s) slots->emplace_back(generated[s]);
  }
  const bool anyExact = std::any_of(kept.begin(), kept.end(), [](const Kept& k) { return k.exact; });
  if (anyExact)
    for (const Kept& k : kept)
      if (!k.exact)
        for (size_t s = k.first; s < k.first + k.count; ++s) (*slots)[s][0] = '-';
  return static_cast<int>(slots->size());
}

static bool Truncated(const std::string& form) { return form.find('$') != std::string::npos; }

static bool FormLess(const std::string& a, const std::string& b) {
  const bool ta = Truncated(a), tb = Truncated(b);
  if (ta != tb) return tb;
  return a < b;  // std::string compares bytes as unsigned
}

// The byte at position i, or 0 past the end: forms of different lengths differ there.
static unsigned char At(const std::string& s, size_t i) {
  return i < s.size() ? static_cast<unsigned char>(s[i]) : 0;
}

void Compress(std::vector<std::string>& forms, size_t first, size_t count, size_t minLength) {
  if (count <= 1 || first + count > forms.size()) return;
  const size_t end = first + count;
  size_t longest = 0;
  for (size_t i = first; i < end; ++i) longest = std::max(longest, forms[i].size());
  size_t k = std::max<size_t>(minLength, 1);
  for (;; ++k) {
    if (k > longest) {  // all the same
      for (size_t i = first + 1; i < end; ++i) forms[i] = "-";
      return;
    }
    bool same = true;
    for (size_t i = first + 1; i < end && same; ++i) same = At(forms[i], k - 1) == At(forms[first], k - 1);
    if (!same) break;
  }
  if (k > 3) {
    const size_t shared = k - 1;
    size_t extra = 0;
    for (size_t i = first; i < end; ++i)
      if (forms[i].size() > shared) extra = std::max(extra, forms[i].size() - shared);
    for (size_t i = first + 1; i < end; ++i) forms[i] = "-";
    std::string& head = forms[first];
    if (head.size() <= shared && extra == 0) return;
    head.resize(std::min(head.size(), shared));
    head.push_back('$');
    // More than nine further bytes have no digit: a bare "$" still finds every form,
    // where a non-digit after it would make a pattern that finds none.
    if (extra <= 9) head.push_back(static_cast<char>('0' + extra));
    return;
  }
  size_t groupStart = first;
  for (size_t i = first + 1; i <= end; ++i) {
    if (i == end || forms[i].compare(0, k, forms[groupStart], 0, k) != 0 ||
        std::min(forms[i].size(), k) != std::min(forms[groupStart].size(), k)) {
      Compress(forms, groupStart, i - groupStart, k + 1);
      groupStart = i;
    }
  }
}

// The dictionary's spelling of a word: lower case, «ё» as «е», as dzbuild writes it.
static std::string DictionarySpelling(std::string_view word) {
  std::string w(word);
  AnsiLower(FoldYo(w.data()));
  return w;
}

int FindForms(const Dictionary& dict, std::string_view typed, int flags, std::vector<std::string>* out) {
  out->clear();
  const std::string spelled = DictionarySpelling(typed);
  const std::string_view word = spelled;
  std::vector<std::string> forms;
  if (LexemeSlots(dict, word, &forms) == 0) {
    const std::string* prefix = nullptr;
    for (const std::string& p : PrefixList())
      if (word.substr(0, p.size()) == p) {
        prefix = &p;
        break;
      }
    if (prefix == nullptr) return 0;
    const std::string_view rest = word.substr(prefix->size());
    if (LexemeSlots(dict, rest, &forms) == 0) return 0;
    for (std::string& f : forms) {
      if (f[0] == '-') continue;
      const size_t dollar = f.find('$');
      if (dollar != std::string::npos && rest.substr(0, dollar) == std::string_view(f).substr(0, dollar)) {
        forms = {*prefix + f};
        break;
      }
      f = *prefix + f;
    }
  }
  for (std::string& f : forms)
    if (!f.empty() && f[0] == '-') f = "-";
  std::sort(forms.begin(), forms.end(), FormLess);
  if (flags & kFlagCompress) {
    size_t begin = 0;
    while (begin < forms.size() && forms[begin] == "-") ++begin;
    size_t end = begin;
    while (end < forms.size() && !Truncated(forms[end])) ++end;
    Compress(forms, begin, end - begin, 1);
  }
  bool disabled = false;
  const std::string* last = nullptr;
  for (std::string& f : forms) {
    if (f == "-") continue;
    if (last != nullptr && f == *last) {
      f = "-";
      disabled = true;
    } else {
      last = &f;
    }
  }
  if (disabled) std::sort(forms.begin(), forms.end(), FormLess);
  for (std::string& f : forms)
    if (f != "-") out->push_back(std::move(f));
  return static_cast<int>(out->size());
}

std::string JoinForms(const std::vector<std::string>& forms, int flags, size_t capacity, int* written) {
  const char* sep = (flags & kFlagBars) ? " | " : " or ";
  std::string text;
  int n = 0;
  for (const std::string& f : forms) {
    const size_t add = (n ? std::strlen(sep) : 0) + f.size();
    if (text.size() + add + 1 > capacity) break;
    if (n) text += sep;
    text += f;
    ++n;
  }
  if (written) *written = n;
  return text;
}

static bool Delimiter(unsigned char c) {
  return c == '(' || c == '&' || c == '|' || c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string ExpandQuery(const Dictionary* dict, std::string_view query, int flags, size_t capacity) {
  std::string out;
  const size_t n = query.size();
  std::vector<std::string> forms;
  for (size_t i = 0; i < n;) {
    const auto c = static_cast<unsigned char>(query[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    size_t j = i;
    while (j < n && static_cast<unsigned char>(query[j]) >= 0x80) ++j;
    const std::string_view run = query.substr(i, j - i);
    const bool free = i == 0 || Delimiter(static_cast<unsigned char>(query[i - 1]));
    const auto next = j < n ? static_cast<unsigned char>(query[j]) : 0;
    const bool ends = next == 0 || next == ')' || (next != '(' && Delimiter(next));
    if (!free || run.size() == 1 || !ends) {
      out.append(run);
      i = j;
      continue;
    }
    const std::string lower = DictionarySpelling(run);
    // Room for this word's expansion once the rest of the query, copied as it is, and
    // the NUL are provided for.
    const size_t reserve = out.size() + (n - j) + 1;
    bool expanded = false;
    if (dict != nullptr && reserve + 2 < capacity && FindForms(*dict, lower, flags, &forms) > 0) {
      int written = 0;
      std::string text = JoinForms(forms, flags, capacity - reserve - 2 + 1, &written);
      if (written == static_cast<int>(forms.size())) {
        out += '(';
        out += text;
        out += ')';
        expanded = true;
      }
    }
    if (!expanded) out += lower;
    i = j;
  }
  return out;
}

}  // namespace zrt::morph
