// Kestrel on a real X server, with and without a window manager: message boxes that show their
// contents wherever they are opened from, and a main window that opens exactly where it was left.
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <deque>
#include <functional>
#include <set>

#include "KestrelFixture.h"
#include "Prompter.h"
#include "Vela1Page.h"
#include "keys.h"
#include "vela1pro.h"

namespace kestrel::testing {
namespace {

// Acts on the modal windows as they come up, the way a person does: each step waits until the
// active modal window is the one it wants and shown on the screen, then acts on it. Clicks are
// queued, so that the dialog a click opens runs its own event loop outside this one's timer.
class ModalDriver {
 public:
  using Wanted = std::function<bool(QWidget&)>;
  using Act = std::function<void(QWidget&)>;

  ModalDriver() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    timer_.start(50);
  }
  void then(Wanted wanted, Act act) { steps_.push_back({std::move(wanted), std::move(act)}); }
  bool done() const { return steps_.empty(); }

  static void click_later(QAbstractButton* button) {
    QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
  }

 private:
  void tick() {
    QWidget* modal = QApplication::activeModalWidget();
    if (steps_.empty() || modal == nullptr || !steps_.front().wanted(*modal)) return;
    if (modal->windowHandle() == nullptr || !modal->windowHandle()->isExposed()) return;
    const Step step = steps_.front();
    steps_.pop_front();
    step.act(*modal);
  }

  struct Step {
    Wanted wanted;
    Act act;
  };
  std::deque<Step> steps_;
  QTimer timer_;
};

template <typename Window>
ModalDriver::Wanted is() {
  return [](QWidget& widget) { return qobject_cast<Window*>(&widget) != nullptr; };
}

// What the screen shows of a window: more than one colour when it has been drawn.
int colours_on_screen(QWidget& window) {
  const QImage shown = window.screen()->grabWindow(window.winId()).toImage();
  std::set<QRgb> colours;
  for (int y = 0; y < shown.height() && colours.size() < 3; ++y)
    for (int x = 0; x < shown.width() && colours.size() < 3; ++x) colours.insert(shown.pixel(x, y));
  return static_cast<int>(colours.size());
}

// The window with the frame the window manager put round it, as the platform window knows it.
QRect frame_of(QWidget& window) { return window.windowHandle()->frameGeometry(); }

class OnX11 : public KestrelTest {
 protected:
  void SetUp() override {
    if (const char* why = std::getenv("KESTREL_TEST_NO_X11")) GTEST_SKIP() << why;
  }
  bool window_manager() const { return std::getenv("KESTREL_TEST_WINDOW_MANAGER") != nullptr; }

  DesktopPrompter desktop;
};

// The purse's refusals come up from inside the Submit Keys flow of VELA1 Properties; each box
// must show its text and button on the screen, not an empty window.
TEST_F(OnX11, ThePursesMessageBoxesDrawTheirContents) {
  start_reader(kiteb_at(), "vela1");
  start_kestrel(&desktop);
  ASSERT_TRUE(binding.reader_open());
  window->show_page(TForm1::Page::Vela1);
  window->vela1_page().reset();

  QStringList texts;
  std::vector<int> colours;
  ModalDriver driver;
  auto transaction = [&](const char* amount, const char* button_name) {
    driver.then(is<TFrmVELA1Prop>(), [=](QWidget& dialog) {
      auto& properties = static_cast<TFrmVELA1Prop&>(dialog);
      properties.pages().setCurrentIndex(TFrmVELA1Prop::ElectronicsPurse);
      properties.findChild<QLineEdit*>(QStringLiteral("amount"))->setText(QLatin1String(amount));
      ModalDriver::click_later(properties.findChild<QPushButton*>(QLatin1String(button_name)));
    });
    driver.then(is<TFrmKeys>(), [](QWidget& keys) {
      ModalDriver::click_later(keys.findChild<QPushButton*>(QStringLiteral("OK")));
    });
    driver.then(is<QMessageBox>(), [&](QWidget& widget) {
      auto& box = static_cast<QMessageBox&>(widget);
      QTest::qWait(300);  // drawn and on the screen
      texts << box.text();
      colours.push_back(colours_on_screen(box));
      ModalDriver::click_later(box.button(QMessageBox::Ok));
    });
  };
  transaction("5000", "debit");
  transaction("200000", "credit");
  driver.then(is<TFrmVELA1Prop>(), [](QWidget& dialog) { static_cast<QDialog&>(dialog).reject(); });

  ModalDriver::click_later(window->vela1_page().findChild<QPushButton*>(QStringLiteral("details")));
  ASSERT_TRUE(wait_until([&] { return driver.done(); }));
  EXPECT_EQ(texts, (QStringList{"Not enough balance to debit", "Amount is over the maximum limit"}));
  for (size_t i = 0; i < colours.size(); ++i) EXPECT_GE(colours[i], 2) << "box " << i << " is not drawn";
}

// Under a window manager the window's frame lies round its own area: what is saved and what is
// restored must be the same thing, or the window creeps at every start.
TEST_F(OnX11, TheMainWindowOpensWhereAndAsLargeAsItWasLeft) {
  start_reader(kiteb_at(), "mcu-t0");
  start_kestrel(&desktop);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  const QRect wanted(300, 200, 640, 480);
  window->setGeometry(wanted);
  ASSERT_TRUE(wait_until([&] { return window->geometry() == wanted; }));
  QTest::qWait(300);  // the window manager has framed it
  const QRect frame = frame_of(*window);
  if (window_manager()) {
    EXPECT_NE(frame, wanted) << "a window manager frames the window";
  }
  quit();

  for (int start = 0; start < 2; ++start) {
    window.reset();
    start_kestrel(&desktop);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    // The frame comes once the window manager has taken the window: wait for it, then compare.
    wait_until([&] { return frame_of(*window) == frame; });
    EXPECT_EQ(window->geometry(), wanted) << "start " << start;
    EXPECT_EQ(frame_of(*window), frame) << "start " << start;
    quit();
  }
}

}  // namespace
}  // namespace kestrel::testing
