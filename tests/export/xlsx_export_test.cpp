// The export to an Excel 2007+ workbook through the whole pipeline: far past
// the 65,536 rows of an .xls sheet, cell by cell as the .xls export writes
// the same table, and what it refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "db/schema.h"
#include "export/export_command.h"
#include "export/export_fixture.h"
#include "text/error.h"
#include "text/format.h"
#include "xls/spreadsheet.h"

namespace tabrin::testing {
namespace {

class XlsxExportTest : public ExportFixture {
 protected:
  // Items numbered from 1: texts, numbers, dates, a null price every 7th.
  void FillItems(int count) {
    TConnection& connection = Connection();
    connection.BeginTransaction();
    for (int i = 1; i <= count; ++i) {
      const std::vector<TValue> values = {
          TValue::Text(std::to_string(10000000 + i)), TValue::Text("商品 " + std::to_string(i)),
          TValue::DateTime(38000 + i % 3000), i % 7 == 0 ? TValue::Null() : TValue::Float(i * 0.25),
          TValue::Integer(i % 5000)};
      connection.Execute("INSERT INTO Item (ItemNo, PtName, ImUpDate, UniPrice, StkQty) VALUES (?, ?, ?, ?, ?)",
                         values);
    }
    connection.Commit();
  }

  std::unique_ptr<const TSpreadsheet> Export(const std::string& name) {
    ApplyHostExportSettings(exporter);
    TQuery query(ExportQueryDef(TMasterTable::mtItem), Connection());
    const std::string written = RunExportCommand(exporter, query, File(name));
    return OpenSpreadsheetFile(written);
  }
};

std::string Describe(const TWorksheet& sheet, int row, int column) {
  const std::optional<TSheetCell> cell = sheet.Find(row, column);
  if (!cell) return "empty";
  return std::to_string(static_cast<int>(cell->kind)) + ":" + std::string(sheet.Text(*cell)) + ":" +
         FormatGeneral(cell->number);
}

TEST_F(XlsxExportTest, HundredThousandItemsAreWrittenAndReadBack) {
  constexpr int kItems = 100000;
  FillItems(kItems);
  const std::unique_ptr<const TSpreadsheet> book = Export("items.xlsx");
  const TWorksheet sheet = book->ReadSheet("sheet1");
  EXPECT_EQ(sheet.Name(), "Sheet1");
  EXPECT_EQ(sheet.LastRow(), kItems);
  EXPECT_EQ(sheet.LastColumn(), 18);
  EXPECT_EQ(sheet.Text(*sheet.Find(0, 0)), "管理貨號");
  EXPECT_EQ(sheet.Text(*sheet.Find(0, 18)), "VIP價格");
  for (const int i : {1, 7, 50000, 65536, kItems}) {
    EXPECT_EQ(sheet.Text(*sheet.Find(i, 0)), std::to_string(10000000 + i)) << i;
    EXPECT_EQ(sheet.Text(*sheet.Find(i, 3)), "商品 " + std::to_string(i)) << i;
    const std::optional<TSheetCell> date = sheet.Find(i, 7);
    ASSERT_NE(date, std::nullopt) << i;
    EXPECT_EQ(date->kind, TCellKind::ckDateTime) << i;
    EXPECT_EQ(date->number, 38000 + i % 3000) << i;
    const std::optional<TSheetCell> price = sheet.Find(i, 8);
    if (i % 7 == 0) {
      EXPECT_EQ(price, std::nullopt) << i;
    } else {
      ASSERT_NE(price, std::nullopt) << i;
      EXPECT_EQ(price->number, i * 0.25) << i;
    }
    EXPECT_EQ(sheet.Find(i, 12)->number, i % 5000) << i;
  }

  // The same table no .xls sheet holds: stopped before anything is written.
  try {
    Export("items.xls");
    FAIL() << "the .xls export did not stop";
  } catch (const TabrinError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Sheet Sheet1 cannot hold 100000 records: a worksheet has at most 65536 rows; an Excel 2007 or later "
              "workbook (.xlsx) holds up to 1048576 rows");
  }
  EXPECT_FALSE(std::filesystem::exists(File("items.xls")));
}

// Both writers, one table: the same cells, kinds and values in both files.
TEST_F(XlsxExportTest, SameCellsAsTheXlsExport) {
  FillItems(300);
  Connection().Execute("UPDATE Item SET PtSpec = ' ' WHERE ItemNo = '10000002'");  // a blank text
  const TWorksheet xls = Export("items.xls")->ReadSheet("sheet1");
  const TWorksheet xlsx = Export("items.xlsx")->ReadSheet("sheet1");
  ASSERT_EQ(xlsx.LastRow(), xls.LastRow());
  ASSERT_EQ(xlsx.LastColumn(), xls.LastColumn());
  for (int row = 0; row <= xls.LastRow(); ++row) {
    for (int column = 0; column <= xls.LastColumn(); ++column) {
      ASSERT_EQ(Describe(xlsx, row, column), Describe(xls, row, column)) << "row " << row << " column " << column;
    }
  }
}

// What only the .xls writer draws stops an .xlsx export with a clear error;
// an earlier file of that name stays as it was.
TEST_F(XlsxExportTest, DrawingObjectsAreRefused) {
  FillItems(3);
  { std::ofstream(File("items.xlsx")) << "earlier workbook"; }
  TxlsNote note;
  note.Col = 1;
  note.Row = 1;
  note.Lines = {"備註"};
  exporter.Notes.push_back(note);
  try {
    Export("items.xlsx");
    FAIL() << "exported";
  } catch (const TabrinError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Sheet Sheet1 has notes, which only an Excel 97-2003 workbook (.xls) can hold; export it to .xls");
  }
  std::ifstream in(File("items.xlsx"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "earlier workbook");
  for (const auto& entry : std::filesystem::directory_iterator(File("."))) {
    EXPECT_EQ(entry.path().filename().string().rfind("items.xlsx.", 0), std::string::npos)
        << "left behind: " << entry.path();
  }
}

}  // namespace
}  // namespace tabrin::testing
