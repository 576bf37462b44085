#pragma once
// Reading Excel 2007 and later workbooks (.xlsx, Office Open XML): the list
// of worksheets and, on request, one worksheet as the same typed cells the
// Excel 97-2003 reader delivers.
//
// The package stays open and every part is streamed through a SAX parser:
// the shared strings and the cell formats are kept, a worksheet's XML never
// is (beyond a few chunks of a quarter megabyte).  The bodies of the two
// large parts, a worksheet's sheet data and the shared strings, are read by
// a scanner of our own (scanned_part.h) where it can, beside a thread that
// inflates the part; what it leaves to expat is read by two expat parsers
// sharing the work of a large part, or by one, whose result and message
// are the reader's.  What a cell becomes:
//   shared, inline and rich texts (runs joined, phonetic guides left out),
//   formula results as their cached values, numbers, dates (numbers whose
//   cell format shows a date or a time; day counts from 1899-12-30 also in
//   the 1904 date system), Booleans, and error values as ckError.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xls/spreadsheet.h"
#include "xls/ooxml/zip_package.h"

namespace tabrin {

namespace detail {
struct TRelationship;
struct TWorkbookPart;
}  // namespace detail

// The grid of these workbooks.
inline constexpr std::uint32_t kXlsxMaxRows = 1048576;
inline constexpr std::uint32_t kXlsxMaxColumns = 16384;
// A worksheet with more cells is refused rather than allowed to take the
// memory of the machine (1,048,575 records of 19 columns take 20 million).
inline constexpr std::size_t kXlsxMaxCells = std::size_t{1} << 25;

class TxlsxReader : public TSpreadsheet {
 public:
  // The package's workbook part ("xl/workbook.xml" as a rule), or empty
  // when the package holds none.
  static std::string FindWorkbookPart(const detail::TZipPackage& package);

  // Reads the workbook part, its relationships, the cell formats and the
  // shared strings.  Raises TabrinError naming the file.
  TxlsxReader(detail::TZipPackage package, std::string workbookPart, std::string displayName);

  const std::string& DisplayName() const override { return displayName_; }
  bool Uses1904Dates() const { return dates1904_; }
  std::vector<std::string> SheetNames() const override;
  TWorksheet ReadSheet(std::string_view name) const override;

 private:
  struct TSheetEntry {
    std::string name;
    std::string part;
  };
  void ReadWorkbook();
  void ListWorksheets(const detail::TWorkbookPart& workbook, const std::vector<detail::TRelationship>& relationships);
  void ReadSharedStrings(const std::string& part);
  std::optional<TWorksheet> ReadSheetScanned(const std::string& name, const std::string& partName) const;
  std::optional<TWorksheet> ReadSheetInPieces(const std::string& name, const std::string& partName) const;
  [[noreturn]] void Damaged(const std::string& reason) const;

  detail::TZipPackage package_;
  std::string workbookPart_;
  std::string displayName_;
  bool dates1904_ = false;
  std::vector<TSheetEntry> sheets_;
  std::vector<bool> dateStyles_;  // by cell format (the "s" of a cell)
  std::shared_ptr<TTextPool> sharedStrings_;
};

}  // namespace tabrin
