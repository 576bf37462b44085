// The scanner of the bodies of large parts (a worksheet's sheet data, the
// shared strings) against expat: wherever the scanner reads a part, its
// events are expat's, whatever chunks the part arrives in; what it does not
// know or finds malformed it leaves to expat; and a workbook read through
// it gives the cells and the messages of expat's reading.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "text/error.h"
#include "text/messages.h"
#include "xls/reader_test_support.h"
#include "xls/xlsx_test_package.h"
#include "xls/xml_event_recorder.h"
#include "xls/model/worksheet_builder.h"
#include "xls/ooxml/inflated_chunks.h"
#include "xls/ooxml/sheet_handler.h"
#include "xls/ooxml/xlsx_reader.h"

namespace tabrin {
namespace {

using test::ExpatEvents;
using test::ScannedEvents;

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
const std::string kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

std::string Sheet(const std::string& rows) {
  return kDeclaration + "<worksheet xmlns=\"" + kMain +
         "\" xmlns:r=\"urn:r\"><dimension ref=\"A1:C3\"/><sheetData>" + rows +
         "</sheetData><pageMargins left=\"0.7\" right=\"0.7\"/></worksheet>\n";
}

// Chunk sizes from one byte to a whole chunk, on this thread and beside it.
const std::size_t kChunkSizes[] = {1, 2, 3, 7, 64, 4096, detail::kChunkBytes};

struct ScanCase {
  const char* what;
  std::string xml;
  const char* body = "sheetData";
};

const std::vector<ScanCase> kReadCases = {
    {"numbers and shared texts",
     Sheet("<row r=\"1\" spans=\"1:3\"><c r=\"A1\" s=\"1\"><v>42.5</v></c><c r=\"B1\" t=\"s\"><v>0</v></c></row>")},
    {"entities and character references",
     Sheet("<row><c t=\"inlineStr\"><is><t>a &amp; b &lt;c&gt; &quot;d&quot; &apos;e&apos; "
           "&#65;&#x42;&#x4e2d;&#128512;&#0000065;</t></is></c></row>")},
    {"prefixes",
     kDeclaration + "<x:worksheet xmlns:x=\"" + kMain + "\"><x:sheetData><x:row r=\"2\"><x:c r=\"A2\"><x:v>1</x:v>"
                    "</x:c></x:row></x:sheetData></x:worksheet>"},
    {"default namespaces and prefixes inside the body",
     Sheet("<row xmlns=\"urn:other\"><c xmlns:y=\"urn:y\" y:r=\"A1\" r=\"B1\"><v>1</v></c></row>")},
    {"single quotes and white space inside tags",
     Sheet("<row r='3' ><c\n r = 'A3'\tt='b' ><v >1</v ></c ></row\r\n>")},
    {"quotes inside values", Sheet("<row><c r=\"A1\" x='say \"hi\"' y=\"it's\"><v>1</v></c></row>")},
    {"self-closing and empty cells",
     Sheet("<row r=\"4\"><c r=\"A4\" s=\"2\"/><c r=\"B4\"></c><c r=\"C4\"><v/></c></row><row r=\"5\"/>")},
    {"cells without references", Sheet("<row><c><v>1</v></c><c><v>2</v></c></row><c><v>3</v></c>")},
    {"rich text, phonetic runs and xml:space",
     Sheet("<row><c t=\"inlineStr\"><is><r><rPr><b/><sz val=\"11\"/></rPr><t xml:space=\"preserve\"> 共用 </t></r>"
           "<rPh sb=\"0\" eb=\"1\"><t>キョウ</t></rPh><phoneticPr fontId=\"1\"/></is></c></row>")},
    {"line ends in text and attributes",
     Sheet("<row><c r=\"A1\" t=\"str\" x=\"a\r\nb\rc\nd\te&#9;f&#10;g&#13;\"><f>x</f><v>l1\r\nl2\rl3&#13;\r</v></c>"
           "</row>\r\n")},
    {"characters of every length", Sheet("<row><c t=\"str\"><v>\x7f\xc2\x80 é 中 😀 \xef\xb7\x90</v></c></row>")},
    {"brackets and greater-than signs", Sheet("<row><c t=\"str\"><v>a]b>c]]</v><w x=\"]]>\"/></c></row>")},
    {"escapes left to the handler", Sheet("<row><c t=\"str\"><v>a_x000D_b</v></c></row>")},
    {"comments and instructions around the body",
     kDeclaration + "<worksheet><!-- <sheetData> --><?pi x?><sheetData><row><c><v>1</v></c></row></sheetData>"
                    "<!-- x --><?pi y?></worksheet><!-- end -->"},
    {"a second sheet data after the first",
     Sheet("<row><c><v>1</v></c></row></sheetData><sheetData><row><c><v>2</v></c></row>")},
    {"a declaration in single quotes",
     "<?xml version='1.0' encoding='utf-8'?><worksheet><sheetData><row/></sheetData></worksheet>"},
    {"no declaration, a byte order mark", "\xEF\xBB\xBF<worksheet><sheetData><row/></sheetData></worksheet>"},
    {"a text longer than the room in front of a chunk",
     Sheet("<row><c t=\"inlineStr\"><is><t>" + std::string(40000, 'x') + "&amp;</t></is></c></row>" +
           std::string(20000, ' '))},
    {"shared strings",
     kDeclaration + "<sst xmlns=\"" + kMain + "\" count=\"3\" uniqueCount=\"3\"><si><t>x</t></si><si><r><t>a</t></r>"
                    "<rPh sb=\"0\" eb=\"1\"><t>b</t></rPh></si><si><t/></si></sst>",
     "sst"},
};

TEST(XlsxScannerTest, ReadsAsExpatDoesInChunksOfAnySize) {
  for (const ScanCase& c : kReadCases) {
    const std::optional<std::string> expected = ExpatEvents(c.xml);
    ASSERT_TRUE(expected) << c.what;
    for (const std::size_t chunk : kChunkSizes) {
      for (const bool thread : {false, true}) {
        EXPECT_EQ(ScannedEvents(c.xml, c.body, chunk, thread), expected) << c.what << ", chunks of " << chunk;
      }
    }
  }
}

// What the scanner leaves to expat: what it does not know, and everything
// malformed (whose message expat gives).
const std::vector<ScanCase> kLeftCases = {
    {"a comment in the body", Sheet("<row><!-- c --></row>")},
    {"CDATA in the body", Sheet("<row><c><v><![CDATA[1]]></v></c></row>")},
    {"an instruction in the body", Sheet("<row><?pi x?></row>")},
    {"a document type", kDeclaration + "<!DOCTYPE worksheet><worksheet><sheetData><row/></sheetData></worksheet>"},
    {"another encoding",
     "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><worksheet><sheetData><row/></sheetData></worksheet>"},
    {"UTF-16", std::string("\xFF\xFE<\0w\0/\0>\0", 10)},
    {"a name outside ASCII", Sheet("<row><行/></row>")},
    {"an empty body", kDeclaration + "<worksheet><sheetData/></worksheet>"},
    {"no body", kDeclaration + "<worksheet><cols/></worksheet>"},
    {"an end tag of another element", Sheet("<row><c></row></c>")},
    {"a duplicate attribute", Sheet("<row><c r=\"A1\" r=\"A2\"/></row>")},
    {"attributes without space between", Sheet("<row><c r=\"A1\"s=\"1\"/></row>")},
    {"an unquoted attribute", Sheet("<row><c r=A1/></row>")},
    {"a less-than sign in a value", Sheet("<row><c r=\"<\"/></row>")},
    {"an undefined entity", Sheet("<row><c><v>&nbsp;</v></c></row>")},
    {"a reference to no character", Sheet("<row><c><v>&#0;</v></c></row>")},
    {"a reference to a surrogate", Sheet("<row><c><v>&#xD800;</v></c></row>")},
    {"a reference past Unicode", Sheet("<row><c><v>&#x110000;</v></c></row>")},
    {"a reference in capitals", Sheet("<row><c><v>&#X41;</v></c></row>")},
    {"an ampersand alone", Sheet("<row><c><v>a & b</v></c></row>")},
    {"the end of CDATA in text", Sheet("<row><c><v>]]></v></c></row>")},
    {"an overlong sequence", Sheet("<row><c><v>\xC0\x80</v></c></row>")},
    {"an encoded surrogate", Sheet("<row><c><v>\xED\xA0\x80</v></c></row>")},
    {"U+FFFF", Sheet("<row><c><v>\xEF\xBF\xBF</v></c></row>")},
    {"a cut sequence", Sheet("<row><c><v>\xE4\xB8</v></c></row>")},
    {"a control character", Sheet("<row><c><v>\x01</v></c></row>")},
    {"an unclosed body", kDeclaration + "<worksheet><sheetData><row>"},
    {"junk after the document", Sheet("") + "<x/>"},
};

TEST(XlsxScannerTest, LeavesToExpatWhatItDoesNotKnowOrFindsMalformed) {
  for (const ScanCase& c : kLeftCases) {
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{5}, detail::kChunkBytes}) {
      EXPECT_EQ(ScannedEvents(c.xml, c.body, chunk), std::nullopt) << c.what << ", chunks of " << chunk;
    }
  }
}

