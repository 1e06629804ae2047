// The Special functions dialog against the emulated memory cards: the pages each card type
// shows, the certificates of the counter cards, the fuse pin, and the reactivation of a locked
// X76F128. Memory, keys and passwords of a new emulated card are all FF.
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <optional>
#include <vector>

#include "KestrelFixture.h"
#include "MemoryCommand.h"
#include "Special.h"

namespace kestrel::testing {
namespace {

using Bytes = std::vector<uint8_t>;

// The emulated counter cards' certificate: CRC-16/CCITT (polynomial 1021, initial value FFFF)
// over the key, the challenge and, on the LM221, the clock pulse count.
uint16_t expected_certificate(const Bytes& key, const Bytes& challenge, std::optional<uint8_t> pulses) {
  Bytes message = key;
  message.insert(message.end(), challenge.begin(), challenge.end());
  if (pulses) message.push_back(*pulses);
  uint16_t crc = 0xFFFF;
  for (uint8_t byte : message) {
    crc ^= static_cast<uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit) crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return crc;
}

class SpecialFunctions : public KestrelTest {
 protected:
  TFrmSpecial& dialog() const { return window->special_dialog(); }
  template <typename Widget>
  Widget& child(const char* name) const {
    return named<Widget>(dialog(), name);
  }
  void press(const char* name) { child<QPushButton>(name).click(); }
  QString certificate() const { return child<QLabel>("certificate").text(); }
  QString result() const { return child<QLabel>("result").text(); }
  THexEdit& challenge() const { return child<THexEdit>("challenge"); }
  QStringList shown_pages() const { return shown_tabs(dialog().pages()); }
  QString active_page() const { return dialog().pages().tabText(dialog().pages().currentIndex()); }
  // Whether the widget is shown when the dialog is.
  bool shown(const char* name) const { return child<QWidget>(name).isVisibleTo(&dialog()); }
  void type_clk_pulses(const char* digits) {
    QLineEdit& hex = child<ByteField>("clkPulses").hex();
    hex.selectAll();
    QTest::keyClicks(&hex, QLatin1String(digits));
  }
};

// LM221: key 1 (six bytes at 16) or key 2 (eight at 40), the challenge and the clock pulses make
// the two-byte certificate, shown in hexadecimal without leading zeros.
TEST_F(SpecialFunctions, LM221CertifiesTheChallengeWithTheChosenKeyAndClockPulses) {
  start_with_session("lm221", QX_CARD_LM221);
  const uint8_t pulses = 0x1F;
  // A challenge whose certificate has both bytes below 10 and a letter digit.
  Bytes challenge_bytes{0x01, 0x02, 0x03, 0x04, 0, 0};
  for (int i = 0; i < 0x10000; ++i) {
    challenge_bytes[4] = static_cast<uint8_t>(i >> 8);
    challenge_bytes[5] = static_cast<uint8_t>(i);
    const uint16_t crc = expected_certificate(Bytes(6, 0xFF), challenge_bytes, pulses);
    if ((crc & 0xF0F0) == 0 && (crc & 0x0F00) >= 0x0A00) break;
  }
  const uint16_t with_key1 = expected_certificate(Bytes(6, 0xFF), challenge_bytes, pulses);
  const uint16_t with_key2 = expected_certificate(Bytes(8, 0xFF), challenge_bytes, pulses);
  ASSERT_EQ(with_key1 & 0xF0F0, 0);

  prompter.on_dialog = [&](QDialog& dialog_shown) {
    EXPECT_EQ(shown_pages(), QStringList{"Authentication"});
    EXPECT_TRUE(shown("clkPulses"));
    EXPECT_TRUE(shown("use"));
    EXPECT_TRUE(child<QRadioButton>("key1").isChecked());
    EXPECT_EQ(child<ByteField>("clkPulses").hex().text(), "00");
    EXPECT_EQ(challenge().BufferLen(), 6);
    EXPECT_EQ(certificate(), "Certificate:");
    challenge().SetBuffer(challenge_bytes);
    type_clk_pulses("1F");
    press("authenticate");
    EXPECT_EQ(certificate(), QString::asprintf("Certificate = %X %X", with_key1 >> 8, with_key1 & 0xFF));
    child<QRadioButton>("key2").click();
    press("authenticate");
    EXPECT_EQ(certificate(), QString::asprintf("Certificate = %X %X", with_key2 >> 8, with_key2 & 0xFF));
    press("Exit");
    return dialog_shown.result();
  };
  dialog().show_special(QX_CARD_LM221);
  EXPECT_EQ(dialog().result(), QDialog::Accepted);
  EXPECT_TRUE(child<QPushButton>("Exit").isDefault());
  EXPECT_TRUE(prompter.messages.empty());

  // With no byte in "CLK pulses:" nothing is sent.
  prompter.on_dialog = [&](QDialog& dialog_shown) {
    QLineEdit& hex = child<ByteField>("clkPulses").hex();
    hex.selectAll();
    QTest::keyClick(&hex, Qt::Key_Delete);
    const uint64_t mark = reader_command_count();
    press("authenticate");
    EXPECT_TRUE(reader_commands_since(mark).empty());
    return dialog_shown.result();
  };
  dialog().show_special(QX_CARD_LM221);
  EXPECT_EQ(prompter.beeps, 1);
  EXPECT_EQ(message_texts(), QStringList{"'' is not a valid number"});
}

// ST1335: four challenge bytes, no key choice and no clock pulses; the challenge keeps its first
// bytes from an LM221 opening. A failed exchange shows the error in the label too.
TEST_F(SpecialFunctions, STCardsCertifyFourChallengeBytesWithOneByte) {
  start_with_session("st1335", QX_CARD_ST1335);
  const Bytes typed{0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
  prompter.on_dialog = [&](QDialog& dialog_shown) {
    challenge().SetBuffer(typed);
    return dialog_shown.result();
  };
  dialog().show_special(QX_CARD_LM221);

  const Bytes challenge_bytes(typed.begin(), typed.begin() + 4);
  const uint16_t crc = expected_certificate(Bytes(8, 0xFF), challenge_bytes, std::nullopt);
  prompter.on_dialog = [&](QDialog& dialog_shown) {
    EXPECT_FALSE(shown("clkPulses"));
    EXPECT_FALSE(shown("use"));
    const std::span<const uint8_t> held = challenge().GetBuffer();
    EXPECT_EQ(Bytes(held.begin(), held.end()), challenge_bytes);
    press("authenticate");
    EXPECT_EQ(certificate(), QString::asprintf("Certificate = %X", crc >> 8));
    EXPECT_GE(binding.end_session(), 0);
    press("authenticate");
    return dialog_shown.result();
  };
  dialog().show_special(QX_CARD_ST1335);
  EXPECT_EQ(message_texts(), QStringList{"Error:Unexpected error. QXI_Authenticate return -1001"});
  EXPECT_EQ(certificate(), "Certificate : Error");
}

// SLE4404: the fuse pin high, low or at high impedance; no fuse to blow.
TEST_F(SpecialFunctions, SetFusePinSendsThePinChosen) {
  start_with_session("sle4404", QX_CARD_SLE4404);
  std::vector<Bytes> pins_sent;
  prompter.on_dialog = [&](QDialog& dialog_shown) {
    EXPECT_EQ(shown_pages(), QStringList{"Set Fuse"});
    EXPECT_TRUE(child<QRadioButton>("high").isChecked());
    for (const char* pin : {"high", "low", "highImpedance"}) {
      child<QRadioButton>(pin).click();
      const uint64_t mark = reader_command_count();
      press("setFusePin");
      const std::vector<Bytes> sent = reader_commands_since(mark);
      if (!sent.empty()) pins_sent.push_back(sent.front());
    }
    EXPECT_GE(binding.end_session(), 0);
    press("setFusePin");
    return dialog_shown.result();
  };
  dialog().show_special(QX_CARD_SLE4404);
  EXPECT_EQ(pins_sent, (std::vector<Bytes>{{0x84, 1, 0x01}, {0x84, 1, 0xFF}, {0x84, 1, 0x00}}));
  EXPECT_EQ(message_texts(), QStringList{"Error:Unexpected error. QXI_SetFuse return -1001"});
}

// AT101: the fuse pin page first, and the fuse page beside it, whose button never works.
TEST_F(SpecialFunctions, AT101ShowsTheFuseBlowButtonDisabled) {
  start_with_session("at101", QX_CARD_AT101);
  prompter.on_dialog = [&](QDialog& dialog_shown) {
    EXPECT_EQ(shown_pages(), (QStringList{"Set Fuse", "Blow Fuse"}));
    EXPECT_EQ(active_page(), "Set Fuse");
    press("setFusePin");
    dialog().pages().setCurrentIndex(TFrmSpecial::BlowFuse);
    EXPECT_FALSE(child<QPushButton>("blowFuse").isEnabled());
    const uint64_t mark = reader_command_count();
    QTest::mouseClick(&child<QPushButton>("blowFuse"), Qt::LeftButton);
    EXPECT_TRUE(reader_commands_since(mark).empty());
    return dialog_shown.result();
  };
  dialog().show_special(QX_CARD_AT101);
  EXPECT_TRUE(prompter.messages.empty());
}

// X76F128: eight wrong passwords lock it; the reset password gives its retries back.
TEST_F(SpecialFunctions, ReactivateGivesALockedCardItsRetriesBack) {
  start_with_session("x76f128", QX_CARD_X76F128);
  const Bytes right(8, 0xFF);
  const auto verify = [&](const Bytes& password) { return send_memory_command(binding, {QXI_Verify, 0, 0, password}); };
  for (int miss = 0; miss < 8; ++miss) verify(Bytes(8, 0x00));
  ASSERT_EQ(verify(right), QX_ERR_STATUS_6705) << "locked";

  QStringList results;
  prompter.on_dialog = [&](QDialog& dialog_shown) {
    EXPECT_EQ(shown_pages(), QStringList{"Reactivate"});
    EXPECT_EQ(result(), "None");
    press("reactivate");  // the field's zeros
    results << result();
    child<THexEdit>("resetPassword").SetBuffer(right);
    press("reactivate");
    results << result();
    EXPECT_GE(binding.end_session(), 0);
    press("reactivate");
    results << result();
    return dialog_shown.result();
  };
  dialog().show_special(QX_CARD_X76F128);
  EXPECT_EQ(results, (QStringList{"Incorrect Password!!!", "OK", "Error: QXI_Reactivate return -1001"}));
  ASSERT_GE(binding.start_session(QX_CARD_X76F128), 0);
  EXPECT_EQ(verify(right), 0);
  EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(SpecialFunctions, RefusesCardTypesWithoutSpecialFunctions) {
  start_with_session("lm221", QX_CARD_LM221);
  for (int type : {QX_CARD_LM104, QX_CARD_XIIC, QX_CARD_LM256, QX_CARD_X76F041, QX_CARD_X76F100}) dialog().show_special(type);
  EXPECT_EQ(message_texts(), QStringList(5, "Selected card type does not provide this function"));
  EXPECT_EQ(prompter.dialogs_run, 0);
}

}  // namespace
}  // namespace kestrel::testing
