// The About box and the property page, shown modally on the offscreen platform in the test's own
// QApplication, as a Qt host would show them; a timer reads what is on the screen and closes it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <functional>

#include "control_client.h"

namespace control_test {
namespace {

// Lets look see the modal dialog once it is up, then closes it (if look has not).
void when_modal(std::function<void(QWidget&)> look) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, look = std::move(look)] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr) return;
    timer->stop();
    timer->deleteLater();
    look(*dialog);
    dialog->close();
  });
  timer->start(10);
}

QString text_of(QWidget& dialog, const char* name) {
  const auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name));
  return label != nullptr ? label->text() : QString();
}

TEST(Dialogs, TheAboutBoxShowsItsTextsAndClosesWithOk) {
  ControlClient control;
  QString title, first_line, second_line;
  QRect first_line_geometry, ok_geometry, dialog_rect;
  bool icon_shown = false;
  when_modal([&](QWidget& dialog) {
    title = dialog.windowTitle();
    first_line = text_of(dialog, "title");
    second_line = text_of(dialog, "version");
    first_line_geometry = dialog.findChild<QLabel*>(QStringLiteral("title"))->geometry();
    icon_shown = !dialog.findChild<QLabel*>(QStringLiteral("icon"))->pixmap().isNull();
    dialog_rect = dialog.rect();
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("ok"));
    ok_geometry = ok->geometry();
    ok->click();
  });

  const Result result = control.invoke(DISPID_ABOUTBOX, DISPATCH_METHOD);
  EXPECT_EQ(result.hr, S_OK);
  EXPECT_EQ(result.vt, VT_EMPTY);
  EXPECT_EQ(title, QStringLiteral("About Larkspur Control"));
  EXPECT_EQ(first_line, QStringLiteral("Larkspur Control, Version 1.0"));
  EXPECT_FALSE(second_line.isEmpty());
  EXPECT_TRUE(icon_shown);
  // In dialog units the first line ends at 210 and the button spans 221 to 253 of 260.
  EXPECT_LT(first_line_geometry.right(), ok_geometry.left());
  EXPECT_TRUE(dialog_rect.contains(ok_geometry));
  EXPECT_GT(dialog_rect.width(), 4 * dialog_rect.height()) << "260 x 55 dialog units";
}

TEST(Dialogs, ThePropertyPageSaysThereIsNothingToSet) {
  const auto page = create<IPropertyPage>(CLSID_PelorusPropPage, IID_IPropertyPage);
  ASSERT_TRUE(page);
  QString caption, text;
  when_modal([&](QWidget& dialog) {
    caption = dialog.windowTitle();
    text = text_of(dialog, "text");
  });
  EXPECT_EQ(page->lpVtbl->Show(page.get()), S_OK);
  EXPECT_EQ(caption, QStringLiteral("General"));
  EXPECT_EQ(text, QStringLiteral("There is no properties page for this control"));
}

}  // namespace
}  // namespace control_test