// A small sheet of everything, cut short at every byte: the scanner reads
// none of the pieces that expat refuses, and the others as expat does.
TEST(XlsxScannerTest, EveryTruncationReadsAsExpatReadsItOrIsLeftToIt) {
  const std::string xml = Sheet(
      "<row r='1'><c r=\"A1\" s=\"1\"><v>4.5</v></c><c r=\"B1\" t=\"inlineStr\"><is><r><t xml:space=\"preserve\">"
      " a&amp;b&#x4e2d;</t></r><rPh><t>x</t></rPh></is></c><c r=\"C1\" t=\"s\"/></row>\r\n<row><c>"
      "<v>中文\r\n</v></c></row>");
  for (std::size_t size = 0; size <= xml.size(); ++size) {
    const std::string cut = xml.substr(0, size);
    const std::optional<std::string> expected = ExpatEvents(cut);
    for (const std::size_t chunk : {std::size_t{3}, detail::kChunkBytes}) {
      const std::optional<std::string> scanned = ScannedEvents(cut, "sheetData", chunk);
      if (scanned) {
        EXPECT_EQ(scanned, expected) << "cut at " << size << ", chunks of " << chunk;
      }
    }
    if (size < xml.size() - 1) {
      EXPECT_EQ(expected, std::nullopt) << "cut at " << size;
    }
  }
}

