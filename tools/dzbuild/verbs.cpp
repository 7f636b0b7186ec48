#include "verbs.h"

#include <algorithm>
#include <array>
#include <bit>
#include <bitset>
#include <set>
#include <unordered_set>

#include "lexemes.h"
#include "morph/forms.h"

namespace dzbuild {

using zrt::morph::kMaxSlots;

namespace {

constexpr uint32_t B(int bit) { return 1u << bit; }

// Feature bits the rules read.
constexpr int kInfTi = 0, kInfCh = 1, kU = 2, kFirstConj = 3, kPastL = 4, kPlainOff = 7, kGerundA = 8,
              kSeparateE = 17, kReflexive = 21;

// Slot of a finite, infinitive, imperative or gerund form by its grammemes; -1 for
// others ("пойдём", the inclusive imperative singular, is the plural's first person).
int FormSlot(const Form& f) {
  if (f.pos == "INFN") return 0;
  if (f.pos == "GRND") return f.Has("pres") ? 14 : 15;
  if (f.pos != "VERB") return -1;
  const bool plural = f.Has("plur");
  if (f.Has("impr")) {
    if (f.Has("excl")) return plural ? 12 : 11;
    return plural ? 13 : -1;
  }
  if (f.Has("past")) return plural ? 10 : f.Has("masc") ? 7 : f.Has("femn") ? 8 : 9;
  const int person = f.Has("1per") ? 1 : f.Has("2per") ? 2 : f.Has("3per") ? 3 : 0;
  if (person == 0) return -1;
  static const int kFinite[2][3] = {{1, 2, 3}, {4, 5, 6}};
  return kFinite[plural][person - 1];
}

int ParticipleKind(const Form& f) {
  if (f.pos != "PRTF" && f.pos != "PRTS") return -1;
  return (f.Has("past") ? 1 : 0) + (f.Has("pssv") ? 2 : 0);
}

// ---------------------------------------------------------------------------------------
// The rule groups (slot-mask bits) and the feature settings tried for each, with the
// endings the engine's rules give them, read off the rules by conjugating an empty stem.

struct Setting {
  int group;          // slot-mask bit
  uint32_t features;  // without the reflexive bit
  uint32_t code;
  bool plainOff;      // feature bit 7, which keeps the plain-verb slots out
  uint32_t care = 0;  // feature bits whose value changes the endings
  std::vector<std::pair<int, std::string>> endings;  // slot, ending ("$" kept)
  // What a record holding this group must keep: a code below 103 (present gerund and
  // participles), 102 or above (joint imperative), below 102, 103 or above, and bit 7
  // clear (passive participles).
  bool low = false, joint = false, noJoint = false, high = false, bit7Clear = false;
};

std::vector<std::pair<int, std::string>> Endings(int group, uint32_t features, uint32_t code, bool plainOff,
                                                 bool reflexive) {
  const std::vector<std::string> texts =
      SlotTexts({Record{"", code, B(group), features | (plainOff ? B(kPlainOff) : 0) | (reflexive ? B(kReflexive) : 0), 0}});
  std::vector<std::pair<int, std::string>> out;
  for (size_t s = 0; s < texts.size(); ++s)
    if (texts[s] != "-") out.emplace_back(static_cast<int>(s), texts[s]);
  return out;
}

std::vector<uint32_t> Combinations(std::initializer_list<int> bits) {
  std::vector<uint32_t> out{0};
  for (int b : bits) {
    const size_t n = out.size();
    for (size_t i = 0; i < n; ++i) out.push_back(out[i] | B(b));
  }
  return out;
}

std::vector<Setting> MakeSettings(bool reflexive) {
  struct GroupSpec {
    int group;
    std::vector<uint32_t> features;
    std::vector<uint32_t> codes;
    std::vector<int> relevant;
  };
  const std::vector<GroupSpec> specs = {
      {0, {0, B(kInfTi), B(kInfCh)}, {100}, {kInfTi, kInfCh}},
      {1, Combinations({kU, kFirstConj, kSeparateE}), {100}, {kU, kFirstConj, kSeparateE}},
      {2, Combinations({kFirstConj, kSeparateE, kU}), {100, 102}, {kU, kFirstConj, kSeparateE}},
      {3, {B(kPastL), B(18), B(19), B(20), 0}, {100}, {kPastL, 18, 19, 20}},
      {4, Combinations({5, 6, 9}), {100}, {5, 6, 9}},
      {5, {0, B(kGerundA)}, {100}, {kGerundA}},
      {6, {B(kPastL), B(16), B(16) | B(kGerundA)}, {100}, {kPastL, 16, kGerundA}},
      {7, Combinations({kFirstConj, kU}), {100}, {kU, kFirstConj}},
      {8, {0, B(kPastL)}, {100}, {kPastL}},
      {9, {0, B(kFirstConj), B(15)}, {100}, {kFirstConj, 15}},
      {10, {0, B(11), B(11) | B(12)}, {100}, {11, 12, 13}},
      {14, {0}, {100}, {}},
      {15, {0}, {103, 100}, {}},
  };
  std::vector<Setting> out;
  for (const GroupSpec& g : specs)
    for (uint32_t code : g.codes)
      for (uint32_t f : g.features) {
        Setting s;
        s.group = g.group;
        s.features = f;
        s.code = code;
        // Passive participles need bit 7 clear; they make no plain-verb slots themselves.
        s.plainOff = g.group != 9 && g.group != 10;
        s.endings = Endings(g.group, f, code, s.plainOff, reflexive);
        if (s.endings.empty()) continue;
        // The same endings from fewer bits were tried already.
        if (std::any_of(out.begin(), out.end(), [&](const Setting& o) {
              return o.group == s.group && o.code == s.code && o.endings == s.endings;
            }))
          continue;
        for (int b : g.relevant)
          if (Endings(g.group, f ^ B(b), code, s.plainOff, reflexive) != s.endings) s.care |= B(b);
        s.low = g.group == 5 || g.group == 7 || g.group == 9 || (g.group == 15 && code < 103);
        s.joint = g.group == 2 && code >= 102;
        s.noJoint = g.group == 2 && code < 102;
        s.high = g.group == 15 && code >= 103;
        s.bit7Clear = g.group == 9 || g.group == 10;
        out.push_back(std::move(s));
      }
  return out;
}

const std::vector<Setting>& Settings(bool reflexive) {
  static const std::vector<Setting> settings[2] = {MakeSettings(false), MakeSettings(true)};
  return settings[reflexive];
}

// The longest prefix all the words share.
std::string SharedHead(const std::vector<std::string>& words) {
  std::string head = words.empty() ? std::string() : words[0];
  for (const std::string& f : words) head.resize(SharedLength(head, f));
  return head;
}

// ---------------------------------------------------------------------------------------
// What a lexeme asks for: items are its distinct finite, infinitive, imperative and
// gerund forms (and variants), then one item per participle it has.

constexpr size_t kMaxItems = 128;
using Items = std::bitset<kMaxItems>;

struct Wants {
  std::vector<std::string> forms;  // items 0..forms.size()
  std::vector<size_t> participleItem[4];
  std::string participleHead[4];  // what all forms of each participle begin with
  const VerbLexeme* verb;
  size_t primary = 0;  // forms[0..primary) are the slots' own forms, the rest variants
  Items primaryItems;

