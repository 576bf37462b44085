// One QApplication for the whole program, on the offscreen platform unless
// the caller chose another, so that the tests need no display.
#include <gtest/gtest.h>

#include <QApplication>

#include "import/workbook_backend.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  tabrin::RegisterWorkbookReader();
  return RUN_ALL_TESTS();
}
