// dzbuild: builds the morphology dictionary from the OpenCorpora data of the az
// package, then reads it back through the engine and reports how many lexemes every one
// of their forms expands to in full.
//
//   dzbuild --az DICTS_DIR --out FILE [--failures FILE] [--no-validate] [--verbs-only]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "az_source.h"
#include "dzwriter.h"
#include "infer.h"
#include "lexemes.h"
#include "verbs.h"
#include "morph/cyrillic.h"
#include "morph/dictionary.h"
#include "morph/wordforms.h"

namespace dzbuild {
namespace {

using zrt::morph::Utf8;

std::vector<int> ClassOrder(const std::string& pos) {
  if (pos == "NOUN") return {0, 2, 1};
  if (pos == "ADJF" || pos == "ADJS" || pos == "COMP") return {1, 2, 0};
  if (pos == "NUMR") return {3, 2, 0, 1};
  return {2, 1, 0, 3};
}

// Lexemes of one paradigm differ only in their stems, so a ring found for one, its stems
// moved onto another lexeme's stem, is nearly always that lexeme's ring too; it is
// taken only when it generates the same number of the lexeme's forms and no other.
class RingCache {
public:
  size_t Infer(const Lexeme& lx, const std::vector<std::string>& core, Ring* ring) {
    std::string key = lx.pos + '\0' + lx.base.substr(lx.base.size() - std::min<size_t>(lx.base.size(), 3)) + '\0';
    for (const std::string& w : core) {
      if (w.compare(0, lx.base.size(), lx.base) != 0) return InferRing(core, lx.all, ClassOrder(lx.pos), ring);
      key += w.substr(lx.base.size()) + '\0';
    }
    auto it = cache_.find(key);
    if (it != cache_.end()) {
      const Template& t = it->second;
      ring->clear();
      bool fits = true;
      for (size_t i = 0; i < t.ring.size() && fits; ++i) {
        const auto& [cut, add] = t.stems[i];
        if (cut > lx.base.size()) fits = false;
        Record r = t.ring[i];
        if (fits) r.stem = lx.base.substr(0, lx.base.size() - cut) + add;
        ring->push_back(std::move(r));
      }
      if (fits) {
        std::vector<std::string> gen = Generate(*ring);
        std::set<std::string> got(gen.begin(), gen.end());
        size_t covered = 0;
        for (const std::string& w : core) covered += got.count(w);
        if (covered == core.size() && covered == got.size()) return covered;
      }
    }
    const size_t covered = InferRing(core, lx.all, ClassOrder(lx.pos), ring);
    if (it == cache_.end()) {
      Template t{{}, *ring, covered};
      for (const Record& r : *ring) {
        const size_t keep = SharedLength(r.stem, lx.base);
        t.stems.emplace_back(lx.base.size() - keep, r.stem.substr(keep));
      }
      cache_.emplace(std::move(key), std::move(t));
    }
    return covered;
  }

private:
  struct Template {
    std::vector<std::pair<size_t, std::string>> stems;  // cut from the base, then added
    Ring ring;
    size_t covered;
  };
  std::unordered_map<std::string, Template> cache_;
};

// Time of DZFindForms per word over 10,000 words of the annotated corpus, the file
// opened once: a figure for the record, not a check.
void Lookups(const std::string& az, const zrt::morph::Dictionary& dict) {
  std::vector<std::string> corpus, words;
  std::string error;
  if (!LoadCorpusWords(az, &corpus, &error)) return void(std::printf("dzbuild: no lookup figures: %s\n", error.c_str()));
  for (std::string& w : corpus) {
    for (char& c : w)
      if (static_cast<unsigned char>(c) == 0xB8) c = static_cast<char>(0xE5);
    if (w.size() >= 2 && static_cast<unsigned char>(w[0]) >= 0xE0 && static_cast<unsigned char>(w[1]) >= 0xE0)
      words.push_back(w);
  }
  if (words.empty()) return;
  const size_t step = std::max<size_t>(1, words.size() / 10000);
  std::vector<double> micros;
  std::vector<std::string> forms;
  size_t found = 0;
  for (size_t i = 0; i < words.size() && micros.size() < 10000; i += step) {
    const auto t0 = std::chrono::steady_clock::now();
    found += zrt::morph::FindForms(dict, words[i], 0, &forms) > 0;
    micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(micros.begin(), micros.end());
  std::printf("dzbuild: DZFindForms over %zu corpus words: median %.1f us, 90th percentile %.1f us, %zu with forms\n",
              micros.size(), micros[micros.size() / 2], micros[micros.size() * 9 / 10], found);
}

// Verbs: how many lexemes have every form made (finite, infinitive, imperative and
// gerund forms whole or through a truncated slot, participles through a truncated slot),
// and whether each of their forms, looked up in the file, brings all the forms its ring
// makes whole.
void ValidateVerbs(const std::vector<VerbLexeme>& verbs, const std::vector<std::vector<Ring>>& rings,
                   const std::vector<std::vector<std::string>>& counterparts, const zrt::morph::Dictionary& dict,
                   std::ofstream* failures) {
  size_t complete = 0, forms = 0, exact = 0, made = 0, pforms = 0, pmade = 0, foreign = 0, expanded = 0, shown = 0;
  size_t reflexive = 0, reflexiveComplete = 0, slotsWhole = 0;
  std::vector<std::string> slots;
  for (size_t i = 0; i < verbs.size(); ++i) {
    const VerbLexeme& v = verbs[i];
    const VerbFit fit = FitVerb(v, rings[i], counterparts[i]);
    complete += fit.Complete();
    slotsWhole += fit.slotExact == fit.slotForms;
    reflexive += v.reflexive, reflexiveComplete += v.reflexive && fit.Complete();
    forms += fit.forms, exact += fit.exact, made += fit.made;
    pforms += fit.participleForms, pmade += fit.participlesMade, foreign += fit.foreign;
    bool expands = !rings[i].empty();
    std::string missing;
    if (expands) {
      std::vector<std::string> whole;
      for (const std::string& g : Generate(rings[i][0]))
        if (g.back() != '$') whole.push_back(g);
      for (const std::string& w : v.slot) {
        if (w.size() < 2 || !expands) continue;
        zrt::morph::LexemeSlots(dict, w, &slots);
        std::unordered_set<std::string> got(slots.begin(), slots.end());
        for (const std::string& need : whole)
          if (!got.count(need)) {
            expands = false, missing = w + " -> " + need;
            break;
          }
      }
    }
    expanded += expands;
    if (!fit.Complete() || !expands) {
      std::string line = "VERB " + Utf8(v.infinitive) + (fit.Complete() ? "" : " [not made: " + Utf8(fit.firstMissing) + "]") +
                         (missing.empty() ? "" : " [lookup " + Utf8(missing) + "]");
      if (failures) *failures << line << "\n";
      if (shown++ < 10) std::printf("  failing: %s\n", line.c_str());
    }
  }
  const double n = static_cast<double>(std::max<size_t>(1, verbs.size()));
  std::printf("dzbuild: VERB   %7zu lexemes, every form made %6.2f%% (reflexive %zu: %.2f%%), every form expands to all %6.2f%%\n",
              verbs.size(), 100.0 * complete / n, reflexive, 100.0 * reflexiveComplete / std::max<size_t>(1, reflexive),
              100.0 * expanded / n);
  std::printf("dzbuild: VERB   forms made %.2f%% (held whole by a slot %.2f%%), participle forms begun by a truncated slot %.2f%%, %.2f foreign slots a verb\n",
              100.0 * made / std::max<size_t>(1, forms), 100.0 * exact / std::max<size_t>(1, forms),
              100.0 * pmade / std::max<size_t>(1, pforms), foreign / n);
  std::printf("dzbuild: VERB   lexemes whose every slot form (second spellings aside) a slot holds whole: %.2f%%\n",
              100.0 * slotsWhole / n);
}

struct Built {
  size_t lexeme;
  std::vector<Ring> rings;
  std::vector<std::vector<std::string>> cores;  // the forms each ring must reproduce
};

Built Encode(const Lexeme& lx, size_t index, RingCache& cache) {
  Built b{index, {}, {}};
  Ring ring;
  if (lx.core.size() == 1) {
    ring = {Record{lx.core[0], 0, 1, 0, 0}};
  } else {
    size_t covered = cache.Infer(lx, lx.core, &ring);
    if (covered < lx.core.size() && !lx.genderSplit[0].empty() + !lx.genderSplit[1].empty() + !lx.genderSplit[2].empty() > 1) {
      // One ring per gender, each with the plural.
      for (const auto& part : lx.genderSplit) {
        if (part.empty()) continue;
        Ring r;
        cache.Infer(lx, part, &r);
        if (!r.empty()) b.rings.push_back(r), b.cores.push_back(part);
      }
      ring.clear();
    }
  }
  if (!ring.empty()) b.rings.push_back(ring), b.cores.push_back(lx.core);
  return b;
}

struct Tally {
  size_t lexemes = 0, exact = 0, expanded = 0;
};

int Run(int argc, char** argv) {
  std::string az, outPath, failuresPath;
  bool validate = true, verbsOnly = false;  // --verbs-only: a quick look at the verbs alone
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--az" && i + 1 < argc) az = argv[++i];
    else if (a == "--out" && i + 1 < argc) outPath = argv[++i];
    else if (a == "--failures" && i + 1 < argc) failuresPath = argv[++i];
    else if (a == "--no-validate") validate = false;
    else if (a == "--verbs-only") verbsOnly = true;
    else return std::fprintf(stderr, "usage: dzbuild --az DICTS_DIR --out FILE [--failures FILE] [--no-validate] [--verbs-only]\n"), 2;
  }
  if (az.empty() || outPath.empty()) return std::fprintf(stderr, "dzbuild: --az and --out are required\n"), 2;
  const auto t0 = std::chrono::steady_clock::now();
  Source source;
  std::string error;
  if (!LoadSource(az, &source, &error)) return std::fprintf(stderr, "dzbuild: %s: %s\n", az.c_str(), error.c_str()), 1;
  // Verbs apart: they have rules of their own.
  std::vector<Lexeme> lexemes;
  std::vector<VerbLexeme> verbs;
  {
    const SourceTags tags(source);
    std::vector<Form> forms;
    for (const Source::Lexeme& lx : source.lexemes) {
      if (!ExpandForms(source, tags, lx, &forms)) continue;
      if (Verbal(forms[0].pos))
        verbs.push_back(MakeVerb(forms));
      else if (!verbsOnly)
        AddLexemes(lx, forms, &lexemes);
    }
  }
  std::printf("dzbuild: %zu source lexemes, %zu lexemes to encode, %zu of them verbs\n", source.lexemes.size(),
              lexemes.size() + verbs.size(), verbs.size());

  std::vector<Built> built;
  std::vector<Ring> rings;
  std::map<std::string, size_t> seen;  // identical rings are written once
  auto keep = [&](const Ring& ring) {
    std::string key;
    for (const Record& r : ring)
      key += r.stem + '\0' + std::to_string(r.code) + ',' + std::to_string(r.mask) + ',' + std::to_string(r.features) +
             ',' + std::to_string(r.fourth) + ';';
    if (seen.emplace(key, rings.size()).second) rings.push_back(ring);
  };
  // DZBUILD_SHOW=word (Windows-1251) prints how that lexeme was encoded.
  const char* debugWord = std::getenv("DZBUILD_SHOW");
  // The lexemes are encoded on as many threads as there are processors, each with a
  // cache of its own, taking fixed blocks in turn: the file does not depend on timing.
  built.resize(lexemes.size());
  const size_t parts = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 8), block = 512;
  std::vector<std::thread> workers;
  for (size_t part = 0; part < parts; ++part)
    workers.emplace_back([&, part] {
      RingCache cache;
      for (size_t first = part * block; first < lexemes.size(); first += parts * block)
        for (size_t i = first; i < std::min(first + block, lexemes.size()); ++i) built[i] = Encode(lexemes[i], i, cache);
    });
  for (std::thread& w : workers) w.join();
  std::printf("dzbuild: encoded the lexemes other than verbs (%.1f s)\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  for (size_t i = 0; i < lexemes.size(); ++i) {
    const Lexeme& lx = lexemes[i];
    const Built& b = built[i];
    if (debugWord != nullptr && lx.core[0] == debugWord) {
      std::printf("lexeme %s (%s):", Utf8(lx.core[0]).c_str(), lx.pos.c_str());
      for (const std::string& w : lx.core) std::printf(" %s", Utf8(w).c_str());
      std::printf("\n");
      for (const Ring& r : b.rings)
        for (const Record& rec : r)
          std::printf("  stem %s code %u mask %x features %x\n", Utf8(rec.stem).c_str(), rec.code, rec.mask, rec.features);
    }
    for (const Ring& r : b.rings) {
      std::string why = CheckRing(r);
      if (!why.empty()) return std::fprintf(stderr, "dzbuild: internal error: %s\n", why.c_str()), 1;
      keep(r);
    }
  }
  // Verbs, each with the forms of its reflexive counterpart for the plain-verb slots.
  std::unordered_map<std::string, size_t> byInfinitive;
  for (size_t i = 0; i < verbs.size(); ++i) byInfinitive.emplace(verbs[i].infinitive, i);
  std::vector<std::vector<std::string>> counterparts(verbs.size());
  std::vector<std::vector<Ring>> verbRings(verbs.size());
  size_t verbRecords = 0, refused = 0, extraRings = 0;
  for (size_t i = 0; i < verbs.size(); ++i) {
    const VerbLexeme& v = verbs[i];
    if (!v.reflexive) {
      const std::string& inf = v.infinitive;
      const bool ti = inf.size() > 2 && inf.compare(inf.size() - 2, 2, "\xF2\xE8") == 0;  // -ти
      auto it = byInfinitive.find(inf + (ti ? "\xF1\xFC" : "\xF1\xFF"));           // -сь, -ся
      if (it != byInfinitive.end()) counterparts[i] = verbs[it->second].Forms();
    }
    std::vector<Ring> verbRing = InferVerb(v, counterparts[i]);
    std::string why;
    for (const Ring& r : verbRing)
      if (why.empty()) why = CheckRing(r);
    if (!why.empty()) {
      if (refused++ < 5) std::printf("  verb %s left out: %s\n", Utf8(v.infinitive).c_str(), why.c_str());
      continue;
    }
    if (debugWord != nullptr && v.infinitive == debugWord) {
      std::printf("verb %s%s:", Utf8(v.infinitive).c_str(), v.reflexive ? " (reflexive)" : "");
      for (const std::string& w : v.Forms()) std::printf(" %s", Utf8(w).c_str());
      std::printf("\n");
      for (const Ring& ring : verbRing) {
        for (const Record& rec : ring)
          std::printf("  stem %s code %u mask %x features %x\n", Utf8(rec.stem).c_str(), rec.code, rec.mask, rec.features);
        std::printf("  generates:");
        for (const std::string& w : Generate(ring)) std::printf(" %s", Utf8(w).c_str());
        std::printf("\n");
      }
    }
    for (const Ring& ring : verbRing) verbRecords += ring.size(), keep(ring);
    extraRings += verbRing.size() > 1;
    verbRings[i] = std::move(verbRing);
  }
  std::printf("dzbuild: %zu verbs, %.2f stem records a verb, %zu with rings for forms beyond the free slots, %zu left out\n",
              verbs.size(), static_cast<double>(verbRecords) / static_cast<double>(std::max<size_t>(1, verbs.size())),
              extraRings, refused);
  std::string file;
  if (!LayOut(rings, &file, &error)) return std::fprintf(stderr, "dzbuild: %s\n", error.c_str()), 1;
  {
    std::ofstream out(outPath + ".tmp", std::ios::binary);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    if (!out) return std::fprintf(stderr, "dzbuild: cannot write %s\n", outPath.c_str()), 1;
  }
  if (std::rename((outPath + ".tmp").c_str(), outPath.c_str()) != 0)
    return std::fprintf(stderr, "dzbuild: cannot write %s\n", outPath.c_str()), 1;
  size_t records = 0;
  for (const Ring& r : rings) records += r.size();
  const auto t1 = std::chrono::steady_clock::now();
  std::printf("dzbuild: wrote %s: %zu rings, %zu stem records, %zu bytes (%.1f s)\n", outPath.c_str(), rings.size(),
              records, file.size(), std::chrono::duration<double>(t1 - t0).count());
  if (!validate) return 0;

