#include "MemoryCardPage.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <span>

#include "HexEdit.h"
#include "MemoryCardTree.h"
#include "MemoryCommand.h"
#include "PageParts.h"
#include "Passwords.h"
#include "Prompter.h"
#include "SetProtect.h"
#include "Special.h"
#include "Write.h"
#include "kiteb.h"
#include "read.h"

namespace kestrel {
namespace {

constexpr int kTreeWidth = 177;
constexpr std::array<int, TMemoryCardPage::kPanelCount> kPanelWidths = {100, 50};
constexpr int kInfoRole = Qt::UserRole;

// The X76F128 and X76F640 want the read password of the array shown; the X76F100 its read
// password.
constexpr int32_t kX76F128 = 23;
constexpr int32_t kX76F640 = 24;
constexpr int32_t kX76F100 = 25;
constexpr int32_t kArraySpan = 32768;

bool has_fuse_pin(int32_t card_type) {
  return card_type == 3 || card_type == 4 || card_type == 5 || card_type == 6 || card_type == 13;
}

QString session_failure_text(int32_t result) {
  switch (result) {
    case QX_ERR_BAD_CARD_TYPE: return QStringLiteral("Card type not supported in this reader");
    case QX_ERR_STATUS_6002: return QStringLiteral("No card is inserted");
    default: return QStringLiteral("Unexpected error = %1").arg(result);
  }
}

QString address_text(int32_t address) {
  return QStringLiteral("Start=$%1").arg(QString::number(address, 16).toUpper());
}

// The buttons in reading order, as they stand in the grid: the top row, then the bottom row.
struct ButtonPlace {
  const char* caption;
  const char* name;
  int row;
  int column;
};
constexpr ButtonPlace kButtons[] = {
    {"Read", "read", 0, 0},       {"Keys", "keys", 0, 1},   {"Special", "special", 0, 2},
    {"Write", "write", 1, 0}, {"Properties", "properties", 1, 1}, {"Reserved", "reserved", 1, 2}};

}  // namespace

TMemoryCardPage::TMemoryCardPage(Kiteb& binding, Prompter& prompter, MemoryCardDialogs dialogs, QWidget* parent)
    : QWidget(parent),
      binding_(binding),
      prompter_(prompter),
      dialogs_(dialogs),
      tree_(new QTreeWidget(this)),
      caption_(new QLabel(this)),
      view_row_(new QWidget(this)),
      view_(new THexEdit(prompter, view_row_)),
      scroll_bar_(new QScrollBar(Qt::Vertical, view_row_)),
      format_strip_(new QWidget(this)),
      hex_(new QRadioButton(QStringLiteral("Hex"), format_strip_)),
      ascii_(new QRadioButton(QStringLiteral("Ascii"), format_strip_)),
      buttons_(new QWidget(this)) {
  setObjectName(QStringLiteral("memoryCardPage"));
  tree_->setObjectName(QStringLiteral("chips"));
  tree_->setHeaderHidden(true);
  tree_->setFixedWidth(kTreeWidth);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  keep_selection_visible(*tree_);

  QStatusBar* status_bar = status_bar_with_panels(kPanelWidths, panels_, this);
  panels_[kAddressPanel]->setText(QStringLiteral("Start"));

  auto* body = new QHBoxLayout;
  body->addWidget(tree_);
  body->addWidget(create_view_panel(), 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 0);
  layout->addLayout(body, 1);
  layout->addWidget(status_bar);

  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &TMemoryCardPage::selection_changed);
  connect(scroll_bar_, &QScrollBar::valueChanged, this, &TMemoryCardPage::refresh);
  connect(hex_, &QRadioButton::clicked, this, [this] { view_->SetEditMode(THexEdit::dtHex); });
  connect(ascii_, &QRadioButton::clicked, this, [this] { view_->SetEditMode(THexEdit::dtAscii); });
}

