// Characters a .xlsx text spells as _xHHHH_ (a UTF-16 code unit in hex), in
// shared strings and in a cell's own text alike: a surrogate pair escaped
// as two such units is one character, and half a pair, which no UTF-8 text
// can hold, becomes U+FFFD, the replacement character.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/encoding.h"
#include "xls/reader_test_support.h"
#include "xls/xlsx_test_package.h"
#include "xls/ooxml/xlsx_reader.h"

namespace tabrin {
namespace {

using test::Describe;

struct EscapeCase {
  const char* written;
  const char* read;
};

const std::vector<EscapeCase> kCases = {
    {"A_x0042_C", "ABC"},
    {"_x000D__x000A_", "\r\n"},
    {"_x00E9__x4E2D_", "é中"},
    {"_x005F_x0041_", "_x0041_"},  // an escaped underscore keeps what follows it a text
    {"_x41_", "_x41_"},
    {"_xD83D__xDE00_", "😀"},
    {"_xd83d__xde00_", "😀"},
    {"a_xD83D__xDE00__xD83D__xDE00_b", "a😀😀b"},
    {"_xD83D_", "\uFFFD"},
    {"_xDE00_", "\uFFFD"},
    {"_xDE00__xD83D_", "\uFFFD\uFFFD"},
    {"_xD83D_x_xDE00_", "\uFFFDx\uFFFD"},
    {"_xD83D__xD83D__xDE00_", "\uFFFD😀"},
};

// Row i: the case as a shared string (A) and as an inline string (B).
TEST(XlsxEscapesTest, EscapedCharactersReadAsOneCharacterEach) {
  std::string shared = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
  std::string rows;
  for (std::size_t i = 0; i < kCases.size(); ++i) {
    const std::string r = std::to_string(i + 1);
    shared += std::string("<si><t>") + kCases[i].written + "</t></si>";
    rows += "<row r=\"" + r + "\"><c r=\"A" + r + "\" t=\"s\"><v>" + std::to_string(i) + "</v></c><c r=\"B" + r +
            "\" t=\"inlineStr\"><is><t>" + kCases[i].written + "</t></is></c></row>";
  }
  const test::TempXlsxFile file("tabrin-xlsx-escapes");
  file.Write(test::OneSheetWorkbook(
      "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"/>", shared + "</sst>",
      "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" + rows +
          "</sheetData></worksheet>"));
  const TWorksheet sheet =
      TxlsxReader(detail::TZipPackage::OpenFile(file.Path()), "xl/workbook.xml", "escapes.xlsx").ReadSheet("sheet1");

  for (std::size_t i = 0; i < kCases.size(); ++i) {
    for (const int column : {0, 1}) {
      const std::string got = Describe(sheet, static_cast<int>(i), column);
      EXPECT_EQ(got, std::string("text:") + kCases[i].read) << kCases[i].written << " in column " << column;
      EXPECT_TRUE(IsValidUtf8(got)) << kCases[i].written << " in column " << column;
    }
  }
}

}  // namespace
}  // namespace tabrin
