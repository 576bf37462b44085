// The window's tests run in process on Qt's offscreen platform, with the
// start-up of the program: a site configuration whose Title names every box.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <QApplication>

#include <filesystem>
#include <fstream>

#include "app/app_start.h"
#include "app_test_support.h"

const char* const kTestTitle = "測試門市匯入";

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  std::string folder = (std::filesystem::temp_directory_path() / "tabrin-app-start-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) return 2;
  std::ofstream(folder + "/Config.ini") << "[Base Info]\nTitle=" << kTestTitle << "\n";
  tabrin::app::PrepareStart(folder);
  QApplication application(argc, argv);
  tabrin::app::FinishStart();
  const int result = RUN_ALL_TESTS();
  std::filesystem::remove_all(folder);
  return result;
}
