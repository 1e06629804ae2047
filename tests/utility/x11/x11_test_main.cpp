// GoogleTest main for the tests on a real X server: it starts a private Xvfb (and, when
// KESTREL_TEST_WINDOW_MANAGER names one, that window manager on it) before the QApplication, so
// that Qt's xcb platform draws real windows. Without Xvfb the tests skip.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>

#include <cstdio>

#include "x11_display.h"

int main(int argc, char** argv) {
  const char* window_manager = std::getenv("KESTREL_TEST_WINDOW_MANAGER");
  kestrel::testing::X11Display display(window_manager != nullptr ? window_manager : "");
  if (display.name().empty()) {
    std::fprintf(stderr, "no X server for the tests: %s\n", display.why().c_str());
    ::setenv("KESTREL_TEST_NO_X11", display.why().c_str(), 1);
    qputenv("QT_QPA_PLATFORM", "offscreen");
  } else {
    qputenv("QT_QPA_PLATFORM", "xcb");
  }
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
