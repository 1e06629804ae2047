#include "Write.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

#include "CommandSupport.h"
#include "DialogParts.h"
#include "HexEdit.h"
#include "MemoryCommand.h"
#include "Passwords.h"
#include "Prompter.h"
#include "counter.h"
#include "kiteb.h"

namespace kestrel {
namespace {

struct OptionText {
  const char* caption;
  const char* name;
  uint8_t ins;
};

// Top to bottom, as the group lists them.
constexpr OptionText kWriteOptions[] = {
    {"Normal", "normal", QXI_Write},
    {"Erase the selected contect with FF", "erase", QXI_Erase},
    {"Erase the complete card content with FF", "eraseAll", QXI_EraseAll},
    {"Write the complete card content with :", "writeAll", QXI_WriteAll},
    {"Write protect the memory", "writeProtect", QXI_WriteProtect},
    {"Write carry the memory", "writeCarry", QXI_WriteCarry},
};

constexpr int kFillLength = 2;
// The X76F128's and X76F640's whole-card fill takes eight bytes: the two shown, then zeros.
constexpr size_t kX76FFillLength = 8;
constexpr uint8_t kCarry = 1;
constexpr uint8_t kCarryWithBackup = 3;
constexpr uint8_t kSecondArray = 0x80;  // X76F128, X76F640: the high address byte's top bit

bool fills_from_field(int card_type) { return card_type == QX_CARD_LM256 || card_type == QX_CARD_LM4KP; }
bool is_x76f_array_card(int card_type) { return card_type == QX_CARD_X76F128 || card_type == QX_CARD_X76F640; }

}  // namespace

// A command as it goes to the card; it owns its data.
struct TFrmWrite::WriteCommand {
  uint8_t ins;
  uint8_t p1 = 0;
  uint8_t p2 = 0;
  std::vector<uint8_t> data = {};
};

std::optional<int> write_password(int card_type, uint8_t ins, uint8_t start_high) {
  if (card_type == QX_CARD_X76F100) return 0;
  if (!is_x76f_array_card(card_type)) return std::nullopt;
  if (ins == QXI_WriteAll) return 4;
  return start_high < kSecondArray ? 2 : 3;
}

TFrmWrite::TFrmWrite(Kiteb& binding, Prompter& prompter, TFrmPasswords& passwords, TFrmCounter& counter,
                     QWidget* parent)
    : QDialog(parent), binding_(binding), prompter_(prompter), passwords_(passwords), counter_(counter) {
  setWindowTitle(QStringLiteral("Update"));
  QDialogButtonBox* buttons = ok_cancel_buttons(*this);
  connect(buttons, &QDialogButtonBox::accepted, this, &TFrmWrite::submit);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(create_area_group());
  layout->addWidget(create_options_group());
  layout->addWidget(buttons);
}

QWidget* TFrmWrite::create_area_group() {
  auto* area = new QGroupBox(QStringLiteral("Memory area to be updated"), this);
  area->setObjectName(QStringLiteral("area"));
  start_ = one_line_hex_field(prompter_, QStringLiteral("start"), 2, area);
  length_ = one_line_hex_field(prompter_, QStringLiteral("length"), 1, area);
  read_again_ = new QPushButton(QStringLiteral("Read Again"), area);
  read_again_->setObjectName(QStringLiteral("readAgain"));
  // The default button is OK: Return in a field must not read the card again.
  read_again_->setAutoDefault(false);
  connect(read_again_, &QPushButton::clicked, this, &TFrmWrite::read_again);

  data_ = new THexEdit(prompter_, area);
  data_->setObjectName(QStringLiteral("data"));
  data_->SetBytePerLine(8);
  // The largest window, four lines of eight bytes, without scrolling.
  data_->setMinimumSize(data_->fontMetrics().horizontalAdvance(QStringLiteral("00 ")) * 10,
                        data_->fontMetrics().lineSpacing() * 5);

  auto* grid = new QGridLayout(area);
  grid->addWidget(new QLabel(QStringLiteral("Start:"), area), 0, 0);
  grid->addWidget(start_, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Length:"), area), 1, 0);
  grid->addWidget(length_, 1, 1);
  grid->addWidget(read_again_, 1, 2);
  grid->addWidget(data_, 2, 0, 1, 4);
  grid->setColumnStretch(3, 1);
  return area;
}

QWidget* TFrmWrite::create_options_group() {
  auto* group = new QGroupBox(QStringLiteral("Write options"), this);
  group->setObjectName(QStringLiteral("writeOptions"));
  auto* grid = new QGridLayout(group);
  for (const OptionText& text : kWriteOptions) {
    auto* button = new QRadioButton(QLatin1String(text.caption), group);
    button->setObjectName(QLatin1String(text.name));
    connect(button, &QRadioButton::clicked, this, &TFrmWrite::update_controls);
    grid->addWidget(button, static_cast<int>(options_.size()), 0);
    options_.push_back({button, text.ins});
  }

  fill_ = one_line_hex_field(prompter_, QStringLiteral("fill"), kFillLength, group);
  backup_ = new QCheckBox(QStringLiteral("Backup bit enabled"), group);
  backup_->setObjectName(QStringLiteral("backup"));
  view_counter_ = new QPushButton(QStringLiteral("View Counter"), group);
  view_counter_->setObjectName(QStringLiteral("viewCounter"));
  view_counter_->setAutoDefault(false);
  connect(view_counter_, &QPushButton::clicked, this, &TFrmWrite::view_counter);
  const auto row_of = [](uint8_t ins) {
    return static_cast<int>(std::ranges::find(kWriteOptions, ins, &OptionText::ins) - std::begin(kWriteOptions));
  };
  grid->addWidget(fill_, row_of(QXI_WriteAll), 1);
  grid->addWidget(backup_, row_of(QXI_WriteCarry), 1);
  grid->addWidget(view_counter_, row_of(QXI_WriteCarry), 2);
  grid->setColumnStretch(3, 1);
  return group;
}

int TFrmWrite::update(int card_type, int start, int length) {
  card_type_ = card_type;
  const auto window = static_cast<uint8_t>(std::clamp(length, 0, kLargestWindow));
  start_->SetBufferLen(2);
  start_->SetBuffer(address_bytes(start));
  length_->SetBufferLen(1);
  length_->SetBuffer(std::array{window});
  data_->SetBufferLen(window);
  // An earlier opening's bytes belong to another window: a failed read leaves zeros, not them.
  data_->SetBuffer({});
  fill_->SetBufferLen(kFillLength);
  fill_->BufferToText();

  for (const WriteOption& option : options_) option.button->setEnabled(command_offered(card_type, option.ins));
  options_.front().button->setChecked(true);
  read_again();
  update_controls();

  data_->setFocus();
  return run_modal(prompter_, *this);
}

uint8_t TFrmWrite::selected_command() const {
  const auto selected = std::ranges::find_if(options_, [](const WriteOption& option) { return option.button->isChecked(); });
  return selected != options_.end() ? selected->ins : QXI_Write;
}

uint8_t TFrmWrite::window_length() { return length_->GetBuffer()[0]; }

void TFrmWrite::read_again() {
  const std::span<const uint8_t> start = start_->GetBuffer();
  const int32_t result = send_memory_command(binding_, {QXI_Read, start[0], start[1], {}, window_length()});
  if (result < 0) {
    prompter_.message(this, Prompter::Kind::Error, QStringLiteral("Execution error(Read)!!!, result=%1").arg(result));
    return;
  }
  const QX_APDU& reply = binding_.exchange_record();
  const auto returned = static_cast<size_t>(std::clamp<int32_t>(reply.Le, 0, QX_DATA_SIZE));
  data_->SetBufferLen(static_cast<int>(returned));
  data_->SetBuffer(std::span(reply.DataOut, returned));
}

// The fields follow the option: a whole-card command has no window, only the carry write has a
// counter and a backup bit, and only the word-addressed cards fill with a value of their own.
void TFrmWrite::update_controls() {
  const uint8_t ins = selected_command();
  const bool whole_card = ins == QXI_EraseAll || ins == QXI_WriteAll;
  for (THexEdit* field : {start_, length_, data_}) field->setEnabled(!whole_card);
  const bool carry = ins == QXI_WriteCarry;
  view_counter_->setEnabled(carry);
  backup_->setEnabled(carry);
  backup_->setChecked(card_type_ != QX_CARD_LM104);
  if (fills_from_field(card_type_)) {
    fill_->setEnabled(ins == QXI_WriteAll);
  } else {
    fill_->setEnabled(false);
    fill_->SetBuffer({});
  }
}

void TFrmWrite::view_counter() {
  counter_.view_counter(card_type_);
  // The window may show stages that the count-down has changed.
  if (counter_.counted()) read_again();
}

// OK: the password check of the X76F cards, then the command. The dialog closes with OK only
// after a successful command; a shown window too short for the command keeps it open instead.
// A command the card type does not offer is refused.
void TFrmWrite::submit() {
  setResult(QDialog::Rejected);
  const uint8_t ins = selected_command();
  // "Normal" is selected at opening even where it is not offered; the library would send it to
  // whatever card the session has.
  if (!command_offered(card_type_, ins)) {
    prompter_.message(this, Prompter::Kind::Error, no_function_text());
    done(QDialog::Rejected);
    return;
  }
  if (!enough_data(ins)) return;
  if (!password_presented(ins)) {
    done(QDialog::Rejected);
    return;
  }
  send(ins);
}

// A length typed after the window was read, or a carry write on an empty window, would send
// bytes the window does not show.
bool TFrmWrite::enough_data(uint8_t ins) {
  int needed = 0;
  if (ins == QXI_Write || ins == QXI_WriteProtect) needed = window_length();
  if (ins == QXI_WriteCarry) needed = 1;
  const int shown = std::max(data_->BufferLen(), 0);
  if (shown >= needed) return true;
  prompter_.message(this, Prompter::Kind::Error,
                    QStringLiteral("%1 bytes are needed but only %2 are shown: press \"Read Again\" first")
                        .arg(needed)
                        .arg(shown));
  return false;
}

bool TFrmWrite::password_presented(uint8_t ins) {
  const std::optional<int> number = write_password(card_type_, ins, start_->GetBuffer()[0]);
  return !number || passwords_.verify(card_type_, *number) == QDialog::Accepted;
}

// The command of the option as it goes to the card.
TFrmWrite::WriteCommand TFrmWrite::command_for(uint8_t ins) {
  const std::span<const uint8_t> start = start_->GetBuffer();
  const uint8_t length = window_length();
  const std::span<const uint8_t> shown = data_->GetBuffer();
  WriteCommand command{ins};
  switch (ins) {
    case QXI_Write:
    case QXI_WriteProtect:
      command = {ins, start[0], start[1], {shown.begin(), shown.begin() + length}};
      break;
    case QXI_Erase: command = {ins, start[0], start[1], std::vector<uint8_t>(length, 0xFF)}; break;
    case QXI_WriteCarry:
      command = {ins, backup_->isChecked() ? kCarryWithBackup : kCarry, start[1], {shown.front()}};
      break;
    case QXI_WriteAll:
      if (fills_from_field(card_type_) || is_x76f_array_card(card_type_)) {
        const std::span<const uint8_t> fill = fill_->GetBuffer();
        command.data.assign(fill.begin(), fill.end());
      }
      if (is_x76f_array_card(card_type_)) command.data.resize(kX76FFillLength, 0x00);
      break;
    default: break;  // QXI_EraseAll: no address, no data
  }
  return command;
}

void TFrmWrite::send(uint8_t ins) {
  const WriteCommand command = command_for(ins);
  const int32_t result =
      send_memory_command(binding_, {command.ins, command.p1, command.p2, command.data, 0});
  if (result < 0) {
    prompter_.message(this, Prompter::Kind::Error, QStringLiteral("Execution error!!!, return=%1").arg(result));
    done(QDialog::Rejected);
    return;
  }
  done(QDialog::Accepted);
}

}  // namespace kestrel
