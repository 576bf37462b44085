// A workbook's rows, once loaded by a sheet query, take memory bounded by a
// small multiple of the file, whatever the file holds.  Each load runs in a
// child process so that its peak resident size is measured on its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "db/connection.h"
#include "db/db_test_support.h"
#include "db/query.h"
#include "import/import_tabs.h"
#include "import/workbook_backend.h"
#include "support/child_memory.h"
#include "xls/workbook_writer.h"

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
#if defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer holds freed blocks in its quarantine and adds shadow
  // memory, so the peak says nothing about the reader there; the normal
  // build checks the bound.
  (void)boundKiB;
#else
  EXPECT_LE(loaded.peakGrowthKiB, boundKiB) << "a " << fileKiB << " KiB workbook";
#endif
}

}  // namespace
}  // namespace tabrin
