// The export pipeline's CSV output: the cells as a sheet shows them, quoted
// where they must be, in UTF-8 with a byte-order mark, and read back by the
// CSV reader as written.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "text/regional.h"
#include "xls/csv/csv_reader.h"
#include "xls/csv/csv_writer.h"

namespace tabrin {
namespace {

class CsvWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "tabrin-csv-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    path_ = pattern + "/out.csv";
  }
  void TearDown() override { std::filesystem::remove_all(std::filesystem::path(path_).parent_path()); }

  std::string Bytes() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string path_;
};

TEST_F(CsvWriterTest, WritesTheCellsAsTheSheetShowsThem) {
  TCsvWorkbookWriter writer;
  writer.CreateWorkbookFile(path_);
  writer.BeginWorkbook();
  TxlsCellFormatRequest dateFormat;
  dateFormat.NumberFormat = "yyyy/mm/dd";
  const std::uint16_t date = writer.Formats().GetOrCreate(dateFormat);
  writer.BeginSheet({});
  writer.WriteLabelSst(0, 0, "代碼", kDefaultXfIndex);
  writer.WriteLabelSst(0, 1, "名稱", kDefaultXfIndex);
  writer.WriteLabelSst(0, 3, "日期", kDefaultXfIndex);
  writer.WriteLabelSst(1, 0, "001", kDefaultXfIndex);
  writer.WriteLabelSst(1, 1, "可樂, \"大\"\r\n瓶", kDefaultXfIndex);
  writer.WriteNumber(1, 2, 1.5, kDefaultXfIndex);
  writer.WriteNumber(1, 3, 45484, date);
  writer.WriteBlank(2, 0, kDefaultXfIndex);  // a row of blanks only: an empty line
  writer.WriteBoolean(3, 1, true, kDefaultXfIndex);
  writer.EndSheet();
  writer.BeginSheet({});  // a second sheet has no place in the file
  writer.WriteLabelSst(0, 0, "later", kDefaultXfIndex);
  writer.EndSheet();
  writer.FinishWorkbook();
  writer.CloseWorkbookFile();

  const TRegionalFormats& regional = TRegionalFormats::System();
  const std::string day = regional.DateTimeToText(45484);
  EXPECT_EQ(Bytes(), "\xEF\xBB\xBF"
                     "代碼,名稱,,日期\r\n"
                     "001,\"可樂, \"\"大\"\"\r\n瓶\"," + regional.FloatToText(1.5) + "," + day + "\r\n"
                     "\r\n"
                     ",True\r\n");

  const std::string bytes = Bytes();
  const TWorksheet sheet = ReadCsvSheet(bytes, FindCsvLayout(bytes, {}), "out", path_);
  EXPECT_EQ(sheet.Text(*sheet.Find(1, 1)), "可樂, \"大\"\r\n瓶");
  EXPECT_EQ(sheet.Text(*sheet.Find(1, 3)), day);
  EXPECT_EQ(sheet.LastRow(), 3);
}

TEST_F(CsvWriterTest, AnUnfinishedFileLeavesTheEarlierOneAsItWas) {
  std::ofstream(path_, std::ios::binary) << "earlier";
  TCsvWorkbookWriter writer;
  writer.CreateWorkbookFile(path_);
  writer.BeginWorkbook();
  writer.BeginSheet({});
  writer.WriteLabelSst(0, 0, "new", kDefaultXfIndex);
  writer.CloseWorkbookFile();
  EXPECT_EQ(Bytes(), "earlier");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(std::filesystem::path(path_).parent_path()),
                          std::filesystem::directory_iterator()),
            1);
}

}  // namespace
}  // namespace tabrin
