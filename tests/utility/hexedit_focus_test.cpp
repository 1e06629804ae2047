// Entering and leaving the editor: select-all on keyboard entry, the required-field warning.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QVBoxLayout>

#include "HexEditHarness.h"

namespace kestrel::testing {
namespace {

// The editor and a second field to move to, in an active window.
struct FormHarness : HexEditHarness {
  FormHarness() {
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(&edit);
    layout->addWidget(&next);
    window.activateWindow();
    active = QTest::qWaitForWindowActive(&window);
    focus(next, Qt::OtherFocusReason);
  }
  // Moves the focus the way a person does, then lets queued work run.
  void focus(QWidget& widget, Qt::FocusReason reason) {
    widget.setFocus(reason);
    QCoreApplication::processEvents();
  }

  QLineEdit& next = *new QLineEdit(&window);
  bool active = false;
};

const QString kRequired = QStringLiteral(" ¡Es obligatorio rellenar este campo! ");

TEST(HexEditFocus, KeyboardEntrySelectsAllTextAndAClickDoesNot) {
  FormHarness f;
  ASSERT_TRUE(f.active);
  f.load({1, 2});
  f.focus(f.edit, Qt::TabFocusReason);
  EXPECT_EQ(f.edit.textCursor().selectedText(), "01 02 ");
  f.focus(f.next, Qt::TabFocusReason);
  f.place_caret(1);
  f.focus(f.edit, Qt::MouseFocusReason);
  EXPECT_FALSE(f.edit.textCursor().hasSelection());
}

TEST(HexEditFocus, LeavingAnEmptyRequiredEditorWarnsAndTakesTheFocusBack) {
  FormHarness f;
  ASSERT_TRUE(f.active);
  f.edit.SetRequiredField(true);
  f.focus(f.edit, Qt::TabFocusReason);
  f.focus(f.next, Qt::TabFocusReason);
  ASSERT_EQ(f.prompter.messages.size(), 1u);
  EXPECT_EQ(f.prompter.messages[0].kind, Prompter::Kind::Warning);
  EXPECT_EQ(f.prompter.messages[0].text, kRequired);
  EXPECT_TRUE(f.edit.hasFocus());
}

TEST(HexEditFocus, LeavingIsFreeWhenFilledOrNotRequired) {
  FormHarness f;
  ASSERT_TRUE(f.active);
  f.focus(f.edit, Qt::TabFocusReason);
  f.focus(f.next, Qt::TabFocusReason);  // empty, not required
  f.edit.SetRequiredField(true);
  f.load({0});
  f.focus(f.edit, Qt::TabFocusReason);
  f.focus(f.next, Qt::MouseFocusReason);  // required, not empty
  EXPECT_TRUE(f.prompter.messages.empty());
  EXPECT_TRUE(f.next.hasFocus());
}

TEST(HexEditFocus, TwoEmptyRequiredEditorsDoNotFightOverTheFocus) {
  FormHarness f;
  ASSERT_TRUE(f.active);
  THexEdit& other = *new THexEdit(f.prompter, &f.window);
  f.window.layout()->addWidget(&other);
  f.edit.SetRequiredField(true);
  other.SetRequiredField(true);
  f.focus(f.edit, Qt::TabFocusReason);
  f.focus(other, Qt::TabFocusReason);
  QCoreApplication::processEvents();
  EXPECT_EQ(f.prompter.messages.size(), 1u);
  EXPECT_TRUE(f.edit.hasFocus());
}

}  // namespace
}  // namespace kestrel::testing
