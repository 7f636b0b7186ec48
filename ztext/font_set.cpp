#include "font_set.h"

#include <QFontInfo>

#include "markup.h"

namespace ztext {

int FontSet::smallHeight(int h) {
  if (h >= 10) return h - 4;
  if (h >= 8) return h - 2;
  if (h >= 0) return 6;
  if (h < -14) return h + 6;
  return -9;
}

FontSet::FontSet(const QFont& base) {
  const int basePixels = base.pixelSize() > 0 ? base.pixelSize() : QFontInfo(base).pixelSize();
  metrics_.reserve(kCount);
  for (int index = 0; index < kCount; ++index) {
    QFont f = base;
    if (index & attr::kItalic) f.setItalic(true);
    if (index & attr::kBold) f.setWeight(QFont::Bold);
    if (index & attr::kSmall) f.setPixelSize(smallPixelSize(basePixels));
    fonts_[index] = f;
    metrics_.emplace_back(f);
  }
}

}  // namespace ztext
