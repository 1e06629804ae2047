// The VELA1 Properties dialog against the emulated VELA1 cards: what it shows of the card record,
// check boxes that only display, and purse transactions through Submit Keys to the card. The demo
// card: option register 69 (purse, MAC checking, revoke debit allowed, transactions need
// authentication), IC and PIN enciphered, user files 1001 to 1003, balance 1000 of at most
// 100000, purse ID 12 34 56 78, counter 0; every code and key "58203716".
#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>

#include <algorithm>

#include "KestrelFixture.h"
#include "Vela1Page.h"
#include "keys.h"
#include "vela1pro.h"

namespace kestrel::testing {
namespace {

constexpr char kDemoKey[] = "58203716";

Key demo_key() {
  Key key{};
  std::copy_n(kDemoKey, key.size(), key.begin());
  return key;
}

// How the user leaves Submit Keys one time it is shown: the edits, then OK or Cancel.
struct KeysAnswer {
  std::function<void(TFrmKeys&)> edit;  // none: the fields as they are
  bool ok = true;
};

const KeysAnswer kOk{};
const KeysAnswer kCancel{{}, false};

KeysAnswer type_key(const char* name, const char* text) {
  return {[=](TFrmKeys& keys) { keys.set_text(name, QLatin1String(text)); }, true};
}

class Vela1Properties : public KestrelTest {
 protected:
  void start_with(const char* model) {
    start_reader(kiteb_at(), model);
    start_kestrel();
    ASSERT_TRUE(binding.reader_open());
    window->vela1_page().reset();
    ASSERT_TRUE(vela1.is_vela1());
    dialog().show();
  }

  TFrmVELA1Prop& dialog() const { return window->vela1_properties_dialog(); }
  TFrmKeys& keys() const { return window->keys_dialog(); }
  template <typename Widget>
  Widget& child(const char* name) const {
    auto* found = dialog().findChild<Widget*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return *found;
  }
  QString shown(const char* field) const { return child<QLineEdit>(field).text(); }
  void press_button(const char* name) { QTest::mouseClick(&child<QPushButton>(name), Qt::LeftButton); }
  void type_amount(const char* text) { child<QLineEdit>("amount").setText(QLatin1String(text)); }
  bool purse_page_shown() const { return dialog().pages().isTabVisible(TFrmVELA1Prop::ElectronicsPurse); }

  // The captions of the checked boxes of a group.
  QStringList checked_in(const char* group) const {
    QStringList captions;
    for (const QCheckBox* box : child<QWidget>(group).findChildren<QCheckBox*>())
      if (box->isChecked()) captions << box->text();
    return captions;
  }
  QStringList listed(const char* list) const {
    QStringList items;
    const QListWidget& widget = child<QListWidget>(list);
    for (int i = 0; i < widget.count(); ++i) items << widget.item(i)->text();
    return items;
  }

  // Answers Submit Keys each time it is shown, in turn; Cancel once the answers run out. Notes
  // the message it showed and which key fields it asked for.
  void answer_keys(std::vector<KeysAnswer> answers) {
    prompter.on_dialog = [this, answers = std::move(answers), next = size_t{0}](QDialog& shown_dialog) mutable {
      shown_dialog.show();
      keys_messages << keys().message();
      QStringList enabled;
      for (const char* name : {"Kc", "Kt", "Kd", "Kcr", "Kcf", "Krd", "IC", "PIN"})
        if (keys().field(name).isEnabled()) enabled << QLatin1String(name);
      keys_asked << enabled.join(QLatin1Char(' '));
      const KeysAnswer answer = next < answers.size() ? answers[next++] : kCancel;
      if (answer.edit) answer.edit(keys());
      press(shown_dialog, answer.ok ? "OK" : "Cancel");
      if (shown_dialog.isVisible()) press(shown_dialog, "Cancel");
      shown_dialog.hide();
      return shown_dialog.result();
    };
  }

  // The purse commands sent since the mark: lines of the trace that open a command with INS.
  qsizetype commands_since(qsizetype mark, const char* ins) const {
    const QString header = QStringLiteral("< 80 %1 ").arg(QLatin1String(ins));
    const QStringList lines = log_lines().mid(mark);
    return std::ranges::count_if(lines, [&](const QString& line) { return line.startsWith(header); });
  }

