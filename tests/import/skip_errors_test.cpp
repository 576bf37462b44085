// An import that goes on past failing rows: the good rows stored, the others
// handed back in a rejects workbook with their reasons, which imports once
// fixed; a record the database refuses is left out like a bad cell, in any
// batch.
#include <gtest/gtest.h>

#include "import/import_journal.h"
#include "import/import_undo.h"
#include "import/rejects_file.h"
#include "import_test_support.h"

namespace tabrin::test {
namespace {

using Table = std::vector<std::vector<std::string>>;

// A workbook's sheet "sheet1" as text: the titles, then every row's cells.
Table ReadSheet(const std::string& path) {
  TConnection workbook("ADOXLSConnect");
  OpenWorkbook(workbook, path);
  TQuery sheet("ADOCheckQuery", workbook);
  sheet.SetSql("SELECT * FROM [sheet1$]  ");
  sheet.Open();
  Table table(1);
  for (int c = 0; c < sheet.FieldCount(); ++c) table[0].push_back(sheet.Fields(c).FieldName());
  for (sheet.First(); !sheet.Eof(); sheet.Next()) {
    std::vector<std::string>& row = table.emplace_back();
    for (int c = 0; c < sheet.FieldCount(); ++c) row.push_back(sheet.Fields(c).AsString());
  }
  return table;
}

std::string Cell(const Table& table, std::size_t row, const std::string& title) {
  for (std::size_t c = 0; c < table[0].size(); ++c) {
    if (table[0][c] == title) return table[row][c];
  }
  ADD_FAILURE() << "no column " << title;
  return {};
}

class SkipErrors : public ImportTest {
 protected:
  void RefuseItemName(const std::string& name) {
    if (IsPostgres()) {
      Exec("ALTER TABLE Item ADD CONSTRAINT refuse_name CHECK (PtName <> '" + name + "')");
    } else {
      Exec("CREATE TRIGGER refuse_name BEFORE INSERT ON Item WHEN NEW.PtName = '" + name +
           "' BEGIN SELECT RAISE(ABORT, 'name refused'); END");
    }
  }
  void AllowEveryName() { Exec(IsPostgres() ? "ALTER TABLE Item DROP CONSTRAINT refuse_name" : "DROP TRIGGER refuse_name"); }

  // Imports the workbook going on past failing rows; the rows left out and
  // the counts.
  TImportCounts ImportSkipping(const std::string& path, std::vector<TSkippedRow>& skipped, int batchRows = 500) {
    TImportOptions options;
    options.batchRows = batchRows;
    options.skipped = &skipped;
    return ImportWorkbookFile(Connection(), TDatabaseKind::dkKestaPos, TMasterTable::mtItem, path, options);
  }

