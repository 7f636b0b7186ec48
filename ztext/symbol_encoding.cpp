#include "symbol_encoding.h"

namespace ztext {

namespace {

// Adobe's mapping of the Symbol encoding to Unicode (symbol.txt, with the Euro at 0xA0). Where
// Adobe gives a corporate-use code point (U+F6D9-U+F6DB, U+F8E5-U+F8FE) this table gives the
// standard character that Unicode has since added for the glyph (the bracket and integral
// pieces of U+239B-U+23AE, the line extensions U+23AF and U+23D0, the overline for the radical
// extender) or the plain sign that the serif and sans-serif variants draw (®, ©, ™), so that an
// ordinary font can show every entry. The angle brackets at 0xE1 and 0xF1 are the mathematical
// ones (U+27E8, U+27E9) that Unicode recommends over Adobe's U+2329 and U+232A, which are
// canonically the same as the wide CJK brackets.
constexpr std::array<char16_t, 256> kTable = {
    // 0x00-0x1F: control codes, no character
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
    // 0x20
    u' ', u'!', u'∀', u'#', u'∃', u'%', u'&', u'∋',  //
    u'(', u')', u'∗', u'+', u',', u'−', u'.', u'/',  //
    // 0x30
    u'0', u'1', u'2', u'3', u'4', u'5', u'6', u'7',  //
    u'8', u'9', u':', u';', u'<', u'=', u'>', u'?',  //
    // 0x40
    u'≅', u'Α', u'Β', u'Χ', u'Δ', u'Ε', u'Φ', u'Γ',  //
    u'Η', u'Ι', u'ϑ', u'Κ', u'Λ', u'Μ', u'Ν', u'Ο',  //
    // 0x50
    u'Π', u'Θ', u'Ρ', u'Σ', u'Τ', u'Υ', u'ς', u'Ω',  //
    u'Ξ', u'Ψ', u'Ζ', u'[', u'∴', u']', u'⊥', u'_',  //
    // 0x60
    u'‾', u'α', u'β', u'χ', u'δ', u'ε', u'φ', u'γ',  //
    u'η', u'ι', u'ϕ', u'κ', u'λ', u'μ', u'ν', u'ο',  //
    // 0x70
    u'π', u'θ', u'ρ', u'σ', u'τ', u'υ', u'ϖ', u'ω',  //
    u'ξ', u'ψ', u'ζ', u'{', u'|', u'}', u'∼', 0,     //
    // 0x80-0x9F: no character
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
    // 0xA0
    u'€', u'ϒ', u'′', u'≤', u'⁄', u'∞', u'ƒ', u'♣',  //
    u'♦', u'♥', u'♠', u'↔', u'←', u'↑', u'→', u'↓',  //
    // 0xB0
    u'°', u'±', u'″', u'≥', u'×', u'∝', u'∂', u'•',  //
    u'÷', u'≠', u'≡', u'≈', u'…', u'⏐', u'⎯', u'↵',  //
    // 0xC0
    u'ℵ', u'ℑ', u'ℜ', u'℘', u'⊗', u'⊕', u'∅', u'∩',  //
    u'∪', u'⊃', u'⊇', u'⊄', u'⊂', u'⊆', u'∈', u'∉',  //
    // 0xD0
    u'∠', u'∇', u'®', u'©', u'™', u'∏', u'√', u'⋅',  //
    u'¬', u'∧', u'∨', u'⇔', u'⇐', u'⇑', u'⇒', u'⇓',  //
    // 0xE0
    u'◊', u'⟨', u'®', u'©', u'™', u'∑', u'⎛', u'⎜',  //
    u'⎝', u'⎡', u'⎢', u'⎣', u'⎧', u'⎨', u'⎩', u'⎪',  //
    // 0xF0
    0, u'⟩', u'∫', u'⌠', u'⎮', u'⌡', u'⎞', u'⎟',  //
    u'⎠', u'⎤', u'⎥', u'⎦', u'⎫', u'⎬', u'⎭', 0,  //
};

}  // namespace

const std::array<char16_t, 256>& symbolEncodingTable() { return kTable; }

char16_t symbolToUnicode(unsigned char code) { return kTable[code]; }

}  // namespace ztext