  // The items a slot text makes: a whole form by equality; a truncated text the
  // participles all of whose forms begin with it.
  Items Made(const std::string& text) const {
    Items made;
    if (!text.empty() && text.back() == '$') {
      const std::string head = text.substr(0, text.size() - 1);
      for (int k = 0; k < 4; ++k) {
        const auto& all = verb->participles[k];
        // The participle's own stem, not any shorter prefix ("от$" would catch every
        // word beginning so).
        if (!all.empty() && head.size() + 1 >= participleHead[k].size() &&
            std::all_of(all.begin(), all.end(), [&](const std::string& f) { return f.starts_with(head); }))
          made.set(participleItem[k][0]);
      }
      return made;
    }
    for (size_t i = 0; i < forms.size(); ++i)
      if (forms[i] == text) made.set(i);
    return made;
  }
};

Wants MakeWants(const VerbLexeme& v) {
  Wants w;
  w.verb = &v;
  auto add = [&](const std::string& f) {
    if (!f.empty() && std::find(w.forms.begin(), w.forms.end(), f) == w.forms.end() && w.forms.size() < kMaxItems - 4)
      w.forms.push_back(f);
  };
  for (const std::string& f : v.slot) add(f);
  w.primary = w.forms.size();
  for (const std::string& f : v.variants) add(f);
  size_t next = w.forms.size();
  for (int k = 0; k < 4; ++k)
    if (!v.participles[k].empty()) {
      w.participleItem[k].push_back(next++);
      w.participleHead[k] = SharedHead(v.participles[k]);
    }
  for (size_t i = 0; i < next; ++i)
    if (i < w.primary || i >= w.forms.size()) w.primaryItems.set(i);
  return w;
}

// One rule group on one stem, with the slots it fills.
struct Partial {
  const Setting* setting;
  std::string stem;
  std::vector<std::pair<int, std::string>> texts;
  Items made;
  uint32_t wrongSlots = 0;  // slots whose wanted form the text is not
  int foreign = 0;          // texts in slots the lexeme has no form for
  int Wrong() const { return std::popcount(wrongSlots); }
};

std::vector<Partial> Partials(const VerbLexeme& v, const Wants& wants) {
  std::vector<Partial> out;
  std::set<std::pair<const Setting*, std::string>> seen;
  for (const Setting& s : Settings(v.reflexive)) {
    // Each ending of the setting, set against the form wanted in its slot, proposes a stem.
    std::set<std::string> stems;
    for (const auto& [slot, ending] : s.endings) {
      const bool truncated = ending.back() == '$';
      const std::string tail = truncated ? ending.substr(0, ending.size() - 1) : ending;
      std::vector<const std::string*> sources;
      if (slot < kVerbFormSlots && !v.slot[slot].empty()) sources.push_back(&v.slot[slot]);
      if (truncated && slot >= 16 && slot <= 19 && !v.participles[slot - 16].empty())
        sources.push_back(&v.participles[slot - 16][0]);
      for (const std::string* f : sources) {
        if (!truncated) {
          if (f->size() > tail.size() && f->compare(f->size() - tail.size(), tail.size(), tail) == 0)
            stems.insert(f->substr(0, f->size() - tail.size()));
        } else {
          for (size_t at = 1; at + tail.size() <= f->size(); ++at)
            if (f->compare(at, tail.size(), tail) == 0) stems.insert(f->substr(0, at));
        }
      }
    }
    for (const std::string& stem : stems) {
      if (!seen.emplace(&s, stem).second) continue;
      Partial p{&s, stem, {}, {}, 0, 0};
      for (const auto& [slot, ending] : s.endings) {
        std::string text = stem + ending;
        if (text.size() >= static_cast<size_t>(zrt::morph::kSlotSize)) text.resize(zrt::morph::kSlotSize - 1);
        Items m = wants.Made(text);
        // A second spelling in a slot also counts as wrong there: it keeps the slot's own
        // form out ("хочут" for "хотят").
        if (slot < kVerbFormSlots && !v.slot[slot].empty() && text != v.slot[slot]) {
          p.wrongSlots |= B(slot);
        } else if (m.none()) {
          const bool wanted = slot >= 16 && slot <= 19 && !v.participles[slot - 16].empty();
          if (wanted)
            p.wrongSlots |= B(slot);
          else
            ++p.foreign;
        }
        p.made |= m;
        p.texts.emplace_back(slot, std::move(text));
      }
      // The irregular paradigms fill most slots at once: only where they fit all of them
      // (but the passive participle and the "-вся" gerund they give a reflexive verb, whose
      // "-вшись" no rule makes).
      const bool irregular = s.group == 14 || s.group == 15;
      if (p.made.any() && !(irregular && ((p.wrongSlots & ~B(15)) != 0 || p.Wrong() + p.foreign > 2)))
        out.push_back(std::move(p));
    }
  }
  return out;
}

// ---------------------------------------------------------------------------------------
// Records from the chosen partials.

struct Draft {
  std::string stem;
  uint32_t mask = 0, features = 0, care = 0;
  bool low = false, joint = false, noJoint = false, high = false, bit7Clear = false;
  std::vector<const Partial*> parts;

