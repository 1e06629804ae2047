// The Memory Card page against the emulated memory cards: the chip tree, the session every area
// selection starts, the view of at most 32 bytes that the scroll bar moves through, what is sent
// before the first read for fuse and password cards, and the messages in the view panel.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>

#include "KestrelFixture.h"
#include "MemoryCardPage.h"
#include "Passwords.h"

namespace kestrel::testing {
namespace {

class MemoryCardPage : public KestrelTest {
 protected:
  void start_with(const char* model) {
    start_reader(kiteb_at(), model);
    start_kestrel();
    ASSERT_TRUE(binding.reader_open());
    window->show_page(TForm1::Page::MemoryCard);
  }

  TMemoryCardPage& page() const { return window->memory_card_page(); }
  QTreeWidget& tree() const { return page().tree(); }

  // The node of the path (manufacturer, then chip, then area), or nullptr.
  QTreeWidgetItem* node(std::initializer_list<const char*> path) const {
    QTreeWidgetItem* found = tree().invisibleRootItem();
    for (const char* text : path) {
      QTreeWidgetItem* child = nullptr;
      for (int i = 0; found != nullptr && i < found->childCount(); ++i)
        if (found->child(i)->text(0) == QLatin1String(text)) child = found->child(i);
      found = child;
    }
    return found;
  }
  void select(std::initializer_list<const char*> path) {
    QTreeWidgetItem* item = node(path);
    ASSERT_NE(item, nullptr);
    tree().setCurrentItem(item);
  }
  bool view_shown() const { return page().findChild<QWidget*>(QStringLiteral("view"))->isVisibleTo(&page()); }
  void press(const char* name) { page().findChild<QPushButton*>(QLatin1String(name))->click(); }
  // The exchange trace's command lines ("< CLA INS P1 P2 Lc Le") since the mark.
  QStringList commands_since(qsizetype mark) const {
    QStringList commands;
    for (const QString& line : log_lines().mid(mark))
      if (line.startsWith(QLatin1String("< 00 "))) commands << line;
    return commands;
  }
  std::vector<uint8_t> shown_bytes() const {
    const std::span<const uint8_t> bytes = page().view().GetBuffer();
    return {bytes.begin(), bytes.end()};
  }
};

TEST_F(MemoryCardPage, TheTreeListsManufacturersChipsAndAreasWithTheirNodeInfo) {
  start_with("lm2ks");
  QStringList makers;
  for (int i = 0; i < tree().topLevelItemCount(); ++i) makers << tree().topLevelItem(i)->text(0);
  EXPECT_EQ(makers, (QStringList{"Tolvik", "Atmel", "Gemplus", "SGS-Thomson", "Siemens", "Xicor"}));
  EXPECT_EQ(node({"Atmel"})->childCount(), 8);
  EXPECT_EQ(node({"Atmel", "AT88SC1604"})->childCount(), 23);
  ASSERT_NE(node({"SGS-Thomson", "ST1335", "Anit-tearing flags"}), nullptr);
  const TNodeInfo& flags = page().node_info(*node({"SGS-Thomson", "ST1335", "Anit-tearing flags"}));
  EXPECT_EQ((std::array{flags.card_type, flags.start, flags.size}), (std::array{21, 36, 4}));
  const TNodeInfo& chip = page().node_info(*node({"Xicor", "X24645"}));
  EXPECT_EQ((std::array{chip.card_type, chip.start, chip.size}), (std::array{0, 0, 0}));
  EXPECT_EQ(page().status_text(TMemoryCardPage::kAddressPanel), "Start");
}

// Manufacturers and chips ask for a choice below them, with the view hidden.
TEST_F(MemoryCardPage, ManufacturerAndChipNodesAskForAChoiceBelowThem) {
  start_with("lm2ks");
  select({"Siemens"});
  EXPECT_EQ(page().caption(), "Siemens : Please select the card type");
  EXPECT_FALSE(view_shown());
  select({"Siemens", "SLE4442"});
  EXPECT_EQ(page().caption(), "SLE4442 : Please select the area type");
  select({"Siemens", "SLE4442", "Main Memory"});
  EXPECT_TRUE(view_shown());
  EXPECT_EQ(page().caption(), "");
}

TEST_F(MemoryCardPage, AnAreaBeyondThirtyTwoBytesIsReadThirtyTwoAtATimeAtEveryScrollStep) {
  start_with("lm2ks");
  const qsizetype mark = log_lines().size();
  select({"Siemens", "SLE4442", "Main Memory"});
  EXPECT_EQ(binding.session().CardType, 10);
  EXPECT_TRUE(page().scroll_bar().isVisibleTo(&page()));
  EXPECT_EQ(page().scroll_bar().maximum(), 192);
  EXPECT_EQ(page().scroll_bar().pageStep(), 32);
  EXPECT_EQ(commands_since(mark), QStringList{"< 00 01 00 20 00 20"});
  EXPECT_EQ(page().status_text(TMemoryCardPage::kAddressPanel), "Start=$20");
  EXPECT_EQ(page().scroll_bar().toolTip(), "Start=$20");
  EXPECT_EQ(shown_bytes().size(), 32U);

  page().scroll_bar().triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(page().status_text(TMemoryCardPage::kAddressPanel), "Start=$21");
  EXPECT_EQ(commands_since(mark), (QStringList{"< 00 01 00 20 00 20", "< 00 01 00 21 00 20"}));

  // Selecting the same area again starts anew, at its first byte.
  select({"Siemens", "SLE4442", "Protected Memory"});
  select({"Siemens", "SLE4442", "Main Memory"});
  EXPECT_EQ(page().scroll_bar().value(), 0);
  EXPECT_EQ(commands_since(mark).back(), "< 00 01 00 20 00 20");
}

TEST_F(MemoryCardPage, AOneByteAreaHasNoScrollBar) {
  start_with("lm104");
  const qsizetype mark = log_lines().size();
  select({"Atmel", "AT88SC06", "Counter 1"});
  EXPECT_FALSE(page().scroll_bar().isVisibleTo(&page()));
  EXPECT_EQ(commands_since(mark), QStringList{"< 00 01 00 0C 00 01"});
  EXPECT_EQ(shown_bytes().size(), 1U);
}

TEST_F(MemoryCardPage, TheX24645IsShownInItsPlaceInTheAddressSpace) {
  start_with("x24645");
  const qsizetype mark = log_lines().size();
  select({"Xicor", "X24645", "Free Area"});
  page().scroll_bar().setValue(page().scroll_bar().maximum());
  EXPECT_EQ(commands_since(mark), (QStringList{"< 00 01 C0 00 00 20", "< 00 01 DF E0 00 20"}));
  EXPECT_EQ(page().status_text(TMemoryCardPage::kAddressPanel), "Start=$DFE0");
}

// The code-protected cards have their fuse pin set high before the first read.
TEST_F(MemoryCardPage, FuseCardsHaveTheirFusePinSetBeforeTheFirstRead) {
  start_with("at101");
  const qsizetype mark = log_lines().size();
  select({"Atmel", "AT88SC101", "Issuer Zone"});
  EXPECT_EQ(commands_since(mark), (QStringList{"< 00 03 01 00 00 00", "< 00 01 00 02 00 08"}));
}

// The X76F128 asks for the read password of the array selected, before reading it.
TEST_F(MemoryCardPage, X76F128AsksForTheReadPasswordOfTheArrayBeforeReadingIt) {
  start_with("x76f128");
  const qsizetype mark = log_lines().size();
  int asked = -1;
  prompter.on_dialog = [&](QDialog& dialog) {
    auto* passwords = qobject_cast<TFrmPasswords*>(&dialog);
    EXPECT_NE(passwords, nullptr);
    if (passwords != nullptr) asked = passwords->findChild<QComboBox*>(QStringLiteral("keyName"))->currentIndex();
    EXPECT_TRUE(commands_since(mark).filter(QStringLiteral("< 00 01 80")).isEmpty()) << "read before the password";
    return QDialog::Rejected;
  };
  select({"Xicor", "X76F128", "Array1"});
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(prompter.dialogs_run, 1);
}

TEST_F(MemoryCardPage, ASessionThatCannotStartIsSaidInTheViewPanel) {
  start_reader(kiteb_at());
  start_kestrel();
  window->show_page(TForm1::Page::MemoryCard);
  select({"Siemens", "SLE4442", "Main Memory"});
  EXPECT_EQ(page().caption(), "No card is inserted");
  EXPECT_FALSE(view_shown());
}

// Before an area is chosen there is no card type to work with: the buttons say so and open
// nothing.
TEST_F(MemoryCardPage, ButtonsBeforeTheFirstSelectionAskForAnArea) {
  start_with("lm2ks");
  for (const char* button : {"read", "write", "keys", "properties", "special"}) press(button);
  EXPECT_EQ(prompter.dialogs_run, 0);
  EXPECT_EQ(page().caption(), "Please select an area of a chip in the tree first");
  EXPECT_FALSE(page().findChild<QPushButton*>(QStringLiteral("reserved"))->isEnabled());
}

// Read moves the view to the address typed; the address already shown is read again.
TEST_F(MemoryCardPage, ReadGoesToTheAddressTypedAndReadsTheShownOneAgain) {
  start_with("lm2ks");
  select({"Siemens", "SLE4442", "Main Memory"});
  const qsizetype mark = log_lines().size();
  const auto type_address = [&](std::vector<uint8_t> address) {
    prompter.on_dialog = [address](QDialog& dialog) {
      dialog.findChild<THexEdit*>()->SetBuffer(address);
      return QDialog::Accepted;
    };
    press("read");
  };
  type_address({0x00, 0x20});
  type_address({0x00, 0x50});
  EXPECT_EQ(page().scroll_bar().value(), 0x30);
  type_address({0x01, 0x00});  // beyond the area: its last 32 bytes
  EXPECT_EQ(commands_since(mark),
            (QStringList{"< 00 01 00 20 00 20", "< 00 01 00 50 00 20", "< 00 01 00 E0 00 20"}));
}

TEST_F(MemoryCardPage, KeysPresentsPasswordZeroOfTheAreasCardType) {
  start_with("lm2ks");
  select({"Siemens", "SLE4442", "Main Memory"});
  prompter.on_dialog = [&](QDialog& dialog) {
    EXPECT_EQ(dialog.findChild<QComboBox*>(QStringLiteral("keyName"))->currentText(), "Security Code (3 bytes)");
    return QDialog::Rejected;
  };
  press("keys");
  EXPECT_EQ(prompter.dialogs_run, 1);
}

}  // namespace
}  // namespace kestrel::testing
