// The tabs' 範本 button: the import template for the connected kind, written
// where the save dialog says, opens on its tab and imports without asking
// for a mapping.
#include <QToolButton>

#include <fstream>

#include "app_test_support.h"
#include "export/import_template.h"

namespace tabrin::app {
namespace {

class TemplateButtonTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    CreateEmptyDatabase();
    MakeWindow();
  }
};

std::string TitleLine(TMasterTable table, TDatabaseKind kind) {
  std::string line;
  for (const TTemplateColumn& column : ImportTemplateColumns(table, kind)) {
    line += (line.empty() ? "" : "\t") + column.title;
  }
  return line;
}

TEST_F(TemplateButtonTest, WritesTheTemplateOfTheConnectedKindWhereTheSaveDialogSays) {
  TTabPage& item = window_->Tab(TMasterTable::mtItem);
  EXPECT_FALSE(item.templateBtn->isEnabled());  // no kind before a connection
  ConnectKind1();
  ASSERT_TRUE(item.templateBtn->isEnabled());
  EXPECT_EQ(item.templateBtn->text(), Q("範本"));
  EXPECT_EQ(item.templateBtn->objectName(), "ItemTemplateBtn");

  dialogs_.saveNames.push_back(QString::fromStdString(File("items")));
  dialogs_.saveEntries.push_back(1);  // 活頁簿(*.xlsx)
  item.templateBtn->click();
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  ASSERT_EQ(dialogs_.saveDialogs.size(), 1u);
  EXPECT_EQ(dialogs_.saveDialogs[0].title, Q("匯入範本  "));
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text, QString::fromStdString("已寫入 " + File("items.xlsx")));
  EXPECT_EQ(ReadWorkbook(File("items.xlsx")),
            std::vector<std::string>{TitleLine(TMasterTable::mtItem, TDatabaseKind::dkOrvella)});

  // Cancelled: nothing written or shown.
  item.templateBtn->click();
  EXPECT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_TRUE(dialogs_.errors.empty());
}

TEST_F(TemplateButtonTest, AFilledTemplateImportsWithoutAskingForAMapping) {
  ConnectKind1();
  TTabPage& supplier = window_->Tab(TMasterTable::mtSupplier);
  const std::string file = File("suppliers.csv");
  dialogs_.saveNames.push_back(QString::fromStdString(file));
  supplier.templateBtn->click();
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  const std::size_t columns = ImportTemplateColumns(TMasterTable::mtSupplier, TDatabaseKind::dkOrvella).size();
  std::ofstream(file, std::ios::app) << "0042" << std::string(columns - 1, ',') << "\r\n";

  int modals = 0;
  dialogs_.modalScript = [&modals](QDialog& dialog) {
    ++modals;
    dialog.reject();
    return static_cast<int>(QDialog::Rejected);
  };
  dialogs_.openNames.push_back(QString::fromStdString(file));
  supplier.xlsBtn->click();
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  ASSERT_TRUE(supplier.importBtn->isEnabled());
  supplier.importBtn->click();
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  EXPECT_EQ(modals, 0);
  EXPECT_EQ(Rows("SELECT FactNo FROM Supplier WHERE FactNo = '0042'"), std::vector<std::string>{"0042"});
}

}  // namespace
}  // namespace tabrin::app
