#include "az_source.h"

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "morph/cyrillic.h"

namespace dzbuild {

std::string ToCp1251(const std::string& utf8) { return zrt::morph::Cp1251(utf8); }

const std::string& FormPrefix(uint16_t id) {
  static const std::string kPrefixes[3] = {"", "\xEF\xEE", "\xED\xE0\xE8"};  // "", по, наи
  return kPrefixes[id < 3 ? id : 0];
}

static bool ReadFile(const std::string& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

static uint32_t U32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

namespace {

// Read-only walk over a dawgdic dictionary with its guide.
class Dawg {
public:
  bool Load(const std::string& bytes) {
    if (bytes.size() < 8) return false;
    const uint64_t units = U32(bytes, 0);
    if (4 + units * 4 + 4 > bytes.size()) return false;
    units_.resize(units);
    for (uint64_t i = 0; i < units; ++i) units_[i] = U32(bytes, 4 + 4 * i);
    const uint64_t guideAt = 4 + units * 4;
    const uint64_t guides = U32(bytes, guideAt);
    if (guideAt + 4 + guides * 2 > bytes.size() || guides < units) return false;
    guide_.assign(bytes.begin() + static_cast<long>(guideAt + 4),
                  bytes.begin() + static_cast<long>(guideAt + 4 + guides * 2));
    return !units_.empty();
  }

  // Calls visit(key) for every key, in the guide's order.
  template <class Visit>
  void ForEach(Visit visit) const {
    std::string key;
    Walk(0, &key, visit, 0);
  }

private:
  static uint32_t Offset(uint32_t base) { return (base >> 10) << ((base & (1u << 9)) >> 6); }
  static uint32_t Label(uint32_t base) { return base & ((1u << 31) | 0xFFu); }
  static bool HasLeaf(uint32_t base) { return (base & (1u << 8)) != 0; }

  bool Follow(unsigned char label, uint32_t* index) const {
    const uint32_t next = *index ^ Offset(units_[*index]) ^ label;
    if (next >= units_.size() || Label(units_[next]) != label) return false;
    *index = next;
    return true;
  }

  template <class Visit>
  void Walk(uint32_t index, std::string* key, Visit& visit, int depth) const {
    if (depth > 200) return;
    if (HasLeaf(units_[index])) visit(*key);
    unsigned char label = guide_[2 * index];
    while (label != 0) {
      uint32_t child = index;
      if (!Follow(label, &child)) return;
      key->push_back(static_cast<char>(label));
      Walk(child, key, visit, depth + 1);
      key->pop_back();
      label = guide_[2 * child + 1];
    }
  }

  std::vector<uint32_t> units_;
  std::vector<unsigned char> guide_;
};

}  // namespace

bool LoadSource(const std::string& dir, Source* out, std::string* error) {
  std::string bytes;
  try {
    if (!ReadFile(dir + "/suffixes.json", &bytes)) return *error = "cannot read suffixes.json", false;
    for (const auto& s : nlohmann::json::parse(bytes)) out->suffixes.push_back(ToCp1251(s.get<std::string>()));
    if (!ReadFile(dir + "/gramtab-opencorpora-int.json", &bytes))
      return *error = "cannot read gramtab-opencorpora-int.json", false;
    for (const auto& s : nlohmann::json::parse(bytes)) out->tags.push_back(s.get<std::string>());
  } catch (const std::exception& e) {
    return *error = std::string("bad JSON: ") + e.what(), false;
  }
  if (!ReadFile(dir + "/paradigms.array", &bytes) || bytes.size() < 2)
    return *error = "cannot read paradigms.array", false;
  auto u16 = [&](size_t i) {
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                 static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  };
  const size_t words = bytes.size() / 2;
  size_t at = 1;
  for (uint16_t p = 0, n = u16(0); p < n; ++p) {
    if (at >= words) return *error = "paradigms.array is cut short", false;
    const size_t len = u16(at++);
    if (len % 3 != 0 || at + len > words) return *error = "paradigms.array is damaged", false;
    const size_t forms = len / 3;
    Paradigm para;
    for (size_t i = 0; i < forms; ++i) {
      para.suffix.push_back(u16(at + i));
      para.tag.push_back(u16(at + forms + i));
      para.prefix.push_back(u16(at + 2 * forms + i));
      if (para.suffix.back() >= out->suffixes.size() || para.tag.back() >= out->tags.size() ||
          para.prefix.back() > 2)
        return *error = "paradigms.array refers past its tables", false;
    }
    at += len;
    out->paradigms.push_back(std::move(para));
  }
  if (!ReadFile(dir + "/words.dawg", &bytes)) return *error = "cannot read words.dawg", false;
  Dawg dawg;
  if (!dawg.Load(bytes)) return *error = "words.dawg is damaged", false;
  bool bad = false;
  dawg.ForEach([&](const std::string& key) {
    const size_t sep = key.find('\x01');
    if (sep == std::string::npos || key.size() != sep + 5) return;
    auto b = [&](size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(key[sep + 1 + i])); };
    const unsigned para = ((b(0) ^ 1u) << 6) + (b(1) >> 1);
    const unsigned form = ((b(2) ^ 1u) << 6) + (b(3) >> 1);
    if (form != 0) return;
    if (para >= out->paradigms.size()) return void(bad = true);
    const Paradigm& p = out->paradigms[para];
    std::string word = key.substr(0, sep);
    const std::string& prefix = FormPrefix(p.prefix[0]);
    const std::string& suffix = out->suffixes[p.suffix[0]];
    if (word.size() < prefix.size() + suffix.size() || word.compare(0, prefix.size(), prefix) != 0 ||
        word.compare(word.size() - suffix.size(), suffix.size(), suffix) != 0)
      return void(bad = true);
    out->lexemes.push_back({static_cast<uint16_t>(para),
                            word.substr(prefix.size(), word.size() - prefix.size() - suffix.size())});
  });
  if (bad) return *error = "words.dawg refers to unknown paradigms", false;
  return true;
}

bool LoadCorpusWords(const std::string& dir, std::vector<std::string>* words, std::string* error) {
  std::string bytes;
  if (!ReadFile(dir + "/p_t_given_w.intdawg", &bytes)) return *error = "cannot read p_t_given_w.intdawg", false;
  Dawg dawg;
  if (!dawg.Load(bytes)) return *error = "p_t_given_w.intdawg is damaged", false;
  dawg.ForEach([&](const std::string& key) {
    const std::string word = key.substr(0, key.find(':'));
    if (words->empty() || words->back() != word) words->push_back(word);
  });
  return true;
}

}  // namespace dzbuild
