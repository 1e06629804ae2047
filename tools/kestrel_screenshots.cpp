// Takes the pictures of the user guide: Kestrel's main window and its dialogs, running against
// the emulated reader (a KITEB behind RFC 2217 on loopback, with a microcontroller card, then the
// demo VELA1 card), drawn on the offscreen platform. The settings go to a temporary folder.
//
//   kestrel_screenshots DIR      writes DIR/about.png, DIR/commands.png, DIR/card-inserted.png,
//                                DIR/reader-configuration.png, DIR/vela1.png, DIR/submit-keys.png,
//                                DIR/vela1-properties.png, DIR/memory-card.png,
//                                DIR/keys-verification.png, DIR/update.png, DIR/properties.png
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>
#include <functional>
#include <stdlib.h>
#include <string>

#include "ByteField.h"
#include "CommandsPage.h"
#include "ComPort.h"
#include "HexEdit.h"
#include "MainWindow.h"
#include "MemoryCardPage.h"
#include "Passwords.h"
#include "Prompter.h"
#include "SetProtect.h"
#include "Write.h"
#include "vela1pro.h"
#include "kitesim/card.h"
#include "kitesim/emulator.h"

namespace {

using kestrel::TForm1;

bool save(QWidget& widget, const QDir& folder, const char* name);

// Nobody answers: messages are printed, dialogs are left at once, after their picture was taken
// when one is asked for.
class UnattendedPrompter final : public kestrel::Prompter {
 public:
  explicit UnattendedPrompter(const QDir& folder) : folder_(folder) {}

  QMessageBox::StandardButton message(QWidget*, Kind, const QString& text, QMessageBox::StandardButtons) override {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
    return QMessageBox::Ok;
  }
  void beep() override {}
  int exec(QDialog& dialog) override {
    if (next_picture != nullptr) {
      dialog.show();
      saved &= save(dialog, folder_, next_picture);
      dialog.hide();
      next_picture = nullptr;
    }
    return QDialog::Rejected;
  }

  const char* next_picture = nullptr;  // the file name of the next dialog's picture
  bool saved = true;

 private:
  QDir folder_;
};

bool wait_until(const std::function<bool()>& condition) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.hasExpired(20000)) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

bool save(QWidget& widget, const QDir& folder, const char* name) {
  const QString path = folder.filePath(QLatin1String(name));
  const bool saved = widget.grab().save(path, "PNG");
  std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
  return saved;
}

void set_header(TForm1& window, const char* caption, const char* hex) {
  window.commands_page().findChild<kestrel::ByteField*>(QLatin1String(caption))->hex().setText(QLatin1String(hex));
}

void click(QWidget& parent, const char* text) {
  for (QPushButton* button : parent.findChildren<QPushButton*>())
    if (button->text() == QLatin1String(text)) button->click();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kestrel_screenshots DIR\n");
    return 2;
  }
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("PELORUS32_TIME_SCALE", "0.1", 0);
  QApplication application(argc, argv);
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.exists() && !QDir().mkpath(folder.path())) return 1;
  QTemporaryDir settings_folder;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_folder.path());

  kitesim::ReaderConfig reader;
  reader.rate = 57600;
  kitesim::Emulator emulator(reader);
  const std::string port = std::to_string(emulator.start_rfc2217());
  ::setenv("PELORUS32_COM1", ("rfc2217://127.0.0.1:" + port).c_str(), 1);

  kestrel::Kiteb binding;
  kestrel::Vela1 vela1(binding);
  UnattendedPrompter prompter(folder);
  TForm1 window(binding, vela1, prompter);
  window.show();
  // The start-up looks for the reader once the window is up.
  wait_until([&] { return window.started_up(); });
  if (!binding.reader_open()) {
    std::fprintf(stderr, "the emulated reader did not open\n");
    return 1;
  }
  bool saved = save(window, folder, "about.png");

  emulator.insert(kitesim::make_card("mcu-t0"));
  if (!wait_until([&] { return window.current_page() == TForm1::Page::Commands; })) return 1;
  saved &= save(window, folder, "card-inserted.png");

  auto* card_types = window.commands_page().findChild<QComboBox*>(QStringLiteral("cardTypes"));
  card_types->setCurrentIndex(card_types->findText(QStringLiteral("14 - MCU T=0")));
  click(window.commands_page(), "Start Session");
  set_header(window, "INS", "A4");
  set_header(window, "Lc", "02");
  const uint8_t master_file[] = {0x3F, 0x00};
  window.commands_page().findChild<kestrel::THexEdit*>(QStringLiteral("data"))->SetBuffer(master_file);
  click(window.commands_page(), "Exchange APDU");
  saved &= save(window, folder, "commands.png");

  kestrel::TFrmComPort& dialog = window.com_port_dialog();
  dialog.show();
  saved &= save(dialog, folder, "reader-configuration.png");
  dialog.hide();

  // The demo VELA1 card: its page lists the files, 1001 is read without a code, 1002 needs the PIN.
  emulator.remove();
  if (!wait_until([&] { return window.current_page() == TForm1::Page::About; })) return 1;
  emulator.insert(kitesim::make_card("vela1"));
  auto* files = window.findChild<QTreeWidget*>(QStringLiteral("files"));
  if (!wait_until([&] { return window.current_page() == TForm1::Page::Vela1 && files->topLevelItemCount() == 1; }))
    return 1;
  const auto file_item = [&](const char* identifier) {
    return files->findItems(QLatin1String(identifier), Qt::MatchExactly | Qt::MatchRecursive).value(0);
  };
  files->setCurrentItem(file_item("1001"));
  saved &= save(window, folder, "vela1.png");

  prompter.next_picture = "submit-keys.png";
  files->setCurrentItem(file_item("1002"));

  kestrel::TFrmVELA1Prop& properties = window.vela1_properties_dialog();
  properties.show();
  properties.pages().setCurrentIndex(kestrel::TFrmVELA1Prop::ElectronicsPurse);
  saved &= save(properties, folder, "vela1-properties.png");
  properties.hide();

  // The demo SLE4442-type card: its main memory on the Memory Card page, and the dialogs of its
  // buttons.
  emulator.remove();
  if (!wait_until([&] { return window.current_page() == TForm1::Page::About; })) return 1;
  emulator.insert(kitesim::make_card("demo-sle4442"));
  if (!wait_until([&] { return window.current_page() == TForm1::Page::MemoryCard; })) return 1;
  kestrel::TMemoryCardPage& memory = window.memory_card_page();
  QTreeWidgetItem* main_memory = nullptr;
  for (QTreeWidgetItem* area : memory.tree().findItems(QStringLiteral("Main Memory"), Qt::MatchExactly | Qt::MatchRecursive))
    if (area->parent()->text(0) == QLatin1String("SLE4442")) main_memory = area;
  if (main_memory == nullptr) return 1;
  memory.tree().scrollToItem(main_memory);
  memory.tree().setCurrentItem(main_memory);
  saved &= save(window, folder, "memory-card.png");

  prompter.next_picture = "keys-verification.png";
  window.passwords_dialog().verify(10, 0);
  prompter.next_picture = "update.png";
  window.write_dialog().update(10, memory.shown_address(), 32);
  prompter.next_picture = "properties.png";
  window.protection_dialog().show_protection(10);

  window.close();
  return saved && prompter.saved ? 0 : 1;
}
