// The import plan in a tab's grid and the undo of the last import, with real
// workbooks and the embedded database.
#include <QAbstractItemModel>
#include <QLabel>
#include <QTableView>
#include <QToolButton>

#include "app_test_support.h"
#include "db/connection.h"
#include "db/database_connection.h"
#include "import/import_journal.h"
#include "import/import_tabs.h"

namespace tabrin::app {
namespace {

const std::vector<std::string> kSupplierTitles = {"廠商代號", "廠商姓名", "地址",   "負責人", "聯絡電話1",
                                                  "聯絡電話2", "訂貨電話", "傳真電話", "給予折扣", "稅別",
                                                  "聯絡人",   "交易別",   "備註"};

std::vector<TCell> Supplier(const char* code, const char* name, TCell discount) {
  return {std::string(code), std::string(name), TCell{}, TCell{}, TCell{}, TCell{}, TCell{},
          TCell{},           discount,          TCell{}, TCell{}, TCell{}, TCell{}};
}

const std::vector<std::string> kClassifyTitles = {"小分類代碼", "小分類名稱"};

std::vector<TCell> Classify(const char* code, const char* name) { return {std::string(code), std::string(name)}; }

class PlanUndoTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    CreateEmptyDatabase();
    // 001 and 002 are in the table before the window's first import, put
    // there by the core without a journal: nothing to undo at the start.
    const std::string earlier = File("earlier.xls");
    WriteWorkbook(earlier, kClassifyTitles, {Classify("001", "飲料"), Classify("002", "零食")});
    TConnection database("Earlier");
    database.SetConnectionString(OrvellaConnectionString(home_));
    database.Open();
    TImportOptions options;
    ImportWorkbookFile(database, TDatabaseKind::dkOrvella, TMasterTable::mtClassify, earlier, options);
  }

  void StartConnected() {
    window_.reset();
    MakeWindow();
    ConnectKind1();
    ASSERT_TRUE(dialogs_.errors.empty());
  }

  TTabPage& Tab(TMasterTable table) { return window_->Tab(table); }

  void Open(TMasterTable table, const std::string& path) {
    dialogs_.openNames.push_back(QString::fromStdString(path));
    Tab(table).xlsBtn->click();
  }

  QStringList Labels(TMasterTable table) {
    QAbstractItemModel* model = Tab(table).grid->View()->model();
    QStringList labels;
    for (int row = 0; row < model->rowCount(); ++row) labels << model->index(row, 0).data().toString();
    return labels;
  }

  // The tip of a row, asked of a sheet column as the pointer would.
  QString Tip(TMasterTable table, int row) {
    QAbstractItemModel* model = Tab(table).grid->View()->model();
    return model->index(row, 2).data(Qt::ToolTipRole).toString();
  }

  std::vector<std::string> Names() const { return Rows("SELECT ClsNo, ClsName FROM Classify ORDER BY ClsNo"); }
};

TEST_F(PlanUndoTest, GridShowsEachRowsPlannedOutcomeUnderTheCoverSetting) {
  constexpr TMasterTable cls = TMasterTable::mtClassify;
  const std::string sheet = File("cls.xls");
  WriteWorkbook(sheet, kClassifyTitles, {Classify("001", "茶飲"), Classify("002", "零食"), Classify("003", "日用")});
  struct Case {
    const char* cover;
    QStringList labels;
    const char* legend;
  } const cases[] = {
      {"0", {Q("覆蓋"), Q("內容相同"), Q("新增")}, "匯入試算：新增 1　覆蓋 1　內容相同 1　未變更 0　錯誤 0"},
      {"1", {Q("未變更"), Q("未變更"), Q("新增")}, "匯入試算：新增 1　覆蓋 0　內容相同 0　未變更 2　錯誤 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cover);
    WriteFile("setup.ini", std::string("[Setting]\ncover=") + c.cover + "\n");
    StartConnected();
    Open(cls, sheet);
    ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
    QAbstractItemModel* model = Tab(cls).grid->View()->model();
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), Q("試算"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), Q("小分類代碼"));
    EXPECT_EQ(Labels(cls), c.labels);
    EXPECT_EQ(Tab(cls).planLegend->text(), Q(c.legend));
    // Appends, rows that stay the same and rows left alone have nothing more to say.
    for (int row = 1; row < 3; ++row) EXPECT_TRUE(Tip(cls, row).isEmpty()) << row;
  }
  // The cover setting "0" once more, for the overwrite's fields.
  WriteFile("setup.ini", "[Setting]\ncover=0\n");
  StartConnected();
  Open(cls, sheet);
  EXPECT_EQ(Tip(cls, 0), Q("覆蓋 001\n小分類名稱：飲料 → 茶飲"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"001\t飲料", "002\t零食"}));  // planning wrote nothing

  // An error names its sheet row and column.
  constexpr TMasterTable supplier = TMasterTable::mtSupplier;
  const std::string suppliers = File("suppliers.xls");
  WriteWorkbook(suppliers, kSupplierTitles,
                {Supplier("S001", "廠商甲", 90.0), Supplier("S002", "廠商乙", std::string("九五折")),
                 Supplier("S003", "廠商丙", 95.0)});
  Open(supplier, suppliers);
  EXPECT_EQ(Labels(supplier), (QStringList{Q("新增"), Q("錯誤"), Q("新增")}));
  const QString error = Tip(supplier, 1);
  EXPECT_TRUE(error.startsWith(Q("錯誤\n工作表第 3 列，欄位「給予折扣」："))) << error.toStdString();
  EXPECT_TRUE(error.contains(Q("'九五折' is not a valid floating point value"))) << error.toStdString();
  // The other tab keeps its plan.
  EXPECT_EQ(Labels(cls), (QStringList{Q("覆蓋"), Q("內容相同"), Q("新增")}));

  // What an import stored is planned anew.
  Tab(cls).importBtn->click();
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  EXPECT_EQ(Labels(cls), (QStringList{Q("內容相同"), Q("內容相同"), Q("內容相同")}));
  EXPECT_FALSE(window_->Busy());
}

