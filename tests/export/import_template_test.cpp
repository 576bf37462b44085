// Import templates: each table's template for each database kind, written as
// .xls, .xlsx and .csv, holds exactly the titles its import reads (read back
// by the program's own reader), bold, with the text columns formatted as
// text (read back by xlrd and openpyxl).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "export/import_template.h"
#include "import/column_mapping.h"
#include "import/import_tabs.h"
#include "xls/spreadsheet.h"

namespace tabrin::testing {
namespace {

constexpr TMasterTable kTables[] = {TMasterTable::mtClassify, TMasterTable::mtItem, TMasterTable::mtSupplier,
                                    TMasterTable::mtCustomer};
constexpr TDatabaseKind kKinds[] = {TDatabaseKind::dkOrvella, TDatabaseKind::dkKestaPos, TDatabaseKind::dkKestaPlus};

// Arguments: pairs of a workbook and one letter per column, "t" for a
// column formatted as text and "g" for one that is not.  Prints what differs.
constexpr const char* kFormatScript = R"PY(
import sys
def check(path, expected, problems):
  if path.endswith(".xlsx"):
      import openpyxl
      sheet = openpyxl.load_workbook(path).worksheets[0]
      if sheet.title != "sheet1": problems.append(path + ": sheet " + sheet.title)
      if sheet.max_row != 1 or sheet.max_column != len(expected): problems.append(path + ": size %d x %d" % (sheet.max_row, sheet.max_column))
      for i, flag in enumerate(expected):
          letter = openpyxl.utils.get_column_letter(i + 1)
          if not sheet.cell(1, i + 1).font.b: problems.append(path + ": " + letter + "1 not bold")
          style = sheet.column_dimensions[letter]
          text = style.number_format == "@"
          if text != (flag == "t"): problems.append(path + ": column %s format %r" % (letter, style.number_format))
  else:
      import xlrd
      book = xlrd.open_workbook(path, formatting_info=True)
      sheet = book.sheet_by_index(0)
      if sheet.name != "sheet1": problems.append(path + ": sheet " + sheet.name)
      if sheet.nrows != 1 or sheet.ncols != len(expected): problems.append(path + ": size %d x %d" % (sheet.nrows, sheet.ncols))
      for i, flag in enumerate(expected):
          title = book.xf_list[sheet.cell_xf_index(0, i)]
          if book.font_list[title.font_index].weight < 700: problems.append(path + ": title %d not bold" % i)
          info = sheet.colinfo_map.get(i)
          fmt = book.format_map[book.xf_list[info.xf_index].format_key].format_str if info else "General"
          if (fmt == "@") != (flag == "t"): problems.append(path + ": column %d format %r" % (i, fmt))
problems = []
for at in range(1, len(sys.argv), 2):
    check(sys.argv[at], sys.argv[at + 1], problems)
print("\n".join(problems))
sys.exit(1 if problems else 0)
)PY";

class ImportTemplateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("tabrin_template_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string File(const std::string& name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
};

std::string CaseName(TMasterTable table, TDatabaseKind kind) {
  return std::string(MasterTableName(table)) + std::to_string(static_cast<int>(kind));
}

std::vector<std::string> TitlesOf(const std::vector<TTemplateColumn>& columns) {
  std::vector<std::string> titles;
  for (const TTemplateColumn& column : columns) titles.push_back(column.title);
  return titles;
}

TEST_F(ImportTemplateTest, ColumnsAreWhatTheImportReadsWithTheCodeFirstAsText) {
  for (const TMasterTable table : kTables) {
    for (const TDatabaseKind kind : kKinds) {
      const std::vector<TTemplateColumn> columns = ImportTemplateColumns(table, kind);
      const TImporterDef& importer = ImporterFor(table, kind);
      ASSERT_FALSE(columns.empty()) << CaseName(table, kind);
      EXPECT_EQ(columns.front().title, importer.codeColumn) << CaseName(table, kind);
      EXPECT_TRUE(columns.front().text) << CaseName(table, kind);
      EXPECT_TRUE(MissingColumns(TitlesOf(columns), importer, TCoverMode::cmOverwrite, {}).empty())
          << CaseName(table, kind);
    }
  }
  // Both branches of the standard item layout: a new record reads the
  // supplier from "應商代號", an overwrite from "廠商代號".
  const std::vector<std::string> standard = TitlesOf(ImportTemplateColumns(TMasterTable::mtItem, std::nullopt));
  EXPECT_NE(std::find(standard.begin(), standard.end(), "應商代號"), standard.end());
  EXPECT_NE(std::find(standard.begin(), standard.end(), "廠商代號"), standard.end());
  const std::vector<TTemplateColumn> orvella = ImportTemplateColumns(TMasterTable::mtItem, TDatabaseKind::dkOrvella);
  const std::vector<std::string> orvellaTitles = TitlesOf(orvella);
  EXPECT_EQ(std::find(orvellaTitles.begin(), orvellaTitles.end(), "應商代號"), orvellaTitles.end());
  EXPECT_NE(std::find(orvellaTitles.begin(), orvellaTitles.end(), "健康捐"), orvellaTitles.end());
  for (const TTemplateColumn& column : orvella) {
    if (column.title == "品名" || column.title == "國際碼" || column.title == "廠商代號") {
      EXPECT_TRUE(column.text) << column.title;
    }
    if (column.title == "售價" || column.title == "庫存量") {
      EXPECT_FALSE(column.text) << column.title;
    }
  }
}

TEST_F(ImportTemplateTest, WorkbooksHoldExactlyTheTitles) {
  for (const TMasterTable table : kTables) {
    for (const TDatabaseKind kind : kKinds) {
      for (const char* extension : {".xls", ".xlsx", ".csv"}) {
        const std::string name = CaseName(table, kind) + extension;
        const std::string written = WriteImportTemplate(table, kind, File(name));
        EXPECT_EQ(written, File(name));
        const std::unique_ptr<const TSpreadsheet> book = OpenSpreadsheetFile(written);
        const TWorksheet sheet = book->ReadSheet(book->SheetNames().front());
        if (std::string(extension) != ".csv") {
          EXPECT_EQ(book->SheetNames(), std::vector<std::string>{"sheet1"}) << name;
        }
        EXPECT_EQ(sheet.LastRow(), 0) << name;
        std::vector<std::string> titles;
        for (int col = 0; col <= sheet.LastColumn(); ++col) {
          const std::optional<TSheetCell> cell = sheet.Find(0, col);
          titles.push_back(cell ? std::string(sheet.Text(*cell)) : "");
        }
        EXPECT_EQ(titles, TitlesOf(ImportTemplateColumns(table, kind))) << name;
      }
    }
  }
  // A name without a workbook extension gets ".xls", as an export's does.
  EXPECT_EQ(WriteImportTemplate(TMasterTable::mtClassify, TDatabaseKind::dkOrvella, File("cls")), File("cls.xls"));
  std::ifstream csv(File("cls1.csv"), std::ios::binary);
  std::string firstBytes(3, '\0');
  csv.read(firstBytes.data(), 3);
  EXPECT_EQ(firstBytes, "\xEF\xBB\xBF");  // UTF-8 with a byte-order mark
}

TEST_F(ImportTemplateTest, TitlesAreBoldAndTextColumnsFormattedAsText) {
  const std::string script = File("check_template.py");
  std::ofstream(script) << kFormatScript;
  std::string arguments;
  for (const TMasterTable table : kTables) {
    for (const TDatabaseKind kind : kKinds) {
      std::string expected;
      for (const TTemplateColumn& column : ImportTemplateColumns(table, kind)) expected += column.text ? "t" : "g";
      for (const char* extension : {".xls", ".xlsx"}) {
        const std::string file = WriteImportTemplate(table, kind, File(CaseName(table, kind) + extension));
        arguments += " '" + file + "' " + expected;
      }
    }
  }
  FILE* pipe = ::popen(("/usr/bin/python3 '" + script + "'" + arguments + " 2>&1").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string report;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) report += buffer;
  EXPECT_EQ(::pclose(pipe), 0) << report;
}

}  // namespace
}  // namespace tabrin::testing