  void WriteRejects(const std::string& workbook, const std::vector<TSkippedRow>& skipped, const std::string& path) {
    TConnection connection("ADOXLSConnect");
    TQuery sheet("ADOItemQuery", connection);
    OpenWorkbook(connection, workbook);
    OpenTabSheetQuery(sheet, connection, TMasterTable::mtItem);
    WriteRejectsFile(sheet, skipped, path);
  }
};

// Every kind of row the plan finds bad, one the database refuses, and good
// rows around them, in one batch and in batches of two rows.
const SheetRows& BadRows() {
  static const SheetRows rows = {
      ItemRow({{"管理貨號", "I1"}, {"品名", "一"}, {"售價", 10}}),
      ItemRow({{"管理貨號", "I2"}, {"品名", "二"}, {"售價", "十元"}}),
      ItemRow({{"管理貨號", "I3"}, {"品名", "三"}, {"建檔日期", "2024/3/5"}}),
      ItemRow({{"管理貨號", "商品檔"}, {"品名", "四"}}),
      ItemRow({{"管理貨號", "I5"}, {"品名", "五"}, {"建檔日期", "明天"}}),
      ItemRow({{"管理貨號", "I6"}, {"品名", "拒絕"}, {"售價", 6}}),
      ItemRow({{"管理貨號", "I7"}, {"品名", "七"}, {"安全庫存", 40000}}),
      ItemRow({{"管理貨號", "I8"}, {"品名", "八"}, {"售價", 8}}),
  };
  return rows;
}

TEST_P(SkipErrors, GoodRowsStoredAndTheOthersHandedBackWithTheirReasons) {
  for (int batchRows : {500, 2}) {
    SCOPED_TRACE(batchRows);
    Exec("DELETE FROM Item");
    RefuseItemName("拒絕");
    const std::string workbook = NewWorkbookPath();
    WriteWorkbook(workbook, ItemTitles(), BadRows());
    std::vector<TSkippedRow> skipped;
    const TImportCounts counts = ImportSkipping(workbook, skipped, batchRows);
    EXPECT_EQ(counts, (TImportCounts{.appended = 3, .skipped = 5}));
    EXPECT_EQ(Rows("SELECT ItemNo, PtName FROM Item ORDER BY ItemNo"), (Table{{"I1", "一"}, {"I3", "三"}, {"I8", "八"}}));
    std::vector<int> sheetRows;
    for (const TSkippedRow& row : skipped) sheetRows.push_back(row.sheetRow);
    EXPECT_EQ(sheetRows, (std::vector<int>{3, 5, 6, 7, 8}));
    ASSERT_EQ(skipped.size(), 5u);
    EXPECT_EQ(skipped[0].Reason(), "工作表第 3 列，欄位「售價」：'十元' is not a valid floating point value");
    EXPECT_EQ(skipped[1].code, "商品檔");
    EXPECT_EQ(skipped[3].column, "");  // refused by the database when posted
    EXPECT_NE(skipped[3].cause.find("refuse"), std::string::npos) << skipped[3].cause;

    const std::string rejects = DefaultRejectsPath(workbook);
    WriteRejects(workbook, skipped, rejects);
    const Table handedBack = ReadSheet(rejects);
    std::vector<std::string> titles = ItemTitles();
    titles.push_back("錯誤原因");
    EXPECT_EQ(handedBack[0], titles);
    ASSERT_EQ(handedBack.size(), 6u);
    EXPECT_EQ(Cell(handedBack, 1, "管理貨號"), "I2");
    EXPECT_EQ(Cell(handedBack, 1, "售價"), "十元");
    EXPECT_EQ(Cell(handedBack, 1, "錯誤原因"), skipped[0].Reason());
    EXPECT_EQ(Cell(handedBack, 4, "品名"), "拒絕");
    EXPECT_EQ(Cell(handedBack, 4, "售價"), "6");
    EXPECT_EQ(Cell(handedBack, 5, "安全庫存"), "40000");

    // Imported as it is once the database takes the refused name: that row
    // goes in, the others fail again for the same reasons.
    AllowEveryName();
    std::vector<TSkippedRow> again;
    EXPECT_EQ(ImportSkipping(rejects, again, batchRows), (TImportCounts{.appended = 1, .skipped = 4}));
    ASSERT_EQ(again.size(), 4u);
    EXPECT_EQ(again[0].cause, skipped[0].cause);
    EXPECT_EQ(again[0].sheetRow, 2);
  }
}

TEST_P(SkipErrors, TheFixedRejectsFileImportsTheRest) {
  const std::string workbook = NewWorkbookPath();
  WriteWorkbook(workbook, ItemTitles(), BadRows());
  RefuseItemName("拒絕");
  std::vector<TSkippedRow> skipped;
  ImportSkipping(workbook, skipped);
  const std::string rejects = files.File("rejects.xlsx");
  WriteRejects(workbook, skipped, rejects);

  // The clerk's fixes, cell by cell, in the handed-back sheet.
  Table fixed = ReadSheet(rejects);
  const std::map<std::string, std::pair<std::string, std::string>> fixes = {
      {"I2", {"售價", "10"}}, {"商品檔", {"管理貨號", "I4"}}, {"I5", {"建檔日期", ""}},
      {"I6", {"品名", "六"}},  {"I7", {"安全庫存", "4"}}};
  SheetRows rows;
  for (std::size_t r = 1; r < fixed.size(); ++r) {
    const auto& [title, value] = fixes.at(Cell(fixed, r, "管理貨號"));
    std::vector<test::Cell>& row = rows.emplace_back();
    for (std::size_t c = 0; c < fixed[0].size(); ++c) {
      const std::string& text = fixed[0][c] == title ? value : fixed[r][c];
      if (text.empty()) row.emplace_back();
      else if (fixed[0][c] == "售價" || fixed[0][c] == "安全庫存") row.emplace_back(std::stod(text));
      else row.emplace_back(text);
    }
  }
  const std::string corrected = files.File("corrected.xls");
  WriteWorkbook(corrected, fixed[0], rows);
  TImportOptions options;
  EXPECT_EQ(ImportWorkbookFile(Connection(), TDatabaseKind::dkKestaPos, TMasterTable::mtItem, corrected, options),
            (TImportCounts{.appended = 5}));
  EXPECT_EQ(Rows("SELECT COUNT(*) FROM Item"), (Table{{"8"}}));
}

TEST_P(SkipErrors, WithoutTheChoiceTheImportStopsAtTheFirstBadRow) {
  const TImportError error = ImportFailing(TMasterTable::mtItem, ItemTitles(), BadRows());
  EXPECT_EQ(error.SheetRow(), 3);
  EXPECT_EQ(error.Counts(), (TImportCounts{.appended = 1}));
}

// The journal keeps the rows left out and the rejects file; an undo takes
// back what the import wrote.
TEST_P(SkipErrors, JournalRecordsTheRowsLeftOutAndTheRejectsFile) {
  RefuseItemName("拒絕");
  const std::string workbook = NewWorkbookPath();
  WriteWorkbook(workbook, ItemTitles(), BadRows());
  TConnection connection("ADOXLSConnect");
  TQuery sheet("ADOItemQuery", connection);
  OpenWorkbook(connection, workbook);
  OpenTabSheetQuery(sheet, connection, TMasterTable::mtItem);
  std::vector<TSkippedRow> skipped;
  TImportOptions options;
  options.skipped = &skipped;
  options.batchRows = 3;
  const std::string rejects = files.File("back.xls");
  const TJournaledImportResult result =
      ImportTabSheetJournaled(sheet, Connection(), TDatabaseKind::dkKestaPos, TMasterTable::mtItem, workbook,
                              files.Path(), TCoverSetting{}, options, rejects);
  EXPECT_EQ(result.rejectsPath, rejects);
  EXPECT_EQ(ReadSheet(rejects).size(), 6u);

  TImportJournal journal(files.Path());
  const TJournalEntry entry = journal.History().front();
  EXPECT_EQ(entry.counts, (TImportCounts{.appended = 3, .skipped = 5}));
  EXPECT_EQ(entry.rejects, rejects);
  const std::vector<TSkippedRow> journaled = journal.SkippedRows(entry.id);
  ASSERT_EQ(journaled.size(), 5u);
  for (std::size_t i = 0; i < journaled.size(); ++i) EXPECT_EQ(journaled[i].Reason(), skipped[i].Reason());
  EXPECT_EQ(journal.Rows(entry.id).size(), 3u);

  const TUndoResult undone = UndoImport(journal, entry, Connection());
  EXPECT_EQ(undone.deleted, 3);
  EXPECT_EQ(Rows("SELECT COUNT(*) FROM Item"), (Table{{"0"}}));
}

TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(SkipErrors);

}  // namespace
}  // namespace tabrin::test
