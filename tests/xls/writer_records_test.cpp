// Byte-exact checks of the records the writer produces.
#include <gtest/gtest.h>

#include "xls/writer_test_util.h"
#include "xls/biff8/format_records.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin {
namespace {

using test::B;
using test::Bytes;
using test::Record;

class WriterRecords : public ::testing::Test {
 protected:
  void SetUp() override { writer.CreateWorkbookFile((folder / "book.xls").string()); }

  Bytes StreamBytes() { return writer.Stream().Bytes(); }
  std::vector<Record> Records() { return test::SplitRecords(StreamBytes()); }

  // One sheet with the given column widths and head, EndSheet left to the test.
  void BeginOneSheet(std::vector<int> widths = {}, TxlsSheetHead head = {}) {
    writer.BeginWorkbook();
    writer.ColumnWidths() = std::move(widths);
    writer.BeginSheet(head);
  }

  test::TempFolder folder;
  TxlsWorkbookWriter writer;
};

TEST_F(WriterRecords, GlobalsBofIsLittleEndian) {
  writer.BeginWorkbook();
  const Bytes bytes = StreamBytes();
  EXPECT_SAME_BYTES(B({0x09, 0x08, 0x10, 0x00, 0x00, 0x06, 0x05, 0x00, 0xBB, 0x0D, 0xCC, 0x07, 0, 0, 0, 0,
                       0x06, 0x02, 0, 0}),
                    Bytes(bytes.begin(), bytes.begin() + 20));
}

TEST_F(WriterRecords, PrologueRecordsInOrderWithTheirBodies) {
  writer.BeginWorkbook();
  const auto records = Records();
  const std::vector<std::pair<std::uint16_t, Bytes>> expected = {
      {0x0042, B({0xE4, 0x04})}, {0x0161, B({0, 0})}, {0x009C, B({14, 0})}, {0x0019, B({0, 0})},
      {0x0012, B({0, 0})},       {0x0013, B({0, 0})}, {0x01AF, B({0, 0})},  {0x01BC, B({0, 0})},
      {0x003D, B({120, 0, 120, 0, 0x0C, 0x5D, 0x68, 0x3D, 0x38, 0, 0, 0, 0, 0, 1, 0, 0x58, 0x02})},
      {0x0040, B({0, 0})},       {0x008D, B({0, 0})}, {0x0022, B({0, 0})},  {0x000E, B({1, 0})},
      {0x01B7, B({0, 0})},       {0x00DA, B({0, 0})}, {0x000A, B({})},
  };
  ASSERT_EQ(records.size(), 2 + expected.size());
  EXPECT_EQ(records[1].id, 0x005C);
  Bytes access = B({18, 0, 0});
  for (char c : std::string("Norvik Ferran 3.36")) access.push_back(static_cast<std::uint8_t>(c));
  access.resize(112, 0x20);
  EXPECT_SAME_BYTES(access, records[1].body);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(records[i + 2].id, expected[i].first);
    EXPECT_SAME_BYTES(expected[i].second, records[i + 2].body);
  }
}

TEST(WriterFormatRecords, FixedXfRecords) {
  struct Case {
    int xf;
    Bytes body;
  };
  const Case cases[] = {
      {15, B({0x01, 0, 0, 0, 0x01, 0, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x20})},
      {0, B({0, 0, 0, 0, 0xF5, 0xFF, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x20})},
      {1, B({1, 0, 0, 0, 0xF5, 0xFF, 0x20, 0, 0, 0xF4, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x20})},
      {4, B({2, 0, 0, 0, 0xF5, 0xFF, 0x20, 0, 0, 0xF4, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x20})},
      {14, B({0, 0, 0, 0, 0xF5, 0xFF, 0x20, 0, 0, 0xF4, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x20})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.xf);
    auto record = MakeFixedXfRecord(c.xf);
    EXPECT_EQ(record->Id(), 0x00E0);
    EXPECT_SAME_BYTES(c.body, Bytes(record->Data(), record->Data() + record->DataSize()));
  }
}

