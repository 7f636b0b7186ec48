// Export files carry real code page 866: what is exported reads back unchanged for every
// character that code page has.
#include <gtest/gtest.h>

#include <string>

#include "text/charset.h"

namespace {

TEST(ExchangeCodePage, RoundTripsEveryCharacterOf866) {
  std::string kept;
  for (int c = 1; c < 0x80; ++c) kept += static_cast<char>(c);
  for (int c = 0xC0; c <= 0xFF; ++c) kept += static_cast<char>(c);
  kept += "\xA8\xB8\xAA\xBA\xAF\xBF\xA1\xA2\xB0\xB7\xB9\xA4\xA0";  // Ё ё Є є Ї ї Ў ў ° · № ¤ nbsp
  EXPECT_EQ(zrt::ExchangeOemToAnsi(zrt::AnsiToExchangeOem(kept)), kept);
  EXPECT_EQ(zrt::AnsiToExchangeOem("\xB8\xA8\xB9"), "\xF1\xF0\xFC");  // ё Ё № at their 866 places
  EXPECT_EQ(zrt::AnsiToExchangeOem("\xC0\xFF"), "\x80\xEF");          // А я
  // Punctuation that 866 lacks gets its nearest ASCII form.
  EXPECT_EQ(zrt::AnsiToExchangeOem("\xAB\x97\xBB"), "\"-\"");
  // The byte after the markup escape is a code, not a character.
  EXPECT_EQ(zrt::AnsiToExchangeOem("_\xB8"), "_\xB8");
}

}  // namespace
