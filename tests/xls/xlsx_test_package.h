#pragma once
// Small .xlsx packages written by a test: a file of its own in the temporary
// folder, removed again when the test is done with it.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tabrin::test {

// Part name and content.
using XlsxParts = std::vector<std::pair<std::string, std::string>>;

// A workbook of one worksheet, "sheet1", with its cell formats and shared
// strings.
inline XlsxParts OneSheetWorkbook(std::string stylesXml, std::string sharedStringsXml, std::string sheetXml) {
  return {
      {"xl/workbook.xml",
       "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
       "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
       "<sheet name=\"sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
       "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
       "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" Target=\"sharedStrings.xml\"/>"
       "</Relationships>"},
      {"xl/styles.xml", std::move(stylesXml)},
      {"xl/sharedStrings.xml", std::move(sharedStringsXml)},
      {"xl/worksheets/sheet1.xml", std::move(sheetXml)},
  };
}

class TempXlsxFile {
 public:
  explicit TempXlsxFile(const std::string& stem)
      : path_((std::filesystem::temp_directory_path() / (stem + "-" + std::to_string(::getpid()) + ".xlsx")).string()) {}
  TempXlsxFile(const TempXlsxFile&) = delete;
  TempXlsxFile& operator=(const TempXlsxFile&) = delete;
  ~TempXlsxFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }

  const std::string& Path() const { return path_; }

  // Writes the parts as the package's files, replacing what was there.
  void Write(const XlsxParts& parts) const {
    int code = 0;
    zip_t* archive = zip_open(path_.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_NE(archive, nullptr);
    for (const auto& [name, bytes] : parts) {
      zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
      EXPECT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE), 0);
    }
    EXPECT_EQ(zip_close(archive), 0);
  }

 private:
  std::string path_;
};

}  // namespace tabrin::test
