// Worksheets of some megabytes of XML, large enough that the reader cuts
// them into pieces for two parsers: every cell has to come out as one
// parser reads it, whatever lies between the rows (comments, character
// data, prefixes, rows without numbers, rows out of order), and a damaged
// sheet has to be refused with the very message one parser gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "text/error.h"
#include "text/format.h"
#include "xls/reader_test_support.h"
#include "xls/xlsx_test_package.h"
#include "xls/ooxml/piece_reading.h"
#include "xls/ooxml/xlsx_reader.h"

namespace tabrin {
namespace {

using test::Describe;

constexpr int kRows = 24000;

// What goes around and into the rows.
struct SheetShape {
  std::string prefix;               // "x:" for prefixed element names
  bool rowNumbers = true;           // r on every row and cell
  int rowWithoutNumberEvery = 0;    // rows (and their cells) without r
  int noiseAfterEvery = 0;          // comments, CDATA and instructions that spell "</row>"
  bool reversed = false;            // the rows from last to first
  int repeatedRowEvery = 0;         // such rows come again with other values
  std::function<std::string(int row, const std::string& cells)> replaceRow;  // to damage one
  int sharedTexts = 50;             // many make the shared strings part large too
  std::function<std::string(int index, const std::string& item)> replaceItem;  // to damage a shared text
};

// One text per line, from line 3 on; rich texts with phonetic guides and
// escapes among them.
std::string SharedStringsXml(const SheetShape& shape) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" uniqueCount=\"" +
                    std::to_string(shape.sharedTexts) + "\">\n";
  for (int i = 0; i < shape.sharedTexts; ++i) {
    std::string item = i % 3 == 0 ? "<si><t>共用 " + std::to_string(i) + "</t></si>"
                                  : "<si><r><t>共用</t></r><rPh sb=\"0\" eb=\"1\"><t>キョウ</t></rPh><r><t xml:space=\"preserve\">_x0020_" +
                                        std::to_string(i) + "</t></r></si>";
    if (shape.replaceItem) item = shape.replaceItem(i, item);
    xml += item + (i % 501 == 0 ? "<!-- </si> -->\n" : "\n");
  }
  return xml + "</sst>";
}

// Cells A to H of a row (1-based number), with or without references.
std::string RowCells(const SheetShape& shape, int row, bool numbered, int variant) {
  const int kSharedTexts = shape.sharedTexts;
  const std::string p = shape.prefix;
  const auto cell = [&](char column, const std::string& attributes, const std::string& body) {
    std::string text = "<" + p + "c";
    if (numbered) text += " r=\"" + std::string(1, column) + std::to_string(row) + "\"";
    text += attributes;
    return body.empty() ? text + "/>" : text + ">" + body + "</" + p + "c>";
  };
  const std::string v = "<" + p + "v>", ve = "</" + p + "v>";
  return cell('A', "", v + std::to_string(row * 3 + variant) + ".5" + ve) +
         cell('B', " t=\"s\"", v + std::to_string((row + variant) % kSharedTexts) + ve) +
         cell('C', " t=\"inlineStr\"",
              "<" + p + "is><" + p + "r><" + p + "t>行 " + std::to_string(row) + "</" + p + "t></" + p + "r><" + p +
                  "rPh><" + p + "t>ギョウ</" + p + "t></" + p + "rPh><" + p + "r><" + p + "t xml:space=\"preserve\"> &amp; " +
                  std::to_string(variant) + "</" + p + "t></" + p + "r></" + p + "is>") +
         cell('D', " t=\"b\"", v + std::to_string((row + variant) % 2) + ve) +
         cell('E', " s=\"1\"", v + std::to_string(40000 + row) + ve) +
         cell('F', " t=\"str\"", "<" + p + "f>A1&amp;\"x\"</" + p + "f>" + v + "式_x0041_" + std::to_string(row) + ve) +
         cell('G', " t=\"e\"", v + "#DIV/0!" + ve) + cell('H', " s=\"1\"", "");
}

std::string SheetXml(const SheetShape& shape) {
  const std::string p = shape.prefix;
  const std::string ns = p.empty() ? "xmlns" : "xmlns:" + p.substr(0, p.size() - 1);
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<" + p + "worksheet " + ns +
                    "=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><" + p +
                    "dimension ref=\"A1:H" + std::to_string(kRows) + "\"/><" + p + "sheetData>\n";
  std::vector<int> order;
  for (int row = 1; row <= kRows; ++row) order.push_back(row);
  if (shape.reversed) std::reverse(order.begin(), order.end());
  for (const int row : order) {
    const bool numbered = shape.rowNumbers && (shape.rowWithoutNumberEvery == 0 || row % shape.rowWithoutNumberEvery != 0);
    const int times = shape.repeatedRowEvery != 0 && row % shape.repeatedRowEvery == 0 ? 2 : 1;
    for (int variant = 0; variant < times; ++variant) {
      std::string cells = RowCells(shape, row, numbered, variant);
      if (shape.replaceRow) cells = shape.replaceRow(row, cells);
      xml += "<" + p + "row" + (numbered ? " r=\"" + std::to_string(row) + "\"" : std::string()) + " spans=\"1:8\">" +
             cells + "</" + p + "row>";
      if (shape.noiseAfterEvery != 0 && row % shape.noiseAfterEvery == 0) {
        xml += "<!-- </" + p + "row> --><![CDATA[</" + p + "row>]]><?keep </" + p + "row>?>";
      }
      xml += "\n";
    }
  }
  return xml + "</" + p + "sheetData><" + p + "pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/></" + p + "worksheet>";
}

// A package in a file of its own, removed again at the end of the test.
class LargeSheetTest : public ::testing::Test {
 protected:
  TxlsxReader Open(const SheetShape& shape) {
    file_.Write(test::OneSheetWorkbook("<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><cellXfs count=\"2\">"
                                       "<xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>",
                                       SharedStringsXml(shape), SheetXml(shape)));
    return TxlsxReader(detail::TZipPackage::OpenFile(file_.Path()), "xl/workbook.xml", "big.xlsx");
  }

