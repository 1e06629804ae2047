// Card insertion and removal in the emulated reader reach the main window: the page it shows and
// the line it writes depend on the card that answers.
#include "KestrelFixture.h"

namespace kestrel::testing {
namespace {

const QStringList kInsertionLines = {"Unknown card is inserted", "Memory card is inserted", "T=0 MCU card is inserted",
                                     "T=1 MCU card is inserted"};

bool any_insertion_line(const QStringList& log) {
  for (const QString& line : kInsertionLines)
    if (log.contains(line)) return true;
  return false;
}

class CardEvents : public KestrelTest {
 protected:
  void SetUp() override {
    start_reader();
    start_kestrel();
    ASSERT_TRUE(binding.reader_open());
  }
  void insert(const char* model, kitesim::CardOptions options = {}) {
    emulator->insert(kitesim::make_card(model, options));
  }
  bool wait_for_page(TForm1::Page page) {
    return wait_until([&] { return window->current_page() == page; });
  }
};

TEST_F(CardEvents, AT0CardShowsTheCommandsPageAndItsRemovalTheAboutPage) {
  insert("mcu-t0");
  ASSERT_TRUE(wait_for_log_line("T=0 MCU card is inserted"));
  EXPECT_EQ(window->current_page(), TForm1::Page::Commands);
  EXPECT_EQ(log_lines().count("T=0 MCU card is inserted"), 1);

  emulator->remove();
  ASSERT_TRUE(wait_for_page(TForm1::Page::About));
  EXPECT_TRUE(about_lines().contains("Card is not inserted")) << "the page is rebuilt when it is entered";
}

// Replacing the card sends a removal and an insertion back to back: the window handles them in
// that order and ends on the new card's page.
TEST_F(CardEvents, ACardReplacedAtOnceEndsOnTheNewCardsPage) {
  insert("mcu-t0");
  ASSERT_TRUE(wait_for_log_line("T=0 MCU card is inserted"));
  insert("mcu-t1");
  ASSERT_TRUE(wait_for_log_line("T=1 MCU card is inserted")) << log_lines().join('\n').toStdString();
  EXPECT_EQ(window->current_page(), TForm1::Page::Commands);
}

TEST_F(CardEvents, AT1CardShowsTheCommandsPage) {
  insert("mcu-t1");
  ASSERT_TRUE(wait_for_log_line("T=1 MCU card is inserted"));
  EXPECT_EQ(window->current_page(), TForm1::Page::Commands);
}

TEST_F(CardEvents, AVela1CardShowsItsPageAndWritesNoLine) {
  insert("vela1");
  ASSERT_TRUE(wait_for_page(TForm1::Page::Vela1));
  EXPECT_FALSE(any_insertion_line(log_lines())) << log_lines().join('\n').toStdString();
}

TEST_F(CardEvents, ANineteenByteAnswerToResetOfAnotherCardIsAT0Card) {
  kitesim::Bytes atr = {0x3B, 0xBE, 0x11, 0x00, 0x00, 0x42};
  atr.resize(19, 0x20);
  insert("mcu-t0", {.atr = atr});
  ASSERT_TRUE(wait_for_log_line("T=0 MCU card is inserted"));
  EXPECT_EQ(window->current_page(), TForm1::Page::Commands);
}

// Auto-detection powers a memory card without an answer to reset, with a success status that
// names no microcontroller protocol.
TEST_F(CardEvents, AMemoryCardShowsTheMemoryCardPage) {
  insert("lm2ks");
  ASSERT_TRUE(wait_for_log_line("Memory card is inserted"));
  EXPECT_EQ(window->current_page(), TForm1::Page::MemoryCard);
}

TEST_F(CardEvents, EventsStillArriveAfterHardwareConfigurationReopenedTheReader) {
  answer_configuration([](QDialog& dialog) {
    choose(dialog, "COM1", "Auto detect");
    press(dialog, "ok");
    return dialog.result();
  });
  const uint64_t resets = emulator->state().resets;
  trigger("&Hardware Configuration");
  ASSERT_EQ(prompter.dialogs_run, 1);
  ASSERT_GT(emulator->state().resets, resets) << "the reader was opened anew";

  insert("mcu-t0");
  ASSERT_TRUE(wait_for_log_line("T=0 MCU card is inserted"));
  emulator->remove();
  EXPECT_TRUE(wait_for_page(TForm1::Page::About));
}

TEST_F(CardEvents, EventsStillArriveAfterACancelledReconfigurationReopenedTheReader) {
  answer_configuration([](QDialog& dialog) {
    press(dialog, "cancel");
    return dialog.result();
  });
  const uint64_t resets = emulator->state().resets;
  trigger("&Hardware Configuration");
  ASSERT_GT(emulator->state().resets, resets) << "the previous configuration was opened again";

  insert("mcu-t1");
  EXPECT_TRUE(wait_for_log_line("T=1 MCU card is inserted"));
}

}  // namespace
}  // namespace kestrel::testing