TEST_F(PlanUndoTest, WithoutADatabaseKindTheGridShowsNoPlan) {
  // The stored connection opens at start, but no kind was chosen: the
  // importer is not known, so neither is the plan.
  MakeWindow();
  ASSERT_TRUE(window_->ADOConnection().Connected());
  const std::string sheet = File("cls.xls");
  WriteWorkbook(sheet, kClassifyTitles, {Classify("001", "茶飲")});
  dialogs_.openNames.push_back(QString::fromStdString(sheet));
  window_->ClsXlsBtnClick();
  EXPECT_TRUE(dialogs_.errors.empty());
  QAbstractItemModel* model = Tab(TMasterTable::mtClassify).grid->View()->model();
  EXPECT_EQ(model->rowCount(), 1);
  EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), Q("小分類代碼"));
  EXPECT_TRUE(model->index(0, 0).data(Qt::ToolTipRole).isNull());
  EXPECT_TRUE(Tab(TMasterTable::mtClassify).planLegend->text().isEmpty());
}

TEST_F(PlanUndoTest, UndoTakesBackTheLastWindowImportAfterAYes) {
  StartConnected();
  QToolButton* undo = window_->undoButton;
  EXPECT_EQ(undo->text(), Q("復原上次匯入"));
  EXPECT_FALSE(undo->isEnabled());
  const std::vector<std::string> before = Names();

  constexpr TMasterTable cls = TMasterTable::mtClassify;
  const std::string sheet = File("cls.xls");
  WriteWorkbook(sheet, kClassifyTitles, {Classify("001", "茶飲"), Classify("003", "日用")});
  Open(cls, sheet);
  Tab(cls).importBtn->click();
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  const std::vector<std::string> imported = {"001\t茶飲", "002\t零食", "003\t日用"};
  ASSERT_EQ(Names(), imported);
  ASSERT_TRUE(undo->isEnabled());
  const std::string startedAt = TImportJournal(home_).History().at(0).startedAt;

  // No: nothing changes.
  dialogs_.askAnswers = {false};
  undo->click();
  ASSERT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_EQ(dialogs_.questions[0].caption, Q(kTestTitle));
  const QString question = dialogs_.questions[0].text;
  EXPECT_TRUE(question.contains(
      QString::fromStdString("#1（" + startedAt + "，cls.xls，新增 1 筆，覆蓋 1 筆，內容相同 0 筆，未變更 0 筆）")))
      << question.toStdString();
  EXPECT_EQ(Names(), imported);
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_EQ(dialogs_.messages.size(), 1u);  // the import's 匯入完畢 only

  // Yes: the table is as before, in the command line's words.
  dialogs_.askAnswers = {true};
  undo->click();
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  EXPECT_EQ(Names(), before);
  EXPECT_FALSE(undo->isEnabled());
  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_EQ(dialogs_.messages[1].text,
            QString::fromStdString("已復原匯入 #1（" + startedAt +
                                   "，cls.xls，新增 1 筆，覆蓋 1 筆，內容相同 0 筆，未變更 0 筆）\n"
                                   "刪除 1 筆，還原 1 筆，內容相同 0 筆，衝突 0 筆"));
  EXPECT_EQ(Labels(cls), (QStringList{Q("覆蓋"), Q("新增")}));  // planned anew

  // A record changed since the import is left alone and named.
  Tab(cls).importBtn->click();
  ASSERT_TRUE(undo->isEnabled());
  TConnection database("Clerk");
  database.SetConnectionString(OrvellaConnectionString(home_));
  database.Open();
  database.Execute("UPDATE Classify SET ClsName = '手改' WHERE ClsNo = '003'");
  dialogs_.askAnswers = {true};
  undo->click();
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  const QString report = dialogs_.messages.back().text;
  EXPECT_TRUE(report.contains(Q("刪除 0 筆，還原 1 筆，內容相同 0 筆，衝突 1 筆\n代碼 003：匯入後已被修改，沒有復原")))
      << report.toStdString();
  EXPECT_EQ(Names(), (std::vector<std::string>{"001\t飲料", "002\t零食", "003\t手改"}));
  EXPECT_FALSE(undo->isEnabled());
}

