// Dialog units: a dialog's layout in quarters of its font's average character width and eighths
// of its height, converted to pixels as the dialog's font is on this display.
#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace pelorus::control {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int x(int units) const;
  int y(int units) const;
  QPoint point(int x_units, int y_units) const { return {x(x_units), y(y_units)}; }
  QSize size(int width_units, int height_units) const { return {x(width_units), y(height_units)}; }
  QRect rect(int x_units, int y_units, int width_units, int height_units) const {
    return {point(x_units, y_units), size(width_units, height_units)};
  }

 private:
  int base_x_;  // average character width, pixels
  int base_y_;  // character height, pixels
};

// The font of the control's dialogs: "MS Sans Serif" 8, or what this system has in its place.
QFont dialog_font();

}  // namespace pelorus::control
