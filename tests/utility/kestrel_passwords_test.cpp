// Keys Verification against the emulated memory cards: the key lists, the error counters in the
// card's answer, the key memory shared by password number, changes, and the refusals. New
// emulated cards have all their codes and passwords FF.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <vector>

#include "KestrelFixture.h"
#include "Passwords.h"

namespace kestrel::testing {
namespace {

std::vector<uint8_t> bytes_of(std::span<const uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

class KeysVerification : public KestrelTest {
 protected:
  // A reader with the card in it and a session of its type.
  void start_with(const char* model, uint8_t card_type) {
    start_reader(kiteb_at(), model);
    start_kestrel();
    ASSERT_TRUE(binding.reader_open());
    ASSERT_GE(binding.start_session(card_type), 0);
  }

  TFrmPasswords& dialog() const { return window->passwords_dialog(); }
  template <typename Widget>
  Widget& child(const char* name) const {
    auto* found = dialog().findChild<Widget*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return *found;
  }
  THexEdit& value() const { return child<THexEdit>("value"); }
  THexEdit& new_value() const { return child<THexEdit>("newValue"); }
  void press_ok() { QTest::mouseClick(&child<QPushButton>("OK"), Qt::LeftButton); }
  // Types the value and presses OK; the dialog stays open unless the card took it.
  void present(std::vector<uint8_t> bytes) {
    value().SetBuffer(bytes);
    press_ok();
  }
  // Whether OK ended the dialog (the scripted prompter does not show it, so it never hides).
  static bool closed(const QDialog& shown) { return shown.result() == QDialog::Accepted; }
  QStringList message_texts() const {
    QStringList texts;
    for (const auto& message : prompter.messages) texts << message.text;
    return texts;
  }
  QStringList key_names() const {
    QStringList names;
    const auto& list = child<QComboBox>("keyName");
    for (int i = 0; i < list.count(); ++i) names << list.itemText(i);
    return names;
  }
};

// SLE4404: a wrong secret code is answered with the chances left in the low four bits; the
// right one is kept in the key memory and comes back under its number for another card type.
TEST_F(KeysVerification, ACodeCardCountsChancesAndTheAcceptedCodeIsRemembered) {
  start_with("sle4404", 3);
  prompter.on_dialog = [&](QDialog& shown) {
    EXPECT_EQ(key_names(), (QStringList{"Secret Code (2 bytes)", "Erase Code (4 bytes)"}));
    child<QComboBox>("keyName").setCurrentIndex(1);
    EXPECT_EQ(value().BufferLen(), 4) << "the erase code";
    child<QComboBox>("keyName").setCurrentIndex(0);
    EXPECT_EQ(value().BufferLen(), 2);
    present({0x00, 0x00});  // the key memory's zeros: wrong
    present({0x12, 0x34});
    EXPECT_FALSE(closed(shown)) << "a refused code keeps the dialog open";
    present({0xFF, 0xFF});
    return shown.result();
  };
  EXPECT_EQ(dialog().verify(3, 0), QDialog::Accepted);
  EXPECT_EQ(message_texts(), (QStringList{"Incorrect Password ! Remaining chances = 3",
                                          "Incorrect Password ! Remaining chances = 2"}));
  EXPECT_EQ(bytes_of(dialog().key_memory().slot(0).first(2)), (std::vector<uint8_t>{0xFF, 0xFF}));

  // The LM8KS's security code is number 0 as well.
  prompter.on_dialog = [&](QDialog&) {
    EXPECT_EQ(bytes_of(value().GetBuffer()), (std::vector<uint8_t>{0xFF, 0xFF}));
    return QDialog::Rejected;
  };
  EXPECT_EQ(dialog().verify(8, 0), QDialog::Rejected);
}

// LM8KS: 07 is accepted, anything else counts its set bits as chances; the value refused leaves
// the key memory as it was.
TEST_F(KeysVerification, ASecurityCodeCardAnswersItsChancesAsSetBits) {
  start_with("lm8ks", 8);
  prompter.on_dialog = [&](QDialog& shown) {
    EXPECT_FALSE(child<QGroupBox>("newValueGroup").isEnabled()) << "the LM8KS offers no change";
    present({0xAB, 0xCD});
    present({0xFF, 0xFF});
    return shown.result();
  };
  EXPECT_EQ(dialog().verify(8, 0), QDialog::Accepted);
  EXPECT_EQ(message_texts(), QStringList{"Incorrect Password ! Remaining chances = 2"});
}

TEST_F(KeysVerification, ALockedCodeIsReportedAsLocked) {
  start_with("sle4404", 3);
  prompter.on_dialog = [&](QDialog& shown) {
    for (int miss = 0; miss < 5; ++miss) present({0x00, 0x01});
    present({0xFF, 0xFF});  // even the right code, once no chance is left
    return shown.result();
  };
  EXPECT_EQ(dialog().verify(3, 0), QDialog::Rejected);
  ASSERT_FALSE(prompter.messages.empty());
  EXPECT_EQ(prompter.messages.back().text, "Secret code is locked !!!");
  EXPECT_EQ(bytes_of(dialog().key_memory().slot(0).first(2)), (std::vector<uint8_t>{0x00, 0x00}));
}

// Card types without codes, and numbers beyond the key memory or the list, open nothing.
TEST_F(KeysVerification, RefusesWhatItHasNoEntryFor) {
  start_with("lm8ks", 8);
  EXPECT_EQ(dialog().verify(7, 0), QDialog::Rejected);
  EXPECT_EQ(dialog().verify(12, 0), QDialog::Rejected);
  EXPECT_EQ(dialog().verify(3, 10), QDialog::Rejected);
  EXPECT_EQ(dialog().verify(8, 1), QDialog::Rejected);
  EXPECT_EQ(message_texts(), (QStringList{"Selected card type does not provide this function",
                                          "Selected card type does not provide this function",
                                          "Error: Password Number is too large - 10",
                                          "Error: Password Number is too large - 1"}));
  EXPECT_EQ(prompter.dialogs_run, 0);
}

// AT1604: nine two-byte codes; its change is offered by the dialog but refused by the library,
// after the verification, which stays remembered.
TEST_F(KeysVerification, AT1604RefusesTheChangeAfterTheCodeWasAccepted) {
  start_with("at1604", 13);
  prompter.on_dialog = [&](QDialog& shown) {
    EXPECT_EQ(key_names().size(), 9);
    EXPECT_EQ(key_names().back(), "Security Code 4 (2 bytes)");
    EXPECT_TRUE(child<QGroupBox>("newValueGroup").isEnabled());
    EXPECT_FALSE(new_value().isEnabled());
    child<QCheckBox>("change").setChecked(true);
    EXPECT_TRUE(new_value().isEnabled());
    new_value().SetBuffer(std::vector<uint8_t>{0x11, 0x22});
    present({0xFF, 0xFF});
    EXPECT_FALSE(closed(shown));
    return shown.result();
  };
  EXPECT_EQ(dialog().verify(13, 0), QDialog::Rejected);
  EXPECT_EQ(message_texts(), QStringList{"Unexpected error. QXI_ChangePIN retrun -1005"});
  EXPECT_EQ(bytes_of(dialog().key_memory().slot(0).first(2)), (std::vector<uint8_t>{0xFF, 0xFF}));
}

// X76F100: its read password is changed under the write password, so the value typed for the
// change is presented as password 0; the new read password then opens the card.
TEST_F(KeysVerification, X76F100ChangesItsReadPasswordUnderTheWritePassword) {
  start_with("x76f100", 25);
  const std::vector<uint8_t> ones(8, 0xFF);
  const std::vector<uint8_t> fresh{1, 2, 3, 4, 5, 6, 7, 8};
  prompter.on_dialog = [&](QDialog& shown) {
    child<QCheckBox>("change").setChecked(true);
    new_value().SetBuffer(fresh);
    present(ones);
    return shown.result();
  };
  EXPECT_EQ(dialog().verify(25, 1), QDialog::Accepted);
  EXPECT_EQ(message_texts(),
            QStringList{"For the changing of X76F041's read password, write password must be presented"});
  EXPECT_EQ(bytes_of(dialog().key_memory().slot(0).first(8)), ones) << "the write password the card took";
  EXPECT_EQ(bytes_of(dialog().key_memory().slot(1).first(8)), fresh);

  // A new session forgets what was presented: the read password is now the new one.
  ASSERT_GE(binding.start_session(25), 0);
  prompter.on_dialog = [&](QDialog& shown) {
    EXPECT_EQ(bytes_of(value().GetBuffer()), fresh) << "offered from the key memory";
    press_ok();
    return shown.result();
  };
  EXPECT_EQ(dialog().verify(25, 1), QDialog::Accepted);
  EXPECT_EQ(prompter.messages.size(), 1U);
}

// The X76F041 offers the change; the format switches both fields.
TEST_F(KeysVerification, TheFormatSwitchesBothFields) {
  start_with("x76f041", 19);
  prompter.on_dialog = [&](QDialog&) {
    EXPECT_TRUE(child<QGroupBox>("newValueGroup").isEnabled());
    EXPECT_EQ(child<QComboBox>("keyName").currentText(), "Read Password (8 bytes)");
    EXPECT_EQ(value().BufferLen(), 8);
    child<QRadioButton>("ascii").click();
    EXPECT_EQ(value().EditMode(), THexEdit::dtAscii);
    EXPECT_EQ(new_value().EditMode(), THexEdit::dtAscii);
    child<QRadioButton>("hex").click();
    EXPECT_EQ(new_value().EditMode(), THexEdit::dtHex);
    return QDialog::Rejected;
  };
  EXPECT_EQ(dialog().verify(19, 1), QDialog::Rejected);
}

}  // namespace
}  // namespace kestrel::testing