// The view with its scroll bar on its right edge, the Hex/Ascii strip under it, and the buttons
// in a grid of three by two that share the panel's width and height evenly.
QWidget* TMemoryCardPage::create_view_panel() {
  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("viewPanel"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);

  caption_->setObjectName(QStringLiteral("viewCaption"));
  caption_->setAlignment(Qt::AlignCenter);
  caption_->setWordWrap(true);
  caption_->hide();

  view_->setObjectName(QStringLiteral("view"));
  view_->setReadOnly(true);
  view_->SetEditMode(THexEdit::dtHex);
  view_->SetBytePerLine(THexEdit::kDefaultBytePerLine);
  view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view_->SetBufferLen(0);
  view_->BufferToText();
  scroll_bar_->setObjectName(QStringLiteral("scrollBar"));
  scroll_bar_->hide();
  auto* view_layout = new QHBoxLayout(view_row_);
  view_layout->setContentsMargins(0, 0, 0, 0);
  view_layout->setSpacing(0);
  view_layout->addWidget(view_, 1);
  view_layout->addWidget(scroll_bar_);

  format_strip_->setObjectName(QStringLiteral("formatStrip"));
  hex_->setObjectName(QStringLiteral("hex"));
  ascii_->setObjectName(QStringLiteral("ascii"));
  hex_->setChecked(true);
  auto* strip = new QHBoxLayout(format_strip_);
  strip->setContentsMargins(0, 0, 0, 0);
  strip->addWidget(hex_);
  strip->addWidget(ascii_);
  strip->addStretch(1);

  buttons_->setObjectName(QStringLiteral("buttonPanel"));
  auto* grid = new QGridLayout(buttons_);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  for (const ButtonPlace& place : kButtons) {
    auto* button = new QPushButton(QLatin1String(place.caption), buttons_);
    button->setObjectName(QLatin1String(place.name));
    grid->addWidget(button, place.row, place.column);
    button_list_.push_back(button);
  }
  for (int column = 0; column < 3; ++column) grid->setColumnStretch(column, 1);
  QPushButton* reserved = button_list_.back();
  reserved->setEnabled(false);

  connect(button_list_[0], &QPushButton::clicked, this, &TMemoryCardPage::read_clicked);
  connect(button_list_[1], &QPushButton::clicked, this, [this] {
    if (const auto type = area_card_type()) dialogs_.passwords.verify(*type, 0);
  });
  connect(button_list_[2], &QPushButton::clicked, this, [this] {
    if (const auto type = area_card_type()) dialogs_.special.show_special(*type);
  });
  connect(button_list_[3], &QPushButton::clicked, this, &TMemoryCardPage::write_clicked);
  connect(button_list_[4], &QPushButton::clicked, this, [this] {
    if (const auto type = area_card_type()) dialogs_.protection.show_protection(*type);
  });

  auto* layout = new QVBoxLayout(panel);
  layout->addWidget(caption_, 1);
  layout->addWidget(view_row_, 1);
  layout->addWidget(format_strip_);
  layout->addWidget(buttons_);
  return panel;
}

void TMemoryCardPage::build_tree() {
  tree_->setUpdatesEnabled(false);
  {
    const QSignalBlocker quiet(tree_);
    tree_->clear();
    nodes_.clear();
  }
  for (const ChipMaker& maker : chip_makers()) {
    QTreeWidgetItem* maker_node = add_node(nullptr, maker.name, {});
    for (const MemoryChip& chip : maker.chips) {
      QTreeWidgetItem* chip_node = add_node(maker_node, chip.name, {});
      for (const MemoryArea& area : chip.areas) add_node(chip_node, area.name, {chip.card_type, area.start, area.size});
    }
  }
  tree_->setUpdatesEnabled(true);
}

QTreeWidgetItem* TMemoryCardPage::add_node(QTreeWidgetItem* parent, const char* text, TNodeInfo info) {
  auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
  item->setText(0, QLatin1String(text));
  item->setData(0, kInfoRole, static_cast<int>(nodes_.size()));
  nodes_.push_back(info);
  return item;
}

const TNodeInfo& TMemoryCardPage::node_info(const QTreeWidgetItem& item) const {
  return nodes_.at(static_cast<size_t>(item.data(0, kInfoRole).toInt()));
}

QString TMemoryCardPage::caption() const { return caption_->text(); }

