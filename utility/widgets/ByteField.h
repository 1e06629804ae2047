// One header byte of the Commands page: a visible two-digit hexadecimal field the user types into,
// a hidden decimal field that holds the value sent, and an up-down control that steps the decimal
// value through 0..255, wrapping at both ends. Each field follows the other.
#pragma once

#include <QLineEdit>
#include <QWidget>

#include <optional>

#include "Prompter.h"

class QKeyEvent;

namespace kestrel {

// A hexadecimal field: typed characters are taken in upper case when they are hexadecimal digits;
// every other character, Backspace and the control characters of Ctrl shortcuts included, is
// dropped. Keys that type nothing (arrows, Home, End, Delete) work as usual.
class HexByteEdit final : public QLineEdit {
  Q_OBJECT

 public:
  explicit HexByteEdit(QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// Two small arrow buttons: up steps by +1, down by -1.
class UpDown final : public QWidget {
  Q_OBJECT

 public:
  explicit UpDown(QWidget* parent = nullptr);

 signals:
  void stepped(int delta);
};

class ByteField final : public QWidget {
  Q_OBJECT

 public:
  // caption names the field ("CLA", "INS", ...); the hexadecimal field carries it as object name.
  ByteField(const QString& caption, Prompter& prompter, QWidget* parent = nullptr);

  // The value of the decimal field; nothing when it holds no number.
  std::optional<int> value() const;
  void set_value(int value);

  QLineEdit& hex() { return *hex_; }
  QLineEdit& decimal() { return *decimal_; }
  UpDown& up_down() { return *up_down_; }

 signals:
  // The hexadecimal field changed to a value; emitted before the decimal field follows.
  void hexValueChanged(int value);

 private:
  void hex_changed(const QString& text);
  void decimal_changed(const QString& text);
  void step(int delta);
  void report_conversion_error(const QString& text);

  Prompter& prompter_;
  HexByteEdit* hex_;
  QLineEdit* decimal_;
  UpDown* up_down_;
};

}  // namespace kestrel