// Through a sheet's handler, which takes the cells of the common shape
// whole: the cells (or the handler's message) as expat's events give them.
class CountedSheetHandler : public detail::TSheetHandler {
 public:
  using TSheetHandler::TSheetHandler;
  void Cell(const detail::TScannedCell& cell) override {
    ++whole;
    TSheetHandler::Cell(cell);
  }
  int whole = 0;
};

struct SheetReading {
  std::optional<std::string> cells;  // or the handler's message; nothing where the scanner leaves the part
  int whole = 0;                     // cells taken whole
};

SheetReading ReadSheet(const std::string& xml, std::size_t chunk, bool thread, bool scanned) {
  auto texts = std::make_shared<TTextPool>();
  texts->Add("shared");
  detail::TWorksheetBuilder builder("sheet1", texts);
  const std::vector<bool> dateStyles = {false, true};
  CountedSheetHandler handler(*texts, dateStyles, false);
  handler.SendTo(&builder, nullptr);
  SheetReading reading;
  try {
    if (scanned) {
      detail::TInflatedChunks chunks(test::ReadFrom(xml), thread, chunk);
      if (!detail::ScanXml(chunks, "sheetData", handler, &handler)) return reading;
    } else {
      detail::TXmlStream stream(handler);
      if (!stream.Parse(xml.data(), xml.size(), true)) stream.Raise("sheet");
    }
  } catch (const detail::TDamagedPackage& e) {
    reading.cells = e.what();
    reading.whole = handler.whole;
    return reading;
  }
  const TWorksheet sheet = builder.Finish();
  reading.cells = "";
  for (int row = sheet.FirstRow(); row <= sheet.LastRow(); ++row) {
    for (int column = sheet.FirstColumn(); column <= sheet.LastColumn(); ++column) {
      *reading.cells += test::Describe(sheet, row, column) + ";";
    }
  }
  reading.whole = handler.whole;
  return reading;
}

