// The Commands page against the emulated reader: sessions, header fields and their up-down
// controls, the data editor following Lc, the command list, and the exchange trace in the log.
#include <QTest>

#include "CommandsPage.h"
#include "KestrelFixture.h"

namespace kestrel::testing {
namespace {

// A card whose answer to reset is 3B 02 14 50; it knows SELECT (A4) of 3F00 and 0101 and
// READ BINARY (B0), 0101 holding the bytes 00, 01, 02 ...
const kitesim::CardOptions kT0Card{.atr = kitesim::Bytes{0x3B, 0x02, 0x14, 0x50}};

class CommandsPage : public KestrelTest {
 protected:
  void start_with_card() {
    start_reader(kiteb_at(), "mcu-t0", kT0Card);
    start_kestrel();
    ASSERT_TRUE(binding.reader_open());
    trigger("&Reader Commands");
    ASSERT_EQ(window->current_page(), TForm1::Page::Commands);
  }
  void select_card_type(const char* entry) { card_types().setCurrentIndex(card_types().findText(QLatin1String(entry))); }
  void press_button(const char* button) { click(window->commands_page(), QLatin1String(button)); }
  void type_data(const char* digits) {
    QTest::keyClick(&data_editor(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(&data_editor(), QLatin1String(digits));
  }
  // The log lines written since the mark.
  QStringList lines_since(qsizetype mark) const { return log_lines().mid(mark); }
};

TEST_F(CommandsPage, ASessionAndTwoExchangesWriteTheSessionLinesAndTheTrace) {
  start_with_card();
  select_card_type("14 - MCU T=0");
  const qsizetype mark = log_lines().size();
  press_button("Start Session");
  type_header("INS", "a4");
  type_header("Lc", "2");
  EXPECT_EQ(data_editor().BufferLen(), 2);
  type_data("3f00");
  press_button("Exchange APDU");

  type_header("INS", "b0");
  type_header("Lc", "0");
  type_header("Le", "4");
  press_button("Exchange APDU");  // the master file is no binary file
  type_header("INS", "a4");
  type_header("Lc", "2");
  type_data("0101");
  type_header("Le", "0");
  press_button("Exchange APDU");
  type_header("INS", "b0");
  type_header("Lc", "0");
  type_header("Le", "4");
  press_button("Exchange APDU");
  press_button("End Session");

  EXPECT_EQ(lines_since(mark), (QStringList{
                                   "Card reset OK, ATR= 3B 02 14 50 ",
                                   "< 00 A4 00 00 02 00",
                                   "< 3F 00 ",
                                   "> 9000 (SW1,SW2)",
                                   "< 00 B0 00 00 00 00",
                                   "> 6986 (SW1,SW2)",
                                   "< 00 A4 00 00 02 00",
                                   "< 01 01 ",
                                   "> 9000 (SW1,SW2)",
                                   "< 00 B0 00 00 00 04",
                                   "> 9000 (SW1,SW2)",
                                   "> 00 01 02 03 ",
                                   "QX_EndSession, return value = 0",
                               }));
}

TEST_F(CommandsPage, TypedHexDigitsAreTakenInUpperCaseAndTheDecimalValueIsSent) {
  start_with_card();
  select_card_type("14 - MCU T=0");
  press_button("Start Session");
  type_header("INS", "a4");
  type_header("P1", "1f");
  EXPECT_EQ(header("P1").hex().text(), "1F");
  EXPECT_EQ(header("P1").decimal().text(), "31");
  type_header("Lc", "2");
  type_data("3f00");
  const qsizetype mark = log_lines().size();
  press_button("Exchange APDU");
  EXPECT_EQ(binding.exchange_record().P1, 31);
  EXPECT_EQ(lines_since(mark), (QStringList{"< 00 A4 1F 00 02 00", "< 3F 00 ", "> 6A86 (SW1,SW2)"}))
      << "the card saw P1 1F and refused it";
}

TEST_F(CommandsPage, TheHexFieldsTakeOnlyHexDigits) {
  start_with_card();
  type_header("CLA", "g8-z");
  EXPECT_EQ(header("CLA").hex().text(), "8");
  EXPECT_EQ(header("CLA").decimal().text(), "8");
  QTest::keyClick(&header("CLA").hex(), Qt::Key_Backspace);
  EXPECT_EQ(header("CLA").hex().text(), "8") << "Backspace is filtered";
  QTest::keyClicks(&header("CLA").hex(), "0");
  EXPECT_EQ(header("CLA").hex().text(), "80");
  EXPECT_EQ(header("CLA").decimal().text(), "128");
  EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(CommandsPage, AnEmptiedHexFieldIsReportedAndTheDecimalValueStays) {
  start_with_card();
  type_header("P2", "3c");
  QLineEdit& hex = header("P2").hex();
  QTest::keyClick(&hex, Qt::Key_Home, Qt::ShiftModifier);
  QTest::keyClick(&hex, Qt::Key_Delete);
  EXPECT_EQ(hex.text(), "");
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].kind, Prompter::Kind::Error);
  EXPECT_EQ(header("P2").decimal().text(), "60");
}

TEST_F(CommandsPage, StepsWrapAndTheDataEditorFollowsLc) {
  start_with_card();
  ByteField& lc = header("Lc");
  type_header("Lc", "ff");
  EXPECT_EQ(data_editor().BufferLen(), 255);
  QTest::mouseClick(lc.findChild<QWidget*>("up"), Qt::LeftButton);
  EXPECT_EQ(lc.hex().text(), "00");
  EXPECT_EQ(lc.decimal().text(), "0");
  EXPECT_EQ(data_editor().BufferLen(), 0);
  QTest::mouseClick(lc.findChild<QWidget*>("down"), Qt::LeftButton);
  EXPECT_EQ(lc.hex().text(), "FF");
  EXPECT_EQ(data_editor().BufferLen(), 255);
  QTest::mouseClick(lc.findChild<QWidget*>("down"), Qt::LeftButton);
  EXPECT_EQ(lc.hex().text(), "FE");
  EXPECT_EQ(data_editor().BufferLen(), 254);
}

TEST_F(CommandsPage, ChoosingACommandPutsItsCodeIntoIns) {
  start_with_card();
  EXPECT_EQ(commands().currentText(), "QXI_Read");
  EXPECT_EQ(header("INS").hex().text(), "00") << "selected at start without its action";
  QTest::keyClick(&commands(), Qt::Key_End);
  EXPECT_EQ(commands().currentText(), "QXI_BlowFuse");
  EXPECT_EQ(header("INS").hex().text(), "13");
  EXPECT_EQ(header("INS").decimal().text(), "19");
  QTest::keyClick(&commands(), Qt::Key_Home);
  EXPECT_EQ(header("INS").hex().text(), "01");
}

TEST_F(CommandsPage, WithNoCardTypeSelectedTheSessionAsksForType255) {
  store_settings({{"Port", 0}, {"ReaderType", 5}, {"CardType", 99}, {"MainFrm_Top", 100}, {"MainFrm_Left", 200}});
  start_with_card();
  EXPECT_EQ(card_types().currentIndex(), -1);
  press_button("Start Session");
  EXPECT_EQ(log_lines().last(), "Card reset fail, OpenSession= -1003");
}

TEST_F(CommandsPage, WithoutAReaderStartSessionDoesNothingAndTheOthersLogTheFailure) {
  start_with_card();
  // The reader goes away; another port fails, and so does the previous one when it is restored.
  emulator.reset();
  answer_configuration([](QDialog& dialog) {
    if (dialog.findChild<QComboBox*>("ports")->currentText() == "COM1") {
      choose(dialog, "COM2", "KITEB (9600bps)");
      press(dialog, "ok");
    }
    press(dialog, "cancel");
    return dialog.result();
  });
  trigger("&Hardware Configuration");
  ASSERT_EQ(prompter.dialogs_run, 2) << "once asked, once after the restored open failed";
  ASSERT_FALSE(prompter.messages.empty());
  EXPECT_EQ(prompter.messages[0].text, "No reader detected (-1081)");
  ASSERT_FALSE(binding.reader_open());
  const int32_t failed_open = binding.handle();

  const qsizetype mark = log_lines().size();
  trigger("&Reader Commands");
  press_button("Start Session");
  press_button("End Session");
  press_button("Exchange APDU");
  EXPECT_EQ(lines_since(mark), (QStringList{
                                   QString("QX_EndSession, return value = %1").arg(failed_open),
                                   "< 00 00 00 00 00 00",
                                   "> 0000 (SW1,SW2)",
                                   QString("ExchangeAPDU error! code = %1").arg(failed_open),
                               }));
  trigger("&About...");
  EXPECT_EQ(about_lines(), QStringList{"No reader is connected"});
}

}  // namespace
}  // namespace kestrel::testing
