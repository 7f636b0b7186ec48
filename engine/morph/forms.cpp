#include "morph/forms.h"

#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "morph/cyrillic.h"

namespace zrt::morph {
namespace {

// The ending tables, one row per line, cells split by "|"; an empty cell is the empty
// ending and "~" a cell that leaves its slot unfilled.
constexpr const char* kNounRows[24] = {
    "|а|у||ом|е|ы|ов|ам|ы|ами|ах|а|ов",
    "ь|я|ю|ь|ем|е|и|ей|ям|и|ями|ях|я|ей",
    "|а|у||ом|е|и|ов|ам|и|ами|ах|а|ов",
    "|а|у||ем|е|и|ей|ам|и|ами|ах|а|ей",
    "|а|у||ем|е|ы|ев|ам|ы|ами|ах|а|ев",
    "й|я|ю|й|ем|е|и|ев|ям|и|ями|ях|я|ев",
    "й|я|ю|й|ем|и|и|ев|ям|и|ями|ях|я|ев",
    "ь|и|и|ь|ем|и|и|ей|ям|и|ями|ях||",
    "а|ы|е|у|ой|е|ы||ам|ы|ами|ах|у|",
    "я|и|е|ю|ей|е|и|ь|ям|и|ями|ях|ю|ь",
    "а|и|е|у|ой|е|и||ам|и|ами|ах|у|",
    "а|и|е|у|ей|е|и||ам|и|ами|ах|у|",
    "а|ы|е|у|ей|е|ы||ам|ы|ами|ах|у|",
    "я|и|е|ю|ей|е|и|й|ям|и|ями|ях|ю|й",
    "я|и|и|ю|ей|и|и|й|ям|и|ями|ях|ю|й",
    "ь|и|и|ь|ью|и|и|ей|ям|и|ями|ях|ь|ей",
    "о|а|у|о|ом|е|а||ам|а|ами|ах|о|",
    "е|я|ю|е|ем|е|я|ь|ям|и|ями|ях|е|и",
    "о|а|у|о|ом|е|а||ам|а|ами|ах|о|",
    "е|а|у|е|ем|е|а||ам|а|ами|ах|е|",
    "е|а|у|е|ем|е|а||ам|а|ами|ах|е|",
    "е|я|ю|е|ем|е|я|й|ям|я|ями|ях|е|",
    "е|я|ю|е|ем|и|я|й|ям|я|ями|ях|е|",
    "я|ени|ени|я|енем|ени|ена|ен|енам|ена|енами|енах|я|",
};

constexpr const char* kAdjectiveRows[11] = {
    "ый|ое|ого|ому|ым|ом|ая|ой|ую|ые|ых|ым|ыми||а|о|ы|ее|ей",
    "ий|ее|его|ему|им|ем|яя|ей|юю|ие|их|им|ими|ь|я|е|и|ее|ей",
    "ий|ое|ого|ому|им|ом|ая|ой|ую|ие|их|им|ими||а|о|и|е|",
    "ий|ее|его|ему|им|ем|ая|ей|ую|ие|их|им|ими||а|е|и|ее|ей",
    "ый|ее|его|ему|ым|ем|ая|ей|ую|ые|ых|ым|ыми||а|е|ы|ее|ей",
    "ий|ее|его|ему|им|ем|яя|ей|юю|ие|их|им|ими|й|я|е|и|ее|ей",
    "ой|ое|ого|ому|ым|ом|ая|ой|ую|ые|ых|ым|ыми||а|о|ы|ее|ей",
    "ой|ое|ого|ому|им|ом|ая|ой|ую|ие|их|им|ими||а|о|и|е|",
    "ой|ое|ого|ому|им|ом|ая|ой|ую|ие|их|им|ими||а|е|и|ее|ей",
    "|е|его|ему|им|ем|а|ей|у|и|их|им|ими||~|~|~|~|~",
    "й|е|его|ему|им|ем|я|ей|ю|и|их|им|ими||~|~|~|~|~",
};

constexpr const char* kPronounRows[16] = {
    "ой|ое|ого|ому|им|ом|ая|ой|ую|ие|их|им|ими",
    "|е|его|ему|им|ем|а|ей|у|и|их|им|ими",
    "й|е|его|ему|им|ем|я|ей|ю|и|их|им|ими",
    "|о|ого|ому|ым|ом|а|ой|у|ы|ых|ым|ыми",
    "|о|а|у|ым|ом|а|ой|у|ы|ых|ым|ыми",
    "|о|а|у|ым|е|а|ой|у|ы|ых|ым|ыми",
    "|е|я|ю|им|ем|я|ей|ю|и|их|им|ими",
    "|е|его|ему|им|ем|я|ей|ю|и|их|им|ими",
    "а|ух|ум|умя|е|ух|ум|умя|~|~|~|~|~",
    "е|оих|оим|оими|е|еих|еим|еми|~|~|~|~|~",
    "и|ех|ем|емя||||||~|~|~|~",
    "ь|и|ью|ью|||||~|~|~|~|~",
    "е|их|им|ими|||||~|~|~|~|~",
    "о|ых|ым|ыми|||||~|~|~|~|~",
    "е|ех|ем|ьмя||||||~|~|~|~",
    "о|их|им|ими||||||~|~|~|~",
};

constexpr const char* kNoEnding = "\x01";  // a "~" cell

using Row = std::vector<std::string>;

std::vector<Row> ParseRows(const char* const* rows, size_t n) {
  std::vector<Row> out;
  for (size_t r = 0; r < n; ++r) {
    Row row;
    std::string_view text = rows[r];
    size_t start = 0;
    while (true) {
      size_t bar = text.find('|', start);
      std::string_view cell = text.substr(start, bar == std::string_view::npos ? bar : bar - start);
      row.push_back(cell == "~" ? std::string(kNoEnding) : Cp1251(cell));
      if (bar == std::string_view::npos) break;
      start = bar + 1;
    }
    out.push_back(std::move(row));
  }
  return out;
}

struct Tables {
  std::vector<Row> noun, adjective, pronoun;
  // Endings used by the feature bits and the verb rules.
  std::string e, a, ie, ei, am, ami, ah, y, i, ev, ov, o, om, oi, mi, soft, os, sya;
  std::string t, ti, ch, tsya, tis, chsya, u, yu, sy, ut, yut, esh, ish, et, it, em, im,
      te, ete, ite, at, yat, l, el, g, k, la, lo, li, ii, ei2, ite2, a2, ya, v, usch, yusch,
      asch, yasch, vsh, sh, om_, em_, im_, n_, en_, t_, den_, dollar;
  std::array<std::array<std::string, 2>, 16> irregular14, irregular15;
  std::string edya, edyas, edyaschii, edyaschiisya;
};

const Tables& T() {
  static const Tables t = [] {
    Tables x;
    x.noun = ParseRows(kNounRows, 24);
    x.adjective = ParseRows(kAdjectiveRows, 11);
    x.pronoun = ParseRows(kPronounRows, 16);
    auto c = [](const char* s) { return Cp1251(s); };
    x.e = c("е"), x.a = c("а"), x.ie = c("ей"), x.am = c("ам"), x.ami = c("ами"), x.ah = c("ах");
    x.y = c("ы"), x.i = c("и"), x.ev = c("ев"), x.ov = c("ов"), x.o = c("о"), x.om = c("ом");
    x.oi = c("ой"), x.mi = c("ьми"), x.soft = c("ь"), x.os = c("ос"), x.sya = c("ся");
    x.t = c("ть"), x.ti = c("ти"), x.ch = c("чь"), x.tsya = c("ться"), x.tis = c("тись");
    x.chsya = c("чься"), x.u = c("у"), x.yu = c("ю"), x.sy = c("сь"), x.ut = c("ут");
    x.yut = c("ют"), x.esh = c("ешь"), x.ish = c("ишь"), x.et = c("ет"), x.it = c("ит");
    x.em = c("ем"), x.im = c("им"), x.te = c("те"), x.ete = c("ете"), x.ite = c("ите");
    x.at = c("ат"), x.yat = c("ят"), x.l = c("л"), x.el = c("ел"), x.g = c("г"), x.k = c("к");
    x.la = c("ла"), x.lo = c("ло"), x.li = c("ли"), x.ii = c("й"), x.ei2 = c("ей");
    x.ite2 = c("ьте"), x.a2 = c("а"), x.ya = c("я"), x.v = c("в"), x.usch = c("ущ$");
    x.yusch = c("ющ$"), x.asch = c("ащ$"), x.yasch = c("ящ$"), x.vsh = c("вш$"), x.sh = c("ш$");
    x.om_ = c("ом$"), x.em_ = c("ем$"), x.im_ = c("им$"), x.n_ = c("н$"), x.en_ = c("ен$");
    x.t_ = c("т$"), x.den_ = c("ден$"), x.dollar = "$";
    // Slots 0-12 of the two irregular paradigms (plain / reflexive).
    const char* p14[13][2] = {{"ть", "ться"}, {"м", "мся"},       {"шь", "шься"},
                              {"ст", "стся"}, {"дим", "димся"},   {"дите", "дитесь"},
                              {"дут", "дутся"}, {"л", "лся"},     {"ла", "лась"},
                              {"ло", "лось"}, {"ли", "лись"},     {"й", "йся"},
                              {"йте", "йтесь"}};
    const char* p15[13][2] = {{"сть", "сться"}, {"м", "мся"},       {"шь", "шься"},
                              {"ст", "стся"},   {"дим", "димся"},   {"дите", "дитесь"},
                              {"дят", "дятся"}, {"л", "лся"},       {"ла", "лась"},
                              {"ло", "лось"},   {"ли", "лись"},     {"шь", "шься"},
                              {"шьте", "шьтесь"}};
    for (int s = 0; s < 13; ++s)
      for (int r = 0; r < 2; ++r) {
        x.irregular14[s][r] = c(p14[s][r]);
        x.irregular15[s][r] = c(p15[s][r]);
      }
    x.edya = c("едя"), x.edyas = c("едясь"), x.edyaschii = c("едящий");
    x.edyaschiisya = c("едящийся");
    return x;
  }();
  return t;
}

inline bool Bit(uint32_t v, int b) { return (v >> b) & 1u; }

// Writes stem + a + b into a slot, cut to the slot's 63 bytes.
void Put(Slot& slot, const char* stem, std::string_view a = {}, std::string_view b = {}) {
  size_t n = 0;
  auto add = [&](std::string_view part) {
    size_t room = kSlotSize - 1 - n;
    size_t take = part.size() < room ? part.size() : room;
    if (take != 0) std::memcpy(slot + n, part.data(), take);
    n += take;
  };
  add(stem);
  add(a);
  add(b);
  slot[n] = 0;
}

void Append(Slot& slot, std::string_view tail) {
  std::string head = slot;
  Put(slot, head.c_str(), tail);
}

// Noun, adjective, pronoun and numeral stems: table endings, then the feature bits.
void DeclineStem(const StemView& st, int slotCount, Slot* slots) {
  const Tables& t = T();
  uint32_t code = st.code;
  const Row* row = nullptr;
  int width = 0;
  if (code >= 1 && code <= 48) {
    row = &t.noun[(code - 1) % 24];
    width = 12;
  } else if (code >= 49 && code <= 59) {
    row = &t.adjective[code - 49];
    width = 19;
  } else if (code >= 60 && code <= 75) {
    row = &t.pronoun[code - 60];
    width = 13;
  } else if (code >= 80 && code <= 88) {
    row = &t.pronoun[code - 73];
    width = 8;
  } else {
    return;
  }
  const bool animate = code >= 25 && code <= 48;
  const uint32_t f = st.features;
  const size_t stemLen = std::strlen(st.stem);
  for (int s = 0; s < width && s < slotCount; ++s) {
    if (!Bit(st.mask, s)) continue;
    const std::string* ending = &(*row)[s];
    if (animate && s == 3) ending = &(*row)[12];
    if (animate && s == 9) ending = &(*row)[13];
    if (*ending == kNoEnding) continue;
    Put(slots[s], st.stem, *ending);
    // The exceptions, in order; each later one wins.
    const std::string* alt = nullptr;
    bool bare = false;
    auto use = [&](const std::string& e) { alt = &e, bare = false; };
    auto stemOnly = [&] { alt = nullptr, bare = true; };
    const bool oblique7 = s == 7 || (s == 9 && code >= 25);
    if (Bit(f, 0)) {
      if (s == 6) use(t.e);
      if (s == 7 || s == 9) stemOnly();
    }
    if (Bit(f, 1) && (s == 6 || (s == 9 && code <= 8))) use(t.a);
    if (Bit(f, 2) && oblique7) stemOnly();
    if (Bit(f, 3)) {
      if (s == 8) use(t.am);
      if (s == 10) use(t.ami);
      if (s == 11) use(t.ah);
    }
    if (Bit(f, 4) && oblique7) use(t.ie);
    if (Bit(f, 5) && (s == 6 || (s == 9 && code < 25)))
      use((code == 17 || code == 21 || code == 41 || code == 45) ? t.y : t.i);
    if (Bit(f, 6) && oblique7) {
      if (code == 22 || code == 23 || code == 46 || code == 47)
        use(t.ev);
      else if (code == 21 || code == 45)
        use(st.fourth < stemLen ? t.ev : t.ov);
      else
        use(t.ov);
    }
    if (Bit(f, 7)) {
      if (s == 0 || s == 3) use(t.o);
      if (s == 4) use(t.om);
    }
    if (Bit(f, 8) && oblique7) use(t.ov);
    if (Bit(f, 9) && s == 4) use(t.oi);
    if (Bit(f, 12) && s == 5) use(t.e);
    if (Bit(f, 13) && s == 10) use(t.mi);
    if (Bit(f, 14) && s == 6) use(t.y);
    if (Bit(f, 15) && s == 0) use(t.soft);
    if (Bit(f, 16) && s == 0) use(t.os);
    if (Bit(f, 17) && s == 4) use(t.om);
    if (alt)
      Put(slots[s], st.stem, *alt);
    else if (bare)
      Put(slots[s], st.stem);
  }
}

void ConjugateStem(const StemView& st, Slot* slots) {
  const Tables& t = T();
  const uint32_t m = st.mask, f = st.features, code = st.code;
  const char* stem = st.stem;
  const bool refl = Bit(f, 21);
  const bool plain = code < 103 && !Bit(f, 7);
  auto sfx = [&](const std::string& s) -> std::string_view { return refl ? std::string_view(s) : ""; };
  if (Bit(m, 0)) {
    const std::string& e = Bit(f, 0) ? t.ti : Bit(f, 1) ? t.ch : t.t;
    Put(slots[0], stem, e, refl ? (Bit(f, 0) ? t.sy : t.sya) : std::string_view());
    if (plain) Put(slots[20], stem, Bit(f, 0) ? t.tis : Bit(f, 1) ? t.chsya : t.tsya);
  }
  bool filled3 = false, filled6 = false;
  if (Bit(m, 1)) {
    Put(slots[1], stem, Bit(f, 2) ? t.u : t.yu, sfx(t.sy));
    if (Bit(f, 3)) Put(slots[6], stem, Bit(f, 2) ? t.ut : t.yut, sfx(t.sya)), filled6 = true;
    if (Bit(f, 17)) {
      Put(slots[2], stem, t.esh, sfx(t.sya));
      Put(slots[3], stem, t.et, sfx(t.sya)), filled3 = true;
    }
  }
  if (Bit(m, 2)) {
    if (!Bit(f, 17)) {
      Put(slots[2], stem, Bit(f, 3) ? t.esh : t.ish, sfx(t.sya));
      Put(slots[3], stem, Bit(f, 3) ? t.et : t.it, sfx(t.sya)), filled3 = true;
    }
    const std::string& e4 = Bit(f, 3) ? t.em : t.im;
    Put(slots[4], stem, e4, sfx(t.sya));
    if (code >= 102) {
      std::string joint = e4 + t.te;
      Put(slots[13], stem, joint, sfx(t.sy));
    }
    Put(slots[5], stem, Bit(f, 3) ? t.ete : t.ite, sfx(t.sy));
    if (!Bit(f, 3)) Put(slots[6], stem, Bit(f, 2) ? t.at : t.yat, sfx(t.sya)), filled6 = true;
  }
  if (plain) {
    if (filled3) Put(slots[21], slots[3], t.sya);
    if (filled6) Put(slots[22], slots[6], t.sya);
  }
  if (Bit(m, 3)) {
    const std::string none;
    const std::string& e7 = Bit(f, 4) ? t.l : Bit(f, 18) ? t.el : Bit(f, 19) ? t.g : Bit(f, 20) ? t.k : none;
    Put(slots[7], stem, e7, sfx(t.sya));
    Put(slots[8], stem, t.la, sfx(t.sy));
    Put(slots[9], stem, t.lo, sfx(t.sy));
    Put(slots[10], stem, t.li, sfx(t.sy));
    if (plain && !refl) {
      for (int s = 7; s <= 10; ++s) Put(slots[s + 16], slots[s], s == 7 ? t.sya : t.sy);
    }
  }
  if (Bit(m, 4)) {
    int v = static_cast<int>((f >> 5) & 3u);
    const std::string& e11 = v == 0 ? t.ii : v == 1 ? t.i : v == 2 ? t.soft : t.ei2;
    Put(slots[11], stem, e11, refl ? (v == 1 ? t.sy : t.sya) : std::string_view());
    std::string e12 = Bit(f, 9) ? t.ite2 : e11 + t.te;
    Put(slots[12], stem, e12, sfx(t.sy));
  }
  if (Bit(m, 5) && code < 103 && !Bit(f, 22)) Put(slots[14], stem, Bit(f, 8) ? t.a2 : t.ya, sfx(t.sy));
  if (Bit(m, 6) && !Bit(f, 22) && (Bit(f, 4) || Bit(f, 16)) && !(Bit(f, 21) && Bit(f, 4)))
    Put(slots[15], stem, Bit(f, 4) ? t.v : Bit(f, 8) ? t.a2 : t.ya, sfx(t.sy));
  if (Bit(m, 7) && code < 103)
    Put(slots[16], stem, Bit(f, 3) ? (Bit(f, 2) ? t.usch : t.yusch) : (Bit(f, 2) ? t.asch : t.yasch));
  if (Bit(m, 8)) Put(slots[17], stem, Bit(f, 4) ? t.vsh : t.sh);
  if (Bit(m, 9) && !Bit(f, 7) && !Bit(f, 10) && code < 103)
    Put(slots[18], stem, Bit(f, 15) ? t.om_ : Bit(f, 3) ? t.em_ : t.im_);
  if (Bit(m, 10) && !Bit(f, 7) && !Bit(f, 10) && !(code < 102 && Bit(f, 14))) {
    // Values 5-7 of bits 11-13 have no ending of their own; the slot stays unfilled.
    int v = static_cast<int>((f >> 11) & 7u);
    if (v <= 4) Put(slots[19], stem, v == 0 ? t.n_ : v <= 2 ? t.en_ : t.t_);
  }
  if (Bit(m, 11)) Put(slots[27], stem, t.dollar);
  if (Bit(m, 12)) Put(slots[28], stem, t.dollar);
  if (Bit(m, 13)) Put(slots[29], stem);
  for (int which = 14; which <= 15; ++which) {
    if (!Bit(m, which)) continue;
    const auto& p = which == 14 ? t.irregular14 : t.irregular15;
    const int r = refl ? 1 : 0;
    for (int s = 0; s <= 12; ++s) Put(slots[s], stem, p[s][r]);
    if (which == 15 || !refl) Put(slots[15], stem, t.v, refl ? std::string_view(t.sya) : "");
    Put(slots[17], stem, t.vsh);
    Put(slots[19], stem, which == 14 ? t.n_ : t.den_);
    if (which == 15 && code < 103) {
      Put(slots[13], stem, refl ? t.edyas : t.edya);
      Put(slots[14], stem, refl ? t.edyaschiisya : t.edyaschii);
    }
  }
}

}  // namespace

int SlotCount(uint32_t code) {
  if (code == 0) return 1;
  if (code <= 48) return 12;
  if (code <= 59) return 19;
  if (code <= 75) return 13;
  if (code >= 80 && code <= 88) return 8;
  if (code >= 100) return 30;
  return 0;
}

int BuildAllForms(const StemView* stems, int count, const char* word, Slot* slots) {
  if (count <= 0 || stems == nullptr) return 0;
  const int k = SlotCount(stems[0].code);
  if (k == 0) return 0;
  for (int s = 0; s < k; ++s) std::strcpy(slots[s], "-");
  if (stems[0].code == 0) {
    Put(slots[0], stems[0].stem);
  } else {
    for (int i = 0; i < count; ++i) {
      const StemView& st = stems[i];
      if (st.code >= 100) {
        if (k == kMaxSlots) ConjugateStem(st, slots);
      } else if (st.code != 0) {
        DeclineStem(st, k, slots);
      }
    }
    const uint32_t f0 = stems[0].features;
    if (stems[0].code < 100) {
      if (Bit(f0, 10) && k > 3 && slots[1][0] != '-') std::memcpy(slots[3], slots[1], kSlotSize);
      if (Bit(f0, 11))
        for (int s = 0; s < k; ++s)
          if (slots[s][0] != '-') Append(slots[s], T().sya);
    }
  }
  if (word == nullptr) return k;
  for (int s = 0; s < k; ++s) {
    const char* dollar = std::strchr(slots[s], '$');
    if (dollar != nullptr) {
      size_t n = static_cast<size_t>(dollar - slots[s]);
      if (std::strncmp(word, slots[s], n) == 0) return -k;
    } else if (std::strcmp(slots[s], word) == 0) {
      return k;
    }
  }
  return 0;
}

}  // namespace zrt::morph
