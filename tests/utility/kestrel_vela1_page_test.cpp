// The VELA1 page against the emulated VELA1 cards: Reset and what it lists, files read into the
// view once their codes are presented, Update writing the view back to the file it came from,
// and the files the view cannot hold or the card will not give.
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>

#include "KestrelFixture.h"
#include "LogView.h"
#include "Vela1Page.h"
#include "keys.h"
#include "vela1pro.h"

namespace kestrel::testing {
namespace {

const QStringList kDemoFiles = {"1001", "1002", "1003", "FF00", "FF01", "FF02", "FF03", "FF04", "FF05", "FF06"};

// A card in stage U without purse whose file table names files the page must be careful with:
// 2000 (32 × 64 bytes) is larger than the view, 2001 (8 × 128) fills it exactly, 2002 is 3 × 8,
// and the last declaration calls itself FF03, free to read, which the card (that knows FF03 as
// its security file) refuses to give.
QString hostile_card_image() {
  QString image = QStringLiteral(
      "FF00 56 31 00 00 00 03 00 00\n"
      "FF01 80 4B 49 54 45 53 49 4D\n"
      "FF02 00 00 04 80\n"
      "FF04 40 20 00 00 20 00 80 08 00 00 20 01 08 03 00 00 20 02 08 02 00 00 FF 03\n"
      "2002 00 01 02 03 04 05 06 07 10 11 12 13 14 15 16 17 20 21 22 23 24 25 26 27\n"
      "2001");
  for (int i = 0; i < 1024; ++i) image += QStringLiteral(" %1").arg(i & 0xFF, 2, 16, QLatin1Char('0'));
  return image + QLatin1Char('\n');
}

class Vela1Page : public KestrelTest {
 protected:
  void start_with(const char* model, kitesim::CardOptions options = {}) {
    start_reader(kiteb_at(), model, options);
    start_kestrel();
    ASSERT_TRUE(binding.reader_open());
    trigger("&VELA1 Card");
    ASSERT_EQ(window->current_page(), TForm1::Page::Vela1);
  }
  // The demo card, its memory kept in a file so that a test can read what the card holds.
  void start_with_demo_card() { start_with("vela1", {.memory_file = card_file().toStdString()}); }
  void start_with_hostile_card() {
    QFile file(card_file());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(hostile_card_image().toLatin1());
    file.close();
    start_with("vela1", {.memory_file = card_file().toStdString()});
    reset();
    ASSERT_EQ(children(), (QStringList{"2000", "2001", "2002", "FF03", "FF00", "FF01", "FF02", "FF03", "FF04"}));
  }
  QString card_file() const { return settings_folder.filePath("card.txt"); }

  TVela1Page& page() const { return window->vela1_page(); }
  QTreeWidget& tree() const { return page().tree(); }
  THexEdit& view() const { return page().view(); }
  QPushButton& button(const char* name) const { return *page().findChild<QPushButton*>(QLatin1String(name)); }
  QString panel(TVela1Page::Panel panel) const { return page().status_text(panel); }

