// The statements a workbook connection accepts, and the error for others.
#include <gtest/gtest.h>

#include "import/workbook_sql.h"
#include "text/error.h"

namespace tabrin {
namespace {

struct AcceptedCase {
  const char* sql;
  const char* sheet;
  const char* filter;  // nullptr: no filter
  int titleRow = 0;
};

TEST(WorkbookSqlTest, AcceptsTheSheetQueries) {
  const AcceptedCase cases[] = {
      {"SELECT * FROM [sheet1$]  ", "sheet1", nullptr},
      {"SELECT * FROM [sheet1$]  where 管理貨號<>''", "sheet1", "管理貨號"},
      {"select *from [Sheet1$]", "Sheet1", nullptr},
      {"  SELECT  *  FROM  [my sheet$]  WHERE [品 名] <> ''  ", "my sheet", "品 名"},
      {"SELECT * FROM [sheet1$] where 管理貨號 <> ''", "sheet1", "管理貨號"},
      {"SELECT * FROM [工作表1$A3:]  where 管理貨號<>''", "工作表1", "管理貨號", 3},
      {"SELECT * FROM [a$b$a12:]", "a$b", nullptr, 12},
  };
  for (const AcceptedCase& c : cases) {
    const TSheetQuerySql query = ParseSheetQuerySql(c.sql);
    EXPECT_EQ(query.sheet, c.sheet) << c.sql;
    EXPECT_EQ(query.titleRow, c.titleRow) << c.sql;
    if (c.filter == nullptr) {
      EXPECT_FALSE(query.filterColumn.has_value()) << c.sql;
    } else {
      EXPECT_EQ(query.filterColumn.value_or("<none>"), c.filter) << c.sql;
    }
  }
}

TEST(WorkbookSqlTest, TheTableOfASheetAndTitleRowReadsBack) {
  for (const auto& [sheet, titleRow] : {std::pair<const char*, int>{"sheet1", 0}, {"工作表1", 3}, {"a$b", 1}}) {
    const TSheetQuerySql query = ParseSheetQuerySql("SELECT * FROM " + SheetQueryTable(sheet, titleRow));
    EXPECT_EQ(query.sheet, sheet);
    EXPECT_EQ(query.titleRow, titleRow);
  }
  EXPECT_EQ(SheetQueryTable("工作表1", 3), "[工作表1$A3:]");
}

TEST(WorkbookSqlTest, RefusesEveryOtherStatement) {
  const char* refused[] = {
      "",
      "SELECT ItemNo FROM [sheet1$]",
      "SELECT * FROM sheet1",
      "SELECT * FROM [sheet1]",
      "SELECT * FROM [$]",
      "SELECT * FROM [sheet1$] where 管理貨號=''",
      "SELECT * FROM [sheet1$] where 管理貨號<>'' and 品名<>''",
      "SELECT * FROM [sheet1$] order by 品名",
      "DELETE FROM [sheet1$]",
      "SELECT * FROM [sheet1$] where <>''",
      "SELECTED * FROM [sheet1$]",
      "SELECT * FROM [sheet1$B3:]",
      "SELECT * FROM [sheet1$A0:]",
      "SELECT * FROM [sheet1$A3]",
      "SELECT * FROM [sheet1$A3:C9]",
  };
  for (const char* sql : refused) {
    try {
      ParseSheetQuerySql(sql);
      ADD_FAILURE() << "accepted: " << sql;
    } catch (const TabrinError& e) {
      EXPECT_EQ(std::string(e.what()),
                std::string("A workbook can only be queried with \"SELECT * FROM [sheet$]\", optionally followed by "
                            "\"where column<>''\"; this statement is not supported: ") + sql);
    }
  }
}

}  // namespace
}  // namespace tabrin