TEST(WriterFormatRecords, YellowSolidFillXf) {
  TxlsFormatRegistry registry;
  TxlsFormat format;
  format.Fill.Pattern = ptSolid;
  format.Fill.Background = clrYellow;
  const std::uint16_t xf = registry.GetOrCreate(TxlsCellFormatRequest::From(format, false, std::nullopt));
  EXPECT_EQ(xf, 16);
  auto record = MakeXfRecord(*registry.CellFormats.GetByIndex(xf));
  EXPECT_EQ(record->FillColors(), 13 | (8 << 7));
  EXPECT_EQ(record->TopBottomColors(), 1u << 26);
  EXPECT_EQ(record->FontIndex(), 1);
  EXPECT_EQ(record->UsedAttributes(), 0x5000);
  EXPECT_EQ(record->Alignment(), 0x0020);
}

TEST(WriterFormatRecords, BordersWrapAndAlignmentInXf) {
  TxlsFormatRegistry registry;
  TxlsFormat format;
  format.Borders.Left = {bstThin, clrRed};        // palette 10
  format.Borders.Bottom = {bstDouble, clrBlue};   // palette 12
  format.Borders.DiagUp = {bstDashed, clrGreen};  // palette 17
  format.Alignment = {halCenter, valTop};
  format.Wrap = true;
  const std::uint16_t xf = registry.GetOrCreate(TxlsCellFormatRequest::From(format, true, "0.00"));
  auto record = MakeXfRecord(*registry.CellFormats.GetByIndex(xf));
  EXPECT_EQ(record->FontIndex(), 5);
  EXPECT_EQ(record->FormatIndex(), 50);
  EXPECT_EQ(record->Alignment(), 2 | 8 | (0 << 4));
  EXPECT_EQ(record->UsedAttributes(), 0x1000 | 0x4000 | 0x0800 | 0x2000);
  EXPECT_EQ(record->LineStyles(), 1 | (6 << 12));
  EXPECT_EQ(record->LineColors(), 10 | 0x8000);
  EXPECT_EQ(record->TopBottomColors(), (12u << 7) | (17u << 14) | (3u << 21));
}

TEST(WriterFormatRecords, BoldArialFontRecord) {
  TxlsFont bold;
  bold.Style = xfsBold;
  auto record = MakeFontRecord(bold);
  Bytes expected = B({200, 0, 0, 0, 8, 0, 0xBC, 0x02, 0, 0, 0, 0, 1, 0, 5, 1});
  for (char c : std::string("arial")) expected.insert(expected.end(), {static_cast<std::uint8_t>(c), 0});
  EXPECT_EQ(record->Id(), 0x0031);
  EXPECT_SAME_BYTES(expected, Bytes(record->Data(), record->Data() + record->DataSize()));

  TxlsFont fancy;
  fancy.Style = xfsItalic | xfsStrikeOut;
  fancy.Underline = fulDoubleAccounting;
  fancy.Script = fscSubscript;
  fancy.Color = clrRed;
  fancy.Size = 12;
  auto other = MakeFontRecord(fancy);
  EXPECT_SAME_BYTES(B({240, 0, 0x0A, 0, 10, 0, 0x90, 0x01, 2, 0, 0x22, 0, 1, 0, 5, 1}),
                    Bytes(other->Data(), other->Data() + 16));
}

TEST(WriterFormatRecords, FormatAndStyleRecords) {
  auto format = MakeFormatRecord(TxlsTextFormat{50, "0.00"});
  test::Bytes expected = B({50, 0, 4, 0, 1, '0', 0, '.', 0, '0', 0, '0', 0});
  EXPECT_SAME_BYTES(expected, Bytes(format->Data(), format->Data() + format->DataSize()));

  const auto styles = MakeStyleRecords();
  const Bytes bodies[] = {B({0x10, 0x80, 3, 0xFF}), B({0x11, 0x80, 6, 0xFF}), B({0x12, 0x80, 4, 0xFF}),
                          B({0x13, 0x80, 7, 0xFF}), B({0x00, 0x80, 0, 0xFF}), B({0x14, 0x80, 5, 0xFF})};
  ASSERT_EQ(styles.size(), 6u);
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(styles[i]->Id(), 0x0293);
    EXPECT_SAME_BYTES(bodies[i], Bytes(styles[i]->Data(), styles[i]->Data() + 4));
  }
}

