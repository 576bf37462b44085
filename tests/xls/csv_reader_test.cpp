// Text files of rows read as a sheet: the encoding and separator found or
// given, the quoting rules, and the errors that name the line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/error.h"
#include "xls/csv/csv_reader.h"

namespace tabrin {
namespace {

using TRows = std::vector<std::vector<std::string>>;

// Every row of the used range from row 0, every cell as its text (blank:
// empty), each row as long as the used range is wide.
TRows RowsOf(const TWorksheet& sheet) {
  TRows rows;
  for (int row = 0; row <= sheet.LastRow(); ++row) {
    std::vector<std::string> cells(static_cast<std::size_t>(sheet.LastColumn() + 1));
    for (const TSheetCell& cell : sheet.RowCells(row)) {
      EXPECT_EQ(cell.kind, TCellKind::ckText);
      cells[cell.column] = std::string(sheet.Text(cell));
    }
    rows.push_back(cells);
  }
  return rows;
}

struct TCsvCase {
  const char* name;
  std::string bytes;
  TTextFileOptions options;
  TCsvLayout layout;
  TRows rows;
};

TEST(CsvReaderTest, ReadsEveryFieldAsTextWithTheEncodingAndSeparatorFound) {
  const std::string big5Drinks = "\xB6\xBC\xAE\xC6";   // 飲料
  const std::string big5Snacks = "\xB9\x73\xAD\xB9";   // 零食: its second byte is an "s"
  const std::string big5Xu = "\xB3\x5C\xA5\x5C\xBB\x5C";  // 許功蓋: backslashes as second bytes
  const TCsvCase cases[] = {
      {"UTF-8 without a mark, codes keep their zeros",
       "小分類代碼,小分類名稱\n001,飲料\n002,零食\n", {}, {TTextEncoding::teUtf8, ','},
       {{"小分類代碼", "小分類名稱"}, {"001", "飲料"}, {"002", "零食"}}},
      {"UTF-8 with a byte-order mark, CRLF",
       "\xEF\xBB\xBF" "代碼,名稱\r\n001,飲料\r\n", {}, {TTextEncoding::teUtf8Bom, ','},
       {{"代碼", "名稱"}, {"001", "飲料"}}},
      {"Big5 without a mark",
       "code,name\r\n01," + big5Drinks + "\r\n02," + big5Snacks + "\r\n03," + big5Xu + "\r\n", {},
       {TTextEncoding::teBig5, ','}, {{"code", "name"}, {"01", "飲料"}, {"02", "零食"}, {"03", "許功蓋"}}},
      {"UTF-16LE with its mark", std::string("\xFF\xFE" "a\0;\0b\0\n\0" "1\0;\0" "2\0", 16), {},
       {TTextEncoding::teUtf16Le, ';'}, {{"a", "b"}, {"1", "2"}}},
      {"tab-separated, commas inside fields", "名稱\t售價\n可樂, 600ml\t25\n", {}, {TTextEncoding::teUtf8, '\t'},
       {{"名稱", "售價"}, {"可樂, 600ml", "25"}}},
      {"semicolons, as a European Excel writes them", "a;b;c\n1;2,5;3\n", {}, {TTextEncoding::teUtf8, ';'},
       {{"a", "b", "c"}, {"1", "2,5", "3"}}},
      {"quoted separators, doubled quotes and line breaks",
       "name,note\n\"Cola, 600ml\",\"say \"\"hi\"\"\"\n\"two\r\nlines\",x\n", {}, {TTextEncoding::teUtf8, ','},
       {{"name", "note"}, {"Cola, 600ml", "say \"hi\""}, {"two\r\nlines", "x"}}},
      {"ragged rows leave missing cells blank, blank lines stay rows", "a,b,c\n1\n\n2,,3,4\n", {},
       {TTextEncoding::teUtf8, ','}, {{"a", "b", "c", ""}, {"1", "", "", ""}, {"", "", "", ""}, {"2", "", "3", "4"}}},
      {"lines ending in CR alone, no break at the end", "a,b\r1,2\r3,4", {}, {TTextEncoding::teUtf8, ','},
       {{"a", "b"}, {"1", "2"}, {"3", "4"}}},
      {"text after a closing quote is kept", "a\n\"x\"y\n", {}, {TTextEncoding::teUtf8, ','}, {{"a"}, {"xy"}}},
      {"the encoding and separator given override what is found", "a;b,c\n1;2,3\n",
       {TTextEncoding::teBig5, ';'}, {TTextEncoding::teBig5, ';'}, {{"a", "b,c"}, {"1", "2,3"}}},
      {"an empty file", "", {}, {TTextEncoding::teUtf8, ','}, {}},
  };
  for (const TCsvCase& c : cases) {
    SCOPED_TRACE(c.name);
    const TCsvLayout layout = FindCsvLayout(c.bytes, c.options);
    EXPECT_EQ(layout.encoding, c.layout.encoding);
    EXPECT_EQ(layout.separator, c.layout.separator);
    const TWorksheet sheet = ReadCsvSheet(c.bytes, layout, "items", "items.csv");
    EXPECT_EQ(sheet.Name(), "items");
    EXPECT_EQ(RowsOf(sheet), c.rows);
  }
}

TEST(CsvReaderTest, ErrorsNameTheFileAndTheLine) {
  const struct {
    const char* name;
    std::string bytes;
    TTextFileOptions options;
    std::string message;
  } cases[] = {
      {"a quote never closed names the line it opens on", "a,b\n1,2\n3,\"open\n4,5\n", {},
       "'shop.csv', line 3: a quoted field is not closed"},
      {"a byte that is not Big5", "a,b\n1,\xB6\xBC\n2,\xFF\xFF\n", {},
       "'shop.csv', line 3: byte 0xFF cannot be read as Big5 text"},
      {"Big5 bytes read as UTF-8 when told so", "a,b\n\n1,\xB6\xBC\n", {TTextEncoding::teUtf8, std::nullopt},
       "'shop.csv', line 3: byte 0xB6 cannot be read as UTF-8 text"},
      {"a line break inside quotes counts as a line", "a\n\"x\ny\"\n\"z\n", {},
       "'shop.csv', line 4: a quoted field is not closed"},
      {"more fields than a sheet has columns", "a\n" + std::string(kCsvMaxColumns, ','), {},
       "'shop.csv', line 2: more than 16384 fields on one line"},
      {"a field longer than a cell holds", "a\n" + std::string(kCsvMaxFieldUnits + 1, 'x') + "\n", {},
       "'shop.csv', line 2: a field is longer than 32767 characters"},
      {"a quote open to the end of a large file", "a\n\"" + std::string(4 * kCsvMaxFieldUnits, 'x'), {},
       "'shop.csv', line 2: a quoted field is not closed within 32767 characters"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      ReadCsvSheet(c.bytes, FindCsvLayout(c.bytes, c.options), "shop", "shop.csv");
      ADD_FAILURE() << "read";
    } catch (const TabrinError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

}  // namespace
}  // namespace tabrin
