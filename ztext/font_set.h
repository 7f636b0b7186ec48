// The sixteen fonts of the control, made from one base font and indexed by
// fontIndex(): bit 1 Symbol face, bit 2 italic, bit 4 small size, bit 8 bold.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <array>
#include <vector>

namespace ztext {

class FontSet {
 public:
  static constexpr int kCount = 16;

  explicit FontSet(const QFont& base = QFont());

  // The rule for the small (sub- and superscript) height, in logical units: a positive
  // height is a cell height, a negative one a character height.
  static int smallHeight(int height);
  // The rule applied to a Qt pixel size, which is a character height.
  static int smallPixelSize(int pixelSize) { return -smallHeight(-pixelSize); }

  // There is no font with the symbol character set on Linux: the Symbol variants (odd
  // indexes) are the same fonts as their even neighbours and show Symbol bytes through the
  // Adobe Symbol encoding instead.
  const QFont& font(int index) const { return fonts_[index & (kCount - 1)]; }
  const QFontMetricsF& metrics(int index) const { return metrics_[index & (kCount - 1)]; }

 private:
  std::array<QFont, kCount> fonts_;
  std::vector<QFontMetricsF> metrics_;  // one per font; QFontMetricsF has no default state
};

}  // namespace ztext
