#include "infer.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "morph/forms.h"

namespace dzbuild {

using zrt::morph::kMaxSlots;
using zrt::morph::Slot;
using zrt::morph::SlotCount;
using zrt::morph::StemView;

namespace {

struct CodeEndings {
  uint32_t code;
  int width;
  std::vector<std::string> ending;  // per slot; "-" = the table leaves it unfilled
  struct BitEnding {
    int bit, slot;
    std::string ending;
  };
  std::vector<BitEnding> bitEndings;  // what each feature bit writes instead
};

constexpr int kBits[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13, 14, 15, 16, 17};

// Each class's codes with their endings, read off the engine's own generator by
// declining an empty stem.
const std::vector<std::vector<CodeEndings>>& Classes() {
  static const std::vector<std::vector<CodeEndings>> classes = [] {
    std::vector<std::vector<CodeEndings>> c(4);
    auto add = [&](int cls, uint32_t from, uint32_t to) {
      for (uint32_t code = from; code <= to; ++code) {
        const int width = SlotCount(code);
        StemView v{"", code, (1u << width) - 1, 0, 0};
        Slot slots[kMaxSlots];
        zrt::morph::BuildAllForms(&v, 1, nullptr, slots);
        CodeEndings e{code, width, {}, {}};
        for (int s = 0; s < width; ++s) e.ending.emplace_back(slots[s]);
        for (int bit : kBits) {
          StemView b{"", code, (1u << width) - 1, 1u << bit, 0};
          zrt::morph::BuildAllForms(&b, 1, nullptr, slots);
          for (int s = 0; s < width; ++s)
            if (e.ending[s] != "-" && e.ending[s] != slots[s]) e.bitEndings.push_back({bit, s, slots[s]});
        }
        c[cls].push_back(std::move(e));
      }
    };
    add(0, 1, 48);
    add(1, 49, 59);
    add(2, 60, 75);
    add(3, 80, 88);
    return c;
  }();
  return classes;
}

// A record's slots that produce forms still wanted, and how many distinct ones.
struct Trial {
  Record record;
  int covered = -1;
};

using WordSet = std::unordered_set<std::string_view>;

void Score(Trial* t, uint32_t freeSlots, const WordSet& wanted) {
  StemView v{t->record.stem.c_str(), t->record.code, freeSlots, t->record.features, t->record.fourth};
  Slot slots[kMaxSlots];
  const int width = zrt::morph::BuildAllForms(&v, 1, nullptr, slots);
  uint32_t mask = 0;
  std::vector<const char*> hit;
  // A form made twice takes only its first slot: the others stay free for later records.
  for (int s = 0; s < width; ++s) {
    if (!((freeSlots >> s) & 1u) || !wanted.count(slots[s])) continue;
    if (std::any_of(hit.begin(), hit.end(), [&](const char* h) { return std::string_view(h) == slots[s]; }))
      continue;
    mask |= 1u << s;
    hit.push_back(slots[s]);
  }
  t->record.mask = mask;
  t->covered = static_cast<int>(hit.size());
}

// Where an ending occurs in a class: the codes, slots and feature bits that write it.
struct EndingUse {
  uint32_t code;
  int slot;
  int bit;  // -1: the table's own ending
};
using EndingIndex = std::unordered_map<std::string, std::vector<EndingUse>>;

EndingIndex IndexEndings(const std::vector<CodeEndings>& codes, bool bitStems) {
  EndingIndex index;
  for (const CodeEndings& c : codes) {
    for (int s = 0; s < c.width; ++s)
      if (c.ending[s] != "-") index[c.ending[s]].push_back({c.code, s, -1});
    if (bitStems)
      for (const auto& b : c.bitEndings)
        if (b.ending != "-") index[b.ending].push_back({c.code, b.slot, b.bit});
  }
  // Votes are counted in the order of the codes, as a plain scan of them would.
  for (auto& [e, uses] : index)
    std::stable_sort(uses.begin(), uses.end(), [](const EndingUse& a, const EndingUse& b) { return a.code < b.code; });
  return index;
}

// `codes` is one of Classes(). Built once, before any use, so that threads can share it.
const EndingIndex& Endings(const std::vector<CodeEndings>& codes, bool bitStems) {
  static const std::vector<std::array<EndingIndex, 2>> indexes = [] {
    std::vector<std::array<EndingIndex, 2>> all;
    for (const auto& cls : Classes()) all.push_back({IndexEndings(cls, false), IndexEndings(cls, true)});
    return all;
  }();
  return indexes[static_cast<size_t>(&codes - Classes().data())][bitStems];
}

struct Candidate {
  uint8_t code, bit;  // bit + 1, 0: none
  std::string_view stem;
  bool operator==(const Candidate& o) const { return code == o.code && bit == o.bit && stem == o.stem; }
  bool operator<(const Candidate& o) const {
    if (code != o.code) return code < o.code;
    if (bit != o.bit) return bit < o.bit;
    return stem < o.stem;
  }
};
struct CandidateHash {
  size_t operator()(const Candidate& c) const {
    return std::hash<std::string_view>()(c.stem) * 31 + c.code * 64 + c.bit;
  }
};

// The best single record for the wanted forms among the class's codes, its slots
// limited to freeSlots.
Trial BestRecord(const std::vector<CodeEndings>& codes, uint32_t freeSlots, const std::vector<std::string>& wanted,
                 bool bitStems) {
  const EndingIndex& endings = Endings(codes, bitStems);
  size_t longest = 0;
  for (const auto& [e, uses] : endings) longest = std::max(longest, e.size());
  std::unordered_map<Candidate, int, CandidateHash> votes;
  std::string ending;
  for (const std::string& w : wanted)
    for (size_t n = 0; n <= longest && n < w.size(); ++n) {
      ending.assign(w, w.size() - n, n);
      auto it = endings.find(ending);
      if (it == endings.end()) continue;
      const std::string_view stem(w.data(), w.size() - n);
      for (const EndingUse& u : it->second)
        if ((freeSlots >> u.slot) & 1u) ++votes[Candidate{static_cast<uint8_t>(u.code), static_cast<uint8_t>(u.bit + 1), stem}];
    }
  std::vector<std::pair<int, Candidate>> ranked;
  ranked.reserve(votes.size());
  for (auto& [key, n] : votes) ranked.emplace_back(n, key);
  const size_t keep = std::min<size_t>(ranked.size(), 6);
  std::partial_sort(ranked.begin(), ranked.begin() + static_cast<long>(keep), ranked.end(),
                    [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
  const WordSet wantedSet(wanted.begin(), wanted.end());
  Trial best;
  for (size_t i = 0; i < keep; ++i) {
    Trial t;
    t.record.code = ranked[i].second.code;
    const int bit = ranked[i].second.bit - 1;
    if (bit >= 0) t.record.features = 1u << bit;
    t.record.stem = std::string(ranked[i].second.stem);
    Score(&t, freeSlots, wantedSet);
    // Feature bits replace single endings; keep each that adds forms.
    if (t.covered < static_cast<int>(wanted.size())) {
      for (int pass = 0; pass < 2; ++pass) {
        bool better = false;
        for (int bit : kBits) {
          for (uint32_t fourth : {0u, 255u}) {
            if (fourth && !(bit == 6 && (t.record.code == 21 || t.record.code == 45))) continue;
            Trial u = t;
            u.record.features |= 1u << bit;
            u.record.fourth = fourth;
            if (u.record.features == t.record.features && fourth == t.record.fourth) continue;
            Score(&u, freeSlots, wantedSet);
            if (u.covered > t.covered) t = u, better = true;
          }
        }
        if (!better) break;
      }
    }
    if (t.covered > best.covered) best = t;
  }
  return best;
}

}  // namespace

std::vector<std::string> SlotTexts(const Ring& ring) {
  std::vector<std::string> stems;
  std::vector<StemView> views;
  stems.reserve(ring.size());
  for (const Record& r : ring) {
    stems.push_back(r.stem);
    views.push_back({stems.back().c_str(), r.code, r.mask, r.features, r.fourth});
  }
  Slot slots[kMaxSlots];
  const int k = zrt::morph::BuildAllForms(views.data(), static_cast<int>(views.size()), nullptr, slots);
  return std::vector<std::string>(slots, slots + k);
}

std::vector<std::string> Generate(const Ring& ring) {
  std::vector<std::string> out = SlotTexts(ring);
  std::erase(out, std::string("-"));
  return out;
}

size_t SharedLength(const std::string& a, const std::string& b) {
  return static_cast<size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
}

static size_t InferPlain(const std::vector<std::string>& core, const std::vector<int>& classes, Ring* ring);

size_t InferRing(const std::vector<std::string>& core, const std::vector<std::string>& all,
                 const std::vector<int>& classes, Ring* ring) {
  (void)all;  // masks admit only core forms, so nothing outside the lexeme is generated
  // Adjectives made from reflexive participles: decline without "ся" and let bit 11 of
  // every record append it to each form.
  const std::string sya = "\xF1\xFF";
  std::vector<std::string> bare;
  for (const std::string& w : core)
    if (w.size() > 4 && w.ends_with(sya)) bare.push_back(w.substr(0, w.size() - 2));
  if (bare.size() == core.size() && core.size() > 1) {
    size_t covered = InferPlain(bare, classes, ring);
    if (covered == core.size()) {
      for (Record& r : *ring) r.features |= 1u << 11;
      return covered;
    }
  }
  return InferPlain(core, classes, ring);
}

// Greedy cover of the wanted forms by records of one class, each record taking the most
// forms still wanted; `first`, when given, is the form the first record must make.
static Ring Greedy(const std::vector<CodeEndings>& codes, const std::vector<std::string>& core,
                   const std::string* first, bool bitStems, std::vector<std::string>* left) {
  const int width = codes.front().width;
  uint32_t freeSlots = width >= 32 ? ~0u : (1u << width) - 1;
  std::vector<std::string> wanted = core;
  Ring ring;
  while (!wanted.empty() && ring.size() < static_cast<size_t>(zrt::morph::kMaxStems) && freeSlots) {
    Trial t = first && ring.empty() ? BestRecord(codes, freeSlots, {*first}, bitStems)
                                    : BestRecord(codes, freeSlots, wanted, bitStems);
    if (t.covered <= 0) break;
    StemView v{t.record.stem.c_str(), t.record.code, t.record.mask, t.record.features, t.record.fourth};
    Slot slots[kMaxSlots];
    zrt::morph::BuildAllForms(&v, 1, nullptr, slots);
    for (int s = 0; s < width; ++s)
      if ((t.record.mask >> s) & 1u) {
        auto it = std::find(wanted.begin(), wanted.end(), std::string(slots[s]));
        if (it != wanted.end()) wanted.erase(it);
      }
    freeSlots &= ~t.record.mask;
    ring.push_back(std::move(t.record));
  }
  *left = std::move(wanted);
  return ring;
}

static size_t InferPlain(const std::vector<std::string>& core, const std::vector<int>& classes, Ring* ring) {
  ring->clear();
  size_t bestCovered = 0;
  for (int cls : classes) {
    const auto& codes = Classes()[cls];
    std::vector<std::string> left;
    Ring trial = Greedy(codes, core, nullptr, false, &left);
    // The greedy choice can spend the slots a lone form needs (the empty endings of
    // "тот"): start again from each form it left over, now also with the stems that a
    // feature bit's ending implies.
    // Only while no class has covered everything yet: retries are costly.
    const bool retry = bestCovered < core.size();
    const std::vector<std::string> missed = retry ? left : std::vector<std::string>{};
    for (size_t m = 0; m < missed.size() && m < 4 && !left.empty(); ++m) {
      for (bool bits : {false, true}) {
        std::vector<std::string> again;
        Ring other = Greedy(codes, core, &missed[m], bits, &again);
        if (again.size() < left.size()) trial = std::move(other), left = std::move(again);
      }
    }
    if (retry && !left.empty()) {
      std::vector<std::string> again;
      Ring other = Greedy(codes, core, nullptr, true, &again);
      if (again.size() < left.size()) trial = std::move(other), left = std::move(again);
    }
    const size_t covered = core.size() - left.size();
    if (covered > bestCovered || (covered == bestCovered && !trial.empty() && trial.size() < ring->size())) {
      bestCovered = covered;
      *ring = std::move(trial);
    }
    if (bestCovered == core.size() && ring->size() <= 2) break;
  }
  return bestCovered;
}

std::string CheckRing(const Ring& ring) {
  if (ring.empty()) return "empty ring";
  if (ring.size() > static_cast<size_t>(zrt::morph::kMaxStems)) return "more than 18 records";
  const int k = SlotCount(ring[0].code);
  if (ring[0].code >= 100) {
    // Verb masks select rules, not slots: what must hold is that no two records write
    // one slot differently, since which one wins depends on the record a word finds.
    std::vector<std::string> written(kMaxSlots);
    for (const Record& r : ring) {
      if (r.code < 100) return "mixed slot classes";
      if (r.stem.empty() || r.stem.size() > 255) return "bad stem length";
      const std::vector<std::string> texts = SlotTexts({r});
      for (size_t s = 0; s < texts.size(); ++s) {
        if (texts[s] == "-") continue;
        if (!written[s].empty() && written[s] != texts[s]) return "two records write slot " + std::to_string(s);
        written[s] = texts[s];
      }
    }
    return "";
  }
  uint32_t seen = 0;
  for (const Record& r : ring) {
    if (SlotCount(r.code) != k || k == 0) return "mixed slot classes";
    if (r.code == 0 && ring.size() > 1) return "code 0 in a ring of several records";
    if (r.mask & seen) return "overlapping slot masks";
    seen |= r.mask;
    if (((r.features ^ ring[0].features) >> 10) & 3u) return "different bits 10 and 11";
    if (r.stem.empty() || r.stem.size() > 255) return "bad stem length";
  }
  return "";
}

}  // namespace dzbuild