QString TMemoryCardPage::status_text(Panel panel) const { return panels_[panel]->text(); }

int32_t TMemoryCardPage::shown_address() const { return view_base_ + scroll_bar_->value(); }

std::vector<QWidget*> TMemoryCardPage::focus_order() const {
  std::vector<QWidget*> order{tree_, view_, scroll_bar_, hex_, ascii_};
  order.insert(order.end(), button_list_.begin(), button_list_.end());
  return order;
}

void TMemoryCardPage::selection_changed() {
  const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
  if (selected.isEmpty()) return;
  const QTreeWidgetItem& node = *selected.front();
  if (node.childCount() > 0) {
    const char* ask = node.parent() == nullptr ? " : Please select the card type" : " : Please select the area type";
    show_view(false, node.text(0) + QLatin1String(ask));
    return;
  }
  current_ = node_info(node);
  select_area(*current_);
}

// Every selection starts a session anew, also of the area already shown.
void TMemoryCardPage::select_area(const TNodeInfo& area) {
  const int32_t result = binding_.start_session(static_cast<uint8_t>(area.card_type));
  if (result < 0) {
    show_view(false, session_failure_text(result));
    return;
  }
  show_view(true);
  // The code-protected cards take their fuse pin high before anything is read.
  if (has_fuse_pin(area.card_type)) send_memory_command(binding_, {QXI_SetFuse, 1});
  if (area.card_type == kX76F128 || area.card_type == kX76F640) {
    dialogs_.passwords.verify(area.card_type, area.start / kArraySpan);
  } else if (area.card_type == kX76F100) {
    dialogs_.passwords.verify(area.card_type, 1);
  }

  view_base_ = area.start;
  view_length_ = std::min(area.size, kViewLength);
  {
    const QSignalBlocker quiet(scroll_bar_);
    scroll_bar_->setVisible(area.size > kViewLength);
    scroll_bar_->setRange(0, area.size > kViewLength ? area.size - kViewLength : area.size);
    scroll_bar_->setPageStep(kViewLength);
    scroll_bar_->setSingleStep(1);
    scroll_bar_->setValue(0);
  }
  refresh();
}

void TMemoryCardPage::show_view(bool shown, const QString& caption) {
  caption_->setText(caption);
  caption_->setVisible(!caption.isEmpty());
  view_row_->setVisible(shown);
  format_strip_->setVisible(shown);
  buttons_->setVisible(shown);
}

// Reads the bytes at the scroll bar's place; a failed read leaves the view as it was (the trace
// has logged it).
void TMemoryCardPage::refresh() {
  const int32_t address = shown_address();
  scroll_bar_->setToolTip(address_text(address));
  panels_[kAddressPanel]->setText(address_text(address));
  const int32_t result = send_memory_command(
      binding_, {QXI_Read, static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address & 0xFF), {}, view_length_});
  if (result < 0) return;
  const QX_APDU& reply = binding_.exchange_record();
  view_->SetBufferLen(view_length_);
  view_->SetBuffer(std::span<const uint8_t>(reply.DataOut, static_cast<size_t>(view_length_)));
}

std::optional<int32_t> TMemoryCardPage::area_card_type() {
  if (current_) return current_->card_type;
  show_view(true, QStringLiteral("Please select an area of a chip in the tree first"));
  return std::nullopt;
}

void TMemoryCardPage::read_clicked() {
  const auto type = area_card_type();
  if (!type) return;
  int address = shown_address();
  if (dialogs_.read.ask_address(*type, address) == QDialog::Accepted) move_to(address);
}

// The view goes to the address, within the scroll bar's range; an address already shown is read
// again.
void TMemoryCardPage::move_to(int32_t address) {
  const int32_t position = std::clamp(address - view_base_, scroll_bar_->minimum(), scroll_bar_->maximum());
  if (position == scroll_bar_->value()) {
    refresh();
  } else {
    scroll_bar_->setValue(position);
  }
}

void TMemoryCardPage::write_clicked() {
  const auto type = area_card_type();
  if (!type) return;
  if (dialogs_.write.update(*type, shown_address(), current_->size) != QDialog::Rejected) refresh();
}

}  // namespace kestrel