  bool Takes(const Partial& p) const {
    const Setting& s = *p.setting;
    if (p.stem != stem || (mask & B(s.group))) return false;
    if ((features ^ s.features) & care & s.care) return false;
    const bool l = low || s.low, j = joint || s.joint, nj = noJoint || s.noJoint, h = high || s.high;
    return !(j && nj) && !(h && (l || nj));
  }
  void Add(const Partial& p) {
    const Setting& s = *p.setting;
    mask |= B(s.group);
    features = (features & care) | (s.features & s.care);
    care |= s.care;
    low |= s.low, joint |= s.joint, noJoint |= s.noJoint, high |= s.high, bit7Clear |= s.bit7Clear;
    parts.push_back(&p);
  }
};

Record Finish(const Draft& d, uint32_t code, bool plainOff, bool reflexive) {
  return Record{d.stem, code, d.mask, d.features | (plainOff ? B(kPlainOff) : 0) | (reflexive ? B(kReflexive) : 0), 0};
}

// The record(s) of a draft: the plain-verb slots when all they make are forms of the
// counterpart, else kept out by code 103 or bit 7; a record that needs a code and a bit 7
// that exclude each other loses its passive participles to a record of their own.
void Emit(const Draft& d, const VerbLexeme& v, const std::vector<std::string>& counterpart, Ring* ring) {
  const uint32_t code = d.joint ? 102 : 100;
  const bool makesPlain = (d.mask & (B(0) | B(1) | B(2) | B(3))) != 0;
  if (!makesPlain || d.high) {
    ring->push_back(Finish(d, d.high ? 103 : code, false, v.reflexive));
    return;
  }
  if (!v.reflexive && !counterpart.empty()) {
    Record plain = Finish(d, code, false, false);
    const std::vector<std::string> texts = SlotTexts({plain});
    bool fits = true;
    for (int s = 20; s <= 26 && fits; ++s)
      if (texts[s] != "-" && !std::binary_search(counterpart.begin(), counterpart.end(), texts[s])) fits = false;
    if (fits) return ring->push_back(plain);
  }
  if (!d.bit7Clear) return ring->push_back(Finish(d, code, true, v.reflexive));
  if (!d.low && !d.noJoint) return ring->push_back(Finish(d, 103, false, v.reflexive));
  Draft rest, passive;
  rest.stem = passive.stem = d.stem;
  for (const Partial* p : d.parts) (p->setting->bit7Clear ? passive : rest).Add(*p);
  ring->push_back(Finish(rest, rest.joint ? 102 : 100, true, v.reflexive));
  ring->push_back(Finish(passive, 100, false, v.reflexive));
}

// Free slots for what no rule made. 27 and 28 take truncated stems: first those of the
// participles, then a stem that several forms share (four letters at least, or a whole
// form, as "ляг" for "ляг" and "лягте"), so that it cannot catch unrelated short words.
// 29 takes a whole form: one that nothing made, else one made only through a truncated
// slot ("сделавшись"). Whole forms beyond that get rings of their own: the lexeme's
// records again, with the form in slot 29.
std::vector<Ring> Leftovers(const Ring& rules, std::vector<std::string> hard, const std::vector<std::string>& soft,
                            const std::vector<std::string>& heads, bool reflexive) {
  constexpr size_t kExtraRings = 3;
  std::sort(hard.begin(), hard.end());
  const uint32_t features = B(kPlainOff) | (reflexive ? B(kReflexive) : 0);
  Ring ring = rules;
  std::vector<int> free = {11, 12};
  auto truncate = [&](const std::string& head) {
    ring.push_back(Record{head, 103, B(free.front()), features, 0});
    free.erase(free.begin());
    std::erase_if(hard, [&](const std::string& f) { return f.starts_with(head); });
  };
  for (const std::string& h : heads)
    if (!free.empty()) truncate(h);
  while (!free.empty() && hard.size() > 1) {
    size_t bestCount = 0;
    std::string bestHead;
    for (size_t i = 0; i < hard.size(); ++i)
      for (size_t j = i + 1; j < hard.size(); ++j) {
        const size_t n = SharedLength(hard[i], hard[j]);
        if (n < 4 && n != hard[i].size()) break;
        if (j - i + 1 > bestCount) bestCount = j - i + 1, bestHead = hard[i].substr(0, n);
      }
    if (bestCount < 2) break;
    truncate(bestHead);
  }
  auto bare = [&](Ring* r, const std::string& form) { r->push_back(Record{form, 103, B(13), features, 0}); };
  if (!hard.empty()) {
    bare(&ring, hard.front());
    hard.erase(hard.begin());
  } else if (!soft.empty()) {
    bare(&ring, soft.front());
  }
  std::vector<Ring> rings{ring};
  for (size_t i = 0; i < hard.size() && i < kExtraRings; ++i) {
    rings.push_back(rules);
    bare(&rings.back(), hard[i]);
  }
  for (Ring& r : rings)
    if (r.size() > static_cast<size_t>(zrt::morph::kMaxStems)) r.resize(zrt::morph::kMaxStems);
  return rings;
}

}  // namespace

std::vector<std::string> VerbLexeme::Forms() const {
  std::set<std::string> all(variants.begin(), variants.end());
  for (const std::string& f : slot)
    if (!f.empty()) all.insert(f);
  for (const auto& kind : participles) all.insert(kind.begin(), kind.end());
  return {all.begin(), all.end()};
}

VerbLexeme MakeVerb(const std::vector<Form>& forms) {
  VerbLexeme v;
  bool marked[kVerbFormSlots] = {};
  auto variant = [&](const std::string& w) {
    if (std::find(v.variants.begin(), v.variants.end(), w) == v.variants.end()) v.variants.push_back(w);
  };
  for (const Form& f : forms) {
    const int slot = FormSlot(f), kind = ParticipleKind(f);
    // A slot's own form is its first unmarked one ("хотим", not the informal "хочем").
    const bool rare = f.Has("Infr") || f.Has("Erro") || f.Has("Dist") || f.Has("Slng") || f.Has("Arch") ||
                      std::any_of(f.grammemes->begin(), f.grammemes->end(), [](const std::string& g) { return g.rfind("V-", 0) == 0; });
    if (kind >= 0) {
      auto& all = v.participles[kind];
      if (std::find(all.begin(), all.end(), f.word) == all.end()) all.push_back(f.word);
    } else if (slot >= 0 && (v.slot[slot].empty() || (marked[slot] && !rare))) {
      if (!v.slot[slot].empty()) variant(v.slot[slot]);
      v.slot[slot] = f.word;
      marked[slot] = rare;
    } else {
      variant(f.word);
    }
  }
  v.infinitive = v.slot[0].empty() ? forms[0].word : v.slot[0];
  const std::string& inf = v.infinitive;
  v.reflexive = inf.size() > 2 && (inf.compare(inf.size() - 2, 2, "\xF1\xFF") == 0 ||   // ся
                                   inf.compare(inf.size() - 2, 2, "\xF1\xFC") == 0);    // сь
  // A variant equal to a slot's form is no variant.
  std::erase_if(v.variants, [&](const std::string& w) { return std::find(std::begin(v.slot), std::end(v.slot), w) != std::end(v.slot); });
  return v;
}

std::vector<Ring> InferVerb(const VerbLexeme& v, const std::vector<std::string>& counterpart) {
  const Wants wants = MakeWants(v);
  const std::vector<Partial> partials = Partials(v, wants);
  // Greedy cover: each step takes the partial that makes the most forms still wanted,
  // never writing a slot another chosen partial writes differently; a stem already chosen
  // is preferred, so that one record carries several groups.
  std::vector<const Partial*> chosen;
  std::array<std::string, kMaxSlots> written;
  Items made;
  while (true) {
    const Partial* best = nullptr;
    double bestScore = 0;
    for (const Partial& p : partials) {
      const Items fresh = p.made & ~made;
      if (fresh.none()) continue;
      // A slot's own form counts more than a second spelling of it.
      const double gain = static_cast<double>((fresh & wants.primaryItems).count()) + 0.4 * (fresh & ~wants.primaryItems).count();
      bool clash = false;
      for (const auto& [slot, text] : p.texts)
        if (!written[slot].empty() && written[slot] != text) clash = true;
      if (clash) continue;
      double score = gain - p.Wrong() - 0.3 * p.foreign;
      for (const Partial* c : chosen)
        if (c->stem == p.stem) {
          score += 0.2;
          break;
        }
      if (score > bestScore || (score == bestScore && best && p.stem.size() > best->stem.size())) best = &p, bestScore = score;
    }
    if (best == nullptr) break;
    chosen.push_back(best);
    made |= best->made;
    for (const auto& [slot, text] : best->texts) written[slot] = text;
  }
  // Records: partials on one stem share a record when their feature bits agree.
  std::vector<Draft> drafts;
  for (const Partial* p : chosen) {
    auto it = std::find_if(drafts.begin(), drafts.end(), [&](const Draft& d) { return d.Takes(*p); });
    if (it == drafts.end()) {
      drafts.emplace_back();
      drafts.back().stem = p->stem;
      it = drafts.end() - 1;
    }
    it->Add(*p);
  }
  Ring ring;
  for (const Draft& d : drafts) Emit(d, v, counterpart, &ring);
  // What no rule made whole: forms nothing made, forms begun by a truncated slot text,
  // participles without their stem.
  std::vector<std::string> truncated;
  for (const auto& text : written)
    if (!text.empty() && text.back() == '$') truncated.push_back(text.substr(0, text.size() - 1));
  std::vector<std::string> hard, soft, heads;
  for (size_t i = 0; i < wants.forms.size(); ++i) {
    if (made.test(i)) continue;
    const bool begun = std::any_of(truncated.begin(), truncated.end(), [&](const std::string& t) { return wants.forms[i].starts_with(t); });
    if (!begun) hard.push_back(wants.forms[i]);
    else if (i < wants.primary) soft.push_back(wants.forms[i]);
  }
  for (int k = 0; k < 4; ++k)
    if (!wants.participleItem[k].empty() && !made.test(wants.participleItem[k][0]) && !wants.participleHead[k].empty())
      heads.push_back(wants.participleHead[k]);
  return Leftovers(ring, hard, soft, heads, v.reflexive);
}

VerbFit FitVerb(const VerbLexeme& v, const std::vector<Ring>& rings, const std::vector<std::string>& counterpart) {
  VerbFit fit;
  std::vector<std::string> generated;
  for (const Ring& ring : rings) {
    const std::vector<std::string> g = Generate(ring);
    generated.insert(generated.end(), g.begin(), g.end());
  }
  std::sort(generated.begin(), generated.end());
  generated.erase(std::unique(generated.begin(), generated.end()), generated.end());
  std::unordered_set<std::string> whole;
  std::vector<std::string> heads;
  for (const std::string& g : generated) {
    if (!g.empty() && g.back() == '$')
      heads.push_back(g.substr(0, g.size() - 1));
    else
      whole.insert(g);
  }
  auto begun = [&](const std::string& w) {
    return std::any_of(heads.begin(), heads.end(), [&](const std::string& h) { return w.starts_with(h); });
  };
  const std::vector<std::string> all = v.Forms();
  std::set<std::string> participleForms;
  for (const auto& kind : v.participles) participleForms.insert(kind.begin(), kind.end());
  for (const std::string& f : all) {
    if (participleForms.count(f)) {
      ++fit.participleForms;
      if (begun(f)) ++fit.participlesMade;
      else if (fit.firstMissing.empty()) fit.firstMissing = f;
      continue;
    }
    ++fit.forms;
    const bool exact = whole.count(f) != 0;
    fit.exact += exact;
    if (std::find(std::begin(v.slot), std::end(v.slot), f) != std::end(v.slot)) ++fit.slotForms, fit.slotExact += exact;
    if (exact || begun(f)) ++fit.made;
    else if (fit.firstMissing.empty()) fit.firstMissing = f;
  }
  for (const std::string& g : generated) {
    if (!g.empty() && g.back() == '$') {
      const std::string h = g.substr(0, g.size() - 1);
      if (std::none_of(all.begin(), all.end(), [&](const std::string& f) { return f.starts_with(h); })) ++fit.foreign;
    } else if (!std::binary_search(all.begin(), all.end(), g) &&
               !std::binary_search(counterpart.begin(), counterpart.end(), g)) {
      ++fit.foreign;
    }
  }
  return fit;
}

}  // namespace dzbuild
