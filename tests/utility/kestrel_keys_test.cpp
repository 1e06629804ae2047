// The Submit Keys dialog against the emulated VELA1 demo card (all codes and keys "58203716",
// three chances per code, option register 69, IC and PIN enciphered): which fields it asks for,
// mutual authentication, codes presented in order, and the card's refusals shown to the user.
#include <QLabel>
#include <QTest>

#include "KestrelFixture.h"
#include "keys.h"

namespace kestrel::testing {
namespace {

constexpr uint8_t kPin = 0x40;
constexpr uint8_t kAc1 = 0x02;

class SubmitKeys : public KestrelTest {
 protected:
  void start_with_demo_card() {
    start_reader(kiteb_at(), "vela1");
    start_kestrel();
    ASSERT_TRUE(binding.reader_open());
    ASSERT_GE(vela1.scan(), 0);
    ASSERT_TRUE(vela1.is_vela1());
  }
  TFrmKeys& keys() const { return window->keys_dialog(); }
  bool enabled(const char* name) const { return keys().field(name).isEnabled(); }
  QColor colour(const char* name) const { return keys().field(name).palette().color(QPalette::Text); }

  // Answers the dialog: each press of OK runs the given edits first; the dialog stays up until
  // it accepts or the presses run out, and then Cancel.
  void answer(std::vector<std::function<void(TFrmKeys&)>> presses) {
    prompter.on_dialog = [this, presses = std::move(presses)](QDialog& dialog) {
      dialog.show();
      for (const auto& edit : presses) {
        edit(keys());
        press(dialog, "OK");
        if (dialog.result() == QDialog::Accepted) break;
        shown_messages.push_back(keys().message());
        focused.push_back(dialog.focusWidget() ? dialog.focusWidget()->objectName() : QString{});
      }
      if (dialog.result() != QDialog::Accepted) press(dialog, "Cancel");
      dialog.hide();
      return dialog.result();
    };
  }
  static std::function<void(TFrmKeys&)> type(const char* name, const char* text) {
    return [=](TFrmKeys& keys) { keys.set_text(name, QLatin1String(text)); };
  }

  std::vector<QString> shown_messages;  // the message label after each refused OK
  std::vector<QString> focused;         // the field with the focus then
};

TEST_F(SubmitKeys, NothingRequiredNeedsNoDialogAndANeverAllowedAccessIsRefused) {
  start_with_demo_card();
  keys().set_required(0, 0);
  EXPECT_EQ(keys().submit_keys(), QDialog::Accepted);
  keys().set_required(TFrmKeys::kNeverAllowed, 0);
  EXPECT_EQ(keys().submit_keys(), QDialog::Rejected);
  EXPECT_EQ(prompter.dialogs_run, 0);
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].text, "Access operation is not allowed");
}

TEST_F(SubmitKeys, FieldsFollowTheRequiredCodesAndTheEncipheredOnesAreRed) {
  start_with_demo_card();
  vela1.card().option_register = 0;  // so that only the common bit can ask for authentication
  vela1.card().security_option_register = 0x40;
  keys().set_required(kPin | kAc1, 0);
  std::map<std::string, bool> enabled_fields;
  prompter.on_dialog = [&](QDialog&) {
    for (const char* name : {"IC", "PIN", "AC1", "AC2", "AC3", "AC4", "AC5", "Kc", "Kt", "Kd", "Kcr", "Kcf", "Krd"})
      enabled_fields[name] = enabled(name);
    return QDialog::Rejected;
  };
  EXPECT_EQ(keys().submit_keys(), QDialog::Rejected);
  EXPECT_EQ(enabled_fields, (std::map<std::string, bool>{{"IC", false},  {"PIN", true},  {"AC1", true},  {"AC2", false},
                                                         {"AC3", false}, {"AC4", false}, {"AC5", false}, {"Kc", true},
                                                         {"Kt", true},   {"Kd", false},  {"Kcr", false}, {"Kcf", false},
                                                         {"Krd", false}}));
  EXPECT_EQ(colour("PIN"), QColor(Qt::red));
  EXPECT_EQ(colour("AC1"), QColor(Qt::darkGreen));

  // A code that is not enciphered, on a card that asks for no authentication: no keys.
  keys().set_required(kAc1, TFrmKeys::kPurseKeyKcr);
  prompter.on_dialog = [&](QDialog&) {
    enabled_fields = {{"Kc", enabled("Kc")}, {"Kcr", enabled("Kcr")}, {"Kd", enabled("Kd")}};
    return QDialog::Rejected;
  };
  keys().submit_keys();
  EXPECT_EQ(enabled_fields, (std::map<std::string, bool>{{"Kc", false}, {"Kcr", true}, {"Kd", false}}));
}

