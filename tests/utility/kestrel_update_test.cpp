// The "Update" dialog against the emulated memory cards: the options each card type offers, the
// window read from the card, what each option sends, the X76F password checks, and the "Read"
// dialog's address.
#include <QGroupBox>

#include <numeric>

#include "MemoryDialogsFixture.h"
#include "read.h"

namespace kestrel::testing {
namespace {

using Bytes = std::vector<uint8_t>;

// 00 01 02 ... FF: every byte tells where it is.
Bytes counting_bytes() {
  Bytes bytes(256);
  std::iota(bytes.begin(), bytes.end(), 0);
  return bytes;
}

class UpdateDialog : public MemoryDialogsTest {
 protected:
  QStringList enabled_options() const {
    QStringList names;
    for (auto* button : write->findChildren<QRadioButton*>())
      if (button->isEnabled()) names << button->objectName();
    return names;
  }
  void carry_write(const char* model, uint8_t type, bool backup_expected, const char* mode);
};

TEST_F(UpdateDialog, OffersTheOptionsTheCardTypeHas) {
  start_with("lm4kp", 18);
  const std::pair<int, QStringList> offered[] = {
      {1, {"normal", "writeCarry"}},
      {7, {"normal", "writeProtect"}},
      {17, {"normal", "writeAll"}},
      {18, {"normal", "erase", "eraseAll", "writeAll"}},
      {20, {"normal"}},
      {23, {"normal", "writeAll"}},
  };
  for (const auto& [type, names] : offered) {
    card_type = static_cast<uint8_t>(type);
    update(0, 8, [&] { EXPECT_EQ(enabled_options(), names) << "card type " << type; });
  }
  // A type without memory commands offers nothing, and its "Normal" writes nothing to the card.
  card_type = 0;
  const qsizetype mark = log_lines().size();
  EXPECT_EQ(update(0, 8, [&] {
              EXPECT_EQ(enabled_options(), QStringList{});
              press(*write, "OK");
            }),
            QDialog::Rejected);
  EXPECT_EQ(sent_since(mark).mid(1), QStringList{});
  EXPECT_EQ(message_texts(), QStringList{"Selected card type does not provide this function"});
  EXPECT_EQ(write->windowTitle(), "Update");
  EXPECT_EQ(child<QGroupBox>(*write, "area").title(), "Memory area to be updated");
  QStringList captions;
  for (auto* button : child<QGroupBox>(*write, "writeOptions").findChildren<QRadioButton*>()) captions << button->text();
  EXPECT_EQ(captions, (QStringList{"Normal", "Erase the selected contect with FF", "Erase the complete card content with FF",
                                   "Write the complete card content with :", "Write protect the memory",
                                   "Write carry the memory"}));
}

// IIC: the window is at most 32 bytes; a normal write sends what it shows, an empty window none.
TEST_F(UpdateDialog, ANormalWriteSendsTheWindowShown) {
  start_with("iic", 11, counting_bytes());
  const int written = update(0x0010, 40, [&] {
    EXPECT_EQ(bytes_of(field("start").GetBuffer()), (Bytes{0x00, 0x10}));
    EXPECT_EQ(bytes_of(field("length").GetBuffer()), Bytes{32});
    EXPECT_EQ(field("data").GetBuffer().size(), 32U);
    EXPECT_EQ(field("data").GetBuffer()[31], 0x2F);
    EXPECT_TRUE(option("normal").isChecked());
    type_into(field("data"), "a1a2");
    press(*write, "OK");
  });
  EXPECT_EQ(written, QDialog::Accepted);
  Bytes expected = counting_bytes();
  expected[0x10] = 0xA1;
  expected[0x11] = 0xA2;
  EXPECT_EQ(card_bytes(0, 0, 64), Bytes(expected.begin(), expected.begin() + 64));

  const qsizetype mark = log_lines().size();
  EXPECT_EQ(update(0x0010, 0, [&] {
              EXPECT_EQ(field("data").BufferLen(), 0);
              press(*write, "OK");
            }),
            QDialog::Accepted);
  EXPECT_EQ(sent_since(mark), (QStringList{"< 00 01 00 10 00 00", "< 00 02 00 10 00 00"}));
}

// A length typed after the window was read asks for bytes the window does not show: refused,
// with the dialog left open, until "Read Again" has read them.
TEST_F(UpdateDialog, ALengthBeyondTheShownWindowIsRefusedUntilReadAgain) {
  start_with("iic", 11, counting_bytes());
  qsizetype mark = 0;
  const int written = update(0, 8, [&] {
    type_into(field("length"), "10");
    mark = log_lines().size();
    press(*write, "OK");
    EXPECT_EQ(write->result(), QDialog::Rejected);
    EXPECT_EQ(sent_since(mark), QStringList{}) << "nothing sent";
    press(*write, "readAgain");
    EXPECT_EQ(field("data").BufferLen(), 16);
    press(*write, "OK");
  });
  EXPECT_EQ(written, QDialog::Accepted);
  EXPECT_EQ(message_texts(), QStringList{"16 bytes are needed but only 8 are shown: press \"Read Again\" first"});
  EXPECT_EQ(sent_since(mark).mid(1), (QStringList{"< 00 02 00 00 10 00",
                                                  "< 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F "}));
}

// LM104: a read outside the card leaves the window as it was; a write the card refuses closes
// the dialog with Cancel.
TEST_F(UpdateDialog, FailuresAreReportedWithTheLibrarysCode) {
  const Bytes identification = counting_bytes();
  start_with("lm104", 1, Bytes(identification.begin(), identification.begin() + 13));
  const int written = update(0, 4, [&] {
    type_into(field("start"), "0020");
    press(*write, "readAgain");
    EXPECT_EQ(bytes_of(field("data").GetBuffer()), (Bytes{0, 1, 2, 3}));
    type_into(field("start"), "0000");
    press(*write, "OK");  // the identification takes no write before the transport code
  });
  EXPECT_EQ(written, QDialog::Rejected);
  EXPECT_EQ(message_texts(),
            (QStringList{"Execution error(Read)!!!, result=-1010", "Execution error!!!, return=-1015"}));
}

// The carry write: the backup bit comes up unchecked for the LM104, checked for the LM221, and
// is set so again by every click on an option.
void UpdateDialog::carry_write(const char* model, uint8_t type, bool backup_expected, const char* mode) {
  start_with(model, type, {0, 0, 0, 0, 0, 0, 0, 0, 0x71, 0x00, 0x0F, 0x00, 0x03});
  const qsizetype mark = log_lines().size();
  const int written = update(10, 1, [&] {
    EXPECT_FALSE(backup().isEnabled());
    EXPECT_FALSE(child<QPushButton>(*write, "viewCounter").isEnabled());
    choose("writeCarry");
    EXPECT_TRUE(backup().isEnabled());
    EXPECT_EQ(backup().isChecked(), backup_expected);
    backup().setChecked(!backup_expected);
    choose("writeCarry");
    EXPECT_EQ(backup().isChecked(), backup_expected) << "reset by the click";
    type_into(field("data"), "0e");
    press(*write, "OK");
  });
  EXPECT_EQ(written, QDialog::Accepted);
  EXPECT_EQ(sent_since(mark).mid(1), (QStringList{QStringLiteral("< 00 08 %1 0A 01 00").arg(QLatin1String(mode)), "< 0E "}));
  EXPECT_EQ(card_bytes(0, 8, 5), (Bytes{0x71, 0x00, 0x0E, 0xFF, 0x03})) << "the stage below refilled";
}

TEST_F(UpdateDialog, TheLM104CarriesWithoutTheBackupBit) { carry_write("lm104", 1, false, "01"); }
TEST_F(UpdateDialog, TheLM221CarriesWithTheBackupBit) { carry_write("lm221", 2, true, "03"); }

// LM256: the fill field is editable only with its option, keeps what was typed, and is sent;
// card types without a fill of their own show 00 00.
TEST_F(UpdateDialog, TheLM256FillsTheCardWithTheTypedValue) {
  start_with("lm256", 17);
  const qsizetype mark = log_lines().size();
  const int written = update(0, 8, [&] {
    EXPECT_FALSE(field("fill").isEnabled());
    choose("writeAll");
    EXPECT_TRUE(field("fill").isEnabled());
    for (const char* name : {"start", "length", "data"}) EXPECT_FALSE(field(name).isEnabled()) << name;
    type_into(field("fill"), "abcd");
    choose("normal");
    EXPECT_FALSE(field("fill").isEnabled());
    choose("writeAll");
    press(*write, "OK");
  });
  EXPECT_EQ(written, QDialog::Accepted);
  EXPECT_EQ(sent_since(mark).mid(1), (QStringList{"< 00 0F 00 00 02 00", "< AB CD "}));
  Bytes filled(32);
  for (size_t i = 0; i < filled.size(); ++i) filled[i] = i % 2 == 0 ? 0xAB : 0xCD;
  EXPECT_EQ(card_bytes(0, 0, 32), filled);

  card_type = 20;  // X24645
  update(0, 8, [&] {
    EXPECT_FALSE(option("writeAll").isEnabled());
    EXPECT_EQ(bytes_of(field("fill").GetBuffer()), (Bytes{0x00, 0x00}));
  });
}

// X76F128: a write asks for the write password of array 0; cancelled, nothing is written.
TEST_F(UpdateDialog, ACancelledPasswordCheckWritesNothing) {
  start_with("x76f128", 23);
  in_passwords = [](QDialog&) { return QDialog::Rejected; };
  const qsizetype mark = log_lines().size();
  EXPECT_EQ(update(0, 8, [&] {
              type_into(field("data"), "1122");
              press(*write, "OK");
            }),
            QDialog::Rejected);
  EXPECT_EQ(passwords_asked, std::vector<int>{2});
  EXPECT_FALSE(sent_since(mark).join('|').contains("< 00 02 ")) << "no write sent";
  ASSERT_GE(send_memory_command(binding, {QXI_Verify, 0, 0, Bytes(8, 0xFF)}), 0);
  EXPECT_EQ(card_bytes(0, 0, 8), Bytes(8, 0xFF));
}

// X76F640: array 1 from address 8000 is written under password 3, array 0 under password 2.
// Without the read password the window cannot be read: it shows zeros, not the last window.
TEST_F(UpdateDialog, TheX76F640AsksForThePasswordOfTheArrayWritten) {
  start_with("x76f640", 24);
  for (int start : {0x8000, 0x0010}) {
    EXPECT_EQ(update(start, 2, [&] {
                EXPECT_EQ(bytes_of(field("data").GetBuffer()), Bytes(2, 0x00));
                type_into(field("data"), start == 0x8000 ? "8182" : "0102");
                press(*write, "OK");
              }),
              QDialog::Accepted);
  }
  EXPECT_EQ(passwords_asked, (std::vector<int>{3, 2}));
  for (uint8_t slot : {0, 1}) ASSERT_GE(send_memory_command(binding, {QXI_Verify, slot, 0, Bytes(8, 0xFF)}), 0);
  EXPECT_EQ(card_bytes(0x80, 0, 2), (Bytes{0x81, 0x82}));
  EXPECT_EQ(card_bytes(0x00, 0x10, 2), (Bytes{0x01, 0x02}));
}

// X76F128: the whole-card fill presents the reset password and sends the two shown fill bytes
// and six zero bytes; the card fills both arrays and sets every password to zeros.
TEST_F(UpdateDialog, TheX76F128WholeCardFillPresentsTheResetPassword) {
  start_with("x76f128", 23);
  const qsizetype mark = log_lines().size();
  EXPECT_EQ(update(0, 8, [&] {
              choose("writeAll");
              EXPECT_FALSE(field("fill").isEnabled());
              press(*write, "OK");
            }),
            QDialog::Accepted);
  EXPECT_EQ(passwords_asked, std::vector<int>{4});
  const QStringList sent = sent_since(mark);
  ASSERT_GE(sent.size(), 2);
  EXPECT_EQ(sent.mid(sent.size() - 2), (QStringList{"< 00 0F 00 00 08 00", "< 00 00 00 00 00 00 00 00 "}));
  EXPECT_EQ(card_bytes(0, 0, 8), Bytes(8, 0x00)) << "read with the zero password the fill left valid";
}

TEST_F(UpdateDialog, TheX76F100WritesUnderItsWritePassword) {
  start_with("x76f100", 25);
  EXPECT_EQ(update(0, 2, [&] { press(*write, "OK"); }), QDialog::Accepted);
  EXPECT_EQ(passwords_asked, std::vector<int>{0});
}

class ReadDialog : public KestrelTest {};

// The address comes back as typed, after OK and after Cancel alike.
TEST_F(ReadDialog, ReturnsTheAddressTyped) {
  TFrmRead read(prompter);
  EXPECT_EQ(read.windowTitle(), "Read");
  for (const int result : {QDialog::Accepted, QDialog::Rejected}) {
    int address = 0x1234;
    prompter.on_dialog = [&](QDialog& shown) {
      auto& field = *shown.findChild<THexEdit*>(QStringLiteral("address"));
      EXPECT_EQ(field.GetBuffer()[0], 0x12);
      EXPECT_EQ(field.GetBuffer()[1], 0x34);
      QTest::keyClick(&field, Qt::Key_Home, Qt::ControlModifier);
      QTest::keyClicks(&field, QStringLiteral("abcd"));
      if (result == QDialog::Accepted) QTest::mouseClick(shown.findChild<QPushButton*>(QStringLiteral("OK")), Qt::LeftButton);
      return result;
    };
    EXPECT_EQ(read.ask_address(1, address), result);
    EXPECT_EQ(address, 0xABCD);
  }
}

}  // namespace
}  // namespace kestrel::testing
