// The Reader Configuration dialog from "Hardware Configuration": the reader types and ports its
// entries open, a failed OK, and Cancel restoring the previous reader.
#include <QTemporaryDir>

#include <stdlib.h>

#include "KestrelFixture.h"

namespace kestrel::testing {
namespace {

class Configuration : public KestrelTest {
 protected:
  void start_on(kitesim::ReaderConfig config) {
    start_reader(config, "mcu-t0");
    start_kestrel();
    ASSERT_TRUE(binding.reader_open());
  }
  QStringList about_after_reentering() {
    trigger("&Reader Commands");
    trigger("&About...");
    return about_lines();
  }
};

TEST_F(Configuration, EachKitebEntryOpensAtItsOwnRate) {
  start_on(kiteb_at(115200));
  const uint64_t resets = emulator->state().resets;
  answer_configuration([](QDialog& dialog) {
    choose(dialog, "COM1", "KITEB (57600bps)");
    press(dialog, "ok");
    EXPECT_TRUE(dialog.isVisible()) << "a failed OK keeps the dialog open";
    choose(dialog, "COM1", "KITEB (115200bps)");
    press(dialog, "ok");
    return dialog.result();
  });
  trigger("&Hardware Configuration");

  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_TRUE(prompter.messages[0].text.startsWith("No reader detected (-10")) << prompter.messages[0].text.toStdString();
  EXPECT_TRUE(binding.reader_open());
  EXPECT_EQ(emulator->state().resets, resets) << "a fixed rate opens without a reset";
  EXPECT_TRUE(about_after_reentering().contains("BaudRate = 115200 bps"));
  quit();
  EXPECT_EQ(stored("ReaderType"), "3");
}

TEST_F(Configuration, OkWithNothingOnCom2ReportsTheTimeOutAndCancelRestoresThePreviousReader) {
  start_on(kiteb_at(57600));
  answer_configuration([](QDialog& dialog) {
    choose(dialog, "COM2", "KITEB (9600bps)");
    press(dialog, "ok");
    EXPECT_TRUE(dialog.isVisible());
    press(dialog, "cancel");
    return dialog.result();
  });
  trigger("&Hardware Configuration");

  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].text, "No reader detected (-1081)");
  EXPECT_EQ(prompter.dialogs_run, 1) << "the previous reader opens without asking";
  EXPECT_TRUE(binding.reader_open());
  EXPECT_TRUE(about_after_reentering().contains("BaudRate = 57600 bps"));
  quit();
  EXPECT_EQ(stored("Port"), "0");
  EXPECT_EQ(stored("ReaderType"), "5");
}

TEST_F(Configuration, TheKeyboardInterfaceOpensTheKeyboardPort) {
  QTemporaryDir folder;
  const std::string socket = folder.filePath("keyboard.sock").toStdString();
  start_on(kiteb_at(57600));
  emulator->start_keyboard_socket(socket);
  ::setenv("PELORUS32_KEYBOARD", socket.c_str(), 1);
  answer_configuration([](QDialog& dialog) {
    choose(dialog, "Keyboard interface", "KITEB (9600bps)");
    press(dialog, "ok");
    return dialog.result();
  });
  trigger("&Hardware Configuration");

  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages[0].text.toStdString();
  EXPECT_TRUE(binding.reader_open());
  EXPECT_GT(emulator->state().keyboard_requests, 0u);
  EXPECT_TRUE(about_after_reentering().contains("Firmware revision = KITEBT0310"));
  quit();
  EXPECT_EQ(stored("Port"), "2");
}

}  // namespace
}  // namespace kestrel::testing
