// The window on a Traditional-Chinese desktop (LANG=zh_TW.UTF-8): every box
// a clerk meets in a day's flows, failures included, is Chinese; the texts
// the data layer keeps in English are the only English words.
#include <QRegularExpression>
#include <QToolButton>

#include <fstream>
#include <iterator>

#include "app_test_support.h"
#include "support/chinese_locale.h"

namespace tabrin::app {
namespace {

// English in every language: the ODBC driver's words and the data layer's
// fixed messages.
const std::vector<std::string> kKeptEnglish = {
    "Unable to connect: Adaptive Server is unavailable or does not exist; Unable to connect to data source",
    "Cannot perform this operation on a closed dataset"};

const std::vector<std::string> kClassifyTitles = {"小分類代碼", "小分類名稱"};

class WindowInChinese : public AppTest {
 protected:
  void SetUp() override {
    if (!locale_.Ok()) GTEST_SKIP() << test::TChineseLocale::kMissing;
    AppTest::SetUp();
  }

  void Open(TMasterTable table, const std::string& path) {
    dialogs_.openNames.push_back(QString::fromStdString(path));
    window_->Tab(table).xlsBtn->click();
  }

  // Every box shown so far, each checked: no English sentence, and a
  // sentence that ends does so with Chinese punctuation.
  void CheckEveryBox() {
    std::vector<TShownBox> boxes = dialogs_.messages;
    boxes.insert(boxes.end(), dialogs_.errors.begin(), dialogs_.errors.end());
    boxes.insert(boxes.end(), dialogs_.questions.begin(), dialogs_.questions.end());
    ASSERT_FALSE(boxes.empty());
    for (const TShownBox& box : boxes) {
      const std::string text = box.text.toStdString();
      SCOPED_TRACE(text);
      EXPECT_EQ(test::EnglishSentences(text, kKeptEnglish), std::vector<std::string>{});
      // "已處理。", not "已處理.", at the end of each line.
      EXPECT_FALSE(box.text.contains(QRegularExpression(QStringLiteral("[^\\x{0}-\\x{7f}]\\.(\n|$)"))));
    }
  }

  test::TChineseLocale locale_;
};

TEST_F(WindowInChinese, FailuresAreToldInChinese) {
  // Without its database: where it must be and what to do.
  MakeWindow();
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_TRUE(dialogs_.errors[0].text.contains(Q("資料庫必須放在程式資料夾"))) << dialogs_.errors[0].text.toStdString();

  // A server that cannot be reached.
  WriteFile("Database.ini", "[database]\nhost=127.0.0.1\nPort=1\nLogin=nobody\n");
  dialogs_.menuChoice = QStringLiteral("KESTAPOS");
  window_->dbconnButton->click();
  ASSERT_EQ(dialogs_.errors.size(), 2u);
  EXPECT_TRUE(dialogs_.errors[1].text.contains(Q("伺服器："))) << dialogs_.errors[1].text.toStdString();

  CreateEmptyDatabase();
  ConnectKind1();
  ASSERT_EQ(dialogs_.errors.size(), 2u) << dialogs_.errors.back().text.toStdString();
  constexpr TMasterTable cls = TMasterTable::mtClassify;
  // Files that are no workbooks, or a damaged one.
  WriteFile("notes.xls", "not a workbook\n");
  Open(cls, File("notes.xls"));
  {
    std::ifstream in(std::string(TABRIN_TEST_DATA) + "/item_basic.xls", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(File("cut.xls"), std::ios::binary) << bytes.substr(0, 3000);
  }
  Open(cls, File("cut.xls"));
  Open(cls, File("missing.xls"));
  ASSERT_EQ(dialogs_.errors.size(), 5u);
  EXPECT_TRUE(dialogs_.errors[4].text.contains(Q("無法開啟檔案"))) << dialogs_.errors[4].text.toStdString();

  // A code too long for its field stops the import at its row.
  WriteWorkbook(File("long.xls"), kClassifyTitles, {{std::string("0220"), std::string("咖啡")}});
  Open(cls, File("long.xls"));
  window_->Tab(cls).importBtn->click();
  ASSERT_EQ(dialogs_.errors.size(), 6u);
  EXPECT_TRUE(dialogs_.errors[5].text.contains(Q("請在活頁簿中縮短這個代碼"))) << dialogs_.errors[5].text.toStdString();
  CheckEveryBox();
}

TEST_F(WindowInChinese, ADaysWorkIsToldInChinese) {
  CreateEmptyDatabase();
  MakeWindow();
  ConnectKind1();
  constexpr TMasterTable cls = TMasterTable::mtClassify;
  WriteWorkbook(File("cls.xls"), kClassifyTitles,
                {{std::string("001"), std::string("飲料")}, {std::string("002"), std::string("零食")}});
  Open(cls, File("cls.xls"));
  window_->Tab(cls).importBtn->click();
  dialogs_.askAnswers = {true};
  window_->undoButton->click();
  dialogs_.saveNames.push_back(QString::fromStdString(File("out.xls")));
  window_->Tab(cls).exportBtn->click();
  EXPECT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  EXPECT_EQ(dialogs_.messages.size(), 3u);
  EXPECT_EQ(dialogs_.questions.size(), 1u);
  CheckEveryBox();
}

}  // namespace
}  // namespace tabrin::app