struct CellCase {
  const char* what;
  std::string rows;
  int whole;  // cells of the common shape, in one chunk
};

const std::vector<CellCase> kCellCases = {
    {"attributes in any order",
     "<row r=\"1\"><c t=\"s\" s=\"1\" r=\"B1\"><v>0</v></c><c s=\"1\" r=\"C1\"><v>45000.5</v></c>"
     "<c r=\"D1\" t=\"b\" s=\"0\"><v>1</v></c></row>",
     3},
    {"single quotes", "<row><c r='A1' t='str' s='1'><v>x</v></c><c r=\"B1\" t='e'><v>#DIV/0!</v></c></row>", 2},
    {"prefixes", "<row><x:c r=\"A1\"><x:v>1</x:v></x:c><c r=\"B1\"><y:v>2</y:v></c>"
                 "<a:b:c r=\"C1\" t=\"inlineStr\"><x:is><y:t>a</y:t></x:is></a:b:c></row>",
     3},
    {"white space inside tags",
     "<row><c\n r = \"A1\"\ts\r\n=\r\n'1' ><v >2.5</v\t></c\n><c r=\"B1\" /><c r=\"C1\"\t/></row>", 3},
    {"references and line ends in values",
     "<row><c t=\"str\"><v>a&amp;b&lt;&#x4e2d;&#13;\r\nc\rd</v></c><c><v>&#49;.5</v></c>"
     "<c t=\"inlineStr\"><is><t>&quot;x&apos; &gt;</t></is></c><c t=\"s\"><v> 0 </v></c></row>",
     4},
    {"cells without references", "<row><c><v>1</v></c><c/><c t=\"b\"><v>0</v></c></row><c><v>3</v></c>", 4},
    {"inline strings",
     "<row><c r=\"A1\" t=\"inlineStr\"><is><t>a_x0041_ b</t></is></c><c r=\"B1\" t=\"inlineStr\"><is><t></t></is></c>"
     "<c r=\"C1\" t=\"inlineStr\"><is><t xml:space=\"preserve\"> x </t></is></c>"
     "<c r=\"D1\" t=\"inlineStr\"><is><r><t>a</t></r><rPh><t>b</t></rPh></is></c></row>",
     2},
    {"empty values", "<row><c r=\"A1\"><v></v></c><c r=\"B1\"></c><c r=\"C1\"><v/></c><c r=\"D1\" t=\"d\"><v/></c></row>",
     2},
    {"texts of every kind", "<row><c t=\"str\"><v>\x7f\xc2\x80 é 中 😀 a]b>c]]</v></c></row>", 1},
    {"cells of other shapes",
     "<row><c r=\"A1\" cm=\"1\"><v>1</v></c><c r=\"B1\"><f>1+1</f><v>2</v></c><c r=\"C1\"><v>1</v><v>2</v></c>"
     "<c r=\"D1\" y:r=\"E1\"><v>3</v></c><c r=\"A&#50;\"><v>4</v></c><c r=\"B\t2\"/><c> <v>5</v></c>"
     "<c r=\"C2\"><v>6</v> </c><c r=\"D2\"><v a=\"1\">7</v></c><c r=\"E2\"><c r=\"F2\"><v>8</v></c><v>9</v></c>"
     "<c r=\"G2\"><is><t>x</t><t>y</t></is></c><c r=\"H2\"><x/></c><c rr=\"1\" r=\"I2\"/><c ss=\"1\" r=\"J2\"/></row>",
     0},
    {"rows of every shape",
     "<row r=\"1\" spans=\"1:3\" x14ac:dyDescent=\"0.25\" ht='12.8'><c><v>1</v></c></row><row/><row r = '3'\t/>"
     "<x:row r=\"4\"><c/></x:row><row spans=\"1:2\" y:r=\"6\" r=\"9\"><c/></row><row\n><c/></row >"
     "<row r=\"&#56;\" a=\"\t\"><c/></row><row r=\" 9 \"><c/></row>",
     6},
    {"a damaged reference", "<row><c r=\"A1\"><v>1</v></c><c r=\"1A\"><v>2</v></c></row>", 2},
    {"a number that is not one", "<row><c r=\"A1\"><v>1x</v></c></row>", 1},
    {"a shared text that does not exist", "<row><c r=\"A1\" t=\"s\"><v>1</v></c></row>", 1},
    {"a cell beyond the last column", "<row><c r=\"XFE1\"/></row>", 1},
    {"a row that is not one", "<row r=\"1\"><c/></row><row r=\"x\"><c/></row>", 1},
    {"a row beyond the last row", "<row r=\"1048577\"><c/></row>", 0},
};

