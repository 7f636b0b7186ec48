#include "infer.h"

#include <algorithm>
#include <unordered_map>

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

bool EndsWith(const std::string& w, const std::string& e) {
  return w.size() >= e.size() && w.compare(w.size() - e.size(), e.size(), e) == 0;
}

bool Contains(const std::vector<std::string>& set, const char* s) {
  for (const std::string& x : set)
    if (x == s) return true;
  return false;
}

// A record's slots that produce forms still wanted, and how many distinct ones.
struct Trial {
  Record record;
  int covered = -1;
};

void Score(Trial* t, uint32_t freeSlots, const std::vector<std::string>& wanted) {
  StemView v{t->record.stem.c_str(), t->record.code, freeSlots, t->record.features, t->record.fourth};
  Slot slots[kMaxSlots];
  const int width = zrt::morph::BuildAllForms(&v, 1, nullptr, slots);
  uint32_t mask = 0;
  std::vector<const char*> hit;
  // A form made twice takes only its first slot: the others stay free for later records.
  for (int s = 0; s < width; ++s) {
    if (!((freeSlots >> s) & 1u) || !Contains(wanted, slots[s])) continue;
    if (std::any_of(hit.begin(), hit.end(), [&](const char* h) { return std::string_view(h) == slots[s]; }))
      continue;
    mask |= 1u << s;
    hit.push_back(slots[s]);
  }
  t->record.mask = mask;
  t->covered = static_cast<int>(hit.size());
}

// The best single record for the wanted forms among the class's codes, its slots
// limited to freeSlots.
Trial BestRecord(const std::vector<CodeEndings>& codes, uint32_t freeSlots, const std::vector<std::string>& wanted,
                 bool bitStems) {
  std::unordered_map<std::string, int> votes;  // code byte, feature bit + 1 (0: none), stem
  for (const std::string& w : wanted)
    for (const CodeEndings& c : codes) {
      auto vote = [&](int slot, const std::string& ending, int bit) {
        if (!((freeSlots >> slot) & 1u) || ending == "-") return;
        if (w.size() > ending.size() && EndsWith(w, ending))
          ++votes[std::string(1, static_cast<char>(c.code)) + static_cast<char>(bit + 1) +
                  w.substr(0, w.size() - ending.size())];
      };
      for (int s = 0; s < c.width; ++s) vote(s, c.ending[s], -1);
      if (bitStems)
        for (const auto& b : c.bitEndings) vote(b.slot, b.ending, b.bit);
    }
  std::vector<std::pair<int, std::string>> ranked;
  for (auto& [key, n] : votes) ranked.emplace_back(n, key);
  const size_t keep = std::min<size_t>(ranked.size(), 6);
  std::partial_sort(ranked.begin(), ranked.begin() + static_cast<long>(keep), ranked.end(),
                    [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
  Trial best;
  for (size_t i = 0; i < keep; ++i) {
    Trial t;
    t.record.code = static_cast<unsigned char>(ranked[i].second[0]);
    const int bit = static_cast<unsigned char>(ranked[i].second[1]) - 1;
    if (bit >= 0) t.record.features = 1u << bit;
    t.record.stem = ranked[i].second.substr(2);
    Score(&t, freeSlots, wanted);
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
            Score(&u, freeSlots, wanted);
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

std::vector<std::string> Generate(const Ring& ring) {
  std::vector<std::string> stems;
  std::vector<StemView> views;
  stems.reserve(ring.size());
  for (const Record& r : ring) {
    stems.push_back(r.stem);
    views.push_back({stems.back().c_str(), r.code, r.mask, r.features, r.fourth});
  }
  Slot slots[kMaxSlots];
  const int k = zrt::morph::BuildAllForms(views.data(), static_cast<int>(views.size()), nullptr, slots);
  std::vector<std::string> out;
  for (int s = 0; s < k; ++s)
    if (slots[s][0] != '-') out.emplace_back(slots[s]);
  return out;
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
    if (w.size() > 4 && EndsWith(w, sya)) bare.push_back(w.substr(0, w.size() - 2));
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