// A workbook imported before, byte for byte, is named in the import's
// message with the newest import of it.
TEST_F(PlanUndoTest, AWorkbookImportedBeforeIsNamedInTheImportsMessage) {
  StartConnected();
  constexpr TMasterTable cls = TMasterTable::mtClassify;
  const std::string sheet = File("cls.xls");
  WriteWorkbook(sheet, kClassifyTitles, {Classify("003", "日用")});
  Open(cls, sheet);
  Tab(cls).importBtn->click();
  Tab(cls).importBtn->click();
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_EQ(dialogs_.messages[0].text, Q("匯入完畢\n新增 1 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆"));
  const std::string startedAt = TImportJournal(home_).Entry(1)->startedAt;
  EXPECT_EQ(dialogs_.messages[1].text,
            QString::fromStdString("匯入完畢\n新增 0 筆，覆蓋 0 筆，內容相同 1 筆，未變更 0 筆\n此檔案已於 #1（" + startedAt.substr(0, 16) + "）匯入過"));
}

// An import that stored nothing (a supplier sheet without the column
// 廠商姓名) leaves nothing to undo.
TEST_F(PlanUndoTest, AnImportThatStoredNothingLeavesNothingToUndo) {
  StartConnected();
  const std::string suppliers = File("suppliers.xls");
  WriteWorkbook(suppliers, {"廠商代號"}, {{std::string("S001")}});
  Open(TMasterTable::mtSupplier, suppliers);
  Tab(TMasterTable::mtSupplier).importBtn->click();
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_EQ(TImportJournal(home_).History().size(), 1u);
  EXPECT_FALSE(window_->undoButton->isEnabled());
}

// The counts agree from the plan to the undo: the legend's overwrite that
// changes a name and the one that changes nothing are told apart in the box
// after the import, in the undo's question and in its report.
TEST_F(PlanUndoTest, TheCountsAreSplitAsTheLegendSplitsThemFromImportToUndo) {
  StartConnected();
  constexpr TMasterTable cls = TMasterTable::mtClassify;
  const std::string sheet = File("cls.xls");
  WriteWorkbook(sheet, kClassifyTitles, {Classify("001", "茶飲"), Classify("002", "零食"), Classify("003", "日用")});
  Open(cls, sheet);
  EXPECT_EQ(Tab(cls).planLegend->text(), Q("匯入試算：新增 1　覆蓋 1　內容相同 1　未變更 0　錯誤 0"));
  const std::string counts = "新增 1 筆，覆蓋 1 筆，內容相同 1 筆，未變更 0 筆";

  Tab(cls).importBtn->click();
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text.toStdString(), "匯入完畢\n" + counts);

  const std::string startedAt = TImportJournal(home_).History().at(0).startedAt;
  dialogs_.askAnswers = {true};
  window_->undoButton->click();
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  ASSERT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_TRUE(dialogs_.questions[0].text.startsWith(
      QString::fromStdString("要復原匯入 #1（" + startedAt + "，cls.xls，" + counts + "）嗎？")))
      << dialogs_.questions[0].text.toStdString();
  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_EQ(dialogs_.messages[1].text.toStdString(), "已復原匯入 #1（" + startedAt + "，cls.xls，" + counts +
                                                         "）\n刪除 1 筆，還原 1 筆，內容相同 1 筆，衝突 0 筆");
}

}  // namespace
}  // namespace tabrin::app
