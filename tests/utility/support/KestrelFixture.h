// Kestrel's main window against the emulated reader, driven as a person drives it: menus,
// buttons, typing, and dialogs answered through a ScriptedPrompter. The emulated reader runs in
// the test process behind RFC 2217 on loopback (which carries DTR, so auto-detection works) and
// COM1 points at it; COM2 points at nothing. The settings live in a folder of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QVariant>

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "ByteField.h"
#include "HexEdit.h"
#include "MainWindow.h"
#include "QtPrinters.h"
#include "ScriptedPrompter.h"
#include "kitesim/card.h"
#include "kitesim/emulator.h"

namespace kestrel::testing {

// A KITEB at 57600 bit/s, so that only auto-detection or the right rate finds it.
inline kitesim::ReaderConfig kiteb_at(uint32_t rate = 57600) {
  kitesim::ReaderConfig config;
  config.rate = rate;
  return config;
}

class KestrelTest : public ::testing::Test {
 protected:
  KestrelTest();
  ~KestrelTest() override;

  // The reader with the card of the model in it, the program, and a session of the card type.
  void start_with_session(const char* model, uint8_t card_type);
  // Starts the emulated reader, with a card when model is given.
  void start_reader(kitesim::ReaderConfig config = kiteb_at(), const char* model = nullptr,
                    kitesim::CardOptions options = {});
  // Writes values into the settings group before the program starts.
  void store_settings(std::initializer_list<std::pair<const char*, QVariant>> values);
  // A stored value as the settings file holds it: as text.
  QString stored(const char* name) const;
  bool settings_exist() const;

  // Creates the main window and shows it, and waits for the start-up to run. Message boxes and
  // dialogs go to the scripted prompter, or to the one given.
  void start_kestrel(Prompter* real_prompter = nullptr);
  // Closes the window as Quit does.
  void quit();

  bool wait_until(const std::function<bool()>& condition);
  bool wait_for_log_line(const QString& line);
  QStringList log_lines() const;
  QStringList about_lines() const;
  void trigger(const QString& menu_caption);
  void click(QWidget& parent, const QString& button_text);

  // The Commands page's controls.
  QComboBox& card_types() const;
  QComboBox& commands() const;
  ByteField& header(const char* caption) const;
  THexEdit& data_editor() const;
  // Replaces what a header field shows by typing, as after selecting its text.
  void type_header(const char* caption, const char* keys);

  // The texts of the messages shown so far, oldest first.
  QStringList message_texts() const;
  // The reader's count of commands received, to mark where a step begins.
  uint64_t reader_command_count() const;
  // The reader commands (command byte, length byte, data) received since the mark, oldest first;
  // at most the reader's recent ones.
  std::vector<kitesim::Bytes> reader_commands_since(uint64_t mark) const;
  // The captions of the tabs that pages shows.
  static QStringList shown_tabs(const QTabWidget& pages);
  // The child of parent with the object name; fails the test when there is none.
  template <typename Widget>
  static Widget& named(const QObject& parent, const char* name) {
    auto* found = parent.findChild<Widget*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return *found;
  }

  // Answers the Reader Configuration dialog: each answer picks the lists' entries and presses
  // buttons, and returns the dialog's result.
  void answer_configuration(std::function<int(QDialog&)> answer);
  static void choose(QDialog& dialog, const char* port, const char* reader);
  static void press(QDialog& dialog, const char* button);

  QTemporaryDir settings_folder;
  std::unique_ptr<kitesim::Emulator> emulator;
  ScriptedPrompter prompter;
  Kiteb& binding;
  Vela1 vela1;
  std::unique_ptr<TForm1> window;
};

}  // namespace kestrel::testing
