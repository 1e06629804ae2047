// Pieces the memory-card dialogs share: a one-line field of a few card bytes, and the rows of a
// page kept at its top.
#pragma once

#include <QString>

class QFormLayout;
class QWidget;

namespace kestrel {

class Prompter;
class THexEdit;

// A hex edit control holding length zero bytes, one line high.
THexEdit* one_line_bytes(Prompter& prompter, const QString& name, int length, QWidget* parent);

// The form of a page's rows, with the space below them left empty: the pages of a dialog share
// the height of the tallest.
QFormLayout* top_form(QWidget* page);

}  // namespace kestrel
