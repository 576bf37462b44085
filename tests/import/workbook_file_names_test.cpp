// Whatever its name, the chosen file is the file that opens: names that hold
// the connection string's separators, quotes or outer blanks.
#include <gtest/gtest.h>

#include "db/connection.h"
#include "db/query.h"
#include "import/import_tabs.h"
#include "import/import_test_support.h"
#include "import/workbook_backend.h"

namespace tabrin::test {
namespace {

std::string FirstCodeOf(const std::string& path) {
  RegisterWorkbookReader();
  TConnection workbook("ADOXLSConnect");
  workbook.SetConnectionString(WorkbookConnectionString(path));
  workbook.Open();
  TQuery sheet("ADOCLSQuery", workbook);
  sheet.SetSql("SELECT * FROM [sheet1$]  ");
  sheet.Open();
  return sheet.FieldByName("代碼").AsString();
}

TEST(WorkbookFileNames, EveryNameOpensItsOwnFile) {
  TTempFolder folder;
  WriteWorkbook(folder.File("other.xls"), {"代碼"}, {{"other"}});
  WriteWorkbook(folder.File("b"), {"代碼"}, {{"b"}});
  const char* names[] = {"a;Data Source=other.xls", "b;x=y.xls", "trailing blank.xls ", " leading blank.xls",
                         "quote\"d.xls",            "it's.xls",  "semi;colon.xls",      "eq=ual.xls"};
  for (const char* name : names) {
    WriteWorkbook(folder.File(name), {"代碼"}, {{name}});
    std::string code;
    try {
      code = FirstCodeOf(folder.File(name));
    } catch (const std::exception& e) {
      code = e.what();
    }
    EXPECT_EQ(code, name);
  }
}

}  // namespace
}  // namespace tabrin::test