TEST(XlsxScannerTest, HandsCellsOfTheCommonShapeWholeAsTheirEventsWouldHaveGivenThem) {
  for (const CellCase& c : kCellCases) {
    const std::string xml = Sheet(c.rows);
    const SheetReading expected = ReadSheet(xml, 0, false, false);
    ASSERT_TRUE(expected.cells) << c.what;
    for (const std::size_t chunk : kChunkSizes) {
      for (const bool thread : {false, true}) {
        const SheetReading scanned = ReadSheet(xml, chunk, thread, true);
        EXPECT_EQ(scanned.cells, expected.cells) << c.what << ", chunks of " << chunk;
        if (chunk == detail::kChunkBytes) {
          EXPECT_EQ(scanned.whole, c.whole) << c.what;
        }
      }
    }
  }
}

// Malformed cells and rows of the common shape are left to expat.
TEST(XlsxScannerTest, LeavesMalformedCellsAndRowsToExpat) {
  const std::string rows[] = {
      "<row><c r=\"A1\" r=\"A2\"/></row>",
      "<row><c r=\"A1\"s=\"1\"><v>1</v></c></row>",
      "<row><c r=\"A1\"><v>1</c></v></row>",
      "<row><c r=\"A1\"><v>1</v></x:c></row>",
      "<row><c r=\"A1\"><v>&nbsp;</v></c></row>",
      "<row><c r=\"A1\"><v>\x01</v></c></row>",
      "<row r=\"1\" r=\"2\"><c/></row>",
      "<row r=\"1\" spans=\"1:2\" spans=\"1:3\"><c/></row>",
      "<row r=\"1\"spans=\"1:2\"><c/></row>",
      "<row r=\"1\"><c/></x:row>",
  };
  for (const std::string& row : rows) {
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{5}, detail::kChunkBytes}) {
      EXPECT_EQ(ReadSheet(Sheet(row), chunk, false, true).cells, std::nullopt) << row << ", chunks of " << chunk;
    }
  }
}

// A sheet of cells of the common shape and others, cut short at every byte.
TEST(XlsxScannerTest, EveryTruncationOfCellsReadsAsExpatReadsItOrIsLeftToIt) {
  const std::string xml = Sheet(
      "<row r='1' spans=\"1:5\"><c r=\"A1\" s=\"1\"><v>4.5</v></c><x:c t='inlineStr' r=\"B1\"><x:is><x:t>a&amp;b</x:t></x:is></x:c>"
      "<c r=\"C1\" t=\"s\"/><c r=\"D1\" t=\"str\"><v>中&#13;\r\n</v ></c><c r=\"E1\"><f>1</f><v>1</v></c></row>");
  for (std::size_t size = 0; size <= xml.size(); ++size) {
    const std::string cut = xml.substr(0, size);
    const SheetReading expected = ReadSheet(cut, 0, false, false);
    for (const std::size_t chunk : {std::size_t{3}, detail::kChunkBytes}) {
      const SheetReading scanned = ReadSheet(cut, chunk, false, true);
      if (scanned.cells) {
        EXPECT_EQ(scanned.cells, expected.cells) << "cut at " << size << ", chunks of " << chunk;
      }
    }
  }
}

