// The OpenCorpora dictionary as the az package ships it in dicts/:
//   words.dawg               dawgdic DAWG: uint32 unit count, the units, uint32 guide
//                            count, the guide (2 bytes per unit: first child label,
//                            next sibling label). Keys: the Windows-1251 word, byte 01,
//                            then 4 bytes b0..b3: paradigm = ((b0^1)<<6) + (b1>>1),
//                            form index = ((b2^1)<<6) + (b3>>1).
//   paradigms.array          uint16 LE: paradigm count, then per paradigm its length 3n
//                            and n suffix ids, n tag ids, n prefix ids.
//   suffixes.json            list of suffix texts (UTF-8).
//   gramtab-opencorpora-int.json  list of tags ("NOUN,anim,masc sing,nomn").
// A lexeme is the set of words with the same paradigm and stem.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dzbuild {

struct Paradigm {
  std::vector<uint16_t> suffix, tag, prefix;  // per form
};

struct Source {
  std::vector<std::string> suffixes;  // Windows-1251
  std::vector<std::string> tags;
  std::vector<Paradigm> paradigms;
  // Lexemes as (paradigm, stem): the words whose form index is 0 give one each.
  struct Lexeme {
    uint16_t paradigm;
    std::string stem;  // Windows-1251, as in the DAWG (ё kept)
  };
  std::vector<Lexeme> lexemes;
};

// Reads the four files of dir; false with a message on any damage.
bool LoadSource(const std::string& dir, Source* out, std::string* error);

// The words of the annotated corpus (p_t_given_w.intdawg, a DAWG of the same kind whose
// keys are "word:TAG"), Windows-1251, distinct, in key order.
bool LoadCorpusWords(const std::string& dir, std::vector<std::string>* words, std::string* error);

// The text of a form's prefix id (0-2): "", "по" (comparatives), "наи" (superlatives).
const std::string& FormPrefix(uint16_t id);

// UTF-8 to Windows-1251 for Russian text; other characters become '?'.
std::string ToCp1251(const std::string& utf8);

}  // namespace dzbuild
