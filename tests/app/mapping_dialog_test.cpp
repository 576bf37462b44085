// The mapping dialog of the tabs: a sheet that lacks columns its import
// reads is offered a mapping once; accepted, it is saved, and the next sheet
// with the same titles opens under it without a question.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "app/mapping_dialog.h"
#include "app_test_support.h"
#include "config/program_folder.h"
#include "import/saved_mappings.h"

namespace tabrin::app {
namespace {

class MappingDialogTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    CreateSampleDatabase();
    MakeWindow();
    ConnectKind1();
    ASSERT_TRUE(dialogs_.errors.empty());
  }

  void Open(TMasterTable table, const std::string& path) {
    dialogs_.openNames.push_back(QString::fromStdString(path));
    window_->Tab(table).xlsBtn->click();
  }

  // Exports the tab's table to a workbook and gives its name.
  std::string Export(TMasterTable table, const std::string& name) {
    dialogs_.saveNames.push_back(QString::fromStdString(File(name)));
    window_->Tab(table).exportBtn->click();
    return File(name);
  }

  // Answers the mapping dialog: the start entry of each column, then the
  // answer given.
  void AnswerMapping(QDialog::DialogCode answer) {
    dialogs_.modalScript = [this, answer](QDialog& dialog) {
      auto* mapping = dynamic_cast<TMappingDialog*>(&dialog);
      if (mapping == nullptr) {
        ADD_FAILURE() << "not the mapping dialog";
        return static_cast<int>(QDialog::Rejected);
      }
      shown.emplace_back();
      for (QComboBox* choice : mapping->choices) {
        shown.back().push_back(choice->objectName() + "=" + choice->currentText());
      }
      shownName = mapping->nameEdit->text();
      answer == QDialog::Accepted ? dialog.accept() : dialog.reject();
      return static_cast<int>(answer);
    };
  }

  std::vector<QStringList> shown;
  QString shownName;
};

TEST_F(MappingDialogTest, AnItemExportImportsBackAfterTheMappingIsAcceptedOnceAndThenWithoutAQuestion) {
  TTabPage& item = window_->Tab(TMasterTable::mtItem);
  const std::string items = Export(TMasterTable::mtItem, "items.xls");
  const std::vector<std::string> before = Rows("SELECT * FROM Item ORDER BY ItemNo");
  AnswerMapping(QDialog::Accepted);
  Open(TMasterTable::mtItem, items);
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  ASSERT_EQ(shown.size(), 1u);
  // Every column the kind-1 import reads, filled in by the proposal.
  EXPECT_EQ(shown[0].size(), 20);
  EXPECT_EQ(shown[0][0], Q("Column_管理貨號=管理貨號"));
  EXPECT_EQ(shown[0][5], Q("Column_廠商代號=應商代號"));
  EXPECT_EQ(shown[0][19], Q("Column_健康捐=〈不匯入此欄位〉"));
  EXPECT_EQ(shownName, Q("商品檔：管理貨號、國際碼、自訂碼…（19 欄）"));
  EXPECT_EQ(item.planLegend->text(),
            Q("匯入試算：新增 0　覆蓋 0　內容相同 200　未變更 0　錯誤 0\n欄位對應：應商代號 → 廠商代號；健康捐：不匯入"));

  item.importBtn->click();
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  EXPECT_EQ(dialogs_.messages.back().text, Q("匯入完畢\n新增 0 筆，覆蓋 0 筆，內容相同 200 筆，未變更 0 筆"));
  EXPECT_EQ(Rows("SELECT * FROM Item ORDER BY ItemNo"), before);

  // Saved: the same titles open under it with no question.
  ASSERT_TRUE(TMappingStore(ProgramFolder()).Find("商品檔：管理貨號、國際碼、自訂碼…（19 欄）"));
  Open(TMasterTable::mtItem, Export(TMasterTable::mtItem, "again.xls"));
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_TRUE(item.planLegend->text().endsWith(Q("\n欄位對應：應商代號 → 廠商代號；健康捐：不匯入")));
}

// Cancelled, the sheet opens as it is: the plan names the missing columns
// once and the import stops at its row as ever.
TEST_F(MappingDialogTest, ACancelledMappingLeavesTheSheetAsItIs) {
  TTabPage& supplier = window_->Tab(TMasterTable::mtSupplier);
  AnswerMapping(QDialog::Rejected);
  Open(TMasterTable::mtSupplier, Export(TMasterTable::mtSupplier, "suppliers.xls"));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0][1], Q("Column_廠商姓名=廠商名稱"));
  EXPECT_TRUE(supplier.planLegend->text().endsWith(
      Q("\n工作表缺少匯入讀取的欄位：廠商姓名、地址、聯絡電話1、聯絡電話2、存款利率、稅別、交易別")));
  supplier.importBtn->click();
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_TRUE(dialogs_.errors[0].text.startsWith(Q("ADOSupplierQuery: Field '廠商姓名' not found")));
  EXPECT_TRUE(TMappingStore(ProgramFolder()).List().empty());
}

}  // namespace
}  // namespace tabrin::app
