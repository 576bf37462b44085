#pragma once
// Reading Excel 97-2003 workbooks (BIFF8) and Excel 5.0/95 workbooks (BIFF5):
// the list of worksheets and, on request, one worksheet as typed cells.
// The sheet read is a TWorksheet (model/worksheet.h), the model the Excel
// 2007+ reader delivers too.
//
// The workbook stream is kept in memory and a sheet is read only when asked
// for, so memory stays proportional to the file and the sheet read.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/large_block.h"
#include "xls/model/worksheet.h"

namespace tabrin {

namespace detail {
class TBiffRecordCursor;
class TContainerBytes;
struct TCellReading;
struct TReadingStop;
}

class TWorkbookReader {
 public:
  // Reads a file.  Every kind of bad input raises TabrinError with a
  // message that names the file and says what is wrong; what the file is,
  // is told from its first bytes.  The reader keeps the file open and what
  // the whole workbook shares (its strings and formats); a sheet's records
  // are read from the file when the sheet is asked for, and let go of as
  // soon as its cells are built.
  static TWorkbookReader OpenFile(const std::string& path);
  // The same for bytes already in memory, which must outlive the reader;
  // displayName stands for the file.
  TWorkbookReader(std::string_view fileBytes, std::string displayName);
  ~TWorkbookReader();
  TWorkbookReader(TWorkbookReader&&) noexcept;
  TWorkbookReader& operator=(TWorkbookReader&&) noexcept;

  const std::string& DisplayName() const { return displayName_; }
  int BiffVersion() const { return biffVersion_; }  // 5 or 8
  bool Uses1904Dates() const { return dates1904_; }
  int CodePage() const { return codePage_; }
  // The worksheets, in workbook order (chart and macro sheets left out).
  std::vector<std::string> SheetNames() const;
  // The worksheet of that name, compared without regard to letter case.
  // Raises TabrinError naming the sheets there are when it is missing.
  TWorksheet ReadSheet(std::string_view name) const;

  // Sheets whose records take at least this many bytes are read in two
  // halves on two threads (0: never).  The result is the same either way;
  // tests set it low to read small sheets in halves too.
  static constexpr std::size_t kSplitSheetsFromBytes = 512 * 1024;
  void SetSplitSheetsFromBytes(std::size_t bytes) { splitSheetsFromBytes_ = bytes; }

 private:
  struct TSheetEntry {
    std::string name;
    std::uint32_t offset = 0;
  };
  struct TSource;
  explicit TWorkbookReader(std::string displayName);
  void Load(std::unique_ptr<const detail::TContainerBytes> bytes);
  struct TStreamBytes {
    std::unique_ptr<char[], void (*)(char*)> data{nullptr, nullptr};
    std::size_t size = 0;
    std::string_view View() const { return std::string_view(data.get(), size); }
  };
  TStreamBytes ReadStreamFrom(std::uint64_t offset, std::uint64_t length) const;
  TStreamBytes ReadGlobalsBytes() const;
  class TGlobalsReader;
  void ReadGlobals(std::string_view stream);
  std::string DecodeBytes(std::string_view bytes) const;
  TWorksheet ReadSheetRecords(const std::string& name, std::uint32_t offset) const;
  // records: the workbook stream from the sheet's BOF on; its own records
  // take at most the first sheetBytes.
  void ReadCells(std::string_view records, std::size_t sheetBytes, detail::TWorksheetBuilder& sheetCells) const;
  class TCellDecoder;
  // Reads cell records from the cursor on: true after the sheet's EOF, false
  // when the cursor stands at or past stopAt (before the next record).
  bool ReadCellRecords(detail::TBiffRecordCursor& cursor, const detail::TReadingStop& stopAt,
                       detail::TCellReading& reading, detail::TWorksheetBuilder& sheetCells) const;
  [[noreturn]] void Damaged(const std::string& reason) const;

  std::string displayName_;
  std::unique_ptr<TSource> source_;  // the container the workbook stream is read from
  int biffVersion_ = 8;
  bool dates1904_ = false;
  int codePage_ = 1252;
  std::vector<TSheetEntry> sheets_;
  std::vector<bool> dateXfs_;
  std::shared_ptr<TTextPool> sharedStrings_;
  std::size_t splitSheetsFromBytes_ = kSplitSheetsFromBytes;
};

}  // namespace tabrin