// Through the reader: cells as expat's reading gives them, and for a damaged
// sheet expat's message with its line.
std::string ExpatReading(const std::string& path) {
  const detail::TZipPackage package = detail::TZipPackage::OpenFile(path);
  auto texts = std::make_shared<TTextPool>();
  texts->Add("shared");
  detail::TWorksheetBuilder builder("sheet1", texts);
  const std::vector<bool> dateStyles = {false, true};
  detail::TSheetHandler handler(*texts, dateStyles, false);
  handler.SendTo(&builder, nullptr);
  try {
    detail::ParseXmlPart(package, "xl/worksheets/sheet1.xml", std::uint64_t{1} << 30, handler);
  } catch (const detail::TDamagedPackage& e) {
    return DamagedFileMessage("book.xlsx", e.what());
  }
  const TWorksheet sheet = builder.Finish();
  std::string cells;
  for (int row = sheet.FirstRow(); row <= sheet.LastRow(); ++row) {
    for (int column = sheet.FirstColumn(); column <= sheet.LastColumn(); ++column) {
      cells += test::Describe(sheet, row, column) + ";";
    }
  }
  return cells;
}

std::string ReaderReading(const std::string& path) {
  try {
    const TWorksheet sheet =
        TxlsxReader(detail::TZipPackage::OpenFile(path), "xl/workbook.xml", "book.xlsx").ReadSheet("sheet1");
    std::string cells;
    for (int row = sheet.FirstRow(); row <= sheet.LastRow(); ++row) {
      for (int column = sheet.FirstColumn(); column <= sheet.LastColumn(); ++column) {
        cells += test::Describe(sheet, row, column) + ";";
      }
    }
    return cells;
  } catch (const TabrinError& e) {
    return e.what();
  }
}

TEST(XlsxScannerTest, WorkbookReadsAsExpatReadsIt) {
  const std::string styles =
      "<styleSheet xmlns=\"" + kMain + "\"><cellXfs count=\"2\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs>"
      "</styleSheet>";
  const std::string shared = "<sst xmlns=\"" + kMain + "\"><si><t>shared</t></si></sst>";
  const std::string rows[] = {
      "<row r=\"1\"><c r=\"A1\"><v>1.25</v></c><c r=\"B1\" s=\"1\"><v>45000.5</v></c><c r=\"C1\" t=\"s\"><v>0</v></c>"
      "<c r=\"D1\" t=\"inlineStr\"><is><t>a&amp;b_x0041_</t></is></c><c r=\"E1\" t=\"b\"><v>1</v></c>"
      "<c r=\"F1\" t=\"e\"><v>#N/A</v></c><c t=\"d\"><v>2024-03-05T14:30:15</v></c></row>",
      "<row r=\"2\"><c r=\"A2\"><v>x</v></c></row>",
      "<row r=\"3\">\n<c r=\"A3\" t=\"s\"><v>7</v></c></row>",
      "<row r=\"4\"><c r=\"?\"/></row>",
      "<row r=\"5\"><c r=\"A5\"><v>1</v></c></row>\n\n<row><c></row>",
      "<row r=\"6\"><c r=\"A6\"><v>1</v></c>",
  };
  const test::TempXlsxFile file("tabrin-xlsx-scanner");
  for (const std::string& row : rows) {
    file.Write(test::OneSheetWorkbook(styles, shared, Sheet(row)));
    EXPECT_EQ(ReaderReading(file.Path()), ExpatReading(file.Path())) << row;
  }
  // The first sheet and the shared strings are the scanner's to read.
  file.Write(test::OneSheetWorkbook(styles, shared, Sheet(rows[0])));
  const detail::TZipPackage package = detail::TZipPackage::OpenFile(file.Path());
  test::XmlEventRecorder sheet, strings;
  EXPECT_TRUE(detail::ScanXmlPart(package, "xl/worksheets/sheet1.xml", std::uint64_t{1} << 30, "sheetData", sheet));
  EXPECT_TRUE(detail::ScanXmlPart(package, "xl/sharedStrings.xml", std::uint64_t{1} << 30, "sst", strings));
}

}  // namespace
}  // namespace tabrin
