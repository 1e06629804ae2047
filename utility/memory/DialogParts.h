// Pieces the memory-card dialogs are built from: short hexadecimal fields (an address, a length,
// a fill value, a key), the OK / Cancel buttons, the layout of a dialog that asks for one value,
// and the rows of a page kept at its top.
#pragma once

#include <QString>

#include <array>
#include <cstdint>

class QDialog;
class QDialogButtonBox;
class QFormLayout;
class QWidget;

namespace kestrel {

class Prompter;
class THexEdit;

// A field of length bytes in hexadecimal on one line, named so that tests find it; a field made
// with length 0 is as wide as a line of eight bytes.
THexEdit* one_line_hex_field(Prompter& prompter, const QString& name, int length, QWidget* parent);

// The bytes high byte first: 0x1234 is 12 34. Values outside 0 to 65535 keep their low 16 bits.
std::array<uint8_t, 2> address_bytes(int address);

// "OK" (the default button) and "Cancel", named after their captions. Cancel rejects the dialog;
// the caller connects accepted() to what OK does.
QDialogButtonBox* ok_cancel_buttons(QDialog& dialog);

// Runs the dialog modally through the prompter, with Cancel as its result until something sets
// another, and leaves the result in the dialog; returns it.
int run_modal(Prompter& prompter, QDialog& dialog);

// The form of a page's rows, with the space below them left empty: the pages of a dialog share
// the height of the tallest.
QFormLayout* top_form(QWidget* page);

// Lays a dialog out as one captioned field above "OK" and "Cancel"; returns the buttons.
QDialogButtonBox* lay_out_one_field(QDialog& dialog, const QString& caption, QWidget* field);

}  // namespace kestrel
