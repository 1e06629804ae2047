// The "Read" dialog's address.
#include <QPushButton>
#include <QTest>

#include "KestrelFixture.h"
#include "read.h"

namespace kestrel::testing {
namespace {

class ReadDialog : public KestrelTest {};

// The address comes back as typed, after OK and after Cancel alike.
TEST_F(ReadDialog, ReturnsTheAddressTyped) {
  TFrmRead read(prompter);
  EXPECT_EQ(read.windowTitle(), "Read");
  for (const int result : {QDialog::Accepted, QDialog::Rejected}) {
    int address = 0x1234;
    prompter.on_dialog = [&](QDialog& shown) {
      auto& field = *shown.findChild<THexEdit*>(QStringLiteral("address"));
      EXPECT_EQ(field.GetBuffer()[0], 0x12);
      EXPECT_EQ(field.GetBuffer()[1], 0x34);
      QTest::keyClick(&field, Qt::Key_Home, Qt::ControlModifier);
      QTest::keyClicks(&field, QStringLiteral("abcd"));
      if (result == QDialog::Accepted) QTest::mouseClick(shown.findChild<QPushButton*>(QStringLiteral("OK")), Qt::LeftButton);
      return result;
    };
    EXPECT_EQ(read.ask_address(1, address), result);
    EXPECT_EQ(address, 0xABCD);
  }
}

}  // namespace
}  // namespace kestrel::testing
