// The export settings that need no source: formats, message texts, column
// kind guesses, custom columns, the sheet model and the file-name rule.
#include <gtest/gtest.h>

#include "db/schema.h"
#include "export/custom_source.h"
#include "export/export_command.h"
#include "export/ferran3_xls.h"
#include "export/ferran_formats.h"
#include "export/ferran_locale.h"
#include "export/source_adapter.h"
#include "export/table_models.h"
#include "text/error.h"
#include "text/regional.h"

namespace tabrin {
namespace {

TEST(FerranFormats, EmptyTextsFallBackExceptForFloatFormat) {
  TFerranFormats formats;
  formats.SetIntegerFormat("");
  formats.SetFloatFormat("");
  formats.SetBooleanTrue("");
  formats.SetDateTimeFormat("");
  EXPECT_EQ(formats.IntegerFormat(), "#,###,##0");
  EXPECT_EQ(formats.FloatFormat(), "");
  EXPECT_EQ(formats.BooleanTrue(), "true");
  const TRegionalFormats& regional = TRegionalFormats::System();
  EXPECT_EQ(formats.DateTimeFormat(), regional.shortDate + " " + regional.shortTime);
}

TEST(FerranFormats, NullStringIsStoredTrimmedAndAssignCopiesAll) {
  TFerranFormats formats;
  formats.SetNullString("  \t(null) \n");
  EXPECT_EQ(formats.NullString(), "(null)");
  formats.SetDateTimeFormat("yyyy/MM/dd");
  TFerranFormats copy;
  copy.Assign(formats);
  EXPECT_EQ(copy.NullString(), "(null)");
  EXPECT_EQ(copy.DateTimeFormat(), "yyyy/MM/dd");
}

TEST(FerranFormats, CurrencyFormatFollowsTheSymbolPosition) {
  const struct {
    int position;
    const char* expected;
  } cases[] = {{0, "NT$#,###,##0.00"}, {1, "#,###,##0.00NT$"}, {2, "NT$ #,###,##0.00"},
               {3, "#,###,##0.00 NT$"}, {7, ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(TFerranFormats::CurrencyFormatFor("NT$", c.position), c.expected) << c.position;
  }
}

TEST(FerranLocale, MessagesAreLookedUpById) {
  EXPECT_EQ(FerranMessage(msgSourceNotAssigned, {"DataSet"}), "Export source (DataSet) is not assigned");
  EXPECT_EQ(FerranMessage(msgSheetDefineError, {"Sheet1", "x"}), "Sheet Sheet1 define with error: x");
  EXPECT_EQ(FerranMessage(msgSourceClosed, {"DataSet"}), "Export source (DataSet) is closed");
  EXPECT_EQ(FerranMessage(msgSourceEmpty, {"StringGrid"}), "Export source (StringGrid) is empty");
  EXPECT_EQ(FerranMessage(msgFileNameMissing), "Result file name not present");
  EXPECT_EQ(FerranMessage(msgDirectoryNotCreated, {"/x"}), "Directory \"/x\" not found and cannot be created");
  EXPECT_EQ(TFerranLocale::Instance().LoadMessage(1), "");
  EXPECT_EQ(SourceKindName(static_cast<TFerranSource>(9)), "");
  EXPECT_EQ(SourceKindName(esCustom), "CustomSource");
}

TEST(GuessColType, ReadsTheKindFromText) {
  TFerranFormats formats;
  const struct {
    const char* text;
    TFerranColType kind;
  } cases[] = {
      {"", ectString},          {"12", ectInteger},          {"-7", ectInteger},
      {"1.5", ectFloat},        {"true", ectBoolean},        {"FALSE", ectBoolean},
      {"2005/3/1", ectDate},    {"2005/3/1 10:20:30", ectDateTime}, {"10:20:30", ectTime},
      {"abc", ectString},
  };
  for (const auto& c : cases) EXPECT_EQ(GuessColType(c.text, &formats), c.kind) << c.text;
}

TEST(CustomColumns, NamesAreUniqueWithoutRegardToCase) {
  TfrCustomSource source;
  TfrCustomColumn& first = source.Columns.Add();
  TfrCustomColumn& second = source.Columns.Add();
  EXPECT_EQ(first.ColumnName(), "Column0");
  EXPECT_EQ(second.ColumnName(), "Column1");
  EXPECT_EQ(second.Caption, "Column1");
  first.SetColumnName("Price");
  second.SetColumnName("PRICE");  // taken
  EXPECT_EQ(second.ColumnName(), "Column1");
  second.SetColumnName("");
  EXPECT_EQ(second.ColumnName(), "Column1");
  EXPECT_EQ(source.Columns.Add().ColumnName(), "Column0");  // the smallest free number
  EXPECT_EQ(first.Width, 15);
  EXPECT_EQ(first.ColumnType, ectString);
}

TEST(SheetModel, TitlesAndOptionDefaults) {
  TFerran3XLS exporter;
  EXPECT_EQ(exporter.Sheets.Add().Title, "Sheet 1");
  exporter.Sheets.Add();
  EXPECT_EQ(exporter.Sheets.Add().Title, "Sheet 3");

  TXLSOptions options;
  EXPECT_EQ(options.SheetTitle(), "Sheet 1");
  options.SetSheetTitle("");
  EXPECT_EQ(options.SheetTitle(), "Sheet1");
  EXPECT_TRUE(options.CaptionsFormat.Font.Has(xfsBold));
  EXPECT_EQ(options.HyperlinkFormat.Font.Color, clrBlue);
  EXPECT_EQ(options.PageFooter, "Page &P of &N");
  EXPECT_TRUE(exporter.Sheets.Items(0).OnlyVisibleFields);
  EXPECT_FALSE(exporter.OnlyVisibleFields);
}

TEST(SheetModel, AssignKeepsTheTargetsOwnLayoutSettings) {
  TFerran3XLS exporter;
  TxlsSheet& source = exporter.Sheets.Add();
  TxlsSheet& target = exporter.Sheets.Add();
  source.Title = "Items";
  source.DefRowHeight = 20;
  source.DefColWidth = 12;
  source.Exported = false;
  source.Tag = 5;
  source.Header = {"a"};
  source.Formats.SetNullString("-");
  target.Tag = 9;
  target.Assign(source);
  EXPECT_EQ(target.Title, "Items");
  EXPECT_EQ(target.Header, TStringList{"a"});
  EXPECT_EQ(target.Formats.NullString(), "-");
  EXPECT_EQ(target.DefRowHeight, 12.75);
  EXPECT_EQ(target.DefColWidth, 8);
  EXPECT_TRUE(target.Exported);
  EXPECT_EQ(target.Tag, 9);
}

// A sheet's source is one value: Assign carries it whole, and a component
// that goes away is forgotten by the exporter and by every sheet, while the
// references to the others stay.
TEST(SheetModel, TheSourceGoesWithTheSheetAndAGoneComponentIsForgottenEverywhere) {
  TFerran3XLS exporter;
  TMemoryStringGrid grid(1, 2);
  TMemoryDataGrid dataGrid;
  exporter.ExportSource = esStringGrid;
  exporter.StringGrid = &grid;
  exporter.DBGrid = &dataGrid;
  TxlsSheet& source = exporter.Sheets.Add();
  source.ExportSource = esDBGrid;
  source.StringGrid = &grid;
  source.DBGrid = &dataGrid;
  TxlsSheet& target = exporter.Sheets.Add();
  target.Assign(source);
  EXPECT_EQ(target.ExportSource, esDBGrid);
  EXPECT_EQ(target.StringGrid, &grid);
  EXPECT_EQ(target.DBGrid, &dataGrid);

  exporter.Notification(&grid);  // the string grid goes away
  for (const TFerranSourceRefs* refs : {&exporter.SourceRefs(), &source.SourceRefs(), &target.SourceRefs()}) {
    EXPECT_EQ(refs->StringGrid, nullptr);
    EXPECT_EQ(refs->DBGrid, &dataGrid);
  }
  EXPECT_EQ(exporter.ExportSource, esStringGrid);
  EXPECT_EQ(target.ExportSource, esDBGrid);
}

TEST(SheetModel, DataCellsOfOneNameShareOneRange) {
  TFerran3XLS exporter;
  TxlsSheet& sheet = exporter.Sheets.Add();
  sheet.NoteDataCell("Price", 3, 2);
  sheet.NoteDataCell("PRICE", 1, 5);
  EXPECT_EQ(sheet.ColumnList().Count(), 1);
  TxlsChartDataRange range;
  sheet.DataRange("price", range);
  EXPECT_EQ(range.FirstRow, 2);
  EXPECT_EQ(range.LastRow, 4);
  EXPECT_EQ(range.FirstCol, 3);
  EXPECT_EQ(range.LastCol, 6);
  TxlsChartDataRange untouched;
  sheet.DataRange("missing", untouched);
  EXPECT_EQ(untouched.FirstRow, 0);
}

TEST(ExportCommand, ForcesTheXlsExtension) {
  const struct {
    const char* chosen;
    const char* expected;
  } cases[] = {
      {"abc", "abc.xls"},           {"abc.txt", "abc.xls"},       {"a.b.c", "a.b.xls"},
      {"/tmp/x.y/abc", "/tmp/x.y/abc.xls"}, {"/tmp/x.y/abc.XLS", "/tmp/x.y/abc.xls"},
      {"/tmp/商品.txt", "/tmp/商品.xls"},
  };
  for (const auto& c : cases) EXPECT_EQ(ForceXlsExtension(c.chosen), c.expected) << c.chosen;
}

// A name ending in ".xlsx" (any letter case) keeps its name and asks for an
// Excel 2007+ workbook, one ending in ".csv" for CSV text; every other name
// follows the .xls rule.
TEST(ExportCommand, XlsxNamesAreKeptOthersBecomeXls) {
  const struct {
    const char* chosen;
    const char* written;
    TExportFormat format;
  } cases[] = {
      {"/data/items.xlsx", "/data/items.xlsx", TExportFormat::efXlsx},
      {"/data/items.XLSX", "/data/items.XLSX", TExportFormat::efXlsx},
      {"/data/items", "/data/items.xls", TExportFormat::efXls},
      {"/data/items.txt", "/data/items.xls", TExportFormat::efXls},
      {"/data/items.xlsx.txt", "/data/items.xlsx.xls", TExportFormat::efXls},
      {"/data/a.xlsx/items", "/data/a.xlsx/items.xls", TExportFormat::efXls},
      {"/data/items.xlsm", "/data/items.xls", TExportFormat::efXls},
      {"/data/items.csv", "/data/items.csv", TExportFormat::efCsv},
      {"/data/items.CSV", "/data/items.CSV", TExportFormat::efCsv},
      {"/data/items.csv.txt", "/data/items.csv.xls", TExportFormat::efXls},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExportFileName(c.chosen), c.written) << c.chosen;
    EXPECT_EQ(ExportFormatOf(c.chosen), c.format) << c.chosen;
  }
}

// In the save dialog the chosen entry decides the kind, as the dialog adds
// no extension of its own.
TEST(ExportCommand, TheSaveDialogsEntryDecidesTheKind) {
  const struct {
    const char* chosen;
    TExportFormat entry;
    const char* written;
  } cases[] = {
      {"/data/items", TExportFormat::efXlsx, "/data/items.xlsx"},
      {"/data/items.txt", TExportFormat::efXlsx, "/data/items.xlsx"},
      {"/data/items.xls", TExportFormat::efXlsx, "/data/items.xlsx"},
      {"/data/items.XLSX", TExportFormat::efXlsx, "/data/items.XLSX"},
      {"/data/a.b/items", TExportFormat::efXlsx, "/data/a.b/items.xlsx"},
      {"/data/items", TExportFormat::efXls, "/data/items.xls"},
      {"/data/items.txt", TExportFormat::efXls, "/data/items.xls"},
      {"/data/items.xlsx", TExportFormat::efXls, "/data/items.xlsx"},
      {"/data/items.csv", TExportFormat::efXls, "/data/items.csv"},
      {"/data/items.csv", TExportFormat::efXlsx, "/data/items.csv"},
  };
  for (const auto& c : cases) {
    const std::string written = ExportFileName(c.chosen, c.entry);
    EXPECT_EQ(written, c.written) << c.chosen;
    // What RunExportCommand makes of the name keeps it as it is.
    EXPECT_EQ(ExportFileName(written), written) << c.chosen;
  }
}

TEST(ExportCommand, TableNames) {
  EXPECT_EQ(MasterTableFromName("cls"), TMasterTable::mtClassify);
  EXPECT_EQ(MasterTableFromName("Customer"), TMasterTable::mtCustomer);
  EXPECT_FALSE(MasterTableFromName("items").has_value());
  EXPECT_EQ(ExportQueryDef(TMasterTable::mtItem).fields.size(), 19u);
}

TEST(ExportCommand, HostSettings) {
  TFerran3XLS exporter;
  ApplyHostExportSettings(exporter);
  EXPECT_EQ(exporter.Formats.DateTimeFormat(), "yyyy/MM/dd");
  EXPECT_EQ(exporter.Options.SheetTitle(), "Sheet1");
  EXPECT_EQ(exporter.Options.NoteFormat.Font.Name, "Tahoma");
  EXPECT_EQ(exporter.Options.NoteFormat.Font.Size, 8);
}

TEST(DirectoryOfFile, TakesThePartBeforeTheLastSlash) {
  EXPECT_EQ(DirectoryOfFile("/a/b/c.xls"), "/a/b");
  EXPECT_EQ(DirectoryOfFile("/c.xls"), "/");
  EXPECT_EQ(DirectoryOfFile("c.xls"), "");
}

}  // namespace
}  // namespace tabrin
