// Which statements a query writes back through: the one-table selects, told
// from the SQL text alone.
#include "db/sql_shape.h"

#include <gtest/gtest.h>

namespace tabrin::detail {
namespace {

TEST(SqlShape, OneTableSelectsNameTheirTable) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      // sql, table ("" = not a one-table select)
      {"SELECT * FROM Item", "Item"},
      {"select * from Classify where ClsNo=?", "Classify"},
      {"  Select ItemNo, PtName From Item Order By ItemNo", "Item"},
      {"SELECT * FROM [sheet1$]  ", "[sheet1$]"},
      {"SELECT * FROM \"Order Lines\" WHERE a = 1", "\"Order Lines\""},
      {"SELECT * FROM dbo.Item;", "dbo.Item"},
      {"SELECT * FROM Item WHERE Name = 'join us from here'", "Item"},  // quoted words do not count
      {"SELECT [group], x FROM Item", "Item"},
      {"SELECT * FROM Item JOIN Supplier ON 1=1", ""},
      {"SELECT a FROM Item UNION SELECT a FROM Supplier", ""},
      {"SELECT DISTINCT ClsNo FROM Item", ""},
      {"SELECT ClsNo FROM Item GROUP BY ClsNo", ""},
      {"SELECT COUNT(*) FROM Item", ""},  // a computed column cannot be written back
      {"SELECT * FROM Item, Supplier", ""},
      {"SELECT * FROM (SELECT * FROM Item) t", ""},
      {"UPDATE Item SET x = 1", ""},
      {"SELECT 1", ""},
      {"SELECT * FROM", ""},
      {"SELECT * FROM [sheet1$", ""},
      {"", ""},
  };
  for (const auto& [sql, table] : cases) EXPECT_EQ(AnalyseSql(sql).table, table) << sql;
}

TEST(SqlShape, TheSelectListStartsAfterTheKeyword) {
  EXPECT_EQ(AnalyseSql("SELECT * FROM Item").selectListAt, 6u);
  EXPECT_EQ(AnalyseSql("\n  select a FROM Item").selectListAt, 9u);
}

}  // namespace
}  // namespace tabrin::detail
