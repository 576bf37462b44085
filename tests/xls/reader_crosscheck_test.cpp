// Our reader against FreeXL on the same files: wherever FreeXL reports a
// value, ours must be the same.  (FreeXL reports formula cells as empty and
// Booleans as integers, so it cannot replace our reader, but it is an
// independent view of everything else.)
#include <gtest/gtest.h>

#include <cmath>

#include "text/format.h"
#include "text/regional.h"
#include "xls/freexl_loader.h"
#include "xls/reader_test_support.h"

namespace tabrin {
namespace {

std::string IsoDateTime(double serial, bool withTime) {
  return TRegionalFormats::System().FormatDateTime(withTime ? "yyyy-mm-dd hh:nn:ss" : "yyyy-mm-dd", serial);
}

class CrossCheckTest : public ::testing::TestWithParam<const char*> {};

TEST_P(CrossCheckTest, EveryValueFreeXlReadsIsOursToo) {
  test::TFreeXl freexl;
  if (!freexl.Available()) GTEST_SKIP() << "libfreexl.so.1 is not installed";
  const std::string path = test::FixturePath(GetParam());
  ASSERT_TRUE(freexl.Open(path, 0)) << "FreeXL cannot read " << GetParam();
  const TWorkbookReader book = TWorkbookReader::OpenFile(path);
  const TWorksheet sheet = book.ReadSheet(book.SheetNames().front());

  int compared = 0;
  for (unsigned row = 0; row < freexl.Rows(); ++row) {
    for (unsigned short column = 0; column < freexl.Columns(); ++column) {
      const test::FreeXlCell theirs = freexl.Cell(row, column);
      const std::optional<TSheetCell> ours = sheet.Find(static_cast<int>(row), column);
      const std::string where = "row " + std::to_string(row) + " column " + std::to_string(column);
      switch (theirs.type) {
        case test::kFreeXlInt:
        case test::kFreeXlDouble: {
          const double value = theirs.type == test::kFreeXlInt ? theirs.value.intValue : theirs.value.doubleValue;
          ASSERT_NE(ours, std::nullopt) << where;
          EXPECT_TRUE(ours->kind == TCellKind::ckNumber || ours->kind == TCellKind::ckBoolean) << where;
          EXPECT_DOUBLE_EQ(ours->number, value) << where;
          break;
        }
        case test::kFreeXlText:
        case test::kFreeXlSstText:
          ASSERT_NE(ours, std::nullopt) << where;
          EXPECT_EQ(sheet.Text(*ours), theirs.value.textValue) << where;
          break;
        case test::kFreeXlDate:
        case test::kFreeXlDateTime:
          ASSERT_NE(ours, std::nullopt) << where;
          EXPECT_EQ(ours->kind, TCellKind::ckDateTime) << where;
          EXPECT_EQ(IsoDateTime(ours->number, theirs.type == test::kFreeXlDateTime), theirs.value.textValue) << where;
          break;
        default:
          continue;  // empty to FreeXL: formula cells, blanks, errors
      }
      ++compared;
    }
  }
  EXPECT_GT(compared, 0);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CrossCheckTest,
                         // FreeXL fails on texts split over many short records and on
                         // Big5 Excel 95 files, and shows 1904-01-01 as 1904-01-02.
                         ::testing::Values("item_whole_sst.xls", "export_items.xls", "upper_sheet1.xls", "cls.xls", "supplier.xls",
                                           "customer.xls", "biff5_cp1252.xls", "gnumeric_items.xls", "gnumeric_upper_sheet1.xls",
                                           "lo_items.xls", "lo_upper_sheet1.xls"));

}  // namespace
}  // namespace tabrin
