// Qt's own texts at the window's start-up, in a process started with the
// user's locale in LANG (and LC_ALL): Traditional Chinese for Taiwan and
// Hong Kong, English for C.UTF-8.  Qt reads the locale from the environment
// itself, so no C library locale needs to be generated.
//
//   app_locale_tests zh_TW|C    (the translation the locale should get)
#include <gtest/gtest.h>

#include <stdlib.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/app_start.h"

namespace {

std::string expected;  // "zh_TW" or "C"

struct TQtTexts {
  QString yes, no, ok, lookIn, fileName, allFiles;
};

TQtTexts ShownTexts() {
  TQtTexts texts;
  QMessageBox question(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("?"),
                       QMessageBox::Yes | QMessageBox::No);
  texts.yes = question.button(QMessageBox::Yes)->text();
  texts.no = question.button(QMessageBox::No)->text();
  QDialogButtonBox buttons(QDialogButtonBox::Ok);
  texts.ok = buttons.button(QDialogButtonBox::Ok)->text();
  QFileDialog files;
  files.setOption(QFileDialog::DontUseNativeDialog);
  texts.lookIn = files.findChild<QLabel*>(QStringLiteral("lookInLabel"))->text();
  texts.fileName = files.findChild<QLabel*>(QStringLiteral("fileNameLabel"))->text();
  texts.allFiles = files.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText();
  return texts;
}

TEST(QtTexts, AreInTheLanguageOfTheUsersLocale) {
  const TQtTexts shown = ShownTexts();
  const TQtTexts want = expected == "zh_TW"
                            ? TQtTexts{QStringLiteral("是(&Y)"), QStringLiteral("否(&N)"), QStringLiteral("確定"),
                                       QStringLiteral("尋找於："), QStringLiteral("檔名(&N)："),
                                       QStringLiteral("所有檔案 (*)")}
                            : TQtTexts{QStringLiteral("&Yes"), QStringLiteral("&No"), QStringLiteral("OK"),
                                       QStringLiteral("Look in:"), QStringLiteral("File &name:"),
                                       QStringLiteral("All Files (*)")};
  EXPECT_EQ(shown.yes, want.yes);
  EXPECT_EQ(shown.no, want.no);
  EXPECT_EQ(shown.ok, want.ok);
  EXPECT_EQ(shown.lookIn, want.lookIn);
  EXPECT_EQ(shown.fileName, want.fileName);
  EXPECT_EQ(shown.allFiles, want.allFiles);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 2 || (std::strcmp(argv[1], "zh_TW") != 0 && std::strcmp(argv[1], "C") != 0)) {
    std::fprintf(stderr, "usage: app_locale_tests zh_TW|C\n");
    return 2;
  }
  expected = argv[1];
  qputenv("QT_QPA_PLATFORM", "offscreen");
  std::string folder = (std::filesystem::temp_directory_path() / "tabrin-app-locale-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) return 2;
  // As the window starts: main() of the program.
  tabrin::app::PrepareStart(folder);
  QApplication application(argc, argv);
  tabrin::app::FinishStart();
  const int result = RUN_ALL_TESTS();
  std::filesystem::remove_all(folder);
  return result;
}
