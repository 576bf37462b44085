// A sheet query's column kinds gathered in two halves on two threads (as
// those of large sheets are) give the table of one pass: the same columns,
// the same rows and the same sheet positions of a filter's records, wherever
// the halves meet.
#include "import/workbook_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "text/error.h"
#include "xls/spreadsheet.h"

namespace tabrin {
namespace {

struct TTable {
  std::vector<TColumnInfo> columns;
  std::vector<TRow> rows;
  std::vector<int> kept;
  std::string error;
};

TTable Build(const std::shared_ptr<const TWorksheet>& sheet, const std::optional<std::string>& filter, int splitFromRows) {
  TTable table;
  try {
    TStatementResult result = detail::WorksheetTable(sheet, filter, &table.kept, splitFromRows);
    table.columns = result.columns;
    const std::size_t rows = result.rowSource ? result.rowSource->Size() : 0;
    table.rows.resize(rows);
    for (std::size_t i = 0; i < rows; ++i) result.rowSource->Decode(i, table.rows[i]);
  } catch (const TabrinError& e) {
    table.error = e.what();
  }
  return table;
}

TEST(WorksheetTable, TwoHalvesGiveTheTableOfOnePass) {
  int sheets = 0;
  for (const auto& entry : std::filesystem::directory_iterator(TABRIN_TEST_DATA)) {
    const std::string path = entry.path().string();
    if (entry.path().extension() != ".xls" && entry.path().extension() != ".xlsx") continue;
    std::shared_ptr<const TWorksheet> sheet;
    try {
      sheet = std::make_shared<const TWorksheet>(OpenSpreadsheetFile(path)->ReadSheet("sheet1"));
    } catch (const TabrinError&) {
      continue;  // the fixtures of unreadable files
    }
    ++sheets;
    for (const std::optional<std::string>& filter : {std::optional<std::string>(), std::optional<std::string>("管理貨號")}) {
      SCOPED_TRACE(path + (filter ? " filtered" : ""));
      const TTable whole = Build(sheet, filter, 0);
      for (const int splitFrom : {1, 2, 3}) {
        const TTable halves = Build(sheet, filter, splitFrom);
        EXPECT_EQ(halves.error, whole.error);
        ASSERT_EQ(halves.columns.size(), whole.columns.size());
        for (std::size_t i = 0; i < whole.columns.size(); ++i) {
          EXPECT_EQ(halves.columns[i].name, whole.columns[i].name);
          EXPECT_EQ(halves.columns[i].type, whole.columns[i].type);
        }
        EXPECT_EQ(halves.rows, whole.rows);
        EXPECT_EQ(halves.kept, whole.kept);
      }
    }
  }
  EXPECT_GT(sheets, 10);
}

}  // namespace
}  // namespace tabrin
