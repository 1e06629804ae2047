#include "vela1pro.h"

namespace kestrel {

TFrmVELA1Prop::TFrmVELA1Prop(Vela1& vela1, TFrmKeys& keys, Prompter& prompter, QWidget* parent)
    : QDialog(parent), vela1_(vela1), keys_(keys), prompter_(prompter) {
  setWindowTitle(QStringLiteral("VELA1 Properties"));
}

}  // namespace kestrel
