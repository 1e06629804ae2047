// The main window's log: it keeps its newest line in sight as a terminal does, and it is a record
// to read and copy, not a place to type.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include "LogView.h"

namespace kestrel {
namespace {

class Log : public ::testing::Test {
 protected:
  Log() : log(new LogView(&window)), next(new QPushButton(QStringLiteral("Next"), &window)) {
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(log);
    layout->addWidget(next);
    window.resize(320, 160);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  void add_lines(int count, const QString& prefix = QStringLiteral("line")) {
    for (int i = 0; i < count; ++i) log->append_line(QStringLiteral("%1 %2").arg(prefix).arg(i));
    QApplication::processEvents();
  }
  bool at_newest_line() const { return log->verticalScrollBar()->value() == log->verticalScrollBar()->maximum(); }

  QWidget window;
  LogView* log;
  QPushButton* next;
};

// A line too long for the width brings up the horizontal scroll bar, which makes the text area
// shorter: the newest line must stay in sight all the same.
TEST_F(Log, KeepsItsNewestLineInSightAfterALongLineBringsUpTheHorizontalScrollBar) {
  add_lines(3);
  log->append_line(QString(400, QLatin1Char('A')));
  add_lines(40, QStringLiteral("after"));
  ASSERT_TRUE(log->horizontalScrollBar()->isVisible());
  EXPECT_TRUE(at_newest_line());
  log->append_line(QStringLiteral("newest"));
  QApplication::processEvents();
  EXPECT_TRUE(at_newest_line());
}

TEST_F(Log, AUserWhoScrolledUpToReadIsLeftThereUntilHeScrollsBackDown) {
  add_lines(60);
  log->verticalScrollBar()->setValue(3);
  add_lines(10, QStringLiteral("more"));
  EXPECT_EQ(log->verticalScrollBar()->value(), 3);
  EXPECT_FALSE(log->following());

  log->verticalScrollBar()->setValue(log->verticalScrollBar()->maximum());
  add_lines(10, QStringLiteral("again"));
  EXPECT_TRUE(at_newest_line());
}

TEST_F(Log, TypingChangesNothingAndTabMovesOn) {
  add_lines(2);
  const QString before = log->toPlainText();
  log->setFocus();
  QTest::keyClicks(log, QStringLiteral("typed"));
  QTest::keyClick(log, Qt::Key_Return);
  EXPECT_EQ(log->toPlainText(), before);
  QTest::keyClick(log, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), next);

  // Selecting and copying still work.
  log->setFocus();
  QTest::keyClick(log, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(log->textCursor().selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n')), before);
}

}  // namespace
}  // namespace kestrel