TEST_F(SubmitKeys, OkAuthenticatesThenPresentsTheEncipheredPin) {
  start_with_demo_card();
  keys().set_required(kPin, 0);
  answer({[](TFrmKeys&) {}});
  EXPECT_EQ(keys().submit_keys(), QDialog::Accepted);
  EXPECT_TRUE(vela1.card().session_key_valid);
  EXPECT_EQ(vela1.last_status(), 0x9000);

  // With the session key in force the keys are not asked for again.
  bool kc_enabled = true;
  prompter.on_dialog = [&](QDialog& dialog) {
    kc_enabled = enabled("Kc") || enabled("Kt");
    dialog.show();
    press(dialog, "OK");
    dialog.hide();
    return dialog.result();
  };
  EXPECT_EQ(keys().submit_keys(), QDialog::Accepted);
  EXPECT_FALSE(kc_enabled);
}

TEST_F(SubmitKeys, AWrongCodeKeepsTheDialogOpenWithTheChancesLeftUntilCorrected) {
  start_with_demo_card();
  keys().set_required(kPin, 0);
  answer({type("PIN", "00000000"), type("PIN", "1"), type("PIN", "58203716")});
  EXPECT_EQ(keys().submit_keys(), QDialog::Accepted);
  EXPECT_EQ(shown_messages, (std::vector<QString>{"Key is not correct , remaining chance = 2",
                                                  "Key is not correct , remaining chance = 1"}));
  EXPECT_EQ(focused, (std::vector<QString>{"PIN", "PIN"}));
  EXPECT_EQ(prompter.beeps, 2);
  EXPECT_EQ(keys().message(), "");
}

TEST_F(SubmitKeys, ALockedCodeAndAWrongCardKeyAreShown) {
  start_with_demo_card();
  keys().set_required(kPin, 0);
  answer({type("Kc", "11111111")});
  EXPECT_EQ(keys().submit_keys(), QDialog::Rejected);
  EXPECT_EQ(shown_messages, (std::vector<QString>{"Kc is not correct!! Please check..."}));
  EXPECT_EQ(focused, (std::vector<QString>{"Kc"}));

  shown_messages.clear();
  const auto right_keys_wrong_pin = [](TFrmKeys& keys) {
    keys.set_text("Kc", QStringLiteral("58203716"));
    keys.set_text("PIN", QStringLiteral("x"));
  };
  const auto again = [](TFrmKeys&) {};
  answer({right_keys_wrong_pin, again, again, again, again});
  EXPECT_EQ(keys().submit_keys(), QDialog::Rejected);
  EXPECT_EQ(shown_messages, (std::vector<QString>{"Key is not correct , remaining chance = 2",
                                                  "Key is not correct , remaining chance = 1",
                                                  "Error : SW1 SW2 = 63C0", "Key is locked", "Key is locked"}));
}

TEST_F(SubmitKeys, ARefusalShownAwayFromTheDialogOpensItForTheUser) {
  start_with_demo_card();
  keys().set_required(0, TFrmKeys::kPurseKeyKd);
  vela1.submit_code(kCodeAc1 + 2, "wrong");  // AC3
  QString message_while_open;
  prompter.on_dialog = [&](QDialog&) {
    message_while_open = keys().message();
    return QDialog::Accepted;
  };
  EXPECT_TRUE(keys().show_error(keys().field("Kd")));
  EXPECT_EQ(message_while_open, "Key is not correct , remaining chance = 2");
  EXPECT_EQ(keys().result(), QDialog::Accepted);
  EXPECT_EQ(prompter.dialogs_run, 1);

  vela1.submit_code(kCodeAc1 + 2, "58203716");
  EXPECT_FALSE(keys().show_error(keys().field("Kd")));
  EXPECT_EQ(prompter.dialogs_run, 1);
}

}  // namespace
}  // namespace kestrel::testing
