// Files far larger than any workbook, or not workbooks at all, are told apart
// from their first bytes: the reader neither reads them whole nor runs out of
// memory on them.  Sparse files keep the test quick and the disk empty.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "support/child_memory.h"
#include "xls/spreadsheet.h"
#include "xls/writer_test_util.h"

namespace tabrin {
namespace {

void WriteSparse(const std::string& path, std::string_view start, std::uint64_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, start.data(), start.size()), static_cast<ssize_t>(start.size()));
  ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
  ::close(fd);
}

std::string OpenError(const std::string& path) {
  (void)OpenSpreadsheetFile(path);
  return "(opened)";
}

TEST(ReaderLargeFiles, AreRefusedFromTheirFirstBytesInLittleMemory) {
  test::TempFolder folder;
  const std::string signature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  struct Case {
    const char* name;
    std::string start;
    std::uint64_t size;
    const char* message;  // after the quoted path
  };
  const Case cases[] = {
      {"text.xls", "just some text", std::uint64_t{1} << 30, " is not an Excel workbook (.xls, .xlsx)"},
      {"huge.xls", "just some text", std::uint64_t{16} << 30, " is not an Excel workbook (.xls, .xlsx)"},
      {"huge-container.xls", signature, std::uint64_t{16} << 30,
       " is 16384 MB, larger than any Excel 97-2003 workbook can be; only Excel workbooks (.xls, .xlsx) can be "
       "read"},
  };
  for (const Case& c : cases) {
    const std::string path = (folder / c.name).string();
    WriteSparse(path, c.start, c.size);
    const test::TChildOutcome outcome = test::RunInChild([&] { return OpenError(path); }, 256 * 1024);
    EXPECT_EQ(outcome.said, "'" + path + "'" + c.message) << c.name;
    EXPECT_LT(outcome.peakGrowthKiB, 16 * 1024) << c.name;
  }
}

}  // namespace
}  // namespace tabrin
