#include "KestrelFixture.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTest>

#include <stdlib.h>

#include <algorithm>

#include "AboutPage.h"
#include "CommandsPage.h"
#include "LogView.h"

namespace kestrel::testing {
namespace {

constexpr int kPatience = 20000;  // ms; a condition that takes longer has failed

// The binding is never destroyed: a card-event thread the library started may still be
// returning into the library when a test ends, so the library must stay loaded.
Kiteb& process_binding() {
  static Kiteb* binding = new Kiteb;
  return *binding;
}

// The program's settings group, as the program opens it.
struct MainSettingsGroup : QSettings {
  MainSettingsGroup() : QSettings(QStringLiteral("Tolvik"), QStringLiteral("Kestrel")) {
    beginGroup(QStringLiteral("2.0/Main"));
  }
};

QStringList lines_of(const QPlainTextEdit& text) {
  const QString all = text.toPlainText();
  return all.isEmpty() ? QStringList{} : all.split(QLatin1Char('\n'));
}

}  // namespace

KestrelTest::KestrelTest() : binding(process_binding()), vela1(binding) {
  // Neither the settings nor the library's ports.conf come from the user's configuration.
  ::setenv("XDG_CONFIG_HOME", settings_folder.path().toLocal8Bit().constData(), 1);
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_folder.path());
  ::setenv("PELORUS32_COM2", "/nonexistent/kestrel-test-com2", 1);
  ::unsetenv("PELORUS32_KEYBOARD");
  binding.exchange_record() = QX_APDU{};
  binding.session() = QX_SESSION{};
}

KestrelTest::~KestrelTest() {
  if (window && window->isVisible()) window->close();
  window.reset();
  binding.close();
  emulator.reset();
}

void KestrelTest::start_reader(kitesim::ReaderConfig config, const char* model, kitesim::CardOptions options) {
  emulator = std::make_unique<kitesim::Emulator>(config);
  const uint16_t port = emulator->start_rfc2217();
  ::setenv("PELORUS32_COM1", ("rfc2217://127.0.0.1:" + std::to_string(port)).c_str(), 1);
  if (model != nullptr) emulator->insert(kitesim::make_card(model, options));
}

void KestrelTest::start_with_session(const char* model, uint8_t card_type) {
  start_reader(kiteb_at(), model);
  start_kestrel();
  ASSERT_TRUE(binding.reader_open());
  ASSERT_GE(binding.start_session(card_type), 0);
}

void KestrelTest::store_settings(std::initializer_list<std::pair<const char*, QVariant>> values) {
  MainSettingsGroup settings;
  for (const auto& [name, value] : values) settings.setValue(QLatin1String(name), value);
}

QString KestrelTest::stored(const char* name) const {
  return MainSettingsGroup().value(QLatin1String(name)).toString();
}

bool KestrelTest::settings_exist() const { return MainSettingsGroup().contains(QStringLiteral("Port")); }

void KestrelTest::start_kestrel(Prompter* real_prompter) {
  window = std::make_unique<TForm1>(binding, vela1, real_prompter != nullptr ? *real_prompter : prompter);
  window->show();
  // The start-up runs once the window is up.
  EXPECT_TRUE(wait_until([this] { return window->started_up() || !window->isVisible(); }));
}

void KestrelTest::quit() { click(*window, QStringLiteral("Quit")); }

bool KestrelTest::wait_until(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, kPatience); }

bool KestrelTest::wait_for_log_line(const QString& line) {
  return wait_until([&] { return log_lines().contains(line); });
}

QStringList KestrelTest::log_lines() const { return lines_of(window->log()); }

QStringList KestrelTest::about_lines() const { return lines_of(window->about_page().list()); }

void KestrelTest::trigger(const QString& menu_caption) {
  for (QAction* action : window->findChildren<QAction*>()) {
    if (action->text() == menu_caption) {
      action->trigger();
      return;
    }
  }
  ADD_FAILURE() << "no menu command " << menu_caption.toStdString();
}

void KestrelTest::click(QWidget& parent, const QString& button_text) {
  for (QPushButton* button : parent.findChildren<QPushButton*>()) {
    if (button->text() == button_text) {
      QTest::mouseClick(button, Qt::LeftButton);
      return;
    }
  }
  ADD_FAILURE() << "no button " << button_text.toStdString();
}

QComboBox& KestrelTest::card_types() const { return *window->commands_page().findChild<QComboBox*>("cardTypes"); }

QComboBox& KestrelTest::commands() const { return *window->commands_page().findChild<QComboBox*>("commands"); }

ByteField& KestrelTest::header(const char* caption) const {
  return *window->commands_page().findChild<ByteField*>(QLatin1String(caption));
}

THexEdit& KestrelTest::data_editor() const { return *window->commands_page().findChild<THexEdit*>("data"); }

void KestrelTest::type_header(const char* caption, const char* keys) {
  QLineEdit& hex = header(caption).hex();
  QTest::keyClick(&hex, Qt::Key_End);
  QTest::keyClick(&hex, Qt::Key_Home, Qt::ShiftModifier);
  QTest::keyClicks(&hex, QLatin1String(keys));
}

QStringList KestrelTest::message_texts() const {
  QStringList texts;
  for (const auto& message : prompter.messages) texts << message.text;
  return texts;
}

QStringList KestrelTest::shown_tabs(const QTabWidget& pages) {
  QStringList captions;
  for (int i = 0; i < pages.count(); ++i)
    if (pages.isTabVisible(i)) captions << pages.tabText(i);
  return captions;
}

uint64_t KestrelTest::reader_command_count() const { return emulator->state().commands_received; }

std::vector<kitesim::Bytes> KestrelTest::reader_commands_since(uint64_t mark) const {
  const kitesim::ReaderState state = emulator->state();
  const auto count = static_cast<size_t>(std::min<uint64_t>(state.commands_received - mark, state.recent_commands.size()));
  return {state.recent_commands.end() - static_cast<std::ptrdiff_t>(count), state.recent_commands.end()};
}

void KestrelTest::answer_configuration(std::function<int(QDialog&)> answer) {
  prompter.on_dialog = [answer = std::move(answer)](QDialog& dialog) {
    dialog.show();
    const int result = answer(dialog);
    dialog.hide();
    return result;
  };
}

void KestrelTest::choose(QDialog& dialog, const char* port, const char* reader) {
  auto* ports = dialog.findChild<QComboBox*>("ports");
  auto* readers = dialog.findChild<QComboBox*>("readers");
  ports->setCurrentIndex(ports->findText(QLatin1String(port)));
  readers->setCurrentIndex(readers->findText(QLatin1String(reader)));
  ASSERT_GE(ports->currentIndex(), 0) << port;
  ASSERT_GE(readers->currentIndex(), 0) << reader;
}

void KestrelTest::press(QDialog& dialog, const char* button) {
  QTest::mouseClick(dialog.findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
}

}  // namespace kestrel::testing
