#include "dialog_units.h"

#include <QFontMetrics>

namespace pelorus::control {
namespace {

// units × base ÷ divisor, rounded.
int scaled(int units, int base, int divisor) { return (units * base + divisor / 2) / divisor; }

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  // The average width of the 52 letters, rounded, as dialog base units are reckoned.
  const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  base_x_ = (letters / 26 + 1) / 2;
  base_y_ = metrics.height();
}

int DialogUnits::x(int units) const { return scaled(units, base_x_, 4); }
int DialogUnits::y(int units) const { return scaled(units, base_y_, 8); }

QFont dialog_font() {
  QFont font(QStringLiteral("MS Sans Serif"), 8);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace pelorus::control
