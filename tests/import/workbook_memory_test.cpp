// A workbook's rows, once loaded by a sheet query, take memory bounded by a
// small multiple of the file, whatever the file holds.  Each load runs in a
// child process so that its peak resident size is measured on its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

#include "db/connection.h"
#include "db/db_test_support.h"
#include "db/query.h"
#include "import/import_tabs.h"
#include "import/workbook_backend.h"
#include "support/child_memory.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin {
namespace {

constexpr long kSlackKiB = 32 * 1024;

// Opens the workbook's sheet query as an Open button does and reads every
// row; says how many rows there are.
std::string LoadSheet(const std::string& path) {
  RegisterWorkbookReader();
  TConnection connection("ADOXLSConnect");
  connection.SetConnectionString(WorkbookConnectionString(path));
  connection.Open();
  TQuery query("ADOCLSQuery", connection);
  query.SetSql("SELECT * FROM [sheet1$]  ");
  query.Open();
  for (query.First(); !query.Eof(); query.Next()) (void)query.Fields(0).AsString();
  return std::to_string(query.RecordCount()) + " rows";
}

// Rows of one column that all refer to the same long text: a small file, as
// every cell is a 10-byte reference to one shared string.
void WriteManyReferencesToOneText(const std::string& path, int rows, const std::string& text) {
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path);
  writer.BeginWorkbook();
  writer.BeginSheet(TxlsSheetHead{});
  writer.WriteLabelSst(0, 0, std::string_view("品名"), kDefaultXfIndex);
  for (int r = 1; r <= rows; ++r) {
    writer.WriteLabelSst(r, 0, std::string_view(text), kDefaultXfIndex);
  }
  writer.EndSheet();
  writer.FinishWorkbook();
  writer.CloseWorkbookFile();
}

std::string RepeatedCharacter(const std::string& character, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += character;
  return text;
}

TEST(WorkbookMemory, ManyReferencesToOneLongTextLoadWithinThreeTimesTheFile) {
  test::TTempFolder folder;
  const std::string path = folder.File("shared.xls");
  // 32,767 CJK characters: 64 KB in the file, 96 KB as UTF-8, referred to
  // from 8,000 rows, which copied per cell would need 770 MB.
  WriteManyReferencesToOneText(path, 8000, RepeatedCharacter("可", 32767));
  const long fileKiB = static_cast<long>(std::filesystem::file_size(path) / 1024);
  const long boundKiB = 3 * fileKiB + kSlackKiB;

  const test::TChildOutcome loaded = test::RunInChild([&] { return LoadSheet(path); }, 4 * boundKiB);
  ASSERT_EQ(loaded.said, "8000 rows") << "a " << fileKiB << " KiB workbook";
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // AddressSanitizer holds freed blocks in its quarantine, and both it and
  // ThreadSanitizer add shadow memory, so the peak says nothing about the
  // reader there; the normal build checks the bound.
  (void)boundKiB;
#else
  EXPECT_LE(loaded.peakGrowthKiB, boundKiB) << "a " << fileKiB << " KiB workbook";
#endif
}

// Sheets made of one kind of cell record in bulk, each kind the smallest
// the file format has for it, so that the file is as small as it can be for
// the cells it holds: the kinds whose loaded form could outgrow the file.
struct TBulkSheet {
  const char* name;
  const char* kind;
  int rows;
  int columns;
  // Writes the cells of one row (after a title row of LABELSST cells).
  std::function<void(TxlsWorkbookWriter&, int row, int columns)> writeRow;
  bool reverseRows = false;  // rows written from the last to the first
};

void PrintTo(const TBulkSheet& bulk, std::ostream* out) { *out << bulk.kind; }

void PutU16(std::uint8_t* at, unsigned value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::uint8_t* at, std::uint32_t value) {
  PutU16(at, value & 0xFFFF);
  PutU16(at + 2, value >> 16);
}

// RK: an integer in the top 30 bits, flag 2.
std::uint32_t RkInteger(int value) { return static_cast<std::uint32_t>(value) << 2 | 2; }

void WriteMulRkRow(TxlsWorkbookWriter& writer, int row, int columns) {
  std::uint8_t* body = writer.ClearBuffer(6 + 6 * columns);
  PutU16(body, row);
  PutU16(body + 2, 0);
  for (int c = 0; c < columns; ++c) {
    PutU16(body + 4 + 6 * c, kDefaultXfIndex);
    PutU32(body + 6 + 6 * c, RkInteger(row * 7 + c));
  }
  PutU16(body + 4 + 6 * columns, columns - 1);
  writer.WriteRecord(0x00BD, static_cast<std::uint16_t>(6 + 6 * columns));
}

void WriteRkRow(TxlsWorkbookWriter& writer, int row, int columns) {
  for (int c = 0; c < columns; ++c) {
    std::uint8_t* body = writer.ClearBuffer(10);
    PutU16(body, row);
    PutU16(body + 2, c);
    PutU16(body + 4, kDefaultXfIndex);
    PutU32(body + 6, RkInteger(row + c));
    writer.WriteRecord(0x027E, 10);
  }
}

