// The main window as a whole: its pages and menus, the About page's reader information, the log's
// buttons, and the help window.
#include <QTabWidget>
#include <QTextBrowser>

#include "HelpWindow.h"
#include "KestrelFixture.h"

namespace kestrel::testing {
namespace {

using MainWindow = KestrelTest;

TEST_F(MainWindow, ShowsTheFourPagesInOrderAndTheMenusSwitchThem) {
  start_reader();
  start_kestrel();
  const auto* pages = window->centralWidget()->findChild<QTabWidget*>();  // not a dialog's pages
  ASSERT_NE(pages, nullptr);
  QStringList titles;
  for (int i = 0; i < pages->count(); ++i) titles << pages->tabText(i);
  EXPECT_EQ(titles, (QStringList{"Memory Card", "VELA1", "Commands", "About"}));
  EXPECT_EQ(window->windowTitle(), "Kestrel");

  trigger("&Memory Card");
  EXPECT_EQ(window->current_page(), TForm1::Page::MemoryCard);
  trigger("&VELA1 Card");
  EXPECT_EQ(window->current_page(), TForm1::Page::Vela1);
  trigger("&Reader Commands");
  EXPECT_EQ(window->current_page(), TForm1::Page::Commands);
  trigger("&About...");
  EXPECT_EQ(window->current_page(), TForm1::Page::About);
  trigger("&Exit");
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(settings_exist());
}

TEST_F(MainWindow, TheAboutPageListsTheReaderInformation) {
  start_reader(kiteb_at(57600), "mcu-t0");
  start_kestrel();
  EXPECT_EQ(about_lines(), (QStringList{
                               "Max. command data length = 255",
                               "Max. response data length = 255",
                               "Supporting card type = 0,1,2,4,5,6,7,8,9,10,11,12,13,15,",
                               "Card is inserted",
                               "Card is not powered up",
                               "Current selected card type = 0",
                               "Firmware revision = KITEBT0310",
                               "Lib version =     5.01",
                               "BaudRate = 57600 bps",
                               "Current Card Type = 00",
                           }));
}

TEST_F(MainWindow, AReaderWithoutCardTypesListsNone) {
  kitesim::ReaderConfig config = kiteb_at(57600);
  config.card_type_mask = 0;
  start_reader(config);
  start_kestrel();
  EXPECT_TRUE(about_lines().contains("Supporting card type = ")) << about_lines().join('\n').toStdString();
  EXPECT_TRUE(about_lines().contains("Card is not inserted"));
}

TEST_F(MainWindow, ClearEmptiesTheLog) {
  start_reader();
  start_kestrel();
  window->log_line("a line");
  click(*window, "Clear");
  EXPECT_EQ(log_lines(), QStringList{});
}

TEST_F(MainWindow, HelpTopicsOpensTheUserGuide) {
  start_reader();
  start_kestrel();
  trigger("&Help Topics");
  ASSERT_NE(window->help_window(), nullptr);
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages[0].text.toStdString();
  EXPECT_TRUE(window->help_window()->isVisible());
  EXPECT_TRUE(window->help_window()->browser().toPlainText().contains("Commands page"));
  quit();
  EXPECT_FALSE(window->help_window()->isVisible()) << "help goes with the program";
}

}  // namespace
}  // namespace kestrel::testing
