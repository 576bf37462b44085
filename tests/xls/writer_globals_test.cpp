// The workbook globals as FinishWorkbook completes them.
#include <gtest/gtest.h>

#include <functional>

#include "xls/writer_test_util.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin {
namespace {

using test::B;
using test::Bytes;
using test::Record;

std::vector<std::uint16_t> Ids(const std::vector<Record>& records) {
  std::vector<std::uint16_t> ids;
  for (const Record& r : records) ids.push_back(r.id);
  return ids;
}

class WriterGlobals : public ::testing::Test {
 protected:
  void SetUp() override { writer.CreateWorkbookFile((folder / "book.xls").string()); }
  std::vector<Record> Records() { return test::SplitRecords(writer.Stream().Bytes()); }

  test::TempFolder folder;
  TxlsWorkbookWriter writer;
};

TEST_F(WriterGlobals, WorkbookWithAnEmptySheet) {
  writer.BeginWorkbook();
  writer.BeginSheet(test::Head(0, "Sheet1"));
  writer.EndSheet();
  writer.FinishWorkbook();
  const auto records = Records();
  std::vector<std::uint16_t> expected = {0x0809, 0x005C, 0x0042, 0x0161, 0x009C, 0x0019, 0x0012, 0x0013,
                                         0x01AF, 0x01BC, 0x003D, 0x0040, 0x008D, 0x0022, 0x000E, 0x01B7,
                                         0x00DA, 0x0031, 0x0031, 0x0031, 0x0031};
  expected.insert(expected.end(), 16, 0x00E0);
  expected.insert(expected.end(), 6, 0x0293);
  expected.insert(expected.end(), {0x0092, 0x0085, 0x008C, 0x00FC, 0x000A,
                                   0x0809, 0x000D, 0x000C, 0x000F, 0x0011, 0x0010, 0x005F, 0x002A,
                                   0x002B, 0x0082, 0x0080, 0x0055, 0x0225, 0x0081, 0x0014, 0x0015,
                                   0x0083, 0x0084, 0x0200, 0x023E, 0x001D, 0x000A});
  EXPECT_EQ(Ids(records), expected);
  EXPECT_SAME_BYTES(Bytes(8, 0), test::RecordsWithId(records, 0x00FC).at(0).body);
  EXPECT_SAME_BYTES(Bytes(14, 0), test::RecordsWithId(records, 0x0200).at(0).body);
  EXPECT_SAME_BYTES(B({1, 0, 1, 0}), test::RecordsWithId(records, 0x008C).at(0).body);
  // The default font, four times.
  Bytes arial = B({200, 0, 0, 0, 8, 0, 0x90, 0x01, 0, 0, 0, 0, 1, 0, 5, 1, 'a', 0, 'r', 0, 'i', 0, 'a', 0, 'l', 0});
  for (const Record& font : test::RecordsWithId(records, 0x0031)) EXPECT_SAME_BYTES(arial, font.body);
}

TEST_F(WriterGlobals, BoundSheetPositionsPointAtTheMovedSheets) {
  writer.BeginWorkbook();
  std::vector<std::uint64_t> bofBefore;
  const char* titles[] = {"First", "資料"};
  for (int s = 0; s < 2; ++s) {
    bofBefore.push_back(writer.Stream().Position());
    writer.BeginSheet(test::Head(s, titles[s]));
    writer.WriteLabelSst(0, 0, "text", 15);
    writer.EndSheet();
  }
  const std::uint64_t sizeBefore = writer.Stream().Size();
  writer.FinishWorkbook();
  const Bytes bytes = writer.Stream().Bytes();
  const std::uint64_t tailSize = bytes.size() - sizeBefore;
  EXPECT_EQ(writer.Stream().Position(), bytes.size());

  const auto records = test::SplitRecords(bytes);
  const auto sheets = test::RecordsWithId(records, 0x0085);
  ASSERT_EQ(sheets.size(), 2u);
  for (int s = 0; s < 2; ++s) {
    const std::uint32_t position = GetU32(sheets[s].body.data());
    EXPECT_EQ(position, bofBefore[s] + tailSize);
    EXPECT_EQ(GetU16(&bytes[position]), 0x0809);
    EXPECT_EQ(GetU16(&bytes[position + 6]), 0x0010);
  }
  EXPECT_SAME_BYTES(B({0, 0, 5, 1, 'F', 0, 'i', 0, 'r', 0, 's', 0, 't', 0}),
                    Bytes(sheets[0].body.begin() + 4, sheets[0].body.end()));
  EXPECT_SAME_BYTES(B({0, 0, 2, 1, 0xC7, 0x8C, 0x99, 0x65}), Bytes(sheets[1].body.begin() + 4, sheets[1].body.end()));
  // The globals EOF follows the tail and precedes the first sheet.
  EXPECT_EQ(GetU16(&bytes[GetU32(sheets[0].body.data()) - 4]), 0x000A);
}

TEST_F(WriterGlobals, DimensionsFromTheUsedRange) {
  writer.BeginWorkbook();
  writer.BeginSheet(test::Head(0, "A"));
  writer.WriteNumber(3, 2, 1, kDefaultXfIndex);
  writer.WriteBlank(1, 5, kDefaultXfIndex);
  writer.EndSheet();
  writer.BeginSheet(test::Head(1, "B"));
  writer.EndSheet();
  writer.FinishWorkbook();
  const auto dims = test::RecordsWithId(Records(), 0x0200);
  ASSERT_EQ(dims.size(), 2u);
  EXPECT_SAME_BYTES(B({1, 0, 0, 0, 4, 0, 0, 0, 2, 0, 6, 0, 0, 0}), dims[0].body);
  EXPECT_SAME_BYTES(Bytes(14, 0), dims[1].body);
}

// Every kind of cell widens the used range, also the cells a sheet adds by
// hand at its end and the titles of its hyperlinks.
TEST_F(WriterGlobals, EveryCellWrittenWidensTheUsedRange) {
  const TxlsCell extra = test::Cell(ctNumeric, 9, 41, TxlsCellValue(2.5));  // 1-based
  TxlsHyperlink link;
  link.Col = 9;
  link.Row = 41;
  link.Title = "link";
  link.Target = "https://example.com/";
  struct TCase {
    const char* label;
    std::function<void(TxlsWorkbookWriter&)> write;
    std::vector<TxlsResolvedCell> cells;
    std::vector<TxlsResolvedHyperlink> links;
  };
  const TCase cases[] = {
      {"label", [](TxlsWorkbookWriter& w) { w.WriteLabelSst(40, 8, "x", kDefaultXfIndex); }, {}, {}},
      {"number", [](TxlsWorkbookWriter& w) { w.WriteNumber(40, 8, 1, kDefaultXfIndex); }, {}, {}},
      {"boolean", [](TxlsWorkbookWriter& w) { w.WriteBoolean(40, 8, true, kDefaultXfIndex); }, {}, {}},
      {"blank", [](TxlsWorkbookWriter& w) { w.WriteBlank(40, 8, kDefaultXfIndex); }, {}, {}},
      {"formula", [](TxlsWorkbookWriter& w) { w.WriteAggregateFormula(40, 8, kDefaultXfIndex, aggSum, 1, 2); }, {}, {}},
      {"extra cell", [](TxlsWorkbookWriter&) {}, {{&extra, kDefaultXfIndex}}, {}},
      {"hyperlink", [](TxlsWorkbookWriter&) {}, {}, {{&link, kDefaultXfIndex}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.label);
    TxlsWorkbookWriter w;
    w.CreateWorkbookFile((folder / "dims.xls").string());
    w.BeginWorkbook();
    w.BeginSheet(test::Head(0, "A"));
    w.WriteNumber(2, 3, 1, kDefaultXfIndex);
    c.write(w);
    TxlsSheetTail tail;
    tail.Cells = c.cells;
    tail.Hyperlinks = c.links;
    w.EndSheet(tail);
    w.FinishWorkbook();
    const auto dims = test::RecordsWithId(test::SplitRecords(w.Stream().Bytes()), 0x0200);
    ASSERT_EQ(dims.size(), 1u);
    EXPECT_SAME_BYTES(B({2, 0, 0, 0, 41, 0, 0, 0, 3, 0, 9, 0, 0, 0}), dims[0].body);
  }
}

TEST_F(WriterGlobals, RegisteredFormatsFollowTheFixedOnes) {
  writer.BeginWorkbook();
  TxlsFormat bold;
  bold.Font.Style = xfsBold;
  const auto xfBold = writer.Formats().GetOrCreate(TxlsCellFormatRequest::From(bold, true, std::nullopt));
  const auto xfMoney = writer.Formats().GetOrCreate(TxlsCellFormatRequest::From(TxlsFormat(), false, "#,##0.00"));
  EXPECT_EQ(xfBold, 16);
  EXPECT_EQ(xfMoney, 17);
  writer.BeginSheet(test::Head(0, "Sheet1"));
  writer.EndSheet();
  writer.FinishWorkbook();
  const auto records = Records();
  const auto fonts = test::RecordsWithId(records, 0x0031);
  ASSERT_EQ(fonts.size(), 5u);
  EXPECT_EQ(GetU16(&fonts[4].body[6]), 700);
  const auto formats = test::RecordsWithId(records, 0x041E);
  ASSERT_EQ(formats.size(), 1u);
  EXPECT_EQ(GetU16(&formats[0].body[0]), 50);
  const auto xfs = test::RecordsWithId(records, 0x00E0);
  ASSERT_EQ(xfs.size(), 18u);
  EXPECT_EQ(GetU16(&xfs[16].body[0]), 5);
  EXPECT_EQ(GetU16(&xfs[16].body[8]), 0x5800);
  EXPECT_EQ(GetU16(&xfs[17].body[0]), 1);
  EXPECT_EQ(GetU16(&xfs[17].body[2]), 50);
  // The order: fonts, formats, XFs, styles.
  const auto ids = Ids(records);
  const auto at = [&](std::uint16_t id) { return std::find(ids.begin(), ids.end(), id) - ids.begin(); };
  EXPECT_LT(at(0x0031), at(0x041E));
  EXPECT_LT(at(0x041E), at(0x00E0));
  EXPECT_LT(at(0x00E0), at(0x0293));
}

TEST_F(WriterGlobals, CallsOutOfOrderAreRefused) {
  EXPECT_THROW(writer.BeginSheet(TxlsSheetHead()), TabrinError);
  writer.BeginWorkbook();
  EXPECT_THROW(writer.BeginWorkbook(), TabrinError);
  EXPECT_THROW(writer.WriteNumber(0, 0, 1, 15), TabrinError);
  writer.BeginSheet(TxlsSheetHead());
  EXPECT_THROW(writer.FinishWorkbook(), TabrinError);
  writer.EndSheet();
  writer.FinishWorkbook();
  EXPECT_THROW(writer.FinishWorkbook(), TabrinError);
}

}  // namespace
}  // namespace tabrin
