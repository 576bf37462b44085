// Runs of the spreadsheet exporter on real sources (the embedded database,
// in-memory grids and lists, a custom source), read back from the file.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "export/custom_source.h"
#include "export/table_models.h"
#include "export_fixture.h"
#include "text/error.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin::testing {
namespace {

using ExecuteTest = ExportFixture;

std::string ErrorOf(TFerran3XLS& exporter) {
  try {
    exporter.Execute();
  } catch (const TabrinError& e) {
    return e.what();
  }
  return "<no error>";
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(ExecuteTest, DateTimeValuesBecomeSerialsExceptDaysZeroAndOne) {
  Connection().Execute("CREATE TABLE T (Id INTEGER, D DATETIME)");
  Connection().Execute(
      "INSERT INTO T VALUES (1, '2005-03-01'), (2, '1900-01-01'), (3, '1900-02-28'), (4, '1899-12-30 10:20:30'),"
      " (5, NULL), (6, '1900-01-01 12:00:00')");
  exporter.DataSet = &OpenQuery("SELECT Id, D FROM T ORDER BY Id");
  exporter.Formats.SetDateTimeFormat("yyyy/MM/dd");
  exporter.Execute();

  const TWorksheet sheet = ReadBack();
  const struct {
    int row;
    TCellKind kind;
    double number;
    const char* text;
  } cases[] = {
      {1, TCellKind::ckDateTime, 38412, ""},  // 1 March 2005
      // Before 1 March 1900 the file holds one less than the day count (1
      // for 1 January 1900); the reader gives the day count back.
      {2, TCellKind::ckDateTime, 2, ""},      // 1 January 1900
      {3, TCellKind::ckDateTime, 60, ""},     // 28 February 1900
      {4, TCellKind::ckText, 0, "1899/12/30"},  // a time of day alone
      {6, TCellKind::ckDateTime, 2.5, ""},
  };
  for (const auto& c : cases) {
    const std::optional<TSheetCell> cell = sheet.Find(c.row, 1);
    ASSERT_NE(cell, std::nullopt) << c.row;
    EXPECT_EQ(cell->kind, c.kind) << c.row;
    if (c.kind == TCellKind::ckText) {
      EXPECT_EQ(sheet.Text(*cell), c.text);
    } else {
      EXPECT_DOUBLE_EQ(cell->number, c.number) << c.row;
    }
  }
  EXPECT_EQ(sheet.Find(5, 1), std::nullopt);  // a null is a blank cell, no value
  EXPECT_EQ(sheet.LastRow(), 6);
}

TEST_F(ExecuteTest, NullsBooleansAndTheNullString) {
  Connection().Execute("CREATE TABLE T (Name VARCHAR(10), Flag BOOLEAN, Qty INTEGER, Price REAL)");
  Connection().Execute("INSERT INTO T VALUES ('-', 1, NULL, 1.5), (NULL, 0, 7, NULL), ('  x  ', 1, 1234, 2.25)");
  exporter.DataSet = &OpenQuery("SELECT * FROM T");
  exporter.Formats.SetNullString(" - ");
  exporter.Formats.SetBooleanTrue("TRUE");  // the data layer writes "True"
  exporter.Execute();

  const TWorksheet sheet = ReadBack();
  EXPECT_EQ(TextAt(sheet, 0, 0), "Name");
  EXPECT_EQ(TextAt(sheet, 1, 0), "-");  // equals NullString: a text cell
  EXPECT_EQ(sheet.Find(2, 0), std::nullopt);  // null: blank
  EXPECT_EQ(TextAt(sheet, 3, 0), "x");   // trimmed in the row
  ASSERT_NE(sheet.Find(1, 1), std::nullopt);
  EXPECT_EQ(sheet.Find(1, 1)->kind, TCellKind::ckBoolean);
  EXPECT_EQ(sheet.Find(1, 1)->number, 1);
  EXPECT_EQ(sheet.Find(2, 1)->number, 0);
  EXPECT_EQ(sheet.Find(1, 2), std::nullopt);
  EXPECT_EQ(sheet.Find(3, 2)->number, 1234);
  EXPECT_EQ(sheet.Find(1, 3)->number, 1.5);
}

TEST_F(ExecuteTest, HeaderLinesCaptionsAndStartDataCol) {
  Connection().Execute("CREATE TABLE T (A INTEGER, B VARCHAR(5))");
  Connection().Execute("INSERT INTO T VALUES (1, 'x'), (2, 'y')");
  exporter.DataSet = &OpenQuery("SELECT * FROM T");
  exporter.Header = {"Stock\tlist", "second"};
  exporter.HeaderRows = 3;
  exporter.StartDataCol = 2;
  exporter.Footer = {"end"};
  exporter.FieldFormats.resize(1);
  exporter.FieldFormats[0].FieldName = "a";
  exporter.FieldFormats[0].Aggregate = aggSum;
  exporter.OnGetHeaderParams = [](TxlsSheet&, int, int col, int row, TxlsFormat&, std::string& s) {
    if (row == 2 && col == 0) s = "third";
  };
  int firstAggregateRow = -1;
  exporter.OnAfterExportSheet = [&](TFerran3XLS& sender, int s) {
    firstAggregateRow = sender.Sheets.Items(s).DataStartRow();
  };
  exporter.Execute();

  const TWorksheet sheet = ReadBack();
  EXPECT_EQ(TextAt(sheet, 0, 0), "Stock");
  EXPECT_EQ(TextAt(sheet, 0, 1), "list");
  EXPECT_EQ(TextAt(sheet, 1, 0), "second");
  EXPECT_EQ(TextAt(sheet, 2, 0), "third");
  EXPECT_EQ(TextAt(sheet, 3, 2), "A");  // captions at StartDataCol
  EXPECT_EQ(TextAt(sheet, 3, 3), "B");
  EXPECT_EQ(sheet.Find(4, 2)->number, 1);
  EXPECT_EQ(TextAt(sheet, 5, 3), "y");
  EXPECT_EQ(sheet.Find(4, 0), std::nullopt);
  EXPECT_EQ(firstAggregateRow, 4);
  ASSERT_NE(sheet.Find(6, 2), std::nullopt);  // =SUM(C5:C6)
  EXPECT_EQ(TextAt(sheet, 7, 0), "end");  // footer at column 0
}

TEST_F(ExecuteTest, FloatColumnsShareOneCellFormat) {
  Connection().Execute("CREATE TABLE T (P REAL, Q REAL, N VARCHAR(5))");
  Connection().Execute("INSERT INTO T VALUES (1.5, 2.5, 'a')");
  exporter.DataSet = &OpenQuery("SELECT * FROM T");
  std::uint16_t first = 0, second = 0, again = 0;
  std::string numberFormat;
  exporter.OnAfterExportSheet = [&](TFerran3XLS& sender, int s) {
    TxlsSheet& sheet = sender.Sheets.Items(s);
    first = sheet.DataCellFormat(0);
    second = sheet.DataCellFormat(1);
    again = sheet.ResolveCellFormat("#,###,##0.00", nullptr);
    const TxlsXFormat* entry = sender.Writer()->Formats().CellFormats.GetByIndex(first);
    if (entry != nullptr && entry->NumberFormat != nullptr) numberFormat = entry->NumberFormat->Text;
  };
  exporter.Execute();
  EXPECT_GE(first, 16);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first, again);
  EXPECT_EQ(numberFormat, "#,###,##0.00");
}

TEST_F(ExecuteTest, EmptyFormatTextsForNumbers) {
  Connection().Execute("CREATE TABLE T (P REAL, I INTEGER)");
  Connection().Execute("INSERT INTO T VALUES (1.5, 2)");
  exporter.DataSet = &OpenQuery("SELECT * FROM T");
  exporter.Formats.SetFloatFormat("");
  exporter.Formats.SetIntegerFormat("");
  std::string floatFormat = "?", integerFormat = "?";
  exporter.OnBeginExport = [&](TFerran3& sender) {
    floatFormat = sender.Columns().Items(0).Format;
    integerFormat = sender.Columns().Items(1).Format;
  };
  exporter.Execute();
  EXPECT_EQ(floatFormat, "");
  EXPECT_EQ(integerFormat, "#,###,##0");
}

TEST_F(ExecuteTest, CaptionsMatchWithoutRegardToCaseAndBlobsAreLeftOut) {
  Connection().Execute("CREATE TABLE T (Code VARCHAR(4), Notes BLOB, Name VARCHAR(10))");
  Connection().Execute("INSERT INTO T VALUES ('A1', x'00', 'n')");
  exporter.DataSet = &OpenQuery("SELECT * FROM T");
  exporter.Captions = {"CODE=代碼"};
  exporter.Execute();
  const TWorksheet sheet = ReadBack();
  EXPECT_EQ(TextAt(sheet, 0, 0), "代碼");
  EXPECT_EQ(TextAt(sheet, 0, 1), "Name");
  EXPECT_EQ(sheet.LastColumn(), 1);
}

TEST_F(ExecuteTest, SourceChecksRaiseTheirMessages) {
  Connection().Execute("CREATE TABLE T (A INTEGER)");
  TQuery& query = OpenQuery("SELECT * FROM T");

  exporter.DataSet = &query;
  exporter.ExportEmpty = false;
  EXPECT_EQ(ErrorOf(exporter), "Export source (DataSet) is empty");

  query.Close();
  EXPECT_EQ(ErrorOf(exporter), "Export source (DataSet) is closed");

  exporter.Notification(&query);  // the query goes away
  EXPECT_EQ(exporter.DataSet, nullptr);
  EXPECT_EQ(ErrorOf(exporter), "Sheet Sheet1 define with error: Export source (DataSet) is not assigned");
  EXPECT_EQ(exporter.Sheets.Count(), 0);  // the temporary sheet is gone again

  exporter.FileName.clear();
  EXPECT_EQ(ErrorOf(exporter), "Result file name not present");

  exporter.FileName = "/proc/self/no-such-folder/out.xls";
  EXPECT_EQ(ErrorOf(exporter), "Directory \"/proc/self/no-such-folder\" not found and cannot be created");
}

TEST_F(ExecuteTest, AnEmptySourceGivesTheCaptionRowOnly) {
  Connection().Execute("CREATE TABLE T (A INTEGER, B VARCHAR(3))");
  exporter.DataSet = &OpenQuery("SELECT * FROM T");
  exporter.Execute();
  const TWorksheet sheet = ReadBack();
  EXPECT_EQ(sheet.LastRow(), 0);
  EXPECT_EQ(TextAt(sheet, 0, 1), "B");
}

TEST_F(ExecuteTest, AFailedRunLeavesAnEarlierFileUntouched) {
  { std::ofstream(exporter.FileName) << "earlier workbook"; }
  Connection().Execute("CREATE TABLE T (A INTEGER)");
  TQuery& query = OpenQuery("SELECT * FROM T");
  query.Close();
  exporter.DataSet = &query;
  EXPECT_EQ(ErrorOf(exporter), "Export source (DataSet) is closed");
  EXPECT_EQ(FileBytes(exporter.FileName), "earlier workbook");
}

TEST_F(ExecuteTest, AbortFromBeginExportEndsTheRunBeforeAnySheet) {
  Connection().Execute("CREATE TABLE T (A INTEGER)");
  Connection().Execute("INSERT INTO T VALUES (1)");
  exporter.DataSet = &OpenQuery("SELECT * FROM T");
  bool ended = false, sheetStarted = false;
  std::vector<std::string> verbs;
  exporter.ShowFile = true;
  exporter.ShellVerb = [&](const std::string& verb, const std::string&) { verbs.push_back(verb); };
  exporter.OnBeginExport = [](TFerran3& sender) { sender.Abort(); };
  exporter.OnEndExport = [&](TFerran3&) { ended = true; };
  exporter.OnBeforeExportSheet = [&](TFerran3XLS&, int) { sheetStarted = true; };
  exporter.Execute();
  EXPECT_FALSE(ended);
  EXPECT_FALSE(sheetStarted);
  EXPECT_TRUE(verbs.empty());
  EXPECT_FALSE(std::filesystem::exists(exporter.FileName));  // unfinished: not put in place
  EXPECT_EQ(exporter.Sheets.Count(), 0);
}

TEST_F(ExecuteTest, AbortFromExportedRecord) {
  Connection().Execute("CREATE TABLE T (A INTEGER)");
  Connection().Execute("INSERT INTO T VALUES (1), (2), (3), (4)");
  TQuery& query = OpenQuery("SELECT * FROM T");
  const struct {
    bool handler;
    int expectedRows;
  } cases[] = {{false, 2}, {true, 4}};
  for (const auto& c : cases) {
    TFerran3XLS run;
    run.FileName = exporter.FileName;
    TxlsSheet& first = run.Sheets.Add();
    first.DataSet = &query;
    TxlsSheet& second = run.Sheets.Add();
    second.DataSet = &query;
    second.Title = "Second";
    bool ended = false;
    run.OnExportedRecord = [](TFerran3& sender, int recNo) {
      if (recNo == 2) sender.Abort();
    };
    if (c.handler) run.OnStopExport = [](TFerran3&, bool& canContinue) { canContinue = true; };
    run.OnEndExport = [&](TFerran3&) { ended = true; };
    run.Execute();
    EXPECT_TRUE(ended);
    exporter.FileName = run.FileName;
    EXPECT_EQ(ReadBack("Sheet 1").LastRow(), c.expectedRows) << c.handler;
    EXPECT_EQ(ReadBack("Second").LastRow(), 4) << c.handler;  // later sheets in full
  }
}

TEST_F(ExecuteTest, CurrentRecordOnlyWritesTheRecordAfterSkipping) {
  Connection().Execute("CREATE TABLE T (A INTEGER)");
  Connection().Execute("INSERT INTO T VALUES (10), (20), (30)");
  exporter.DataSet = &OpenQuery("SELECT * FROM T");
  exporter.CurrentRecordOnly = true;
  exporter.SkipRecCount = 1;
  int exported = 0, skipped = 0;
  exporter.OnExportedRecord = [&](TFerran3&, int) { ++exported; };
  exporter.OnSkippedRecord = [&](TFerran3&, int recNo) { skipped = recNo; };
  exporter.Execute();
  const TWorksheet sheet = ReadBack();
  EXPECT_EQ(sheet.LastRow(), 1);
  EXPECT_EQ(sheet.Find(1, 0)->number, 20);
  EXPECT_EQ(exported, 0);
  EXPECT_EQ(skipped, 1);
}

TEST_F(ExecuteTest, OnlyExportedSheetsAreWritten) {
  Connection().Execute("CREATE TABLE T (A INTEGER)");
  Connection().Execute("INSERT INTO T VALUES (1)");
  TQuery& query = OpenQuery("SELECT * FROM T");
  TxlsSheet& first = exporter.Sheets.Add();
  first.DataSet = &query;
  first.Title = "One";
  TxlsSheet& second = exporter.Sheets.Add();
  second.Title = "Two";
  second.Exported = false;  // would fail: no source
  exporter.Execute();
  EXPECT_EQ(TWorkbookReader::OpenFile(exporter.FileName).SheetNames(), std::vector<std::string>{"One"});

  first.Exported = false;
  exporter.DataSet = &query;
  exporter.Options.SetSheetTitle("Own");
  exporter.Execute();
  EXPECT_EQ(TWorkbookReader::OpenFile(exporter.FileName).SheetNames(), std::vector<std::string>{"Own"});
  EXPECT_EQ(exporter.Sheets.Count(), 2);
}

TEST_F(ExecuteTest, CustomSourceWalk) {
  TfrCustomSource source;
  TfrCustomColumn& number = source.Columns.Add();
  number.SetColumnName("No");
  number.ColumnType = ectInteger;
  source.Columns.Add().SetColumnName("Text");
  source.OnGetNextRecord = [](TfrCustomSource&, int recNo, bool& eof) { eof = recNo == 3; };
  source.OnGetColumnValue = [](TfrCustomSource&, int recNo, const TfrCustomColumn& column, TCustomValue& value) {
    if (column.ColumnName() == "No") {
      value = std::int64_t{recNo};
    } else {
      value = "r" + std::to_string(recNo);
    }
  };
  exporter.ExportSource = esCustom;
  exporter.CustomSource = &source;
  for (int run = 0; run < 2; ++run) {
    exporter.Execute();
    const TWorksheet sheet = ReadBack();
    EXPECT_EQ(sheet.LastRow(), 3) << run;
    EXPECT_EQ(sheet.Find(3, 0)->number, 3);
    EXPECT_EQ(TextAt(sheet, 1, 1), "r1");
  }

  source.OnGetNextRecord = nullptr;  // no handler: nothing to export
  exporter.Execute();
  EXPECT_EQ(ReadBack().LastRow(), 0);

  exporter.ExportEmpty = false;  // a custom source always counts as empty
  EXPECT_EQ(ErrorOf(exporter), "Export source (CustomSource) is empty");
}

TEST_F(ExecuteTest, StringGridColumnsByNumber) {
  TMemoryStringGrid grid(5, 3, 1);
  for (int c = 0; c < 5; ++c) {
    grid.SetCell(c, 0, "head" + std::to_string(c));
    grid.SetCell(c, 1, "a" + std::to_string(c));
    grid.SetCell(c, 2, "b" + std::to_string(c));
  }
  exporter.ExportSource = esStringGrid;
  exporter.StringGrid = &grid;
  exporter.ExportedFields = {"1", "7"};
  exporter.Execute();
  TWorksheet sheet = ReadBack();
  EXPECT_EQ(sheet.LastColumn(), 0);
  EXPECT_EQ(TextAt(sheet, 0, 0), "ColNo_1");
  EXPECT_EQ(TextAt(sheet, 1, 0), "a1");
  EXPECT_EQ(TextAt(sheet, 2, 0), "b1");

  exporter.ExportedFields.clear();
  exporter.CaptionRow = 0;
  exporter.Execute();
  sheet = ReadBack();
  EXPECT_EQ(TextAt(sheet, 0, 2), "head2");
  EXPECT_EQ(sheet.LastRow(), 2);
}

TEST_F(ExecuteTest, ListViewKindsAreGuessedFromTheFirstItem) {
  TMemoryListView list;
  list.columns = {{"Qty", 80}, {"Price", 80}, {"Ok", 80}, {"Name", 80}, {"Name", 80}};
  list.items = {{"12", {"1.5", "true", "x", "y"}}, {"13", {"2.5", "false", "z", "w"}}};
  exporter.ExportSource = esListView;
  exporter.ListView = &list;
  exporter.AutoCalcStrType = true;
  std::vector<TFerranColType> kinds;
  exporter.OnBeginExport = [&](TFerran3& sender) {
    for (int i = 0; i < sender.Columns().Count(); ++i) kinds.push_back(sender.Columns().Items(i).Kind);
  };
  exporter.Execute();
  EXPECT_EQ(kinds, (std::vector<TFerranColType>{ectInteger, ectFloat, ectBoolean, ectString, ectString}));
  const TWorksheet sheet = ReadBack();
  EXPECT_EQ(sheet.Find(2, 0)->number, 13);
  EXPECT_EQ(sheet.Find(1, 2)->kind, TCellKind::ckBoolean);
  EXPECT_EQ(TextAt(sheet, 2, 3), "z");  // two columns named alike keep their own values
  EXPECT_EQ(TextAt(sheet, 2, 4), "w");
  EXPECT_EQ(list.updateDepth, 0);
}

TEST_F(ExecuteTest, TooManyRecordsStopBeforeAnythingIsWritten) {
  { std::ofstream(exporter.FileName) << "earlier workbook"; }
  Connection().Execute("CREATE TABLE T (A INTEGER)");
  Connection().Execute(
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 65536) INSERT INTO T SELECT i FROM n");
  exporter.DataSet = &OpenQuery("SELECT * FROM T");
  exporter.Options.SetSheetTitle("Sheet1");
  EXPECT_EQ(ErrorOf(exporter),
            "Sheet Sheet1 cannot hold 65536 records: a worksheet has at most 65536 rows; an Excel 2007 or later "
            "workbook (.xlsx) holds up to 1048576 rows");
  EXPECT_EQ(FileBytes(exporter.FileName), "earlier workbook");

  exporter.SkipRecCount = 1;  // 65535 records below the caption row fit exactly
  exporter.Execute();
  EXPECT_EQ(ReadBack().LastRow(), 65535);
}

TEST_F(ExecuteTest, TooManyCustomRecordsStopWithTheSameError) {
  TfrCustomSource source;
  source.Columns.Add();
  source.OnGetNextRecord = [](TfrCustomSource&, int, bool&) {};  // never ends
  exporter.ExportSource = esCustom;
  exporter.CustomSource = &source;
  exporter.Options.SetSheetTitle("Sheet1");
  EXPECT_EQ(ErrorOf(exporter),
            "Sheet Sheet1 cannot hold all records: a worksheet has at most 65536 rows; an Excel 2007 or later "
            "workbook (.xlsx) holds up to 1048576 rows");
  EXPECT_FALSE(std::filesystem::exists(exporter.FileName));
}

}  // namespace
}  // namespace tabrin::testing
