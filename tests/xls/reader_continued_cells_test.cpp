// A cell record whose fields run on into a CONTINUE record reads as if they
// stood whole in its body.  MULRK, MULBLANK and FORMULA records must hold
// their leading fields in their own body: one that does not is damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "text/error.h"
#include "xls/biff8/workbook_reader.h"
#include "xls/biff8/workbook_writer.h"
#include "xls/reader_test_support.h"
#include "xls/writer_test_util.h"

namespace tabrin {
namespace {

constexpr int kRow = 1, kColumn = 2;

// Row, column and cell format 15, then the value.
std::vector<std::uint8_t> CellFields(const std::vector<std::uint8_t>& value) {
  std::vector<std::uint8_t> body(6 + value.size(), 0);
  body[0] = kRow, body[2] = kColumn, body[4] = 0x0F;
  std::copy(value.begin(), value.end(), body.begin() + 6);
  return body;
}

void WriteRaw(TxlsWorkbookWriter& writer, std::uint16_t type, const std::vector<std::uint8_t>& body) {
  std::copy(body.begin(), body.end(), writer.ClearBuffer(body.size()));
  writer.WriteRecord(type, static_cast<std::uint16_t>(body.size()));
}

// A sheet with a shared text (index 0: "共") and one record, its body cut
// after `cut` bytes and the rest in a CONTINUE record (cut 0: whole); the
// cell it makes and the used range, or the error the reading gives.
std::string ReadRecord(const test::TempFolder& folder, std::uint16_t type, const std::vector<std::uint8_t>& body,
                       std::size_t cut) {
  const std::string path = (folder / ("cell" + std::to_string(type) + "_" + std::to_string(cut) + ".xls")).string();
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path);
  writer.BeginWorkbook();
  writer.BeginSheet(TxlsSheetHead{});
  writer.WriteLabelSst(0, 0, std::string_view("共"), kDefaultXfIndex);
  if (cut == 0) {
    WriteRaw(writer, type, body);
  } else {
    WriteRaw(writer, type, std::vector<std::uint8_t>(body.begin(), body.begin() + cut));
    WriteRaw(writer, 0x003C, std::vector<std::uint8_t>(body.begin() + cut, body.end()));
  }
  writer.EndSheet();
  writer.FinishWorkbook();
  writer.CloseWorkbookFile();
  try {
    const TWorksheet sheet = TWorkbookReader::OpenFile(path).ReadSheet("Sheet1");
    return test::Describe(sheet, kRow, kColumn) + " in " + std::to_string(sheet.LastRow()) + "," +
           std::to_string(sheet.LastColumn());
  } catch (const TabrinError& e) {
    const std::string message = e.what();
    return "error:" + message.substr(message.find(": ") + 2);
  }
}

TEST(WorkbookReaderContinuedCells, CellRecordsCutByAContinueRecord) {
  test::TempFolder folder;
  constexpr const char* kShort = "error:a record ends before its data";
  const struct {
    const char* name;
    std::uint16_t type;
    std::vector<std::uint8_t> body;
    std::size_t cutAfter;
    const char* whole;  // the record read whole
    const char* cut;    // and cut after cutAfter bytes
  } cases[] = {
      // Fields running on into the CONTINUE record read as whole.
      {"NUMBER, cut in the double", 0x0203, CellFields({0, 0, 0, 0, 0, 0, 0x04, 0x40}), 9, "number:2.5 in 1,2",
       "number:2.5 in 1,2"},
      {"NUMBER, cut in the column", 0x0203, CellFields({0, 0, 0, 0, 0, 0, 0x04, 0x40}), 3, "number:2.5 in 1,2",
       "number:2.5 in 1,2"},
      {"RK", 0x027E, CellFields({7 << 2 | 2, 0, 0, 0}), 7, "number:7 in 1,2", "number:7 in 1,2"},
      {"LABELSST", 0x00FD, CellFields({0, 0, 0, 0}), 6, "text:共 in 1,2", "text:共 in 1,2"},
      {"BOOLERR", 0x0205, CellFields({1, 0}), 7, "bool:1 in 1,2", "bool:1 in 1,2"},
      {"BLANK", 0x0201, CellFields({}), 1, "empty in 1,2", "empty in 1,2"},
      // These must hold their leading fields in their own body.
      {"MULRK", 0x00BD, {kRow, 0, kColumn, 0, 0x0F, 0, 7 << 2 | 2, 0, 0, 0, kColumn, 0}, 4, "number:7 in 1,2",
       kShort},
      {"MULBLANK", 0x00BE, {kRow, 0, kColumn, 0, 0x0F, 0, kColumn, 0}, 5, "empty in 1,2", kShort},
      {"FORMULA", 0x0006, CellFields({0, 0, 0, 0, 0, 0, 0x04, 0x40, 0, 0, 0, 0, 0, 0, 0, 0}), 13,
       "number:2.5 in 1,2", kShort},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadRecord(folder, c.type, c.body, 0), c.whole);
    EXPECT_EQ(ReadRecord(folder, c.type, c.body, c.cutAfter), c.cut);
  }
}

}  // namespace
}  // namespace tabrin
