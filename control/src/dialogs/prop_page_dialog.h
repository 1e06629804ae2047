// CPelorusPropPage: the control's one property page (dialog 200), which says that the control
// has no properties to set there.
#pragma once

#include <QDialog>

namespace pelorus::control {

// The page's size in dialog units.
inline constexpr int kPropPageWidth = 250;
inline constexpr int kPropPageHeight = 62;

class CPelorusPropPage : public QDialog {
 public:
  explicit CPelorusPropPage(QWidget* parent = nullptr);
};

// Shows the page modally and returns when it is closed; ComError(E_FAIL) without a display.
void show_property_page();

}  // namespace pelorus::control
