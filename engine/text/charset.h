// Code pages and casing of engine text. Engine text is Windows-1251 ("ANSI"); the index
// files, stop list and export files hold code page 866 ("OEM"). The mappings are fixed
// arithmetic rules on byte ranges, not locale tables: the dictionaries on existing media
// were built with exactly these rules, so the indexer and the query side must share them.
//
// Every conversion works in place on a NUL-terminated string and returns it. The
// escape-aware ones leave the byte directly after a "_" (the markup escape) unchanged;
// the first byte of a string is never escaped.
#pragma once

#include <cstddef>
#include <string>

namespace zrt {

char* OemToAnsi(char* text);   // 80-AF +40, E0-EF +10
char* AnsiToOem(char* text);   // F0-FF -10, B0-EF -40 (so ANSI B0-BF land on 70-7F)
char* AnsiUpper(char* text);   // E0-FF -20, ASCII toupper, 80-DF unchanged
char* AnsiLower(char* text);   // C0-DF +20, ASCII tolower, 80-BF and E0-FF unchanged

// For texts that are stored and read back with OemToAnsi (record texts): the letters
// as AnsiToOem maps them, B0-BF kept (so ё, » and № survive), and the punctuation
// of 80-AF, which OemToAnsi can never give back, replaced by its nearest ASCII form
// (dashes "-", quotes '"', no-break space " ", Ё as Е). Escape-aware, like the reader.
std::string AnsiToStoredOem(std::string text);

// For export files (plain text, separated values, ISO 2709) that other programs read as
// code page 866: letters as AnsiToOem, and Ё, ё, №, °, · and the like at their real
// code page 866 places instead of the ASCII bytes that AnsiToOem gives them. Reading
// such a file back uses ExchangeOemToAnsi. Both escape-aware.
std::string AnsiToExchangeOem(std::string text);
std::string ExchangeOemToAnsi(std::string text);

// «ё» and «Ё» become «е» and «Е», escape-aware. Every word that is indexed, looked up,
// listed, highlighted or compared with the stop list goes through this first: the
// case and code-page rules above leave ё outside the letters (the scanner trims it off
// a word's edge, 866 turns it into "x"), and Russian text spells the same word with and
// without it.
char* FoldYo(char* text);
std::string FoldYo(std::string text);

// The index key of a word: ё folded, ANSI upper case, code page 866 (not cut to length).
std::string IndexKey(std::string word);

// std::string conveniences over the same rules.
std::string OemToAnsi(std::string text);
std::string AnsiToOem(std::string text);
std::string AnsiUpper(std::string text);

// Case-insensitive comparisons on ANSI upper-cased copies, unsigned bytes: -1, 0 or 1.
int StrICmp(const char* a, const char* b);
int StrNICmp(const char* a, const char* b, size_t n);

// Turns a personal name into one hyphen-joined term: "Иванов  И. И." -> "Иванов-И-И.".
char* JoinNameWords(char* text);

}  // namespace zrt
