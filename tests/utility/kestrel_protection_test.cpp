// The Properties dialog against the emulated memory cards: what each card type's page shows of
// the card's protection, what Update sets on the card, and the refusals. A new XIIC protects
// nothing, a new LM256's register is FF (nothing protected), a new X76F041 has every password FF
// and every block behind its passwords.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <vector>

#include "KestrelFixture.h"
#include "MemoryCommand.h"
#include "SetProtect.h"
#include "TrackBar.h"

namespace kestrel::testing {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytes_of(std::span<const uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

class Properties : public KestrelTest {
 protected:
  TFrmSetProtect& dialog() const { return window->protection_dialog(); }
  template <typename Widget>
  Widget& child(const char* name) const {
    return named<Widget>(dialog(), name);
  }
  TrackBar& bar(const char* name) const { return child<TrackBar>(name); }
  QString position_label(const char* bar_name) const {
    return child<QLabel>((QByteArray(bar_name) + "Position").constData()).text();
  }
  static std::pair<int, int> selection(const TrackBar& shown) {
    return {shown.selection_start(), shown.selection_end()};
  }
  void press_update() { child<QPushButton>("Update").click(); }
  QStringList shown_pages() const { return shown_tabs(dialog().pages()); }
  // The card's protection as it answers it now.
  Bytes card_protection(int32_t length) {
    EXPECT_GE(send_memory_command(binding, {QXI_ReadProtect, 0, 0, {}, length}), 0);
    const QX_APDU& reply = binding.exchange_record();
    return {reply.DataOut, reply.DataOut + reply.Le};
  }
  int32_t present(uint8_t number, const Bytes& code) {
    return send_memory_command(binding, {QXI_Verify, number, 0, code});
  }
};

// XIIC: the endurance block, then the blocks from the start up to the end position, which the
// card answers as first block, end block and endurance block.
TEST_F(Properties, XiicUpdateSetsTheEnduranceBlockAndProtectsFromStartToEnd) {
  start_with_session("xiic", QX_CARD_XIIC);
  uint64_t mark = 0;
  prompter.on_dialog = [&](QDialog& shown) {
    EXPECT_EQ(shown_pages(), QStringList{"XIIC"});
    EXPECT_EQ(bar("protectionStart").value(), 0);
    EXPECT_EQ(bar("protectionEnd").value(), 0);
    bar("protectionStart").setValue(2);
    bar("protectionEnd").setValue(6);
    bar("enduranceBlock").setValue(11);
    EXPECT_EQ(position_label("protectionStart"), "2");
    EXPECT_EQ(position_label("protectionEnd"), "6");
    EXPECT_EQ(position_label("enduranceBlock"), "11");
    EXPECT_EQ(selection(bar("protectionStart")), std::pair(2, 6));
    EXPECT_EQ(selection(bar("protectionEnd")), std::pair(2, 6));
    mark = reader_command_count();
    press_update();
    return shown.result();
  };
  dialog().show_protection(QX_CARD_XIIC);
  EXPECT_EQ(dialog().result(), QDialog::Accepted);
  EXPECT_EQ(reader_commands_since(mark), (std::vector<Bytes>{{0x94, 1, 11}, {0x94, 2, 2, 4}}));
  EXPECT_EQ(card_protection(3), (Bytes{2, 6, 11}));

  // The next opening shows the card's protection, with the range on both bars.
  prompter.on_dialog = [&](QDialog& shown) {
    EXPECT_EQ(bar("protectionStart").value(), 2);
    EXPECT_EQ(bar("protectionEnd").value(), 6);
    EXPECT_EQ(bar("enduranceBlock").value(), 11);
    EXPECT_EQ(selection(bar("protectionEnd")), std::pair(2, 6));
    child<QPushButton>("Exit").click();
    return shown.result();
  };
  dialog().show_protection(QX_CARD_XIIC);
  EXPECT_EQ(dialog().result(), QDialog::Rejected);
  EXPECT_TRUE(child<QPushButton>("Exit").isDefault());
  EXPECT_TRUE(prompter.messages.empty());
}

// An empty range sends the endurance block alone and leaves the card's protection as it was.
TEST_F(Properties, XiicEqualStartAndEndSendsNoProtection) {
  start_with_session("xiic", QX_CARD_XIIC);
  ASSERT_GE(send_memory_command(binding, {QXI_SetProtect, 1, 3}), 0);
  uint64_t mark = 0;
  prompter.on_dialog = [&](QDialog& shown) {
    EXPECT_EQ(bar("protectionStart").value(), 1);
    EXPECT_EQ(bar("protectionEnd").value(), 4);
    bar("protectionEnd").setValue(1);
    mark = reader_command_count();
    press_update();
    return shown.result();
  };
  dialog().show_protection(QX_CARD_XIIC);
  EXPECT_EQ(dialog().result(), QDialog::Accepted);
  EXPECT_EQ(reader_commands_since(mark), (std::vector<Bytes>{{0x94, 1, 0}}));
  EXPECT_EQ(card_protection(3), (Bytes{1, 4, 0}));
}

// The endurance block's command failing ends the Update: no protection follows it, and the dialog
// stays open with the error.
TEST_F(Properties, AFailedEnduranceBlockStopsTheUpdate) {
  start_with_session("xiic", QX_CARD_XIIC);
  uint64_t mark = 0;
  prompter.on_dialog = [&](QDialog& shown) {
    bar("protectionEnd").setValue(5);
    mark = reader_command_count();
    emulator->set_faults({.drop_next = 1000});
    press_update();
    emulator->clear_faults();
    return shown.result();
  };
  dialog().show_protection(QX_CARD_XIIC);
  EXPECT_EQ(dialog().result(), QDialog::Rejected);
  ASSERT_EQ(prompter.messages.size(), 1U);
  EXPECT_TRUE(prompter.messages[0].text.startsWith("Unexpected error. QXI_SetProtect return -10"))
      << prompter.messages[0].text.toStdString();
  const std::vector<Bytes> sent = reader_commands_since(mark);
  ASSERT_FALSE(sent.empty());
  for (const Bytes& command : sent) EXPECT_EQ(command, (Bytes{0x94, 1, 0})) << "only the endurance block";
}

// LM8KS: the chances as a count of set bits and the code, zeros until it was presented; there is
// nothing to update.
TEST_F(Properties, LM8KSShowsItsChancesAndSecurityCode) {
  start_with_session("lm8ks", QX_CARD_LM8KS);
  std::vector<std::pair<QString, Bytes>> shown_values;
  prompter.on_dialog = [&](QDialog& shown) {
    EXPECT_EQ(shown_pages(), QStringList{"AT8KS/AT2KS"});
    EXPECT_FALSE(child<QPushButton>("Update").isEnabled());
    shown_values.emplace_back(child<QLineEdit>("remainingChances").text(),
                              bytes_of(child<THexEdit>("securityCode").GetBuffer()));
    return shown.result();
  };
  dialog().show_protection(QX_CARD_LM8KS);
  ASSERT_GE(present(0, {0x12, 0x34}), 0);
  dialog().show_protection(QX_CARD_LM8KS);
  ASSERT_GE(present(0, {0xFF, 0xFF}), 0);
  dialog().show_protection(QX_CARD_LM8KS);
  EXPECT_EQ(shown_values, (std::vector<std::pair<QString, Bytes>>{
                              {"3", {0x00, 0x00}}, {"2", {0x00, 0x00}}, {"3", {0xFF, 0xFF}}}));
}

TEST_F(Properties, LM2KSShowsAThreeByteCode) {
  start_with_session("lm2ks", QX_CARD_LM2KS);
  ASSERT_GE(present(0, {0xFF, 0xFF, 0xFF}), 0);
  prompter.on_dialog = [&](QDialog& shown) {
    EXPECT_EQ(child<QLineEdit>("remainingChances").text(), "3");
    EXPECT_EQ(bytes_of(child<THexEdit>("securityCode").GetBuffer()), (Bytes{0xFF, 0xFF, 0xFF}));
    return shown.result();
  };
  dialog().show_protection(QX_CARD_LM2KS);
  EXPECT_EQ(prompter.dialogs_run, 1);
}

// LM256: a register that protects nothing comes up as cleared, so that Update keeps it so; a
// position protects the words from it to the last; "Clear the protection" sends the clear alone.
TEST_F(Properties, LM256ProtectsFromThePositionOrClears) {
  start_with_session("lm256", QX_CARD_LM256);
  uint64_t mark = 0;
  prompter.on_dialog = [&](QDialog& shown) {
    EXPECT_EQ(shown_pages(), QStringList{"LM256"});
    EXPECT_TRUE(child<QCheckBox>("clearProtection").isChecked()) << "a new card protects nothing";
    EXPECT_FALSE(bar("protectedRegisters").isEnabled());
    mark = reader_command_count();
    press_update();
    return shown.result();
  };
  dialog().show_protection(QX_CARD_LM256);
  EXPECT_EQ(dialog().result(), QDialog::Accepted);
  EXPECT_EQ(reader_commands_since(mark), (std::vector<Bytes>{{0x94, 0}}));
  EXPECT_EQ(card_protection(1), Bytes{0xFF});

  prompter.on_dialog = [&](QDialog& shown) {
    child<QCheckBox>("clearProtection").setChecked(false);
    EXPECT_TRUE(bar("protectedRegisters").isEnabled());
    bar("protectedRegisters").setValue(10);
    EXPECT_EQ(position_label("protectedRegisters"), "10");
    EXPECT_EQ(selection(bar("protectedRegisters")), std::pair(10, 15));
    mark = reader_command_count();
    press_update();
    return shown.result();
  };
  dialog().show_protection(QX_CARD_LM256);
  EXPECT_EQ(dialog().result(), QDialog::Accepted);
  EXPECT_EQ(reader_commands_since(mark), (std::vector<Bytes>{{0x94, 0}, {0x94, 1, 10}}));
  EXPECT_EQ(card_protection(1), Bytes{10});

  prompter.on_dialog = [&](QDialog& shown) {
    EXPECT_FALSE(child<QCheckBox>("clearProtection").isChecked());
    EXPECT_EQ(bar("protectedRegisters").value(), 10);
    EXPECT_EQ(selection(bar("protectedRegisters")), std::pair(10, 15));
    child<QCheckBox>("clearProtection").setChecked(true);
    EXPECT_EQ(bar("protectedRegisters").value(), 15);
    EXPECT_FALSE(bar("protectedRegisters").isEnabled());
    mark = reader_command_count();
    press_update();
    return shown.result();
  };
  dialog().show_protection(QX_CARD_LM256);
  EXPECT_EQ(reader_commands_since(mark), (std::vector<Bytes>{{0x94, 0}}));
  EXPECT_EQ(card_protection(1), Bytes{0xFF});
  EXPECT_TRUE(prompter.messages.empty());
}

// X76F041: its configuration is read and set under the configuration password. The page shows
// the five bytes read, and Update writes what the field holds.
TEST_F(Properties, X76F041SetsItsConfigurationUnderTheConfigurationPassword) {
  start_with_session("x76f041", QX_CARD_X76F041);
  dialog().show_protection(QX_CARD_X76F041);
  EXPECT_EQ(message_texts(), QStringList{"Error:Unexpected error. QXI_ReadProtect return -1015"});
  EXPECT_EQ(prompter.dialogs_run, 0);

  const Bytes password(8, 0xFF);
  const Bytes configuration{0xFC, 0xFF, 0xFE, 0xFF, 0xFF};
  ASSERT_GE(present(2, password), 0);
  prompter.on_dialog = [&](QDialog& shown) {
    EXPECT_EQ(shown_pages(), QStringList{"X76F041"});
    EXPECT_EQ(child<QLabel>("description").text(), "Please see the Xicor data book");
    EXPECT_EQ(bytes_of(child<THexEdit>("value").GetBuffer()), Bytes(5, 0xFF));
    child<THexEdit>("value").SetBuffer(configuration);
    // A new session forgets the password: the card refuses, and the dialog stays open.
    EXPECT_GE(binding.start_session(QX_CARD_X76F041), 0);
    press_update();
    EXPECT_EQ(shown.result(), QDialog::Rejected);
    EXPECT_GE(present(2, password), 0);
    press_update();
    return shown.result();
  };
  dialog().show_protection(QX_CARD_X76F041);
  EXPECT_EQ(dialog().result(), QDialog::Accepted);
  EXPECT_EQ(message_texts(), (QStringList{"Error:Unexpected error. QXI_ReadProtect return -1015",
                                          "Unexpected error. QXI_SetProtect return -1015"}));
  EXPECT_EQ(card_protection(5), configuration);
}

TEST_F(Properties, RefusesCardTypesWithoutProtection) {
  start_with_session("xiic", QX_CARD_XIIC);
  for (int type : {QX_CARD_LM8KP, QX_CARD_IIC, QX_CARD_LM4KP, QX_CARD_X76F128}) dialog().show_protection(type);
  EXPECT_EQ(message_texts(), QStringList(4, "Selected card type does not provide this function"));
  EXPECT_EQ(prompter.dialogs_run, 0);
}

}  // namespace
}  // namespace kestrel::testing
