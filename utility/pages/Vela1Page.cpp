#include "Vela1Page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "HexEdit.h"
#include "LogSink.h"
#include "PageParts.h"
#include "Prompter.h"
#include "Vela1Text.h"
#include "keys.h"
#include "kiteb.h"
#include "vela1pro.h"

namespace kestrel {
namespace {

constexpr int kTreeWidth = 128;
constexpr std::array<int, TVela1Page::kPanelCount> kPanelWidths = {150, 150, 100, 100};
constexpr int32_t kNoCard = -1002;
// The card numbers records with one byte.
constexpr int32_t kMostRecords = 256;

struct FileName {
  int32_t identifier;
  const char* name;
};

constexpr FileName kInternalFileNames[] = {
    {0xFF00, "MCU-ID File"},
    {0xFF01, "Manufacturer File"},
    {0xFF02, "Personalization File"},
    {0xFF03, "Security File"},
    {0xFF04, "User File Management File"},
    {0xFF05, "Account File"},
    {0xFF06, "Account Security File"},
};

QString file_name(int32_t identifier) {
  for (const FileName& file : kInternalFileNames)
    if (file.identifier == identifier) return QLatin1String(file.name);
  return QStringLiteral("File ID : ") + file_identifier_text(identifier);
}

QString stage_text(char stage) {
  switch (stage) {
    case 'M': return QStringLiteral("Manufacture Stage");
    case 'P': return QStringLiteral("Personalization Stage");
    case 'U': return QStringLiteral("User Stage");
    default: return QStringLiteral("Unknown Stage");
  }
}

// A node's text as a file identifier; the root's text is none.
std::optional<int32_t> node_identifier(const QString& text) {
  bool hexadecimal = false;
  const uint value = text.toUInt(&hexadecimal, 16);
  if (!hexadecimal || value > 0xFFFF) return std::nullopt;
  return static_cast<int32_t>(value);
}

// The file's bytes fit the view, and each record one command.
bool fits_view(const Vela1File& entry) {
  if (entry.record_length < 0 || entry.record_length > QX_DATA_SIZE) return false;
  if (entry.number_of_records < 0 || entry.number_of_records > kMostRecords) return false;
  return entry.record_length * entry.number_of_records <= THexEdit::kMaxBufferLen;
}

int32_t file_size(const Vela1File& entry) {
  return static_cast<int32_t>(int64_t{entry.record_length} * entry.number_of_records);
}

}  // namespace

TVela1Page::TVela1Page(Kiteb& binding, Vela1& vela1, TFrmKeys& keys, TFrmVELA1Prop& properties, LogSink& log,
                       Prompter& prompter, QWidget* parent)
    : QWidget(parent),
      binding_(binding),
      vela1_(vela1),
      keys_(keys),
      properties_(properties),
      log_(log),
      prompter_(prompter),
      tree_(new QTreeWidget(this)),
      view_(new THexEdit(prompter, this)),
      ascii_(new QRadioButton(QStringLiteral("Ascii"), this)),
      hex_(new QRadioButton(QStringLiteral("Hex"), this)),
      reset_(new QPushButton(QStringLiteral("Reset"), this)),
      details_(new QPushButton(QStringLiteral("Details"), this)),
      update_(new QPushButton(QStringLiteral("Update"), this)) {
  setObjectName(QStringLiteral("vela1Page"));
  tree_->setObjectName(QStringLiteral("files"));
  tree_->setHeaderHidden(true);
  tree_->setFixedWidth(kTreeWidth);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  keep_selection_visible(*tree_);

  view_->setObjectName(QStringLiteral("view"));
  view_->SetEditMode(THexEdit::dtHex);
  view_->SetBytePerLine(THexEdit::kDefaultBytePerLine);
  view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  empty_view();

  ascii_->setObjectName(QStringLiteral("ascii"));
  hex_->setObjectName(QStringLiteral("hex"));
  hex_->setChecked(true);
  reset_->setObjectName(QStringLiteral("reset"));
  reset_->setDefault(true);
  details_->setObjectName(QStringLiteral("details"));
  details_->setEnabled(false);
  update_->setObjectName(QStringLiteral("update"));
  update_->setEnabled(false);

  QStatusBar* status_bar = status_bar_with_panels(kPanelWidths, panels_, this);

  auto* controls = new QHBoxLayout;
  controls->addWidget(ascii_);
  controls->addWidget(hex_);
  controls->addStretch(1);
  controls->addWidget(reset_);
  controls->addWidget(details_);
  controls->addWidget(update_);

  auto* view_column = new QVBoxLayout;
  view_column->addWidget(view_, 1);
  view_column->addLayout(controls);

  auto* body = new QHBoxLayout;
  body->addWidget(tree_);
  body->addLayout(view_column, 1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 0);
  layout->addLayout(body, 1);
  layout->addWidget(status_bar);

  connect(reset_, &QPushButton::clicked, this, &TVela1Page::reset);
  connect(details_, &QPushButton::clicked, this, [this] { prompter_.exec(properties_); });
  connect(update_, &QPushButton::clicked, this, &TVela1Page::update_file);
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &TVela1Page::selection_changed);
  connect(ascii_, &QRadioButton::clicked, this, [this] { view_->SetEditMode(THexEdit::dtAscii); });
  connect(hex_, &QRadioButton::clicked, this, [this] { view_->SetEditMode(THexEdit::dtHex); });
}

QString TVela1Page::status_text(Panel panel) const { return panels_[panel]->text(); }

