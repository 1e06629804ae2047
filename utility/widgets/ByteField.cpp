#include "ByteField.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include "HexBytes.h"

namespace kestrel {
namespace {

constexpr int kValues = 256;

// One or two hexadecimal digits; nothing for any other text.
std::optional<int> hex_byte(const QString& text) {
  if (text.isEmpty() || text.size() > 2) return std::nullopt;
  int value = 0;
  for (const QChar c : text) {
    const int digit = QStringLiteral("0123456789ABCDEF").indexOf(c.toUpper());
    if (digit < 0) return std::nullopt;
    value = value * 16 + digit;
  }
  return value;
}

QString two_hex_digits(int value) { return QString::fromStdString(kestrel::hex_byte(static_cast<uint8_t>(value))); }

void set_text_if_different(QLineEdit& field, const QString& text) {
  if (field.text() != text) field.setText(text);
}

}  // namespace

HexByteEdit::HexByteEdit(QWidget* parent) : QLineEdit(parent) {}

void HexByteEdit::keyPressEvent(QKeyEvent* event) {
  // Return is no character to filter: it goes on, as in any line edit, to the default button.
  const bool line_end = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const bool types_text = !event->text().isEmpty() && !line_end && event->key() != Qt::Key_Delete;
  if (!types_text) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  // Held with Ctrl, Alt or Meta a key types a control character (or is a shortcut): dropped too.
  const QChar typed = event->text().front().toUpper();
  const bool wanted = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) &&
                      hex_byte(QString(typed)).has_value();
  if (!wanted) return;
  QKeyEvent upper(event->type(), event->key(), event->modifiers(), QString(typed), event->isAutoRepeat());
  QLineEdit::keyPressEvent(&upper);
}

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
  struct Arrow {
    const char* name;
    Qt::ArrowType type;
    int delta;
  };
  static constexpr Arrow kArrows[] = {{"up", Qt::UpArrow, +1}, {"down", Qt::DownArrow, -1}};
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (const Arrow& arrow : kArrows) {
    auto* button = new QToolButton(this);
    button->setObjectName(QLatin1String(arrow.name));
    button->setArrowType(arrow.type);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(16, 11);
    connect(button, &QToolButton::clicked, this, [this, delta = arrow.delta] { emit stepped(delta); });
    layout->addWidget(button);
  }
}

ByteField::ByteField(const QString& caption, Prompter& prompter, QWidget* parent)
    : QWidget(parent),
      prompter_(prompter),
      hex_(new HexByteEdit(this)),
      decimal_(new QLineEdit(QStringLiteral("0"), this)),
      up_down_(new UpDown(this)) {
  setObjectName(caption);
  hex_->setObjectName(QStringLiteral("hex"));
  hex_->setText(QStringLiteral("00"));
  hex_->setMaxLength(2);
  hex_->setFixedWidth(hex_->fontMetrics().horizontalAdvance(QStringLiteral("WW")) + 12);
  decimal_->setObjectName(QStringLiteral("decimal"));
  decimal_->hide();

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(1);
  layout->addWidget(hex_);
  layout->addWidget(up_down_);

  connect(hex_, &QLineEdit::textChanged, this, &ByteField::hex_changed);
  connect(decimal_, &QLineEdit::textChanged, this, &ByteField::decimal_changed);
  connect(up_down_, &UpDown::stepped, this, &ByteField::step);
  // A value typed as one digit is shown with two once the user is done with the field.
  connect(hex_, &QLineEdit::editingFinished, this, [this] {
    if (const std::optional<int> typed = hex_byte(hex_->text())) set_text_if_different(*hex_, two_hex_digits(*typed));
  });
}

std::optional<int> ByteField::value() const {
  bool ok = false;
  const int number = decimal_->text().toInt(&ok);
  return ok ? std::optional(number) : std::nullopt;
}

void ByteField::set_value(int value) { set_text_if_different(*decimal_, QString::number(value)); }

void ByteField::hex_changed(const QString& text) {
  const std::optional<int> typed = hex_byte(text);
  if (!typed) {
    report_conversion_error(text);
    return;
  }
  emit hexValueChanged(*typed);
  set_text_if_different(*decimal_, QString::number(*typed));
}

// The hexadecimal field is rewritten only when it shows another value: a digit the user has just
// typed stays as typed, so that the next one can follow it.
void ByteField::decimal_changed(const QString& text) {
  bool ok = false;
  const int number = text.toInt(&ok);
  if (!ok) {
    report_conversion_error(text);
    return;
  }
  if (hex_byte(hex_->text()) != number) hex_->setText(two_hex_digits(number));
}

void ByteField::step(int delta) {
  const std::optional<int> current = value();
  if (!current) {
    report_conversion_error(decimal_->text());
    return;
  }
  set_value(((*current + delta) % kValues + kValues) % kValues);
}

void ByteField::report_conversion_error(const QString& text) {
  prompter_.message(this, Prompter::Kind::Error, QStringLiteral("'%1' is not a valid number").arg(text));
}

}  // namespace kestrel