  // Every cell of the sheet as written; rows a shape repeats hold the
  // second writing's values.
  static void ExpectEveryCell(const TWorksheet& sheet, const SheetShape& shape) {
    ASSERT_EQ(sheet.FirstRow(), 0);
    ASSERT_EQ(sheet.LastRow(), kRows - 1);
    ASSERT_EQ(sheet.FirstColumn(), 0);
    ASSERT_EQ(sheet.LastColumn(), 7);
    int wrong = 0;
    for (int row = 1; row <= kRows && wrong < 5; ++row) {
      const int variant = shape.repeatedRowEvery != 0 && row % shape.repeatedRowEvery == 0 ? 1 : 0;
      const std::vector<std::string> expected = {
          "number:" + FormatGeneral(row * 3 + variant + 0.5),
          "text:共用 " + std::to_string((row + variant) % shape.sharedTexts),
          "text:行 " + std::to_string(row) + " & " + std::to_string(variant),
          "bool:" + std::to_string((row + variant) % 2),
          "date:" + std::to_string(40000 + row),
          "text:式A" + std::to_string(row),
          "error:7",
          "empty",
      };
      for (int column = 0; column < 8; ++column) {
        const std::string got = Describe(sheet, row - 1, column);
        if (got != expected[static_cast<std::size_t>(column)]) {
          ADD_FAILURE() << "row " << row << " column " << column << ": " << got << " instead of "
                        << expected[static_cast<std::size_t>(column)];
          ++wrong;
        }
      }
    }
  }

  void ExpectRefused(const SheetShape& shape, const std::string& message) {
    try {
      Open(shape).ReadSheet("sheet1");
      ADD_FAILURE() << "read without complaint";
    } catch (const TabrinError& e) {
      EXPECT_EQ(std::string(e.what()), "'big.xlsx' is damaged and cannot be read: " + message);
    }
  }

