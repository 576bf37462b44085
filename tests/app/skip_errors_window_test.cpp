// The window's choices of what an import may change: the question before an
// import whose plan has failing rows (import the others, save the failed
// ones), and the settings dialog's update-only and keep-blanks boxes with
// what the plan shows for them.
#include <QAbstractItemModel>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include <filesystem>

#include "app/setup_dialog.h"
#include "app_test_support.h"
#include "db/connection.h"
#include "db/database_connection.h"

namespace tabrin::app {
namespace {

const std::vector<std::string> kClassifyTitles = {"小分類代碼", "小分類名稱"};

class WindowChoicesTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    CreateEmptyDatabase();
  }

  void StartConnected() {
    MakeWindow();
    ConnectKind1();
    ASSERT_TRUE(dialogs_.errors.empty());
  }

  TTabPage& Cls() { return window_->Tab(TMasterTable::mtClassify); }

  // Opens a sheet of sub-categories on its tab: 0220 is too long a code.
  void OpenSheet(const std::vector<std::vector<TCell>>& rows) {
    const std::string path = File("cls.xls");
    WriteWorkbook(path, kClassifyTitles, rows);
    dialogs_.openNames.push_back(QString::fromStdString(path));
    Cls().xlsBtn->click();
  }

  QStringList Labels() {
    QAbstractItemModel* model = Cls().grid->View()->model();
    QStringList labels;
    for (int row = 0; row < model->rowCount(); ++row) labels << model->index(row, 0).data().toString();
    return labels;
  }

  std::vector<std::string> Codes() const { return Rows("SELECT ClsNo FROM Classify ORDER BY ClsNo"); }

  const std::vector<std::vector<TCell>> badSheet_ = {{std::string("A01"), std::string("飲料")},
                                                     {std::string("0220"), std::string("太長")},
                                                     {std::string("B02"), std::string("零食")}};
};

TEST_F(WindowChoicesTest, NoToTheQuestionImportsAsUsualStoppingAtTheFirstFailingRow) {
  StartConnected();
  OpenSheet(badSheet_);
  Cls().importBtn->click();
  ASSERT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_EQ(dialogs_.questions[0].caption, Q(kTestTitle));
  EXPECT_TRUE(dialogs_.questions[0].text.startsWith(Q("試算有 1 列錯誤"))) << dialogs_.questions[0].text.toStdString();
  EXPECT_TRUE(dialogs_.saveDialogs.empty());
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_TRUE(dialogs_.errors[0].text.contains(Q("工作表第 3 列"))) << dialogs_.errors[0].text.toStdString();
  EXPECT_EQ(Codes(), (std::vector<std::string>{"A01"}));
}

TEST_F(WindowChoicesTest, YesImportsTheOtherRowsAndSavesTheFailedOnesWhereTheClerkSays) {
  StartConnected();
  OpenSheet(badSheet_);
  dialogs_.askAnswers.push_back(true);
  dialogs_.saveNames.push_back(QString::fromStdString(File("fix")));
  dialogs_.saveEntries.push_back(1);  // the second entry: Excel 2007+
  Cls().importBtn->click();
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors[0].text.toStdString();
  ASSERT_EQ(dialogs_.saveDialogs.size(), 1u);
  EXPECT_EQ(dialogs_.saveDialogs[0].filters,
            (QStringList{Q("Excel 97-2003 活頁簿 (*.xls)"), Q("Excel 活頁簿 (*.xlsx)"), Q("CSV 文字檔 (*.csv)")}));
  EXPECT_EQ(Codes(), (std::vector<std::string>{"A01", "B02"}));
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text, Q("匯入完畢\n新增 2 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆，略過 1 列\n略過的列已寫入 ") +
                                           QString::fromStdString(File("fix.xlsx")));
  const std::vector<std::string> rejects = ReadWorkbook(File("fix.xlsx"));
  ASSERT_EQ(rejects.size(), 2u);
  EXPECT_EQ(rejects[0], "小分類代碼\t小分類名稱\t錯誤原因");
  EXPECT_EQ(rejects[1].substr(0, rejects[1].find('\t', 5) + 1), "0220\t太長\t");
  EXPECT_NE(rejects[1].find("工作表第 3 列"), std::string::npos) << rejects[1];
}

TEST_F(WindowChoicesTest, CancellingTheSaveImportsNothingAndASheetWithoutErrorsAsksNothing) {
  StartConnected();
  OpenSheet(badSheet_);
  dialogs_.askAnswers.push_back(true);
  Cls().importBtn->click();  // the save dialog answers "cancelled"
  EXPECT_EQ(dialogs_.saveDialogs.size(), 1u);
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_TRUE(Codes().empty());

  OpenSheet({{std::string("A01"), std::string("飲料")}});
  Cls().importBtn->click();
  EXPECT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_EQ(Codes(), (std::vector<std::string>{"A01"}));
}

// The boxes below the cover choice: stored beside Cover by OK, in force at
// once, and shown by the plan before the import.
TEST_F(WindowChoicesTest, UpdateOnlyAndKeepBlanksFromTheSettingsDialogShowInThePlan) {
  StartConnected();
  {
    TConnection database("Setup");
    database.SetConnectionString(OrvellaConnectionString(home_));
    database.Open();
    database.Execute("INSERT INTO Classify (ClsNo, ClsName, Flag, Void) VALUES ('A01', '舊名', 0, '')");
  }
  OpenSheet({{std::string("A01"), TCell{}}, {std::string("C03"), std::string("雜貨")}});
  EXPECT_EQ(Labels(), (QStringList{Q("覆蓋"), Q("新增")}));

  TFmsetup& setup = window_->Fmsetup();
  EXPECT_GT(setup.UpdateOnly->y(), setup.bbtnOk->geometry().bottom());
  dialogs_.modalScript = [](QDialog& dialog) {
    auto& settings = static_cast<TFmsetup&>(dialog);
    settings.UpdateOnly->click();
    settings.KeepBlanks->click();
    settings.bbtnOk->click();
    return dialog.result();
  };
  window_->inisetupButton->click();
  const std::string ini = ReadFile("SETUP.ini");
  EXPECT_NE(ini.find("UpdateOnly=1"), std::string::npos) << ini;
  EXPECT_NE(ini.find("KeepBlanks=1"), std::string::npos) << ini;
  EXPECT_EQ(window_->ImportChoices(), (TImportChoices{true, true}));

  EXPECT_EQ(Labels(), (QStringList{Q("內容相同"), Q("未新增")}));
  EXPECT_TRUE(Cls().planLegend->text().endsWith(Q("　未新增 1"))) << Cls().planLegend->text().toStdString();
  EXPECT_EQ(Cls().grid->View()->model()->index(0, 2).data(Qt::ToolTipRole).toString(),
            Q("內容相同 A01\n空白保留：小分類名稱"));
  Cls().importBtn->click();
  EXPECT_EQ(Rows("SELECT ClsNo, ClsName FROM Classify"), (std::vector<std::string>{"A01\t舊名"}));
}

}  // namespace
}  // namespace tabrin::app
