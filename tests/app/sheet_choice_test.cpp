// The sheet choice of a tab's Open button: asked through the dialog seam
// when a workbook has no sheet "sheet1" (or none of the tab's columns), and
// the text files every tab opens.
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QToolButton>

#include <fstream>
#include <variant>

#include "app/sheet_choice_dialog.h"
#include "app_test_support.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin::app {
namespace {

struct TSheet {
  std::string title;
  std::vector<std::vector<std::string>> rows;  // from the sheet's first row; "" leaves a cell empty
};

void WriteBook(const std::string& path, const std::vector<TSheet>& sheets) {
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path);
  writer.BeginWorkbook();
  for (std::size_t s = 0; s < sheets.size(); ++s) {
    TxlsSheetHead head;
    head.SheetIndex = static_cast<int>(s);
    head.Title = sheets[s].title;
    writer.BeginSheet(head);
    for (std::size_t r = 0; r < sheets[s].rows.size(); ++r) {
      for (std::size_t c = 0; c < sheets[s].rows[r].size(); ++c) {
        const std::string& text = sheets[s].rows[r][c];
        if (!text.empty()) writer.WriteLabelSst(static_cast<int>(r), static_cast<int>(c), text, kDefaultXfIndex);
      }
    }
    writer.EndSheet();
  }
  writer.FinishWorkbook();
  writer.CloseWorkbookFile();
}

class SheetChoiceTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    CreateEmptyDatabase();
    MakeWindow();
    ConnectKind1();
    ASSERT_TRUE(dialogs_.errors.empty());
    book_ = File("price list.xls");
    WriteBook(book_, {{"說明", {{"本表由廠商提供"}}},
                      {"工作表1", {{"2026 年價目表"}, {}, {"小分類代碼", "小分類名稱"}, {"001", "飲料"}, {"002", "零食"}}}});
  }

  void Open(TMasterTable table, const std::string& path) {
    dialogs_.openNames.push_back(QString::fromStdString(path));
    window_->Tab(table).xlsBtn->click();
  }

  // Answers the sheet choice with a sheet and title row, noting what it offered.
  void Choose(const QString& sheet, int titleRow) {
    dialogs_.modalScript = [this, sheet, titleRow](QDialog& dialog) {
      auto* choice = dynamic_cast<TSheetChoiceDialog*>(&dialog);
      if (choice == nullptr) return static_cast<int>(QDialog::Rejected);
      offered_.clear();
      for (int i = 0; i < choice->sheetBox->count(); ++i) offered_ << choice->sheetBox->itemText(i);
      reasons_ << choice->reasonLabel->text();
      choice->sheetBox->setCurrentText(sheet);
      choice->titleRowBox->setValue(titleRow);
      choice->accept();
      return static_cast<int>(QDialog::Accepted);
    };
  }

  std::string book_;
  QStringList offered_;
  QStringList reasons_;
};

TEST_F(SheetChoiceTest, AWorkbookWithoutSheet1OpensOnTheSheetAndTitleRowChosen) {
  TTabPage& cls = window_->Tab(TMasterTable::mtClassify);
  Choose(Q("工作表1"), 3);
  Open(TMasterTable::mtClassify, book_);
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  EXPECT_EQ(offered_, (QStringList{Q("說明"), Q("工作表1")}));
  ASSERT_TRUE(cls.sheetQuery->Active());
  EXPECT_EQ(cls.sheetQuery->RecordCount(), 2);
  EXPECT_TRUE(cls.planLegend->text().startsWith(Q("工作表「工作表1」，標題在第 3 列｜"))) << cls.planLegend->text().toStdString();

  cls.importBtn->click();
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  EXPECT_EQ(Rows("SELECT ClsNo, ClsName FROM Classify ORDER BY ClsNo"),
            (std::vector<std::string>{"001\t飲料", "002\t零食"}));
}

TEST_F(SheetChoiceTest, ATitleBlockAboveTheTitlesIsAskedAboutAndAWrongChoiceAskedAgain) {
  const std::string path = File("blocked.xls");
  WriteBook(path, {{"Sheet1", {{"2026 年價目表"}, {"小分類代碼", "小分類名稱"}, {"001", "飲料"}}}});
  // First the sheet's first row again (still no column of the tab), then row 2.
  int answers = 0;
  dialogs_.modalScript = [&](QDialog& dialog) {
    auto& choice = dynamic_cast<TSheetChoiceDialog&>(dialog);
    reasons_ << choice.reasonLabel->text();
    choice.titleRowBox->setValue(++answers);
    choice.accept();
    return static_cast<int>(QDialog::Accepted);
  };
  Open(TMasterTable::mtClassify, path);
  EXPECT_TRUE(dialogs_.errors.empty());
  TTabPage& cls = window_->Tab(TMasterTable::mtClassify);
  ASSERT_TRUE(cls.sheetQuery->Active());
  EXPECT_EQ(cls.sheetQuery->RecordCount(), 1);
  EXPECT_EQ(cls.sheetQuery->Fields(0).AsString(), "001");
  ASSERT_GE(reasons_.size(), 1);
  EXPECT_TRUE(reasons_[0].contains(Q("工作表沒有「小分類」頁籤顯示的任何欄位"))) << reasons_[0].toStdString();
}

TEST_F(SheetChoiceTest, CancelLeavesTheTabAsTheFailedOpenDoes) {
  TTabPage& cls = window_->Tab(TMasterTable::mtClassify);
  Open(TMasterTable::mtClassify, book_);  // the scripted dialog cancels
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_EQ(dialogs_.errors[0].text,
            Q("'") + QString::fromStdString(book_) + Q("' has no sheet \"sheet1\"; its sheets are \"說明\", \"工作表1\"."));
  EXPECT_TRUE(window_->ADOXLSConnect().Connected());
  EXPECT_FALSE(cls.sheetQuery->Active());
}

TEST_F(SheetChoiceTest, ABig5TextFileOpensWithoutAQuestionAndTheTabNamesItsEncoding) {
  std::ofstream(File("cls.csv"), std::ios::binary)
      << "\xA4\x70\xA4\xC0\xC3\xFE\xA5\x4E\xBD\x58,\xA4\x70\xA4\xC0\xC3\xFE\xA6\x57\xBA\xD9\r\n001,\xB6\xBC\xAE\xC6\r\n";
  dialogs_.modalScript = [](QDialog&) -> int {
    ADD_FAILURE() << "asked";
    return QDialog::Rejected;
  };
  Open(TMasterTable::mtClassify, File("cls.csv"));
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  TTabPage& cls = window_->Tab(TMasterTable::mtClassify);
  EXPECT_EQ(cls.sheetQuery->RecordCount(), 1);
  EXPECT_TRUE(cls.planLegend->text().startsWith(Q("文字檔：Big5，逗號分隔"))) << cls.planLegend->text().toStdString();
  cls.importBtn->click();
  EXPECT_EQ(Rows("SELECT ClsNo, ClsName FROM Classify"), (std::vector<std::string>{"001\t飲料"}));
}

}  // namespace
}  // namespace tabrin::app
