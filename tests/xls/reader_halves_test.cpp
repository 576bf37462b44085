// A large sheet is read in two halves on two threads.  Whatever the records
// hold around the place where they are cut (cells out of order, texts of the
// sheet's own, formula texts, an embedded chart, damage), the sheet read in
// halves is the sheet read straight through: the same cells, the same used
// range, the same error.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "text/error.h"
#include "text/format.h"
#include "xls/reader_test_support.h"
#include "xls/biff8/sheet_halves.h"
#include "xls/biff8/workbook_reader.h"
#include "xls/biff8/workbook_writer.h"
#include "xls/writer_test_util.h"

namespace tabrin {
namespace {

void PutU16(std::uint8_t* at, unsigned value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

// Every cell of every row, the used range, or the error the reading gave.
std::string Dump(const std::string& path, const std::string& sheetName, std::size_t splitFromBytes) {
  try {
    TWorkbookReader reader = TWorkbookReader::OpenFile(path);
    reader.SetSplitSheetsFromBytes(splitFromBytes);
    const TWorksheet sheet = reader.ReadSheet(sheetName);
    std::string dump = FormatMessage("range %d-%d x %d-%d\n", {sheet.FirstRow(), sheet.LastRow(), sheet.FirstColumn(),
                                                               sheet.LastColumn()});
    for (int row = sheet.FirstRow(); row <= sheet.LastRow(); ++row) {
      for (const TSheetCell& cell : sheet.RowCells(row)) {
        dump += std::to_string(row) + "," + std::to_string(cell.column) + " " + test::Describe(sheet, row, cell.column) + "\n";
      }
    }
    return dump;
  } catch (const TabrinError& e) {
    return std::string("error: ") + e.what();
  }
}

void ExpectSameInHalves(const std::string& path, const std::string& sheetName) {
  const std::string straight = Dump(path, sheetName, 0);
  EXPECT_EQ(Dump(path, sheetName, 1), straight);
  EXPECT_EQ(Dump(path, sheetName, TWorkbookReader::kSplitSheetsFromBytes), straight);
}

TEST(WorkbookReaderHalves, EveryFixtureReadsTheSameInHalves) {
  int sheets = 0;
  for (const auto& entry : std::filesystem::directory_iterator(TABRIN_TEST_DATA)) {
    if (entry.path().extension() != ".xls") continue;
    const std::string path = entry.path().string();
    std::vector<std::string> names;
    try {
      names = TWorkbookReader::OpenFile(path).SheetNames();
    } catch (const TabrinError&) {
      continue;  // the fixtures of unreadable files
    }
    for (const std::string& name : names) {
      SCOPED_TRACE(path + " " + name);
      ExpectSameInHalves(path, name);
      ++sheets;
    }
  }
  EXPECT_GT(sheets, 10);
}

// A sheet of rows rows: a shared text, a number and an RK number each, and
// whatever `extra` writes after row `row` (raw records included).
std::string WriteSheet(const test::TempFolder& folder, const std::string& name, int rows,
                       const std::function<void(TxlsWorkbookWriter&, int row)>& extra) {
  const std::string path = (folder / name).string();
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path);
  writer.BeginWorkbook();
  writer.BeginSheet(TxlsSheetHead{});
  for (int row = 0; row < rows; ++row) {
    writer.WriteLabelSst(row, 0, "貨號" + std::to_string(row % 300), kDefaultXfIndex);
    writer.WriteNumber(row, 1, row * 1.25, kDefaultXfIndex);
    writer.WriteNumber(row, 2, row, kDefaultXfIndex);
    extra(writer, row);
  }
  writer.EndSheet();
  writer.FinishWorkbook();
  writer.CloseWorkbookFile();
  return path;
}

void WriteLabel(TxlsWorkbookWriter& writer, int row, int column, const std::string& ascii) {
  std::uint8_t* body = writer.ClearBuffer(9 + ascii.size());
  PutU16(body, row);
  PutU16(body + 2, column);
  PutU16(body + 4, kDefaultXfIndex);
  PutU16(body + 6, static_cast<unsigned>(ascii.size()));
  body[8] = 0;  // 8-bit characters
  for (std::size_t i = 0; i < ascii.size(); ++i) body[9 + i] = static_cast<std::uint8_t>(ascii[i]);
  writer.WriteRecord(0x0204, static_cast<std::uint16_t>(9 + ascii.size()));
}

// A FORMULA whose result is a text, and the STRING record with that text.
void WriteTextFormula(TxlsWorkbookWriter& writer, int row, int column, const std::string& ascii) {
  std::uint8_t* formula = writer.ClearBuffer(23);
  PutU16(formula, row);
  PutU16(formula + 2, column);
  PutU16(formula + 4, kDefaultXfIndex);
  formula[6] = 0;  // a text result, in the STRING record that follows
  formula[12] = 0xFF, formula[13] = 0xFF;
  PutU16(formula + 20, 1);     // one byte of formula: a missing argument
  formula[22] = 0x16;
  writer.WriteRecord(0x0006, 23);
  std::uint8_t* text = writer.ClearBuffer(3 + ascii.size());
  PutU16(text, static_cast<unsigned>(ascii.size()));
  text[2] = 0;
  for (std::size_t i = 0; i < ascii.size(); ++i) text[3 + i] = static_cast<std::uint8_t>(ascii[i]);
  writer.WriteRecord(0x0207, static_cast<std::uint16_t>(3 + ascii.size()));
}

TEST(WorkbookReaderHalves, CellsAroundTheCutReadAsStraightThrough) {
  test::TempFolder folder;
  constexpr int kRows = 4000;
  const struct {
    const char* name;
    std::function<void(TxlsWorkbookWriter&, int)> extra;
  } cases[] = {
      {"plain", [](TxlsWorkbookWriter&, int) {}},
      // Cells of early rows come again late: the later ones count.
      {"out_of_order",
       [](TxlsWorkbookWriter& w, int row) {
         if (row > kRows * 3 / 4 && row % 100 == 0) w.WriteNumber(row / 100, 1, -row, kDefaultXfIndex);
       }},
      // The cut right where a second pass over the rows begins again at
      // row 0 (the middle falls in the long last row of the first pass):
      // each half in order, the two together not.
      {"second_pass",
       [](TxlsWorkbookWriter& w, int row) {
         if (row != kRows - 1) return;
         for (int column = 3; column < 253; ++column) w.WriteNumber(row, column, column, kDefaultXfIndex);
         for (int again = 0; again < kRows - 1; ++again) {
           w.WriteLabelSst(again, 253, "再" + std::to_string(again % 300), kDefaultXfIndex);
           w.WriteNumber(again, 254, again, kDefaultXfIndex);
           w.WriteNumber(again, 255, -again, kDefaultXfIndex);
         }
       }},
      // A long row across the middle, its cells one record each.
      {"long_middle_row",
       [](TxlsWorkbookWriter& w, int row) {
         if (row == kRows / 2) {
           for (int column = 3; column < 256; ++column) w.WriteNumber(row, column, column, kDefaultXfIndex);
         }
       }},
      // Texts of the sheet's own, early, late or everywhere.
      {"own_texts_late",
       [](TxlsWorkbookWriter& w, int row) {
         if (row > kRows * 2 / 3 && row % 7 == 0) WriteLabel(w, row, 3, "own " + std::to_string(row));
       }},
      {"own_texts_early",
       [](TxlsWorkbookWriter& w, int row) {
         if (row < kRows / 3 && row % 7 == 0) WriteLabel(w, row, 3, "own " + std::to_string(row));
       }},
      {"text_formulas",
       [](TxlsWorkbookWriter& w, int row) { WriteTextFormula(w, row, 3, "f" + std::to_string(row)); }},
      // An embedded chart's records, cell-like ones among them, around the middle.
      {"chart_in_the_middle",
       [](TxlsWorkbookWriter& w, int row) {
         if (row != kRows / 2 - 40) return;
         std::uint8_t* bof = w.ClearBuffer(16);
         PutU16(bof, 0x0600);
         PutU16(bof + 2, 0x0020);  // a chart
         w.WriteRecord(0x0809, 16);
         for (int i = 0; i < 400; ++i) w.WriteNumber(i, 0, 99, kDefaultXfIndex);
         w.WriteRecord(0x000A, 0);
       }},
      // A damaged record late or early in the sheet: the same message either way.
      {"damaged_late",
       [](TxlsWorkbookWriter& w, int row) {
         if (row == kRows * 3 / 4) {
           std::uint8_t* body = w.ClearBuffer(14);
           PutU16(body, row);
           PutU16(body + 2, 300);  // beyond the last column
           w.WriteRecord(0x0203, 14);
         }
       }},
      {"damaged_early",
       [](TxlsWorkbookWriter& w, int row) {
         if (row == kRows / 4) {
           std::uint8_t* body = w.ClearBuffer(14);
           PutU16(body, row);
           PutU16(body + 2, 300);
           w.WriteRecord(0x0203, 14);
         }
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = WriteSheet(folder, std::string(c.name) + ".xls", kRows, c.extra);
    ExpectSameInHalves(path, "Sheet1");
  }
  EXPECT_NE(Dump((folder / "damaged_late.xls").string(), "Sheet1", 1).find("error: "), std::string::npos);
}

// The records of a sheet, written by hand: a BOF, rows of a LABELSST and a
// NUMBER, an EOF.  offsets: where each record starts.
std::string HandMadeRecords(int rows, std::vector<std::size_t>& offsets) {
  std::string records;
  const auto add = [&](std::uint16_t type, std::vector<std::uint8_t> body) {
    offsets.push_back(records.size());
    std::uint8_t head[4];
    PutU16(head, type);
    PutU16(head + 2, static_cast<unsigned>(body.size()));
    records.append(reinterpret_cast<const char*>(head), 4);
    records.append(reinterpret_cast<const char*>(body.data()), body.size());
  };
  add(0x0809, std::vector<std::uint8_t>{0x00, 0x06, 0x10, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  for (int row = 0; row < rows; ++row) {
    std::vector<std::uint8_t> label(10, 0), number(14, 0);
    PutU16(label.data(), row);
    PutU16(number.data(), row);
    PutU16(number.data() + 2, 1);
    number[6 + 4] = static_cast<std::uint8_t>(row);  // bytes of a double, anything will do
    add(0x00FD, label);
    add(0x0203, number);
  }
  add(0x000A, {});
  return records;
}

TEST(WorkbookReaderHalves, TheCutIsARowStartPastTheMiddleOrNowhere) {
  std::vector<std::size_t> offsets;
  const std::string records = HandMadeRecords(2000, offsets);
  const std::size_t cut = detail::HalfwayRowStart(records, records.size());
  ASSERT_NE(cut, 0u);
  EXPECT_GE(cut, records.size() / 2);
  const auto at = std::find(offsets.begin(), offsets.end(), cut);
  ASSERT_NE(at, offsets.end()) << "not a record start";
  EXPECT_EQ(static_cast<unsigned char>(records[cut]), 0xFD) << "not a row's first cell";

  // Nothing that looks like cell records past the middle, or no room for a
  // run of them: no cut.
  EXPECT_EQ(detail::HalfwayRowStart(std::string(records.size(), '\0'), records.size()), 0u);
  EXPECT_EQ(detail::HalfwayRowStart(records.substr(0, 100), 100), 0u);
  std::string chartAfterTheMiddle = records.substr(0, records.size() / 2);
  chartAfterTheMiddle += std::string(70 * 1024, '\x01');
  EXPECT_EQ(detail::HalfwayRowStart(chartAfterTheMiddle, chartAfterTheMiddle.size()), 0u);
}

}  // namespace
}  // namespace tabrin
