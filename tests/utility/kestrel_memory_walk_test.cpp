// One walk through the Memory Card page as a user takes it, on the demo SLE4442-type card (code
// 12 34 56): present the code, write bytes through Update, see them in the view, write-protect
// them, find a later write refused, and find the card's saved image holding them.
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include "KestrelFixture.h"
#include "MemoryCardPage.h"
#include "Passwords.h"
#include "Write.h"

namespace kestrel::testing {
namespace {

class MemoryCardWalk : public KestrelTest {
 protected:
  TMemoryCardPage& page() const { return window->memory_card_page(); }
  void press(const char* name) { page().findChild<QPushButton*>(QLatin1String(name))->click(); }
  std::vector<uint8_t> shown() const {
    const std::span<const uint8_t> bytes = page().view().GetBuffer();
    return {bytes.begin(), bytes.end()};
  }
  // Bytes 8 to 11 of the view, where the walk writes.
  std::vector<uint8_t> shown_written() const {
    const std::vector<uint8_t> all = shown();
    return {all.begin() + 8, all.begin() + 12};
  }
  // Types hexadecimal digits over an editor's bytes from its first one.
  static void type_into(THexEdit& editor, const char* digits) {
    QTest::keyClick(&editor, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(&editor, QLatin1String(digits));
  }
  // Opens Update on the bytes shown, types over them and writes them with the option given.
  int update(const char* digits, const char* option) {
    prompter.on_dialog = [&](QDialog& dialog) {
      type_into(*dialog.findChild<THexEdit*>(QStringLiteral("data")), digits);
      dialog.findChild<QRadioButton*>(QLatin1String(option))->click();
      dialog.findChild<QPushButton*>(QStringLiteral("OK"))->click();
      return dialog.result();
    };
    press("write");
    return window->write_dialog().result();
  }
};

TEST_F(MemoryCardWalk, CodeWriteProtectAndTheSavedCard) {
  const QString image = settings_folder.filePath(QStringLiteral("sle4442.bin"));
  start_reader(kiteb_at(), "demo-sle4442", {.memory_file = image.toStdString()});
  start_kestrel();
  ASSERT_TRUE(binding.reader_open());
  window->show_page(TForm1::Page::MemoryCard);
  const auto areas = page().tree().findItems(QStringLiteral("Protected Memory"), Qt::MatchExactly | Qt::MatchRecursive);
  QTreeWidgetItem* protected_memory = nullptr;
  for (QTreeWidgetItem* area : areas)
    if (area->parent()->text(0) == QLatin1String("SLE4442")) protected_memory = area;
  ASSERT_NE(protected_memory, nullptr);
  page().tree().setCurrentItem(protected_memory);
  const std::vector<uint8_t> first = shown();
  ASSERT_EQ(first.size(), 32U);
  EXPECT_EQ(std::string(first.begin(), first.begin() + 8), "KESTREL1");

  prompter.on_dialog = [](QDialog& dialog) {
    dialog.findChild<THexEdit*>(QStringLiteral("value"))->SetBuffer(std::vector<uint8_t>{0x12, 0x34, 0x56});
    dialog.findChild<QPushButton*>(QStringLiteral("OK"))->click();
    return dialog.result();
  };
  press("keys");
  ASSERT_EQ(window->passwords_dialog().result(), QDialog::Accepted);

  // Bytes 8 to 11 (the identification before them is protected already, and typed as it is).
  const char* written = "4B45535452454C31A1B2C3D4";
  ASSERT_EQ(update(written, "normal"), QDialog::Accepted) << prompter.messages.size();
  EXPECT_EQ(shown_written(), (std::vector<uint8_t>{0xA1, 0xB2, 0xC3, 0xD4}));

  ASSERT_EQ(update(written, "writeProtect"), QDialog::Accepted);
  EXPECT_EQ(update("4B45535452454C31FFFFFFFF", "normal"), QDialog::Rejected);
  ASSERT_FALSE(prompter.messages.empty());
  EXPECT_TRUE(prompter.messages.back().text.startsWith(QLatin1String("Execution error!!!, return=")));
  EXPECT_EQ(shown_written(), (std::vector<uint8_t>{0xA1, 0xB2, 0xC3, 0xD4}));

  emulator->remove();  // the emulator saves the card
  QFile saved(image);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  const QByteArray bytes = saved.read(12);
  EXPECT_EQ(bytes, QByteArray("KESTREL1\xA1\xB2\xC3\xD4", 12));
}

}  // namespace
}  // namespace kestrel::testing
