#include "CommandsPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

#include "ByteField.h"
#include "CommandSupport.h"
#include "HexBytes.h"
#include "HexEdit.h"

namespace kestrel {
namespace {

// The logical memory-card commands: choosing one puts its position + 1 into INS.
constexpr const char* kCommands[] = {
    "QXI_Read",         "QXI_Write",      "QXI_SetFuse",      "QXI_Verify",       "QXI_WriteProtect",
    "QXI_ChangePIN",    "QXI_Erase",      "QXI_WriteCarry",   "QXI_Authenticate", "QXI_SetProtect",
    "QXI_ReadProtect",  "QXI_SetHE",      "QXI_LockPRotect",  "QXI_ClearProtect", "QXI_WriteAll",
    "QXI_EraseAll",     "QXI_Reactivate", "QXI_CardOptions",  "QXI_BlowFuse",
};

constexpr const char* kHeaderCaptions[] = {"CLA", "INS", "P1", "P2", "Lc", "Le"};

constexpr int kDataBytesPerLine = 16;

QComboBox* drop_down_list(const auto& entries, QWidget* parent) {
  auto* list = new QComboBox(parent);
  for (const char* entry : entries) list->addItem(QLatin1String(entry));
  return list;
}

// The card-type list: an entry's position is its card-type code.
QComboBox* card_type_list(QWidget* parent) {
  auto* list = new QComboBox(parent);
  for (const CardType& type : card_types()) list->addItem(QLatin1String(type.name));
  return list;
}

}  // namespace

TCommandsPage::TCommandsPage(Kiteb& binding, LogSink& log, Prompter& prompter, QWidget* parent)
    : QWidget(parent),
      binding_(binding),
      log_(log),
      prompter_(prompter),
      card_types_(card_type_list(this)),
      commands_(drop_down_list(kCommands, this)),
      data_(new THexEdit(prompter, this)) {
  card_types_->setObjectName(QStringLiteral("cardTypes"));
  commands_->setObjectName(QStringLiteral("commands"));
  data_->setObjectName(QStringLiteral("data"));
  data_->SetBytePerLine(kDataBytesPerLine);
  data_->SetEditMode(THexEdit::dtHex);
  data_->SetInsertMode(false);
  data_->SetBufferLen(0);
  data_->BufferToText();

  auto* start = new QPushButton(QStringLiteral("Start Session"), this);
  auto* end = new QPushButton(QStringLiteral("End Session"), this);
  auto* exchange = new QPushButton(QStringLiteral("Exchange APDU"), this);

  auto* session_row = new QHBoxLayout;
  session_row->addWidget(start);
  session_row->addWidget(card_types_, 1);
  session_row->addWidget(end);

  auto* header_grid = new QGridLayout;
  header_grid->setHorizontalSpacing(12);
  for (int i = 0; i < kHeaderCount; ++i) {
    header_[i] = new ByteField(QLatin1String(kHeaderCaptions[i]), prompter_, this);
    header_grid->addWidget(new QLabel(QLatin1String(kHeaderCaptions[i]), this), 0, i);
    header_grid->addWidget(header_[i], 1, i);
  }
  header_grid->setColumnStretch(kHeaderCount, 1);

  auto* command_row = new QHBoxLayout;
  command_row->addWidget(new QLabel(QStringLiteral("Data in:"), this));
  command_row->addStretch(1);
  command_row->addWidget(commands_);
  command_row->addWidget(exchange);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(session_row);
  layout->addLayout(header_grid);
  layout->addLayout(command_row);
  layout->addWidget(data_, 1);

  focus_order_ = {start, card_types_, end};
  for (ByteField* field : header_) focus_order_.push_back(&field->hex());
  focus_order_.insert(focus_order_.end(), {commands_, exchange, data_});

  connect(start, &QPushButton::clicked, this, &TCommandsPage::start_session);
  connect(end, &QPushButton::clicked, this, &TCommandsPage::end_session);
  connect(exchange, &QPushButton::clicked, this, &TCommandsPage::exchange_apdu);
  connect(commands_, &QComboBox::activated, this, &TCommandsPage::command_chosen);
  connect(header_[kLc], &ByteField::hexValueChanged, this, &TCommandsPage::lc_changed);
}

int TCommandsPage::card_type_selection() const { return card_types_->currentIndex(); }

void TCommandsPage::select_card_type(int card_type) {
  card_types_->setCurrentIndex(card_type >= 0 && card_type < card_types_->count() ? card_type : -1);
}

void TCommandsPage::select_first_command() { commands_->setCurrentIndex(0); }

void TCommandsPage::start_session() {
  if (!binding_.reader_open()) return;
  // With no entry selected the position is -1, which goes to the library as card type 255.
  const int32_t result = binding_.start_session(static_cast<uint8_t>(card_types_->currentIndex()));
  if (result < 0) {
    log_.append("Card reset fail, OpenSession= " + std::to_string(result));
    return;
  }
  const QX_SESSION& session = binding_.session();
  log_.append("Card reset OK, ATR= " +
              hex_bytes_spaced(std::span(session.ATR, std::min<size_t>(session.ATRLen, QX_ATR_SIZE))));
}

void TCommandsPage::end_session() {
  log_.append("QX_EndSession, return value = " + std::to_string(binding_.end_session()));
}

void TCommandsPage::command_chosen(int position) { header_[kIns]->set_value(position + 1); }

// The data editor holds as many bytes as Lc says, whether Lc was typed or stepped.
void TCommandsPage::lc_changed(int length) {
  data_->SetBufferLen(length);
  data_->TextToBuffer();  // the bytes a longer length adds start as 0
  data_->BufferToText();
}

void TCommandsPage::exchange_apdu() {
  std::array<int, kHeaderCount> values{};
  for (int i = 0; i < kHeaderCount; ++i) {
    const std::optional<int> value = header_[i]->value();
    if (!value) {
      prompter_.message(this, Prompter::Kind::Error,
                        QStringLiteral("'%1' is not a valid number").arg(header_[i]->decimal().text()));
      return;
    }
    values[i] = *value;
  }
  QX_APDU& apdu = binding_.exchange_record();
  const std::span<const uint8_t> data = data_->GetBuffer();
  std::copy_n(data.begin(), std::min<size_t>(data.size(), QX_DATA_SIZE), apdu.DataIn);
  apdu.CLA = static_cast<uint8_t>(values[kCla]);
  apdu.INS = static_cast<uint8_t>(values[kIns]);
  apdu.P1 = static_cast<uint8_t>(values[kP1]);
  apdu.P2 = static_cast<uint8_t>(values[kP2]);
  apdu.Lc = values[kLc] & 0xFF;
  apdu.Le = values[kLe] & 0xFF;
  binding_.exchange(apdu);
}

}  // namespace kestrel