std::optional<int32_t> TVela1Page::held_file() const {
  if (!held_) return std::nullopt;
  return held_->identifier;
}

void TVela1Page::set_status(Panel panel, const QString& text) { panels_[panel]->setText(text); }

void TVela1Page::empty_view() {
  view_->SetBufferLen(0);
  view_->BufferToText();
  held_.reset();
}

std::vector<QWidget*> TVela1Page::focus_order() const {
  return {tree_, view_, ascii_, hex_, reset_, details_, update_};
}

void TVela1Page::reset() {
  if (!binding_.reader_open()) {
    prompter_.message(this, Prompter::Kind::Error, QStringLiteral("No reader is connected!"));
    return;
  }
  binding_.enable_exchange_trace(log_);
  clear_page();

  const int32_t result = vela1_.scan();
  if (result == kNoCard) {
    log_.append("No card inserted...");
    return;
  }
  if (result < 0) {
    log_.append("Reset fail! code = " + std::to_string(result));
    return;
  }
  if (!vela1_.is_vela1()) {
    log_.append("Inserted card is not VELA1");
    return;
  }
  show_card();
}

void TVela1Page::clear_page() {
  ++scan_;
  tree_->clearSelection();
  tree_->clear();
  for (QLabel* panel : panels_) panel->clear();
  empty_view();
  update_->setEnabled(false);
  details_->setEnabled(false);
}

void TVela1Page::show_card() {
  const Vela1Card& card = vela1_.card();
  details_->setEnabled(true);
  update_->setEnabled(true);
  set_status(kStagePanel, stage_text(card.stage));

  auto* root = new QTreeWidgetItem(tree_, {QStringLiteral("VELA1")});
  const int count = std::clamp<int>(card.file_count, 0, static_cast<int>(Vela1Card::kMaxFiles));
  for (int i = 0; i < count; ++i) new QTreeWidgetItem(root, {file_identifier_text(card.files[i].identifier)});
  tree_->expandAll();
}

void TVela1Page::selection_changed() {
  const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
  if (selected.isEmpty()) return;
  // The root is not a file, even on a card that declares a file FFFF.
  const std::optional<int32_t> identifier = node_identifier(selected.front()->text(0));
  if (!identifier) {
    set_status(kFileNamePanel, QStringLiteral("Please select a file id"));
    return;
  }
  set_status(kFileNamePanel, file_name(*identifier));

  const Vela1Card& card = vela1_.card();
  const int count = std::clamp<int>(card.file_count, 0, static_cast<int>(Vela1Card::kMaxFiles));
  for (int i = 0; i < count; ++i) {
    if (card.files[i].identifier == *identifier) {
      read_file(i);
      return;
    }
  }
}

void TVela1Page::read_file(int index) {
  const Vela1File entry = vela1_.card().files[index];
  set_status(kRecordCountPanel, QStringLiteral("# of rec : %1").arg(entry.number_of_records));
  set_status(kRecordSizePanel, QStringLiteral("Rec. size  : %1").arg(entry.record_length));

  empty_view();
  if (!fits_view(entry)) {
    log_.append("File is too large to show: " + std::to_string(file_size(entry)) + " bytes, the view holds " +
                std::to_string(THexEdit::kMaxBufferLen));
    return;
  }
  vela1_.select_file(static_cast<uint16_t>(entry.identifier));
  keys_.set_required(entry.read_attribute, 0);
  const int scan = scan_;
  // A card inserted while the dialog was up has been scanned anew: the entry is no longer its.
  if (keys_.submit_keys() != QDialog::Accepted || scan != scan_) return;

  vela1_.card().current_file = index;
  if (!read_records(entry)) return;
  held_ = entry;
  update_->setEnabled(true);
}

// Reads every record into the view. A record the card does not give leaves the view empty: its
// bytes would otherwise show (and be written back) as if the file held them. The trace has
// logged the card's answer.
bool TVela1Page::read_records(const Vela1File& entry) {
  std::vector<uint8_t> bytes(static_cast<size_t>(file_size(entry)));
  for (int32_t r = 0; r < entry.number_of_records; ++r) {
    uint8_t* record = bytes.data() + static_cast<size_t>(r) * static_cast<size_t>(entry.record_length);
    const int32_t result = vela1_.read_record_into(static_cast<uint8_t>(r), entry.record_length, record);
    if (result < 0 || vela1_.last_status() != kStatusOk) return false;
  }
  view_->SetBufferLen(static_cast<int>(bytes.size()));
  view_->SetBytePerLine(entry.record_length);
  view_->SetBuffer(bytes);
  return true;
}

void TVela1Page::update_file() {
  // Only bytes read from a file in this scan go back, and only to that file.
  if (!held_) {
    log_.append("No file has been read to update");
    return;
  }
  const Vela1File entry = *held_;
  keys_.set_required(entry.write_attribute, 0);
  if (keys_.submit_keys() != QDialog::Accepted || !held_) return;

  const std::span<const uint8_t> bytes = view_->GetBuffer();
  if (static_cast<int32_t>(bytes.size()) != file_size(entry)) return;
  // The card may have another file selected by now (the Commands page talks to it too).
  if (vela1_.select_file(static_cast<uint16_t>(entry.identifier)) < 0 || vela1_.last_status() != kStatusOk) return;
  for (int32_t r = 0; r < entry.number_of_records; ++r) {
    const uint8_t* record = bytes.data() + static_cast<size_t>(r) * static_cast<size_t>(entry.record_length);
    vela1_.write_record(static_cast<uint8_t>(r), entry.record_length, record);
  }
}

}  // namespace kestrel
