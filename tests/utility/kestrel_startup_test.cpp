// Start-up and shut-down of the main window: the settings read at start and written at exit, the
// silent open of the stored reader, and the Reader Configuration dialog when that open fails.
#include "KestrelFixture.h"

#include "ComPort.h"
#include "CommandsPage.h"
#include "keys.h"

namespace kestrel::testing {
namespace {

const QStringList kKeyNames = {"IC", "PIN", "Kc", "Kt", "AC1", "AC2", "AC3", "AC4", "AC5", "Kd", "Kcr", "Kcf", "Krd"};

QStringList key_texts(const TFrmKeys& keys) {
  QStringList texts;
  for (const QString& name : kKeyNames) texts << keys.text(name.toStdString());
  return texts;
}

using StartUp = KestrelTest;

TEST_F(StartUp, FirstStartAutoDetectsTheReaderOnCom1AndWritesTheDefaultsAtExit) {
  start_reader(kiteb_at(57600), "mcu-t0");
  ASSERT_FALSE(settings_exist());
  start_kestrel();

  EXPECT_EQ(prompter.dialogs_run, 0) << "the default configuration opens without asking";
  EXPECT_TRUE(binding.reader_open());
  EXPECT_GE(emulator->state().resets, 1u) << "auto-detection resets the reader by DTR";
  EXPECT_EQ(window->current_page(), TForm1::Page::About);
  EXPECT_TRUE(about_lines().contains("BaudRate = 57600 bps"));
  EXPECT_EQ(window->geometry().topLeft(), QPoint(200, 100));
  EXPECT_EQ(key_texts(window->keys_dialog()), QStringList(13, "58203716"));
  EXPECT_EQ(card_types().currentText(), "0 - Auto detect");

  quit();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(log_lines().last(), "QX_EndSession, return value = 0");
  EXPECT_FALSE(binding.reader_open());
  ASSERT_TRUE(settings_exist());
  EXPECT_EQ(stored("Port"), "0");
  EXPECT_EQ(stored("ReaderType"), "5");
  EXPECT_EQ(stored("CardType"), "0");
  EXPECT_EQ(stored("MainFrm_Top"), "100");
  EXPECT_EQ(stored("MainFrm_Left"), "200");
  for (const QString& name : kKeyNames) EXPECT_EQ(stored(name.toLatin1().constData()), "58203716") << name.toStdString();
}

TEST_F(StartUp, StoredSettingsAreTakenAndWrittenBackAsTheyStand) {
  start_reader(kiteb_at(9600));
  store_settings({{"Port", 0}, {"ReaderType", 4}, {"CardType", 14}, {"MainFrm_Top", 40}, {"MainFrm_Left", 60},
                  {"IC", "IC-CODE1"}, {"PIN", "12345678"}, {"Krd", "KRD"}});
  start_kestrel();

  EXPECT_EQ(prompter.dialogs_run, 0);
  EXPECT_TRUE(binding.reader_open()) << "KITEB (9600bps) on COM1";
  EXPECT_EQ(emulator->state().resets, 0u) << "a fixed rate needs no reset";
  EXPECT_EQ(card_types().currentText(), "14 - MCU T=0");
  EXPECT_EQ(window->geometry().topLeft(), QPoint(60, 40)) << "the window's own area, frame left out";
  EXPECT_EQ(window->keys_dialog().text("IC"), "IC-CODE1");
  EXPECT_EQ(window->keys_dialog().text("PIN"), "12345678");
  EXPECT_EQ(window->keys_dialog().text("Krd"), "KRD");
  EXPECT_EQ(window->keys_dialog().text("Kc"), "") << "a missing text reads as empty";

  window->keys_dialog().set_text("Kc", "NEWKC");
  card_types().setCurrentIndex(card_types().findText("15 - MCU T=1"));
  window->setGeometry(QRect(70, 50, 600, 480));
  quit();
  EXPECT_EQ(stored("ReaderType"), "4");
  EXPECT_EQ(stored("CardType"), "15");
  EXPECT_EQ(stored("MainFrm_Top"), "50");
  EXPECT_EQ(stored("MainFrm_Left"), "70");
  EXPECT_EQ(stored("MainFrm_Width"), "600");
  EXPECT_EQ(stored("MainFrm_Height"), "480");
  EXPECT_EQ(stored("Kc"), "NEWKC");
  EXPECT_EQ(stored("IC"), "IC-CODE1");
}

TEST_F(StartUp, AnIntegerStoredAsTextGivesEveryDefault) {
  start_reader(kiteb_at(57600));
  // Port 1 and KITEB (9600bps) would fail here; the defaults (Auto detect on COM1) do not.
  store_settings({{"Port", 1}, {"ReaderType", 4}, {"CardType", "14 - MCU T=0"}, {"MainFrm_Top", 40},
                  {"MainFrm_Left", 60}, {"IC", "IC-CODE1"}});
  start_kestrel();

  EXPECT_EQ(prompter.dialogs_run, 0);
  EXPECT_TRUE(binding.reader_open());
  EXPECT_EQ(card_types().currentIndex(), 0);
  EXPECT_EQ(window->geometry().topLeft(), QPoint(200, 100));
  EXPECT_EQ(window->keys_dialog().text("IC"), "58203716");
  quit();
  EXPECT_EQ(stored("Port"), "0");
  EXPECT_EQ(stored("ReaderType"), "5");
  EXPECT_EQ(stored("CardType"), "0");
}

TEST_F(StartUp, AFailingConfigurationAsksAndAWorkingChoiceOpensTheReader) {
  start_reader(kiteb_at(57600), "mcu-t0");
  store_settings({{"Port", 1}, {"ReaderType", 5}, {"CardType", 0}, {"MainFrm_Top", 100}, {"MainFrm_Left", 200}});
  QString reason;
  answer_configuration([&](QDialog& dialog) {
    reason = window->com_port_dialog().reason();
    choose(dialog, "COM1", "KITEB (57600bps)");
    press(dialog, "ok");
    return dialog.result();
  });
  start_kestrel();

  EXPECT_EQ(prompter.dialogs_run, 1);
  EXPECT_EQ(reason, "No reader detected (-1081): no reader answers on this port, or the port cannot be opened")
      << "the dialog says why the stored choice failed";
  EXPECT_TRUE(prompter.messages.empty());
  EXPECT_TRUE(binding.reader_open());
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(about_lines().contains("Card is inserted"));
  quit();
  EXPECT_EQ(stored("Port"), "0");
  EXPECT_EQ(stored("ReaderType"), "1");
}

TEST_F(StartUp, CancelInTheDialogEndsTheProgramAfterTheCloseSequence) {
  store_settings({{"Port", 1}, {"ReaderType", 4}, {"CardType", 0}, {"MainFrm_Top", 100}, {"MainFrm_Left", 200}});
  answer_configuration([](QDialog& dialog) {
    choose(dialog, "COM2", "KITEB (19200bps)");
    press(dialog, "cancel");
    return dialog.result();
  });
  start_kestrel();

  EXPECT_EQ(prompter.dialogs_run, 1);
  ASSERT_TRUE(wait_until([&] { return !window->isVisible(); })) << "the window closes by itself";
  EXPECT_EQ(log_lines(), QStringList{"QX_EndSession, return value = -1081"})
      << "the binding keeps the failed open's result in place of a handle";
  EXPECT_EQ(stored("Port"), "1");
  EXPECT_EQ(stored("ReaderType"), "2") << "the indexes chosen in the cancelled dialog are saved";
}

}  // namespace
}  // namespace kestrel::testing
