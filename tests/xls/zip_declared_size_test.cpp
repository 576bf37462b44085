// A package part that inflates past the size the package declares for it is
// damaged (or built to harm): its reading stops there, long before the
// ratio check would see a bomb.
#include <gtest/gtest.h>

#include <unistd.h>
#include <zip.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "text/error.h"
#include "text/format.h"
#include "xls/ooxml/zip_package.h"
#include "xls/spreadsheet.h"

namespace tabrin {
namespace {

constexpr const char* kSheetPart = "xl/worksheets/sheet1.xml";
constexpr std::uint32_t kDeclared = 4096;

void PutU32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint16_t U16(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

// A workbook package whose sheet part holds 16 MiB of blanks (a few KiB
// deflated) while its local header and the central directory say it
// inflates to 4 KiB.
class DeclaredSizeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (std::filesystem::temp_directory_path() / ("tabrin-declared-" + std::to_string(::getpid()) + ".xlsx"))
                .string();
    const std::string sheet = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" +
                              std::string(std::size_t{16} << 20, ' ') + "<sheetData/></worksheet>";
    const std::vector<std::pair<std::string, std::string>> parts = {
        {"xl/workbook.xml",
         "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
         "<sheet name=\"sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" "
         "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
         "Target=\"worksheets/sheet1.xml\"/></Relationships>"},
        {kSheetPart, sheet},
    };
    int code = 0;
    zip_t* archive = zip_open(path_.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_NE(archive, nullptr);
    for (const auto& [name, bytes] : parts) {
      zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
      ASSERT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE), 0);
    }
    ASSERT_EQ(zip_close(archive), 0);

    std::ifstream in(path_, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    int patched = 0;
    // The uncompressed size of the sheet part's local header (at 22, the
    // name at 30) and central directory entry (at 24, the name at 46).
    for (const auto& [signature, sizeAt, nameLengthAt, nameAt] :
         {std::tuple<const char*, std::size_t, std::size_t, std::size_t>{"PK\x03\x04", 22, 26, 30},
          std::tuple<const char*, std::size_t, std::size_t, std::size_t>{"PK\x01\x02", 24, 28, 46}}) {
      for (std::size_t at = bytes.find(signature); at != std::string::npos; at = bytes.find(signature, at + 4)) {
        if (bytes.compare(at + nameAt, U16(bytes, at + nameLengthAt), kSheetPart) != 0) continue;
        PutU32(bytes, at + sizeAt, kDeclared);
        ++patched;
      }
    }
    ASSERT_EQ(patched, 2);
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
  }
  void TearDown() override { std::filesystem::remove(path_); }

  std::string path_;
};

TEST_F(DeclaredSizeTest, ReadingStopsWhereThePartInflatesPastItsDeclaredSize) {
  const detail::TZipPackage package = detail::TZipPackage::OpenFile(path_);
  const std::unique_ptr<detail::TPartReader> part = package.Open(kSheetPart, std::uint64_t{1} << 30);
  EXPECT_EQ(part->DeclaredSize(), kDeclared);
  std::uint64_t delivered = 0;
  std::string message;
  std::vector<char> buffer(1 << 16);
  try {
    while (const std::size_t got = part->Read(buffer.data(), buffer.size())) delivered += got;
  } catch (const detail::TDamagedPackage& e) {
    message = e.what();
  }
  EXPECT_EQ(message, "the part xl/worksheets/sheet1.xml inflates past the 4096 bytes it declares");
  EXPECT_LE(delivered, kDeclared);
}

TEST_F(DeclaredSizeTest, TheWorkbookIsRefusedAsDamaged) {
  try {
    (void)OpenSpreadsheetFile(path_)->ReadSheet("sheet1");
    FAIL() << "the workbook was read";
  } catch (const TabrinError& e) {
    EXPECT_EQ(std::string(e.what()),
              FormatMessage("'%s' is damaged and cannot be read: the part xl/worksheets/sheet1.xml inflates past the "
                            "4096 bytes it declares",
                            {path_}));
  }
}

}  // namespace
}  // namespace tabrin
