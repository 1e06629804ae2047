// GoogleTest main for the widget tests: they need a QApplication, and no display.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  // ctest sets this too; test discovery at build time runs the program without it.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
