#include "morph_test_util.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "morph/cyrillic.h"

namespace morphtest {

std::string W(const char* utf8) { return zrt::morph::Cp1251(utf8); }

std::string U(const std::string& cp1251) { return zrt::morph::Utf8(cp1251); }

std::vector<std::string> Ws(std::initializer_list<const char*> utf8) {
  std::vector<std::string> v;
  for (const char* s : utf8) v.push_back(W(s));
  return v;
}

static void Put32(std::string* s, size_t at, uint32_t v) { fixture::PutU32(*s, at, v); }

std::string DictionaryBytes(const std::vector<std::vector<Rec>>& rings) {
  struct Item {
    std::string stem;
    size_t ring, index;
  };
  std::map<int, std::vector<Item>> ranges;  // table pair index -> records
  for (size_t r = 0; r < rings.size(); ++r)
    for (size_t i = 0; i < rings[r].size(); ++i) {
      std::string stem = W(rings[r][i].stem.c_str());
      const int a = static_cast<unsigned char>(stem[0]) - 0xE0;
      const int pair = stem.size() == 1 ? a : 32 + 32 * a + (static_cast<unsigned char>(stem[1]) - 0xE0);
      ranges[pair].push_back({stem, r, i});
    }
  std::string file(8448, '\0');
  std::map<std::pair<size_t, size_t>, uint32_t> offsets;
  std::vector<std::pair<size_t, size_t>> order;
  for (auto& [pair, items] : ranges) {
    std::stable_sort(items.begin(), items.end(), [](const Item& x, const Item& y) {
      return std::lexicographical_compare(x.stem.begin(), x.stem.end(), y.stem.begin(), y.stem.end(),
                                          [](char p, char q) {
                                            return static_cast<unsigned char>(p) < static_cast<unsigned char>(q);
                                          });
    });
    Put32(&file, 8 * pair, static_cast<uint32_t>(file.size()));
    for (const Item& it : items) {
      offsets[{it.ring, it.index}] = static_cast<uint32_t>(file.size());
      order.push_back({it.ring, it.index});
      file.push_back(static_cast<char>(it.stem.size()));
      file += it.stem;
      file.append(20, '\0');
    }
    Put32(&file, 8 * pair + 4, static_cast<uint32_t>(file.size()));
  }
  for (auto [r, i] : order) {
    const Rec& rec = rings[r][i];
    const size_t at = offsets[{r, i}] + 1 + W(rec.stem.c_str()).size();
    Put32(&file, at, rec.code);
    Put32(&file, at + 4, rec.mask);
    Put32(&file, at + 8, rec.features);
    Put32(&file, at + 12, rec.fourth);
    Put32(&file, at + 16, offsets[{r, (i + 1) % rings[r].size()}]);
  }
  return file;
}

std::set<std::string> FormsOf(DZContext* ctx, const std::string& utf8Word, int flags) {
  std::vector<char> out(DZ_FORMS_SIZE);
  DZFindForms(W(utf8Word.c_str()).c_str(), out.data(), ctx, flags);
  std::set<std::string> forms;
  const std::string text = U(out.data());
  const std::string sep = (flags & DZ_FLAG_BARS) ? " | " : " or ";
  for (size_t at = 0; !text.empty();) {
    const size_t next = text.find(sep, at);
    forms.insert(text.substr(at, next - at));
    if (next == std::string::npos) break;
    at = next + sep.size();
  }
  return forms;
}

bool Finds(const std::set<std::string>& forms, const std::string& word) {
  if (forms.count(word)) return true;
  return std::any_of(forms.begin(), forms.end(), [&](const std::string& f) {
    return !f.empty() && f.back() == '$' && word.starts_with(std::string_view(f).substr(0, f.size() - 1));
  });
}

}  // namespace morphtest