// Every cell its own short text, so that no text is shared.
void WriteShortTextRow(TxlsWorkbookWriter& writer, int row, int columns) {
  char text[16];
  for (int c = 0; c < columns; ++c) {
    std::snprintf(text, sizeof text, "%x", row * columns + c);
    writer.WriteLabelSst(row, c, std::string_view(text), kDefaultXfIndex);
  }
}

void WriteMulBlankRow(TxlsWorkbookWriter& writer, int row, int columns) {
  std::uint8_t* body = writer.ClearBuffer(6 + 2 * columns);
  PutU16(body, row);
  PutU16(body + 2, 0);
  for (int c = 0; c < columns; ++c) PutU16(body + 4 + 2 * c, kDefaultXfIndex);
  PutU16(body + 4 + 2 * columns, columns - 1);
  writer.WriteRecord(0x00BE, static_cast<std::uint16_t>(6 + 2 * columns));
}

void WriteBoolErrRow(TxlsWorkbookWriter& writer, int row, int columns) {
  for (int c = 0; c < columns; ++c) {
    std::uint8_t* body = writer.ClearBuffer(8);
    PutU16(body, row);
    PutU16(body + 2, c);
    PutU16(body + 4, kDefaultXfIndex);
    const bool isError = (row + c) % 2 == 0;
    body[6] = isError ? 0x2A : 1;  // #N/A, or TRUE
    body[7] = isError ? 1 : 0;
    writer.WriteRecord(0x0205, 8);
  }
}

// Texts stored in the cells themselves (LABEL), as long as a record allows,
// of accented letters kept one byte each in the file, two in UTF-8.
void WriteLongOneByteLabelRow(TxlsWorkbookWriter& writer, int row, int columns) {
  constexpr int kCharacters = 8200;
  for (int c = 0; c < columns; ++c) {
    std::uint8_t* body = writer.ClearBuffer(9 + kCharacters, 0xE9);  // é
    PutU16(body, row);
    PutU16(body + 2, c);
    PutU16(body + 4, kDefaultXfIndex);
    PutU16(body + 6, kCharacters);
    body[8] = 0;  // one byte per character
    writer.WriteRecord(0x0204, 9 + kCharacters);
  }
}

void WriteBulkSheet(const std::string& path, const TBulkSheet& bulk) {
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path);
  writer.BeginWorkbook();
  writer.BeginSheet(TxlsSheetHead{});
  for (int c = 0; c < bulk.columns; ++c) {
    writer.WriteLabelSst(0, c, std::string_view("欄" + std::to_string(c + 1)), kDefaultXfIndex);
  }
  for (int i = 1; i <= bulk.rows; ++i) bulk.writeRow(writer, bulk.reverseRows ? bulk.rows + 1 - i : i, bulk.columns);
  writer.EndSheet();
  writer.FinishWorkbook();
  writer.CloseWorkbookFile();
}

class WorkbookMemoryByKind : public ::testing::TestWithParam<TBulkSheet> {};

TEST_P(WorkbookMemoryByKind, LoadsWithinThreeTimesTheFile) {
  const TBulkSheet& bulk = GetParam();
  test::TTempFolder folder;
  const std::string path = folder.File("bulk.xls");
  WriteBulkSheet(path, bulk);
  const long fileKiB = static_cast<long>(std::filesystem::file_size(path) / 1024);
  const long boundKiB = 3 * fileKiB + kSlackKiB;

  const test::TChildOutcome loaded = test::RunInChild([&] { return LoadSheet(path); }, 4 * boundKiB);
  ASSERT_EQ(loaded.said, std::to_string(bulk.rows) + " rows") << bulk.kind;
  // The figures, for whoever watches the memory a load takes.
  std::printf("%s: %ld KiB file, peak %ld KiB (%.2f times the file)\n", bulk.kind, fileKiB, loaded.peakGrowthKiB,
              static_cast<double>(loaded.peakGrowthKiB) / static_cast<double>(fileKiB));
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  (void)boundKiB;  // see above: the normal build checks the bound
#else
  EXPECT_LE(loaded.peakGrowthKiB, boundKiB) << bulk.kind << ": a " << fileKiB << " KiB workbook";
#endif
}

INSTANTIATE_TEST_SUITE_P(
    CellRecords, WorkbookMemoryByKind,
    ::testing::Values(TBulkSheet{"MulRk", "MULRK numbers", 65535, 64, WriteMulRkRow},
                      TBulkSheet{"MulRkLastRowFirst", "MULRK numbers, last row first", 65535, 64, WriteMulRkRow, true},
                      TBulkSheet{"Rk", "RK numbers", 65535, 28, WriteRkRow},
                      TBulkSheet{"LabelSstShortTexts", "LABELSST short texts", 65535, 16, WriteShortTextRow},
                      TBulkSheet{"MulBlank", "MULBLANK blanks", 65535, 256, WriteMulBlankRow},
                      TBulkSheet{"BoolErr", "BOOLERR values and errors", 65535, 32, WriteBoolErrRow},
                      TBulkSheet{"LongOneByteLabels", "LABEL long one-byte texts", 6000, 1, WriteLongOneByteLabelRow}),
    [](const ::testing::TestParamInfo<TBulkSheet>& sheet) { return std::string(sheet.param.name); });

}  // namespace
}  // namespace tabrin