  void reset() { click(page(), "Reset"); }
  QStringList children() const {
    QStringList texts;
    if (tree().topLevelItemCount() != 1) return texts;
    for (int i = 0; i < tree().topLevelItem(0)->childCount(); ++i) texts << tree().topLevelItem(0)->child(i)->text(0);
    return texts;
  }
  // Clicks the first node with the text, as the user picks a file.
  void select(const char* text) {
    const QList<QTreeWidgetItem*> found = tree().findItems(QLatin1String(text), Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_FALSE(found.isEmpty()) << text;
    tree().scrollToItem(found.front());
    QTest::mouseClick(tree().viewport(), Qt::LeftButton, {}, tree().visualItemRect(found.front()).center());
    ASSERT_TRUE(found.front()->isSelected()) << text;
  }
  // Answers every Submit Keys dialog with OK or Cancel.
  void answer_keys(const char* button_name) {
    prompter.on_dialog = [button_name](QDialog& dialog) {
      dialog.show();
      press(dialog, button_name);
      dialog.hide();
      return dialog.result();
    };
  }
  QByteArray view_bytes() const {
    const std::span<const uint8_t> bytes = view().GetBuffer();
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
  }
  QStringList view_lines() const {
    QStringList lines;
    for (QTextBlock block = view().document()->begin(); block.isValid(); block = block.next()) lines << block.text();
    return lines;
  }
  void type_into_view(const char* keys) {
    QTest::keyClick(&view(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(&view(), QLatin1String(keys));
  }
  // The trace lines of one command (by its instruction byte) written since the mark.
  qsizetype commands_since(qsizetype mark, const char* instruction) const {
    const QString header = QStringLiteral("< 80 %1 ").arg(QLatin1String(instruction));
    qsizetype count = 0;
    for (const QString& line : log_lines().mid(mark)) count += line.startsWith(header) ? 1 : 0;
    return count;
  }
};

// Reset.

TEST_F(Vela1Page, BeforeTheFirstResetThePageIsEmptyAndOnlyResetCanBePressed) {
  start_with("vela1");
  EXPECT_EQ(tree().topLevelItemCount(), 0);
  EXPECT_FALSE(button("details").isEnabled());
  EXPECT_FALSE(button("update").isEnabled());
  EXPECT_TRUE(page().findChild<QRadioButton*>("hex")->isChecked());
  EXPECT_EQ(view().EditMode(), THexEdit::dtHex);
}

TEST_F(Vela1Page, ResetWithoutAReaderSaysSoAndSendsNothing) {
  start_with("vela1");
  binding.close();
  const qsizetype mark = log_lines().size();
  reset();
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].text, "No reader is connected!");
  EXPECT_EQ(log_lines().mid(mark), QStringList{});
}

TEST_F(Vela1Page, ResetWithoutACardLogsItAndLeavesTheButtonsDisabled) {
  start_reader();
  start_kestrel();
  ASSERT_TRUE(binding.reader_open());
  trigger("&VELA1 Card");
  reset();
  EXPECT_EQ(log_lines().last(), "No card inserted...") << log_lines().join('\n').toStdString();
  EXPECT_EQ(tree().topLevelItemCount(), 0);
  EXPECT_FALSE(button("details").isEnabled());
  EXPECT_FALSE(button("update").isEnabled());
  EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(Vela1Page, ResetWithoutTheCipherLibraryFails) {
  start_with("vela1");
  Vela1 without_cipher(binding, "libNoSuchCipher.so");
  TVela1Page other(binding, without_cipher, window->keys_dialog(), window->vela1_properties_dialog(), window->log(),
                   prompter);
  other.reset();
  EXPECT_EQ(log_lines().last(), "Reset fail! code = -1");
}

TEST_F(Vela1Page, ResetListsTheDemoCardsFilesInTableOrder) {
  start_with("vela1");
  reset();
  EXPECT_EQ(panel(TVela1Page::kStagePanel), "User Stage");
  ASSERT_EQ(tree().topLevelItemCount(), 1);
  EXPECT_EQ(tree().topLevelItem(0)->text(0), "VELA1");
  EXPECT_TRUE(tree().topLevelItem(0)->isExpanded());
  EXPECT_EQ(children(), kDemoFiles);
  EXPECT_TRUE(button("details").isEnabled());
  EXPECT_TRUE(button("update").isEnabled());
  EXPECT_EQ(view().BufferLen(), 0);
  EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(Vela1Page, ACardInPersonalizationStageWithoutPurseListsNoPurseFiles) {
  start_with("vela1-nopurse");
  reset();
  EXPECT_EQ(panel(TVela1Page::kStagePanel), "Personalization Stage");
  EXPECT_EQ(children(), (QStringList{"2001", "2002", "FF00", "FF01", "FF02", "FF03", "FF04"}));
}

TEST_F(Vela1Page, ResetOfAnotherCardEmptiesThePage) {
  start_with("vela1");
  reset();
  select("1001");
  emulator->remove();
  ASSERT_TRUE(wait_until([&] { return window->current_page() == TForm1::Page::About; }));
  emulator->insert(kitesim::make_card("mcu-t0"));
  ASSERT_TRUE(wait_for_log_line("T=0 MCU card is inserted"));
  trigger("&VELA1 Card");
  reset();
  EXPECT_EQ(log_lines().last(), "Inserted card is not VELA1");
  EXPECT_EQ(tree().topLevelItemCount(), 0);
  for (int i = 0; i < TVela1Page::kPanelCount; ++i) EXPECT_EQ(panel(TVela1Page::Panel(i)), "") << i;
  EXPECT_EQ(view().BufferLen(), 0);
  EXPECT_FALSE(button("details").isEnabled());
  EXPECT_FALSE(button("update").isEnabled());
}

TEST_F(Vela1Page, InsertingAVela1CardShowsThePageWithTheFilesListed) {
  start_reader();
  start_kestrel();
  ASSERT_EQ(window->current_page(), TForm1::Page::About);
  emulator->insert(kitesim::make_card("vela1"));
  ASSERT_TRUE(wait_until([&] { return children() == kDemoFiles; }));
  EXPECT_EQ(window->current_page(), TForm1::Page::Vela1);
  EXPECT_EQ(panel(TVela1Page::kStagePanel), "User Stage");
  EXPECT_TRUE(button("update").isEnabled());
}

// Selecting a file.

TEST_F(Vela1Page, TheRootAsksForAFileAndAnInternalFileShowsItsNameAndRecords) {
  start_with("vela1");
  reset();
  const qsizetype mark = log_lines().size();
  select("VELA1");
  EXPECT_EQ(panel(TVela1Page::kFileNamePanel), "Please select a file id");
  EXPECT_EQ(log_lines().mid(mark), QStringList{});

  select("FF02");
  EXPECT_EQ(panel(TVela1Page::kFileNamePanel), "Personalization File");
  EXPECT_EQ(panel(TVela1Page::kRecordCountPanel), "# of rec : 3");
  EXPECT_EQ(panel(TVela1Page::kRecordSizePanel), "Rec. size  : 4");
  EXPECT_EQ(view_bytes().toHex(' ').toUpper(), "69 C0 03 80 00 00 00 00 00 00 00 00");
  EXPECT_EQ(view().BytePerLine(), 4);
  select("FF04");
  EXPECT_EQ(panel(TVela1Page::kFileNamePanel), "User File Management File");
  EXPECT_EQ(prompter.dialogs_run, 0);
}

TEST_F(Vela1Page, AFreeFileIsReadWithoutTheDialogOneRecordALine) {
  start_with("vela1");
  reset();
  select("1001");
  EXPECT_EQ(prompter.dialogs_run, 0);
  EXPECT_EQ(panel(TVela1Page::kFileNamePanel), "File ID : 1001");
  EXPECT_EQ(panel(TVela1Page::kRecordCountPanel), "# of rec : 4");
  EXPECT_EQ(panel(TVela1Page::kRecordSizePanel), "Rec. size  : 16");
  EXPECT_EQ(view().BufferLen(), 64);
  EXPECT_EQ(view_bytes().mid(0, 13), "KITESIM VELA1");
  EXPECT_EQ(view_bytes().mid(16, 9), "DEMO CARD");
  EXPECT_EQ(page().held_file(), 0x1001);
}

TEST_F(Vela1Page, AFileOfThreeRecordsOfEightBytesShowsThreeLines) {
  start_with_hostile_card();
  select("2002");
  EXPECT_EQ(view().BufferLen(), 24);
  EXPECT_EQ(view_lines(), (QStringList{"00 01 02 03 04 05 06 07 ", "10 11 12 13 14 15 16 17 ",
                                       "20 21 22 23 24 25 26 27 "}));
}

TEST_F(Vela1Page, APinFileIsReadOnceTheSubmitKeysDialogIsAnsweredOk) {
  start_with("vela1");
  reset();
  answer_keys("OK");
  select("1002");
  EXPECT_EQ(prompter.dialogs_run, 1);
  EXPECT_EQ(window->keys_dialog().required_codes(), 0x40);
  EXPECT_EQ(view().BufferLen(), 32);
  EXPECT_EQ(view_bytes().mid(0, 8), "PIN FILE");
}

TEST_F(Vela1Page, CancellingTheDialogLeavesTheViewEmptyAndUpdateWithNothingToWrite) {
  start_with("vela1");
  reset();
  select("1001");
  answer_keys("Cancel");
  const qsizetype mark = log_lines().size();
  select("1002");
  EXPECT_EQ(prompter.dialogs_run, 1);
  EXPECT_EQ(view().BufferLen(), 0);
  EXPECT_EQ(commands_since(mark, "B2"), 0);
  EXPECT_TRUE(button("update").isEnabled()) << "as it was";

  click(page(), "Update");
  EXPECT_EQ(log_lines().last(), "No file has been read to update");
  EXPECT_EQ(commands_since(mark, "D2"), 0) << "1001's bytes must not go into 1001 or 1002";
}

// The card is swapped while Submit Keys waits for its codes: the dialog closes as cancelled and
// the log says so, and none of its codes go to the card that came instead.
TEST_F(Vela1Page, SubmitKeysClosesCancelledWhenItsCardIsSwapped) {
  start_with("vela1");
  reset();
  const qsizetype mark = log_lines().size();
  prompter.on_dialog = [this](QDialog& dialog) {
    dialog.show();
    emulator->remove();
    emulator->insert(kitesim::make_card("vela1"));
    EXPECT_TRUE(wait_for_log_line("Submit Keys closed: the card was removed"));
    EXPECT_FALSE(dialog.isVisible());
    return dialog.result();
  };
  // The page is listed anew underneath, so the node clicked is not touched afterwards.
  const QList<QTreeWidgetItem*> pin_file = tree().findItems("1002", Qt::MatchExactly | Qt::MatchRecursive);
  ASSERT_FALSE(pin_file.isEmpty());
  tree().scrollToItem(pin_file.front());
  QTest::mouseClick(tree().viewport(), Qt::LeftButton, {}, tree().visualItemRect(pin_file.front()).center());
  EXPECT_EQ(prompter.dialogs_run, 1);
  EXPECT_EQ(commands_since(mark, "20"), 0) << "no code went to the new card";
  EXPECT_EQ(view().BufferLen(), 0);
  EXPECT_TRUE(wait_until([&] { return children() == kDemoFiles; })) << "the new card is listed";
}

TEST_F(Vela1Page, AsciiAndHexSwitchTheView) {
  start_with("vela1");
  reset();
  select("1001");
  QTest::mouseClick(page().findChild<QRadioButton*>("ascii"), Qt::LeftButton);
  EXPECT_EQ(view().EditMode(), THexEdit::dtAscii);
  EXPECT_TRUE(view_lines().first().startsWith("KITESIM VELA1"));
  QTest::mouseClick(page().findChild<QRadioButton*>("hex"), Qt::LeftButton);
  EXPECT_EQ(view().EditMode(), THexEdit::dtHex);
  EXPECT_TRUE(view_lines().first().startsWith("4B 49 54 45 "));
  EXPECT_EQ(view_bytes().mid(0, 13), "KITESIM VELA1") << "the bytes are kept";
}

TEST_F(Vela1Page, DetailsRunsTheVela1PropertiesDialog) {
  start_with("vela1");
  reset();
  QDialog* shown = nullptr;
  prompter.on_dialog = [&](QDialog& dialog) {
    shown = &dialog;
    return QDialog::Rejected;
  };
  click(page(), "Details");
  EXPECT_EQ(shown, &window->vela1_properties_dialog());
}

// Update.

TEST_F(Vela1Page, UpdateWritesTheEditedBytesBackToTheFileRead) {
  start_with_demo_card();
  reset();
  select("1001");
  type_into_view("4142");
  answer_keys("Cancel");
  qsizetype mark = log_lines().size();
  click(page(), "Update");
  EXPECT_EQ(commands_since(mark, "D2"), 0) << "write needs the PIN";

  answer_keys("OK");
  mark = log_lines().size();
  click(page(), "Update");
  EXPECT_EQ(window->keys_dialog().required_codes(), 0x40);
  EXPECT_EQ(commands_since(mark, "D2"), 4);
  EXPECT_TRUE(log_lines().mid(mark).contains("< 10 01 ")) << "1001 selected again before the writes";

  reset();
  select("1001");
  EXPECT_EQ(view_bytes().mid(0, 13), "ABTESIM VELA1");
  EXPECT_EQ(view_bytes().mid(16, 9), "DEMO CARD");
  ASSERT_TRUE(emulator->save_card_memory());
  QFile image(card_file());
  ASSERT_TRUE(image.open(QIODevice::ReadOnly));
  EXPECT_TRUE(image.readAll().contains("1001 41 42 54 45 53 49 4D 20")) << "the card holds the edit";
}

TEST_F(Vela1Page, UpdateBeforeAnyReadInANewScanWritesNothing) {
  start_with_demo_card();
  reset();
  select("1001");
  type_into_view("4142");
  reset();
  answer_keys("OK");
  const qsizetype mark = log_lines().size();
  click(page(), "Update");
  EXPECT_EQ(log_lines().last(), "No file has been read to update");
  EXPECT_EQ(commands_since(mark, "D2"), 0);
  EXPECT_EQ(prompter.dialogs_run, 0) << "no codes are asked for a write that does not happen";
  select("1001");
  EXPECT_EQ(view_bytes().mid(0, 7), "KITESIM");
}

// Files the view cannot hold, and records the card will not give.

TEST_F(Vela1Page, AFileLargerThanTheViewIsRefusedAndOneThatFillsItIsRead) {
  start_with_hostile_card();
  const qsizetype mark = log_lines().size();
  select("2000");
  EXPECT_EQ(panel(TVela1Page::kRecordCountPanel), "# of rec : 32");
  EXPECT_EQ(log_lines().last(), "File is too large to show: 2048 bytes, the view holds 1024");
  EXPECT_EQ(commands_since(mark, "B2"), 0);
  EXPECT_EQ(view().BufferLen(), 0);
  EXPECT_TRUE(prompter.messages.empty());

  select("2001");
  ASSERT_EQ(view().BufferLen(), 1024);
  EXPECT_EQ(view().BytePerLine(), 128);
  const QByteArray bytes = view_bytes();
  EXPECT_EQ(static_cast<uint8_t>(bytes[1023]), 0xFF);
  EXPECT_EQ(static_cast<uint8_t>(bytes[896]), 0x80) << "record 7 at its place";
}

TEST_F(Vela1Page, ARecordTheCardRefusesLeavesTheViewEmptyAndNothingToUpdate) {
  start_with_hostile_card();
  select("2002");
  select("FF03");  // declared free, but the card refuses it
  EXPECT_EQ(prompter.dialogs_run, 0);
  EXPECT_TRUE(log_lines().contains("> 6982 (SW1,SW2)"));
  EXPECT_EQ(view().BufferLen(), 0);
  EXPECT_EQ(page().held_file(), std::nullopt);

  const qsizetype mark = log_lines().size();
  click(page(), "Update");
  EXPECT_EQ(commands_since(mark, "D2"), 0) << "2002's bytes must not be written anywhere";
}

}  // namespace
}  // namespace kestrel::testing