 private:
  test::TempXlsxFile file_{"tabrin-large-sheet"};
};

TEST_F(LargeSheetTest, EveryCellReadsAsWritten) {
  const SheetShape shape;
  ExpectEveryCell(Open(shape).ReadSheet("sheet1"), shape);
}

TEST_F(LargeSheetTest, PrefixedElementNamesReadTheSame) {
  SheetShape shape;
  shape.prefix = "x:";
  ExpectEveryCell(Open(shape).ReadSheet("sheet1"), shape);
}

TEST_F(LargeSheetTest, RowEndsSpelledInCommentsAndCharacterDataAreNotRowEnds) {
  for (const int every : {7, 1}) {  // after every row, no cut falls on a row end
    SheetShape shape;
    shape.noiseAfterEvery = every;
    ExpectEveryCell(Open(shape).ReadSheet("sheet1"), shape);
  }
}

TEST_F(LargeSheetTest, RowsAndCellsWithoutNumbersFollowTheOnesBefore) {
  SheetShape shape;
  shape.rowNumbers = false;
  ExpectEveryCell(Open(shape).ReadSheet("sheet1"), shape);
  shape.rowNumbers = true;
  shape.rowWithoutNumberEvery = 97;
  ExpectEveryCell(Open(shape).ReadSheet("sheet1"), shape);
}

TEST_F(LargeSheetTest, RowsOutOfOrderAndWrittenTwiceKeepTheLaterCells) {
  SheetShape shape;
  shape.reversed = true;
  shape.repeatedRowEvery = 5;
  ExpectEveryCell(Open(shape).ReadSheet("sheet1"), shape);
}

// The damage lies far past the first piece; the sheet starts on line 3 with
// one row per line.
TEST_F(LargeSheetTest, MalformedXmlDeepInTheSheetIsRefusedWithItsLine) {
  for (const int damaged : {2, kRows / 2, kRows - 1}) {
    SheetShape shape;
    shape.replaceRow = [damaged](int row, const std::string& cells) {
      return row == damaged ? cells + "<c><v>1</w></c>" : cells;
    };
    ExpectRefused(shape, FormatMessage("the part xl/worksheets/sheet1.xml is not well-formed XML (line %d: mismatched tag)",
                                       {static_cast<long long>(damaged + 2)}));
  }
}

TEST_F(LargeSheetTest, AnUnclosedRowAtTheEndIsRefused) {
  SheetShape shape;
  shape.replaceRow = [](int row, const std::string& cells) {
    return row == kRows - 10 ? cells + "<row r=\"1\">" : cells;
  };
  ExpectRefused(shape, FormatMessage("the part xl/worksheets/sheet1.xml is not well-formed XML (line %d: mismatched tag)",
                                     {static_cast<long long>(kRows + 3)}));
}

TEST_F(LargeSheetTest, ABadValueDeepInTheSheetIsRefusedWithTheFirstOne) {
  SheetShape shape;
  shape.replaceRow = [](int row, const std::string& cells) {
    if (row == kRows / 3) return cells + "<c r=\"J" + std::to_string(row) + "\"><v>zwölf</v></c>";
    if (row == kRows / 3 * 2) return cells + "<c r=\"J" + std::to_string(row) + "\" t=\"s\"><v>999</v></c>";
    return cells;
  };
  ExpectRefused(shape, "a number cell holds \"zwölf\", which is not a number");
  shape.replaceRow = [](int row, const std::string& cells) {
    return row == kRows - 3 ? cells + "<c r=\"J" + std::to_string(row) + "\" t=\"s\"><v>999</v></c>" : cells;
  };
  ExpectRefused(shape, "a cell refers to a shared text that does not exist");
}

}  // namespace
}  // namespace tabrin

namespace tabrin {
namespace {

TEST_F(LargeSheetTest, ManySharedTextsReadAsWritten) {
  SheetShape shape;
  shape.sharedTexts = 40000;
  ExpectEveryCell(Open(shape).ReadSheet("sheet1"), shape);
}

TEST_F(LargeSheetTest, ADamagedSharedTextDeepInThePartIsRefusedWithItsLine) {
  SheetShape shape;
  shape.sharedTexts = 40000;
  shape.replaceItem = [](int index, const std::string& item) {
    return index == 33333 ? "<si><t>x</r></si>" : item;
  };
  ExpectRefused(shape, "the part xl/sharedStrings.xml is not well-formed XML (line 33336: mismatched tag)");
}

}  // namespace
}  // namespace tabrin

namespace tabrin {
namespace {

// Memory running out on the second parser's thread as it hands over a piece
// is the reading thread's to learn of, which reads the part again with one
// parser: every cell still comes out, and a damaged sheet is refused with
// the message one parser gives.
TEST_F(LargeSheetTest, AFailureOnTheSecondThreadEndsInTheOneParserRead) {
  if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "parts are read in pieces only on two threads";
  static std::atomic<int> failures{0};
  failures = 0;
  detail::pieceReadHook = [] {
    ++failures;
    throw std::bad_alloc();
  };
  struct TUnhook {
    ~TUnhook() { detail::pieceReadHook = nullptr; }
  } unhook;

  SheetShape shape;
  shape.sharedTexts = 40000;  // large enough to be read in pieces too
  ExpectEveryCell(Open(shape).ReadSheet("sheet1"), shape);
  EXPECT_GT(failures.load(), 0);

  shape.replaceRow = [](int row, const std::string& cells) {
    return row == kRows / 2 ? cells + "<c r=\"J" + std::to_string(row) + "\"><v>zwölf</v></c>" : cells;
  };
  ExpectRefused(shape, "a number cell holds \"zwölf\", which is not a number");
}

}  // namespace
}  // namespace tabrin