  // Read back through the engine: every form of a lexeme must expand to a set holding
  // all of the lexeme's forms.
  std::unique_ptr<zrt::morph::Dictionary> dict;
  zrt::Status st = zrt::morph::Dictionary::Open(outPath, &dict);
  if (!st.ok()) return std::fprintf(stderr, "dzbuild: reading back: %s\n", st.message().c_str()), 1;
  std::map<std::string, Tally> tally;
  std::ofstream failures;
  if (!failuresPath.empty()) failures.open(failuresPath);
  size_t shown = 0;
  std::vector<std::string> slots;
  for (const Built& b : built) {
    const Lexeme& lx = lexemes[b.lexeme];
    std::string group = (lx.pos == "ADJS" || lx.pos == "COMP" ? "ADJF" : lx.pos) + (lx.variant ? "~" : "");
    Tally& t = tally[group];
    ++t.lexemes;
    bool exact = !b.rings.empty(), expanded = !b.rings.empty();
    std::string missing;
    for (size_t r = 0; r < b.rings.size(); ++r) {
      std::vector<std::string> gen = Generate(b.rings[r]);
      std::set<std::string> genSet(gen.begin(), gen.end()), coreSet(b.cores[r].begin(), b.cores[r].end());
      if (genSet != coreSet) exact = false;
      for (const std::string& w : b.cores[r]) {
        if (w.size() < 2) continue;  // one-letter words are never expanded
        zrt::morph::LexemeSlots(*dict, w, &slots);
        std::unordered_set<std::string> got(slots.begin(), slots.end());
        for (const std::string& need : b.cores[r])
          if (!got.count(need)) {
            expanded = false;
            if (missing.empty()) missing = w + " -> " + need;
          }
      }
    }
    t.exact += exact;
    t.expanded += expanded;
    if (!exact || !expanded) {
      std::string line = group + " " + Utf8(lx.core[0]) + (exact ? "" : " [ring incomplete]") +
                         (missing.empty() ? "" : " [lookup " + Utf8(missing) + "]");
      if (failures.is_open()) failures << line << "\n";
      if (shown++ < 15) std::printf("  failing: %s\n", line.c_str());
    }
  }
  Tally total;
  for (auto& [pos, t] : tally) {
    std::printf("dzbuild: %-6s %7zu lexemes, ring exact %6.2f%%, every form expands to all %6.2f%%\n", pos.c_str(),
                t.lexemes, 100.0 * t.exact / t.lexemes, 100.0 * t.expanded / t.lexemes);
    total.lexemes += t.lexemes, total.exact += t.exact, total.expanded += t.expanded;
  }
  std::printf("dzbuild: all    %7zu lexemes, ring exact %6.2f%%, every form expands to all %6.2f%% (%.1f s)\n",
              total.lexemes, 100.0 * total.exact / total.lexemes, 100.0 * total.expanded / total.lexemes,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count());
  ValidateVerbs(verbs, verbRings, counterparts, *dict, failures.is_open() ? &failures : nullptr);
  Lookups(az, *dict);
  return 0;
}

}  // namespace
}  // namespace dzbuild

int main(int argc, char** argv) { return dzbuild::Run(argc, argv); }