  QStringList keys_messages;
  QStringList keys_asked;
};

// ---- What the dialog shows ----

TEST_F(Vela1Properties, ShowsTheDemoCardsSettingsFilesAndPurse) {
  start_with("vela1");
  EXPECT_EQ(dialog().windowTitle(), "VELA1 Properties");
  EXPECT_EQ(checked_in("cardOptions"), (QStringList{"Have E-Purse", "MAC checking", "REVOKE DEBIT is allowed",
                                            "Require authentication"}));
  EXPECT_EQ(checked_in("secureTransmission"), (QStringList{"IC", "PIN"}));
  EXPECT_EQ(shown("numberOfFiles"), "3");
  EXPECT_EQ(child<QListWidget>("phases").currentItem()->text(), "User");
  EXPECT_EQ(listed("userFiles"), (QStringList{"1001", "1002", "1003"}));
  for (const char* button : {"newFile", "deleteFile", "addAccount"})
    EXPECT_FALSE(child<QPushButton>(button).isEnabled()) << button;

  EXPECT_TRUE(purse_page_shown());
  EXPECT_EQ(shown("balance"), "1000");
  EXPECT_EQ(shown("maximumBalance"), "100000");
  EXPECT_EQ(shown("transactionCounter"), "0");
  EXPECT_EQ(shown("lastTransaction"), "00 - Unknown");
  EXPECT_EQ(shown("purseId"), "12 34 56 78");
  EXPECT_EQ(shown("creditReference"), "00 00 00 00");
  EXPECT_EQ(shown("amount"), "10");
  EXPECT_EQ(shown("reference"), "XXXX");
  EXPECT_FALSE(child<QPushButton>("revoke").isEnabled());
}

TEST_F(Vela1Properties, SelectingAUserFileShowsItsRecordsAndAccessCodes) {
  start_with("vela1");
  dialog().pages().setCurrentIndex(TFrmVELA1Prop::UserFiles);
  auto& files = child<QListWidget>("userFiles");
  files.setCurrentRow(0);  // 1001: 4 records of 16, read free, write PIN
  EXPECT_EQ(shown("recordSize"), "16");
  EXPECT_EQ(shown("recordTotal"), "4");
  EXPECT_EQ(checked_in("read"), QStringList{});
  EXPECT_EQ(checked_in("update"), QStringList{"PIN"});
  files.setCurrentRow(2);  // 1003: 2 records of 8, AC1 both ways
  EXPECT_EQ(shown("recordSize"), "8");
  EXPECT_EQ(shown("recordTotal"), "2");
  EXPECT_EQ(checked_in("read"), QStringList{"AC1"});
  EXPECT_EQ(checked_in("update"), QStringList{"AC1"});
}

TEST_F(Vela1Properties, ClickedCheckBoxesStayAsTheCardHasThem) {
  start_with("vela1");
  child<QListWidget>("userFiles").setCurrentRow(1);  // 1002: PIN both ways
  for (int page : {TFrmVELA1Prop::CardSettings, TFrmVELA1Prop::UserFiles}) {
    dialog().pages().setCurrentIndex(page);
    for (QCheckBox* box : dialog().pages().widget(page)->findChildren<QCheckBox*>()) {
      const bool before = box->isChecked();
      box->click();
      QTest::keyClick(box, Qt::Key_Space);
      EXPECT_EQ(box->isChecked(), before) << box->objectName().toStdString();
    }
  }
  // The dialog itself still sets them.
  vela1.card().security_option_register = 0x02;
  dialog().fill();
  EXPECT_EQ(checked_in("secureTransmission"), QStringList{"AC1"});
}

// The phase list shows the card's stage like the boxes show its bits: another row chosen by mouse
// or keyboard is undone at once.
TEST_F(Vela1Properties, ThePhaseListShowsTheCardsStageOnly) {
  start_with("vela1");
  auto& phases = child<QListWidget>("phases");
  ASSERT_EQ(phases.currentItem()->text(), "User");
  dialog().pages().setCurrentIndex(TFrmVELA1Prop::CardSettings);
  QTest::mouseClick(phases.viewport(), Qt::LeftButton, {}, phases.visualItemRect(phases.item(0)).center());
  QApplication::processEvents();
  EXPECT_EQ(phases.currentItem()->text(), "User");
  phases.setFocus();
  QTest::keyClick(&phases, Qt::Key_Up);
  QApplication::processEvents();
  EXPECT_EQ(phases.currentItem()->text(), "User");
  EXPECT_EQ(phases.selectedItems().size(), 1);
  EXPECT_EQ(phases.selectedItems().front()->text(), "User");
}

TEST_F(Vela1Properties, ACardWithoutPurseHasNoPursePage) {
  start_with("vela1-nopurse");
  EXPECT_FALSE(purse_page_shown());
  EXPECT_EQ(checked_in("cardOptions"), QStringList{});
  EXPECT_EQ(checked_in("secureTransmission"), QStringList{"AC1"});
  EXPECT_EQ(child<QListWidget>("phases").currentItem()->text(), "Personalization");
  EXPECT_EQ(listed("userFiles"), (QStringList{"2001", "2002"}));
}

TEST_F(Vela1Properties, AUserFileCountBeyondTheFileTableListsOnlyTheFilesInIt) {
  start_with("vela1");
  vela1.card().user_file_count = 200;  // as a card declares that has more than the table holds
  dialog().fill();
  EXPECT_EQ(shown("numberOfFiles"), "200");
  EXPECT_EQ(listed("userFiles"), (QStringList{"1001", "1002", "1003"}));
}

TEST_F(Vela1Properties, InquireRedisplaysThePurseAsTheCardHasItNow) {
  start_with("vela1");
  vela1.mutual_authentication(demo_key(), demo_key());
  vela1.credit(demo_key(), Reference{'A', 'B', 'C', 'D'}, 500);  // behind the dialog's back
  ASSERT_EQ(vela1.last_status(), 0x9000);
  vela1.card().balance = 0;
  EXPECT_EQ(shown("balance"), "1000");
  press_button("inquire");
  EXPECT_EQ(shown("balance"), "1500");
  EXPECT_EQ(shown("transactionCounter"), "1");
  EXPECT_EQ(shown("lastTransaction"), "Credit");
  EXPECT_EQ(shown("creditReference"), "41 42 43 44");
}

TEST_F(Vela1Properties, DetailsOpensTheDialogShowingTheCardAsItIsNow) {
  start_with("vela1");
  dialog().hide();
  vela1.card().balance = 4321;  // the dialog keeps nothing of its own: it shows the record
  QString balance_shown;
  prompter.on_dialog = [&](QDialog& opened) {
    opened.show();
    balance_shown = shown("balance");
    opened.hide();
    return QDialog::Accepted;
  };
  click(window->vela1_page(), QStringLiteral("Details"));
  EXPECT_EQ(prompter.dialogs_run, 1);
  EXPECT_EQ(balance_shown, "4321");
}

// ---- Purse transactions ----

TEST_F(Vela1Properties, CreditAuthenticatesAsksForKcrAndShowsTheNewBalance) {
  start_with("vela1");
  answer_keys({kOk});
  const qsizetype mark = log_lines().size();
  press_button("credit");

  // Option bit 6: the card and terminal keys authenticate first.
  EXPECT_EQ(keys_asked, QStringList{"Kc Kt Kcr"});
  EXPECT_EQ(shown("balance"), "1010");
  EXPECT_EQ(shown("transactionCounter"), "1");
  EXPECT_EQ(shown("lastTransaction"), "Credit");
  EXPECT_EQ(shown("creditReference"), "58 58 58 58");
  EXPECT_FALSE(child<QPushButton>("revoke").isEnabled());

  // MAC, amount 00 00 0A and reference XXXX; then the inquiry that refreshed the dialog.
  const QStringList lines = log_lines().mid(mark);
  const qsizetype credit = lines.indexOf(QStringLiteral("< 80 E2 00 00 0B 00"));
  ASSERT_GE(credit, 0) << lines.join(QLatin1Char('\n')).toStdString();
  ASSERT_GE(lines.size(), credit + 5);
  EXPECT_TRUE(lines[credit + 1].endsWith(QLatin1String(" 00 00 0A 58 58 58 58 "))) << lines[credit + 1].toStdString();
  EXPECT_EQ(lines[credit + 2], "> 9000 (SW1,SW2)");
  EXPECT_EQ(lines[credit + 3], "< 80 E1 01 00 04 00");
  EXPECT_EQ(commands_since(mark, "84"), 1);  // the challenge of the authentication
}

TEST_F(Vela1Properties, DebitEnablesRevokeWhichGivesTheAmountBackAndACreditDisablesIt) {
  start_with("vela1");
  answer_keys({kOk, kOk, kOk, kOk});
  type_amount("250");
  press_button("debit");
  EXPECT_EQ(shown("balance"), "750");
  EXPECT_EQ(shown("lastTransaction"), "Debit");
  EXPECT_EQ(shown("debitReference"), "58 58 58 58");
  EXPECT_TRUE(child<QPushButton>("revoke").isEnabled());

  press_button("revoke");
  EXPECT_EQ(shown("balance"), "1000");
  EXPECT_EQ(shown("lastTransaction"), "Revoke Debit");
  EXPECT_EQ(shown("transactionCounter"), "2");
  EXPECT_FALSE(child<QPushButton>("revoke").isEnabled());

  press_button("debit");
  EXPECT_TRUE(child<QPushButton>("revoke").isEnabled());
  press_button("credit");
  EXPECT_FALSE(child<QPushButton>("revoke").isEnabled());
  EXPECT_EQ(shown("balance"), "1000");
  EXPECT_EQ(keys_asked, (QStringList{"Kc Kt Kd", "Krd", "Kd", "Kcr"}));
}

TEST_F(Vela1Properties, DebitWithoutMacCheckingAsksForNoKeyButSendsKd) {
  start_with("vela1");
  vela1.mutual_authentication(demo_key(), demo_key());
  // The record no longer says MAC checking; the card still checks, so Kd must be the right key.
  vela1.card().option_register &= ~0x08;
  press_button("debit");
  EXPECT_EQ(prompter.dialogs_run, 0);
  EXPECT_EQ(shown("balance"), "990");
}

TEST_F(Vela1Properties, AmountsTheCardRefusesAreReportedAndChangeNothing) {
  start_with("vela1");
  answer_keys({kOk, kOk});
  type_amount("99001");  // 1000 + 99001 is over 100000
  press_button("credit");
  type_amount("1001");
  press_button("debit");
  ASSERT_EQ(prompter.messages.size(), 2u);
  EXPECT_EQ(prompter.messages[0].text, "Amount is over the maximum limit");
  EXPECT_EQ(prompter.messages[1].text, "Not enough balance to debit");
  EXPECT_EQ(keys_messages, (QStringList{"", ""}));  // Submit Keys was not reopened
  EXPECT_EQ(vela1.card().balance, 1000);
  EXPECT_EQ(vela1.card().transaction_counter, 0);
}

TEST_F(Vela1Properties, AWrongPurseKeyReopensSubmitKeysUntilCorrectedOrCancelled) {
  start_with("vela1");
  answer_keys({type_key("Kcr", "WRONGKEY"), type_key("Kcr", kDemoKey)});
  const qsizetype mark = log_lines().size();
  press_button("credit");
  EXPECT_EQ(keys_messages, (QStringList{"", "Error : SW1 SW2 = 6988"}));
  EXPECT_EQ(keys_asked, (QStringList{"Kc Kt Kcr", "Kcr"}));
  EXPECT_EQ(commands_since(mark, "E2"), 2);
  EXPECT_EQ(shown("balance"), "1010");

  keys_messages.clear();
  answer_keys({type_key("Kcr", "WRONGKEY"), kCancel});
  const qsizetype second = log_lines().size();
  press_button("credit");
  EXPECT_EQ(keys_messages, (QStringList{"", "Error : SW1 SW2 = 6988"}));
  EXPECT_EQ(commands_since(second, "E2"), 1);
  EXPECT_EQ(shown("balance"), "1010");
}

TEST_F(Vela1Properties, AnAmountThatIsNoThreeByteNumberIsRefusedBeforeAnythingIsSent) {
  start_with("vela1");
  answer_keys({kOk, kOk, kOk, kOk, kOk});
  const qsizetype mark = log_lines().size();
  for (const char* amount : {"abc", "", "-5", "16777216", "1.5"}) {
    type_amount(amount);
    const int beeps = prompter.beeps;
    press_button("credit");
    EXPECT_EQ(prompter.beeps, beeps + 1) << amount;
    EXPECT_EQ(dialog().focusWidget(), &child<QLineEdit>("amount")) << amount;
    child<QPushButton>("credit").setFocus();
  }
  EXPECT_EQ(commands_since(mark, "E2"), 0);
  EXPECT_EQ(shown("transactionCounter"), "0");
  EXPECT_EQ(vela1.card().transaction_counter, 0);
}

// Revoke sends "Amount:" plus the balance: an amount that would carry it past three bytes is
// refused like any other unusable amount.
TEST_F(Vela1Properties, ARevokeWhoseSumDoesNotFitThreeBytesIsRefused) {
  start_with("vela1");
  answer_keys({kOk, kOk});
  press_button("debit");
  ASSERT_TRUE(child<QPushButton>("revoke").isEnabled());
  const qsizetype mark = log_lines().size();
  type_amount("16777000");  // plus the balance of 990
  press_button("revoke");
  EXPECT_EQ(commands_since(mark, "E7"), 0);
  EXPECT_EQ(prompter.beeps, 1);
}

// The library leaves the record as it was when an exchange fails: the card's last 9000 must
// not be taken for the answer to a credit that never reached it.
TEST_F(Vela1Properties, ACreditToACardThatIsGoneIsNoSuccess) {
  start_with("vela1");
  answer_keys({kOk, kOk, kCancel});
  press_button("credit");
  ASSERT_EQ(shown("balance"), "1010");
  emulator->remove();
  const qsizetype mark = log_lines().size();
  press_button("credit");
  EXPECT_EQ(keys_messages.size(), 3);
  EXPECT_EQ(keys_messages.back(), "Error : SW1 SW2 = 0000");
  EXPECT_EQ(commands_since(mark, "E1"), 0);  // no inquiry as after a success
  EXPECT_EQ(vela1.card().transaction_counter, 1);
}

}  // namespace
}  // namespace kestrel::testing
