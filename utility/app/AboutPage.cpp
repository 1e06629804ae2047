#include "AboutPage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVBoxLayout>

#include <cstring>

#include "Artwork.h"
#include "HexBytes.h"

namespace kestrel {
namespace {

constexpr int kListedCardTypeBits = 16;

QString supported_card_types(int32_t mask) {
  QString line = QStringLiteral("Supporting card type = ");
  for (int bit = 0; bit < kListedCardTypeBits; ++bit)
    if (mask & (1 << bit)) line += QString::number(bit) + QLatin1Char(',');
  return line;
}

QWidget* header_panel(QWidget* parent) {
  auto* panel = new QWidget(parent);
  auto* name = new QLabel(QStringLiteral("Kestrel"), panel);
  QFont name_font(QStringLiteral("Times New Roman"), 24, QFont::Bold, true);
  name_font.setStyleHint(QFont::Serif);
  name->setFont(name_font);
  name->setStyleSheet(QStringLiteral("color: red"));
  auto* icon = new QLabel(panel);
  icon->setPixmap(application_icon());
  auto* picture = new QLabel(panel);
  picture->setPixmap(logo());

  auto* titles = new QVBoxLayout;
  titles->addWidget(name);
  titles->addWidget(new QLabel(QStringLiteral("Version 2.3"), panel));
  auto* layout = new QHBoxLayout(panel);
  layout->setContentsMargins(4, 0, 4, 0);
  layout->addWidget(icon, 0, Qt::AlignTop);
  layout->addLayout(titles);
  layout->addStretch(1);
  layout->addWidget(picture);
  return panel;
}

}  // namespace

QStringList reader_information_lines(const QX_INFO& info) {
  const auto firmware_length = static_cast<qsizetype>(strnlen(info.FWRevision, sizeof info.FWRevision));
  return {
      QStringLiteral("Max. command data length = %1").arg(info.MaxC),
      QStringLiteral("Max. response data length = %1").arg(info.MaxR),
      supported_card_types(info.CardTypeMask),
      (info.CardStatus & 1) ? QStringLiteral("Card is inserted") : QStringLiteral("Card is not inserted"),
      (info.CardStatus & 2) ? QStringLiteral("Card is powered up") : QStringLiteral("Card is not powered up"),
      QStringLiteral("Current selected card type = %1").arg(info.CurrentCardType),
      QStringLiteral("Firmware revision = ") + QString::fromLatin1(info.FWRevision, firmware_length),
      QString::asprintf("Lib version = %8.2f", info.LibraryVersion * 0.01),
      QString::asprintf("BaudRate = %d bps", info.BaudRate),
      QStringLiteral("Current Card Type = ") + QString::fromStdString(hex_byte(info.CurrentCardType)),
  };
}

AboutPage::AboutPage(QWidget* parent) : QWidget(parent), list_(new QPlainTextEdit(this)) {
  list_->setObjectName(QStringLiteral("readerInformation"));
  list_->setReadOnly(true);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(header_panel(this));
  layout->addWidget(list_, 1);
}

void AboutPage::show_reader_information(Kiteb& binding) {
  list_->clear();
  if (!binding.reader_open()) {
    list_->appendPlainText(QStringLiteral("No reader is connected"));
    return;
  }
  QX_INFO& info = binding.information();
  binding.read_reader_information(info);
  for (const QString& line : reader_information_lines(info)) list_->appendPlainText(line);
  list_->moveCursor(QTextCursor::Start);
}

}  // namespace kestrel
