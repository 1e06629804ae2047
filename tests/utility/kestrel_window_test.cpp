// The main window as a whole: its pages and menus, the About page's reader information, the log's
// buttons, and the help window.
#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

#include "HelpWindow.h"
#include "KestrelFixture.h"
#include "Vela1Page.h"

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
  QApplication::processEvents();
  EXPECT_EQ(window->help_window()->browser().horizontalScrollBar()->maximum(), 0)
      << "wide enough for the guide's widest picture";
  quit();
  EXPECT_FALSE(window->help_window()->isVisible()) << "help goes with the program";
}

// Made as small as it goes, the window still shows every caption of every page in full.
TEST_F(MainWindow, AtItsSmallestNoButtonCaptionIsCut) {
  start_reader(kiteb_at(57600), "vela1");
  start_kestrel();
  window->resize(1, 1);
  for (TForm1::Page page : {TForm1::Page::Vela1, TForm1::Page::Commands, TForm1::Page::About}) {
    window->show_page(page);
    QApplication::processEvents();
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
      if (!button->isVisible() || button->text().isEmpty()) continue;
      EXPECT_GE(button->width(), button->minimumSizeHint().width()) << button->text().toStdString();
    }
  }
}

// The controls Tab reaches from the page tabs, in order, until it comes round to them again.
QStringList tab_chain(QWidget& window) {
  QStringList chain;
  QWidget* start = window.findChild<QTabBar*>();
  start->setFocus();
  for (QWidget* focus = start; chain.size() < 40;) {
    QTest::keyClick(focus, Qt::Key_Tab);
    focus = QApplication::focusWidget();
    if (focus == nullptr || focus == start) break;
    const auto* button = qobject_cast<QAbstractButton*>(focus);
    chain << (button != nullptr ? button->text() : !focus->objectName().isEmpty() ? focus->objectName()
                                                                                 : focus->metaObject()->className());
  }
  return chain;
}

TEST_F(MainWindow, TabGoesThroughEveryControlOfThePageInReadingOrder) {
  start_reader(kiteb_at(57600), "vela1");
  start_kestrel();
  window->activateWindow();
  trigger("&Reader Commands");
  EXPECT_EQ(tab_chain(*window), (QStringList{"Start Session", "cardTypes", "End Session", "hex", "hex", "hex", "hex",
                                             "hex", "hex", "commands", "Exchange APDU", "data", "kestrel::LogView",
                                             "Clear", "Quit"}));
  trigger("&VELA1 Card");
  window->vela1_page().reset();
  EXPECT_EQ(tab_chain(*window), (QStringList{"files", "view", "Ascii", "Reset", "Details", "Update", "kestrel::LogView",
                                             "Clear", "Quit"}))
      << "one stop for the Ascii/Hex pair";
}

// Return presses the default button (Quit; on the VELA1 page its own Reset) unless the focus is
// on a button, which Return presses, or in a text editor, which takes the key.
TEST_F(MainWindow, ReturnPressesTheDefaultButtonOrTheFocusedOne) {
  start_reader(kiteb_at(57600), "mcu-t0");
  start_kestrel();
  window->activateWindow();
  trigger("&Reader Commands");
  auto* start = [&] {
    for (auto* button : window->findChildren<QPushButton*>())
      if (button->text() == "Start Session") return button;
    return static_cast<QPushButton*>(nullptr);
  }();
  ASSERT_NE(start, nullptr);
  start->setFocus();
  QTest::keyClick(start, Qt::Key_Return);
  EXPECT_TRUE(wait_until([&] { return !log_lines().isEmpty() && log_lines().last().startsWith("Card reset OK"); }))
      << log_lines().join('\n').toStdString();
  EXPECT_TRUE(window->isVisible());

  data_editor().setFocus();
  QTest::keyClick(&data_editor(), Qt::Key_Return);
  EXPECT_TRUE(window->isVisible()) << "the data editor keeps Return";

  trigger("&VELA1 Card");
  QWidget& tree = window->vela1_page().tree();
  tree.setFocus();
  const int resets = static_cast<int>(emulator->state().commands_received);
  QTest::keyClick(&tree, Qt::Key_Return);
  EXPECT_GT(static_cast<int>(emulator->state().commands_received), resets) << "Reset ran";
  EXPECT_TRUE(window->isVisible());

  trigger("&Reader Commands");
  header("CLA").hex().setFocus();
  QTest::keyClick(&header("CLA").hex(), Qt::Key_Return);
  EXPECT_FALSE(window->isVisible()) << "Quit";
  EXPECT_TRUE(settings_exist());
}

}  // namespace
}  // namespace kestrel::testing
