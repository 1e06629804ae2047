// The "Update" and "Counters" dialogs against an emulated memory card: the dialogs are made as
// the main window makes them, shown through the scripted prompter, and driven from inside it as a
// person would, with the clicks and the typing each test gives. The Keys Verification dialog
// they open is answered with a new card's password (eight FF bytes) unless a test answers it.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QRadioButton>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

#include "KestrelFixture.h"
#include "MemoryCommand.h"
#include "Passwords.h"
#include "Write.h"
#include "counter.h"

namespace kestrel::testing {

class MemoryDialogsTest : public KestrelTest {
 protected:
  // A reader with the card in it, its memory starting with the bytes given (the rest FF, as on
  // a new card), and a session of its type.
  void start_with(const char* model, uint8_t type, const std::vector<uint8_t>& memory = {}) {
    kitesim::CardOptions options;
    if (!memory.empty()) {
      options.memory_file = settings_folder.filePath(QStringLiteral("card.bin")).toStdString();
      QFile file(QString::fromStdString(options.memory_file.string()));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(reinterpret_cast<const char*>(memory.data()), static_cast<qint64>(memory.size()));
    }
    start_reader(kiteb_at(), model, options);
    start_kestrel();
    ASSERT_TRUE(binding.reader_open());
    ASSERT_GE(binding.start_session(type), 0);
    card_type = type;
    counter = std::make_unique<TFrmCounter>(binding, prompter, window.get());
    write = std::make_unique<TFrmWrite>(binding, prompter, window->passwords_dialog(), *counter, window.get());
    prompter.on_dialog = [this](QDialog& shown) { return answer(shown); };
  }

  int update(int start, int length, std::function<void()> act) {
    in_update = std::move(act);
    return write->update(card_type, start, length);
  }
  int view_counter(std::function<void()> act) {
    in_counter = std::move(act);
    return counter->view_counter(card_type);
  }

  template <typename Widget>
  static Widget& child(QDialog& dialog, const char* name) {
    auto* found = dialog.findChild<Widget*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return *found;
  }
  THexEdit& field(const char* name) const { return child<THexEdit>(*write, name); }
  QRadioButton& option(const char* name) const { return child<QRadioButton>(*write, name); }
  QCheckBox& backup() const { return child<QCheckBox>(*write, "backup"); }
  void choose(const char* name) const { option(name).click(); }
  static void press(QDialog& dialog, const char* button) {
    QTest::mouseClick(&child<QPushButton>(dialog, button), Qt::LeftButton);
  }
  // Types hexadecimal digits over a field's bytes from its first one.
  static void type_into(THexEdit& hex_field, const char* digits) {
    QTest::keyClick(&hex_field, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(&hex_field, QLatin1String(digits));
  }
  static std::vector<uint8_t> bytes_of(std::span<const uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

  // The card's bytes, read through the library after the dialogs are done.
  std::vector<uint8_t> card_bytes(uint8_t p1, uint8_t p2, int count) {
    EXPECT_GE(send_memory_command(binding, {QXI_Read, p1, p2, {}, count}), 0);
    const QX_APDU& reply = binding.exchange_record();
    return {reply.DataOut, reply.DataOut + std::clamp(reply.Le, 0, QX_DATA_SIZE)};
  }
  // What the trace logged as sent since the mark: each command's header, then its data.
  QStringList sent_since(qsizetype mark) const {
    QStringList sent;
    for (const QString& line : log_lines().mid(mark))
      if (line.startsWith(QLatin1String("< "))) sent << line;
    return sent;
  }
  QStringList message_texts() const {
    QStringList texts;
    for (const auto& message : prompter.messages) texts << message.text;
    return texts;
  }

  std::unique_ptr<TFrmCounter> counter;
  std::unique_ptr<TFrmWrite> write;
  uint8_t card_type = 0;
  std::function<void()> in_update;
  std::function<void()> in_counter;
  std::function<int(QDialog&)> in_passwords = [](QDialog& shown) {
    child<THexEdit>(shown, "value").SetBuffer(std::vector<uint8_t>(8, 0xFF));
    press(shown, "OK");
    return shown.result();
  };
  // The password numbers Keys Verification was opened with, in order.
  std::vector<int> passwords_asked;

 private:
  int answer(QDialog& shown) {
    if (&shown == &window->passwords_dialog()) {
      passwords_asked.push_back(child<QComboBox>(shown, "keyName").currentIndex());
      return in_passwords(shown);
    }
    if (&shown == write.get() && in_update) in_update();
    if (&shown == counter.get() && in_counter) in_counter();
    return shown.result();
  }
};

}  // namespace kestrel::testing