TEST(WriterFormatRecords, PaletteHoldsTheColourTable) {
  const Bytes palette = PaletteRecordBytes();
  ASSERT_EQ(palette.size(), 230u);
  EXPECT_SAME_BYTES(B({0x92, 0, 226, 0, 56, 0}), Bytes(palette.begin(), palette.begin() + 6));
  // Palette index 8 is black, 10 red, 53 orange (FF 66 00), 63 gray 80%.
  auto entry = [&](int index) { return Bytes(palette.begin() + 6 + 4 * (index - 8), palette.begin() + 10 + 4 * (index - 8)); };
  EXPECT_EQ(entry(8), B({0, 0, 0, 0}));
  EXPECT_EQ(entry(10), B({0xFF, 0, 0, 0}));
  EXPECT_EQ(entry(53), B({0xFF, 0x66, 0, 0}));
  EXPECT_EQ(entry(63), B({0x33, 0x33, 0x33, 0}));
}

TEST(WriterRecordObjects, ContinuedPastEightThousandTwoHundredTwenty) {
  struct Case {
    std::size_t size;
    std::vector<std::size_t> pieces;
  };
  const Case cases[] = {{0, {0}}, {8220, {8220}}, {8221, {8220, 1}}, {20000, {8220, 8220, 3560}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    Bytes body(c.size);
    for (std::size_t i = 0; i < c.size; ++i) body[i] = static_cast<std::uint8_t>(i * 7);
    TbiffMSODrawingGroup record(body);
    TxlsMemoryStream out;
    record.SaveToStream(out);
    const auto records = test::SplitRecords(out.Bytes());
    ASSERT_EQ(records.size(), c.pieces.size());
    Bytes joined;
    for (std::size_t i = 0; i < records.size(); ++i) {
      EXPECT_EQ(records[i].id, i == 0 ? 0x00EB : 0x003C);
      EXPECT_EQ(records[i].body.size(), c.pieces[i]);
      joined.insert(joined.end(), records[i].body.begin(), records[i].body.end());
    }
    EXPECT_EQ(joined, body);
  }
}

TEST_F(WriterRecords, SheetHeadRecords) {
  TxlsSheetHead head;
  head.PageFooter = "Page &P of &N";
  BeginOneSheet({}, head);
  const auto records = Records();
  std::size_t bof = 0;
  while (records[bof].id != 0x0809 || records[bof].body[2] != 0x10) ++bof;
  const std::vector<std::pair<std::uint16_t, Bytes>> expected = {
      {0x0809, B({0x00, 0x06, 0x10, 0x00, 0xBB, 0x0D, 0xCC, 0x07, 0, 0, 0, 0, 0x06, 0x02, 0, 0})},
      {0x000D, B({1, 0})},
      {0x000C, B({100, 0})},
      {0x000F, B({1, 0})},
      {0x0011, B({0, 0})},
      {0x0010, B({0xFC, 0xA9, 0xF1, 0xD2, 0x4D, 0x62, 0x50, 0x3F})},
      {0x005F, B({1, 0})},
      {0x002A, B({0, 0})},
      {0x002B, B({0, 0})},
      {0x0082, B({1, 0})},
      {0x0080, B({0, 0, 0, 0, 0, 0, 0, 0})},
      {0x0055, B({8, 0})},
      {0x0225, B({0, 0, 255, 0})},
      {0x0081, B({0xC1, 0x04})},
      {0x0014, B({})},
      {0x0015, B({13, 0, 0, 'P', 'a', 'g', 'e', ' ', '&', 'P', ' ', 'o', 'f', ' ', '&', 'N'})},
      {0x0083, B({0, 0})},
      {0x0084, B({0, 0})},
      {0x0200, Bytes(14, 0)},
  };
  ASSERT_EQ(records.size(), bof + expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(records[bof + i].id, expected[i].first);
    EXPECT_SAME_BYTES(expected[i].second, records[bof + i].body);
  }
}

TEST_F(WriterRecords, DefaultRowHeightCutsTheFraction) {
  writer.BeginWorkbook();
  const std::pair<double, int> cases[] = {{12.75, 255}, {12.76, 255}, {15, 300}, {0.04, 0}};
  int sheet = 0;
  for (const auto& [points, twips] : cases) {
    TxlsSheetHead head;
    head.SheetIndex = sheet;
    head.Title = "S" + std::to_string(sheet++);
    head.DefRowHeight = points;
    writer.BeginSheet(head);
    writer.EndSheet();
    const auto heights = test::RecordsWithId(Records(), 0x0225);
    ASSERT_EQ(heights.size(), static_cast<std::size_t>(sheet));
    EXPECT_EQ(GetU16(&heights.back().body[2]), twips) << points;
  }
}

TEST_F(WriterRecords, PageTextsOutsideAsciiUseUtf16) {
  TxlsSheetHead head;
  head.PageHeader = "第&P頁";
  BeginOneSheet({}, head);
  const auto header = test::RecordsWithId(Records(), 0x0014).at(0);
  EXPECT_SAME_BYTES(B({4, 0, 1, 0x2C, 0x7B, '&', 0, 'P', 0, 0x01, 0x98}), header.body);
}

TEST_F(WriterRecords, ColumnWidthsWithMarginAndPatched) {
  ASSERT_EQ(writer.DefaultZeroWidth(), 7);
  BeginOneSheet({10, 20, 5});
  auto widths = [&] {
    std::vector<int> out;
    for (const Record& r : test::RecordsWithId(Records(), 0x007D)) {
      EXPECT_EQ(r.body.size(), 11u);
      out.push_back(GetU16(&r.body[4]));
    }
    return out;
  };
  EXPECT_EQ(widths(), (std::vector<int>{2853, 5413, 1573}));
  const auto colinfo = test::RecordsWithId(Records(), 0x007D);
  EXPECT_SAME_BYTES(B({1, 0, 1, 0, 0x25, 0x15, 15, 0, 0, 0, 0}), colinfo[1].body);

  // A caption in the third column that measures 9 characters.
  const std::uint64_t before = writer.Stream().Position();
  writer.MeasureCellWidth("Unit Price", kDefaultXfIndex, 2);
  EXPECT_EQ(writer.ColumnWidths(), (std::vector<int>{10, 20, 9}));
  writer.PatchColumnWidths();
  EXPECT_EQ(widths(), (std::vector<int>{2560, 5120, 2304}));
  EXPECT_EQ(writer.Stream().Position(), before);
}

TEST_F(WriterRecords, MeasuredWidthsOnlyGrow) {
  BeginOneSheet({10, 1});
  writer.MeasureCellWidth("x", kDefaultXfIndex, 0);
  writer.MeasureCellWidth("", kDefaultXfIndex, 1);   // "I" alone: 3 px -> 1
  writer.MeasureCellWidth("WWWW", kDefaultXfIndex, 1);
  writer.MeasureCellWidth("x", kDefaultXfIndex, 7);  // no such column: ignored
  EXPECT_EQ(writer.ColumnWidths()[0], 10);
  EXPECT_GE(writer.ColumnWidths()[1], 6);
}

TEST_F(WriterRecords, WidthsBeyondExcelsLimitAreCapped) {
  BeginOneSheet({300, 255});
  const auto colinfo = test::RecordsWithId(Records(), 0x007D);
  EXPECT_EQ(GetU16(&colinfo[0].body[4]), GetU16(&colinfo[1].body[4]));
  writer.PatchColumnWidths();
  EXPECT_EQ(GetU16(&test::RecordsWithId(Records(), 0x007D)[0].body[4]), 255 * 256);
}

TEST_F(WriterRecords, RowHeightsForFontsOtherThanTheDefault) {
  BeginOneSheet();
  TxlsFormat big;
  big.Font.Size = 20;
  const auto xfBig = writer.Formats().GetOrCreate(TxlsCellFormatRequest::From(big, true, std::nullopt));
  const auto xfArial = writer.Formats().GetOrCreate(TxlsCellFormatRequest::From(TxlsFormat(), true, "0"));
  writer.MeasureRowHeight(xfArial, 1);
  writer.MeasureRowHeight(kDefaultXfIndex, 1);
  EXPECT_TRUE(writer.RowHeights().empty());
  writer.MeasureRowHeight(xfBig, 3);
  ASSERT_EQ(writer.RowHeights().count(3), 1u);
  EXPECT_GT(writer.RowHeights()[3], 400);  // about twice a 10-point row
  EXPECT_LT(writer.RowHeights()[3], 700);
}

TEST_F(WriterRecords, CellRecords) {
  BeginOneSheet();
  writer.WriteNumber(1, 2, 1.5, 16);
  writer.WriteBoolean(3, 4, true, 17);
  writer.WriteBoolean(3, 5, false, 15);
  writer.WriteBlank(65535, 255, 15);
  writer.WriteLabelSst(0, 0, "abc", 15);
  writer.WriteLabelSst(0, 1, "x", 15);
  writer.WriteLabelSst(0, 2, u"abc", 15);
  const auto records = Records();
  const std::size_t first = records.size() - 7;
  EXPECT_EQ(records[first].id, 0x0203);
  EXPECT_SAME_BYTES(B({1, 0, 2, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}), records[first].body);
  EXPECT_SAME_BYTES(B({3, 0, 4, 0, 17, 0, 1, 0}), records[first + 1].body);
  EXPECT_SAME_BYTES(B({3, 0, 5, 0, 15, 0, 0, 0}), records[first + 2].body);
  EXPECT_EQ(records[first + 3].id, 0x0201);
  EXPECT_SAME_BYTES(B({0xFF, 0xFF, 0xFF, 0, 15, 0}), records[first + 3].body);
  EXPECT_EQ(records[first + 4].id, 0x00FD);
  EXPECT_SAME_BYTES(B({0, 0, 0, 0, 15, 0, 0, 0, 0, 0}), records[first + 4].body);
  EXPECT_SAME_BYTES(B({0, 0, 1, 0, 15, 0, 1, 0, 0, 0}), records[first + 5].body);
  EXPECT_SAME_BYTES(B({0, 0, 2, 0, 15, 0, 0, 0, 0, 0}), records[first + 6].body);
}

TEST_F(WriterRecords, AggregateFormulaTokens) {
  BeginOneSheet();
  const std::pair<TxlsAggregate, int> cases[] = {
      {aggSum, 4}, {aggAvg, 5}, {aggMin, 6}, {aggMax, 7}, {aggNone, 0}};
  for (const auto& [aggregate, function] : cases) {
    writer.WriteAggregateFormula(11, 2, 16, aggregate, 1, 10);
    const Record formula = Records().back();
    EXPECT_EQ(formula.id, 0x0006);
    Bytes expected = B({11, 0, 2, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 13, 0,
                        0x25, 0x01, 0x00, 0x0A, 0x00, 0x02, 0xC0, 0x02, 0xC0, 0x42, 0x01, function, 0x00});
    EXPECT_SAME_BYTES(expected, formula.body) << int(aggregate);
  }
}

TEST_F(WriterRecords, SheetTailRecords) {
  BeginOneSheet();
  TxlsSheetTail tail;
  tail.MergedCells = {{1, 1, 2, 3}, {0, 4, 4, 4}, {5, 6, 7, 8}};  // the middle one is not placed
  writer.EndSheet(tail);
  const auto records = Records();
  const std::size_t n = records.size();
  EXPECT_EQ(records[n - 4].id, 0x00E5);
  EXPECT_SAME_BYTES(B({2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 5, 0, 7, 0, 4, 0, 6, 0}), records[n - 4].body);
  EXPECT_EQ(records[n - 3].id, 0x023E);
  EXPECT_SAME_BYTES(B({0xB6, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), records[n - 3].body);
  EXPECT_EQ(records[n - 2].id, 0x001D);
  EXPECT_SAME_BYTES(B({3, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}), records[n - 2].body);
  EXPECT_EQ(records[n - 1].id, 0x000A);
  EXPECT_TRUE(records[n - 1].body.empty());
}

TEST_F(WriterRecords, InvalidMergedRangesWriteNoRecord) {
  BeginOneSheet();
  TxlsSheetTail tail;
  tail.MergedCells = {{0, 1, 1, 1}, {1, 1, 1, 0}};
  writer.EndSheet(tail);
  EXPECT_TRUE(test::RecordsWithId(Records(), 0x00E5).empty());
}

TEST_F(WriterRecords, ExtraCellsAtTheirOneBasedPlaces) {
  BeginOneSheet();
  TxlsCell flag = test::Cell(ctBoolean, 2, 3, TxlsCellValue(std::string("TRUE")));
  TxlsCell number = test::Cell(ctNumeric, 1, 1, TxlsCellValue(std::string("2.5")));
  TxlsCell empty = test::Cell(ctString, 4, 4, TxlsCellValue());
  TxlsCell unplaced = test::Cell(ctString, 0, 4, TxlsCellValue(std::string("x")));
  TxlsSheetTail tail;
  tail.Cells = {{&flag, 16}, {&number, 15}, {&empty, 15}, {&unplaced, 15}};
  writer.EndSheet(tail);
  const auto records = Records();
  const std::size_t n = records.size();
  EXPECT_SAME_BYTES(B({2, 0, 1, 0, 16, 0, 1, 0}), records[n - 6].body);
  EXPECT_EQ(records[n - 5].id, 0x0203);
  EXPECT_SAME_BYTES(B({0, 0, 0, 0, 15, 0, 0, 0, 0, 0, 0, 0, 0x04, 0x40}), records[n - 5].body);
  EXPECT_EQ(records[n - 4].id, 0x0201);
  EXPECT_SAME_BYTES(B({3, 0, 3, 0, 15, 0}), records[n - 4].body);
}

TEST_F(WriterRecords, ExtraBooleanCellsReadTextAsDatabaseFieldsDo) {
  const std::pair<const char*, std::uint8_t> cases[] = {{"yes", 1}, {"N", 0}, {"-1", 1}, {"0", 0}, {" False ", 0}};
  BeginOneSheet();
  std::vector<TxlsCell> cells;
  for (const auto& [text, value] : cases) cells.push_back(test::Cell(ctBoolean, 1, 1, TxlsCellValue(std::string(text))));
  TxlsSheetTail tail;
  for (const TxlsCell& cell : cells) tail.Cells.push_back({&cell, 15});
  writer.EndSheet(tail);
  const auto booleans = test::RecordsWithId(Records(), 0x0205);
  ASSERT_EQ(booleans.size(), std::size(cases));
  for (std::size_t i = 0; i < booleans.size(); ++i) {
    EXPECT_SAME_BYTES(B({0, 0, 0, 0, 15, 0, cases[i].second, 0}), booleans[i].body) << cases[i].first;
  }
}

TEST_F(WriterRecords, AnExtraBooleanCellOfOtherTextIsRefused) {
  BeginOneSheet();
  TxlsCell maybe = test::Cell(ctBoolean, 1, 1, TxlsCellValue(std::string("maybe")));
  TxlsSheetTail refused;
  refused.Cells = {{&maybe, 15}};
  try {
    writer.EndSheet(refused);
    ADD_FAILURE() << "no error";
  } catch (const TabrinError& e) {
    EXPECT_STREQ(e.what(), "\"maybe\" is not a valid Boolean value");
  }
}

TEST_F(WriterRecords, CellsOutsideTheWorksheetAreRefused) {
  BeginOneSheet();
  struct Case {
    int row, col;
    const char* message;
  };
  const Case cases[] = {
      {65536, 0, "Row 65537 is outside the worksheet (rows 1 to 65536)"},
      {-1, 0, "Row 0 is outside the worksheet (rows 1 to 65536)"},
      {0, 256, "Column 257 is outside the worksheet (columns 1 to 256)"},
  };
  const std::uint64_t size = writer.Stream().Size();
  for (const Case& c : cases) {
    try {
      writer.WriteNumber(c.row, c.col, 1, 15);
      ADD_FAILURE() << "no error for " << c.row << "," << c.col;
    } catch (const TabrinError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_THROW(writer.WriteLabelSst(c.row, c.col, "x", 15), TabrinError);
    EXPECT_THROW(writer.WriteBlank(c.row, c.col, 15), TabrinError);
  }
  EXPECT_EQ(writer.Stream().Size(), size);
  EXPECT_EQ(writer.SharedStrings().UniqueCount(), 0u);
}

TEST_F(WriterRecords, SheetTitlesExcelRefuses) {
  writer.BeginWorkbook();
  struct Case {
    std::string title;
    std::string message;
  };
  const Case cases[] = {
      {"", "A sheet title cannot be empty"},
      {std::string(32, 'x'), "Sheet title \"" + std::string(32, 'x') + "\" is longer than 31 characters"},
      {"a/b", "Sheet title \"a/b\" contains one of the characters : \\ / ? * [ ]"},
      {"a[1]", "Sheet title \"a[1]\" contains one of the characters : \\ / ? * [ ]"},
      {"why?", "Sheet title \"why?\" contains one of the characters : \\ / ? * [ ]"},
  };
  for (const Case& c : cases) {
    try {
      writer.BeginSheet(test::Head(0, c.title));
      ADD_FAILURE() << c.title;
    } catch (const TabrinError& e) {
      EXPECT_EQ(e.what(), c.message);
    }
  }
  TxlsSheetHead chinese = test::Head(0, "銷售資料一二三四五六七八九十一二三四五六七八九十一二三四五六七");  // 31
  EXPECT_NO_THROW(writer.BeginSheet(chinese));
  writer.EndSheet();
  try {
    writer.BeginSheet(test::Head(1, chinese.Title));
    ADD_FAILURE();
  } catch (const TabrinError& e) {
    EXPECT_EQ(e.what(), "Sheet title \"" + chinese.Title + "\" is used by another sheet");
  }
}

}  // namespace
}  // namespace tabrin
