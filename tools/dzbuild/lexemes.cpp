#include "lexemes.h"

#include <algorithm>
#include <map>
#include <set>

namespace dzbuild {
namespace {

std::set<std::string> Split(const std::string& tag, std::string* pos) {
  std::set<std::string> g;
  std::string cur;
  for (char c : tag + ",") {
    if (c == ',' || c == ' ') {
      if (!cur.empty()) {
        if (pos->empty()) *pos = cur;
        g.insert(cur);
      }
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  return g;
}

bool Lowercase(const std::string& w) {
  if (w.empty()) return false;
  for (char c : w)
    if (static_cast<unsigned char>(c) < 0xE0) return false;
  return true;
}

}  // namespace

bool Verbal(const std::string& pos) {
  return pos == "INFN" || pos == "VERB" || pos == "PRTF" || pos == "PRTS" || pos == "GRND";
}

namespace {

// Forms a ring need not reproduce: rare cases and spelling variants.
bool Core(const Form& f) {
  for (const char* g : {"gen2", "loc2", "voct", "acc2", "Cmp2", "Infr", "Erro", "Dist"})
    if (f.grammemes->count(g)) return false;
  for (const std::string& g : *f.grammemes)
    if (g.rfind("V-", 0) == 0 && f.pos != "COMP") return false;
  return true;
}

void AddDistinct(std::vector<std::string>* v, const std::string& w) {
  if (std::find(v->begin(), v->end(), w) == v->end()) v->push_back(w);
}

}  // namespace

SourceTags::SourceTags(const Source& source) : tags_(source.tags.size()) {
  for (size_t t = 0; t < tags_.size(); ++t) tags_[t].second = Split(source.tags[t], &tags_[t].first);
}

bool ExpandForms(const Source& source, const SourceTags& tags, const Source::Lexeme& lx, std::vector<Form>* forms) {
  const Paradigm& p = source.paradigms[lx.paradigm];
  forms->clear();
  for (size_t i = 0; i < p.suffix.size(); ++i) {
    Form f;
    f.word = FormPrefix(p.prefix[i]) + lx.stem + source.suffixes[p.suffix[i]];
    for (char& c : f.word)
      if (static_cast<unsigned char>(c) == 0xB8) c = static_cast<char>(0xE5);  // ё -> е
    f.pos = tags.Pos(p.tag[i]);
    f.grammemes = &tags.Grammemes(p.tag[i]);
    f.prefix = p.prefix[i];
    if (f.Has("Abbr")) continue;
    if (!Lowercase(f.word)) return false;  // hyphens, digits, Latin letters
    forms->push_back(std::move(f));
  }
  return !forms->empty();
}

void AddLexemes(const Source::Lexeme& lx, const std::vector<Form>& forms, std::vector<Lexeme>* out) {
  // Split the joined lexemes.
  std::map<std::string, std::vector<const Form*>> groups;
  for (const Form& f : forms) {
    if (Verbal(f.pos)) continue;
    // Ordinals joined to their numerals ("два" / "второй") are lexemes of their own.
    const bool adjective = f.pos == "ADJF" || f.pos == "ADJS" || f.pos == "COMP";
    std::string key = (adjective ? std::string("ADJ") : f.pos) + std::to_string(f.prefix);
    key += f.grammemes->count("Supr") ? "S" : "-";
    key += f.grammemes->count("Patr") ? "P" : "-";
    groups[key].push_back(&f);
  }
  for (auto& [key, members] : groups) {
    Lexeme lex;
    lex.pos = members.front()->pos;
    lex.base = FormPrefix(members.front()->prefix) + lx.stem;
    for (char& c : lex.base)
      if (static_cast<unsigned char>(c) == 0xB8) c = static_cast<char>(0xE5);
    // One form per grammatical tag is the lexeme's; a second spelling of the same tag
    // ("зубы" / "зубья") cannot share its slot and goes into a lexeme of variants. Rare
    // cases and marked spelling variants ("-ою") are left out.
    std::set<std::set<std::string>> seenTags;
    std::set<const Form*> core;
    for (const Form* f : members) {
      AddDistinct(&lex.all, f->word);
      if (Core(*f) && seenTags.insert(*f->grammemes).second) {
        core.insert(f);
        AddDistinct(&lex.core, f->word);
      }
    }
    if (lex.core.empty()) continue;
    Lexeme variants;
    variants.pos = lex.pos;
    variants.base = lex.base;
    variants.variant = true;
    for (const Form* f : members)
      if (Core(*f) && std::find(lex.core.begin(), lex.core.end(), f->word) == lex.core.end())
        AddDistinct(&variants.core, f->word);
    variants.all = variants.core;
    if (!variants.core.empty()) out->push_back(variants);
    if (lex.pos == "NOUN") {
      // Surnames and patronymics decline by gender in the singular: a part per gender
      // with the shared plural.
      static const char* kGenders[3] = {"masc", "femn", "neut"};
      bool has[3] = {false, false, false};
      for (int g = 0; g < 3; ++g)
        for (const Form* f : members)
          if (core.count(f) && f->grammemes->count("sing") && f->grammemes->count(kGenders[g])) has[g] = true;
      if (has[0] + has[1] + has[2] > 1)
        for (int g = 0; g < 3; ++g)
          if (has[g])
            for (const Form* f : members)
              if (core.count(f) && (f->grammemes->count(kGenders[g]) ||
                               !(f->grammemes->count("masc") || f->grammemes->count("femn") || f->grammemes->count("neut"))))
                AddDistinct(&lex.genderSplit[g], f->word);
    }
    out->push_back(std::move(lex));
  }
}

}  // namespace dzbuild
