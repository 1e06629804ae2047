// GoogleTest main for the dialog tests: a QApplication on the offscreen platform, as a Qt host has.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  // ctest sets this too; test discovery at build time runs the program without it.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
