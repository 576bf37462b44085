#pragma once
// Reading Excel 97-2003 workbooks (BIFF8) and Excel 5.0/95 workbooks (BIFF5):
// the list of worksheets and, on request, one worksheet as typed cells.
// TWorksheet, the cells of one sheet, is also what the Excel 2007+ reader
// (xlsx_reader.h) delivers, so everything above the readers sees one model.
//
// The workbook stream is kept in memory and a sheet is read only when asked
// for, so memory stays proportional to the file and the sheet read.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tabrin {

namespace detail {
class TWorksheetBuilder;
class TContainerBytes;
}

enum class TCellKind : std::uint8_t { ckEmpty, ckText, ckNumber, ckDateTime, ckBoolean, ckError };

// One non-empty cell.  Date-times are day counts from 1899-12-30 whatever
// the workbook's date system; a Boolean is 1 or 0; an error holds its
// code (0x07 #DIV/0!, 0x2A #N/A, ...).
struct TSheetCell {
  double number = 0;
  std::uint32_t text = 0;  // for ckText: index into the sheet's texts
  std::uint32_t row = 0;
  std::uint16_t column = 0;
  TCellKind kind = TCellKind::ckEmpty;
};

// Texts stored once, addressed by index.
class TTextPool {
 public:
  std::uint32_t Add(std::string_view text);
  std::uint32_t Count() const { return static_cast<std::uint32_t>(ends_.size()); }
  std::string_view At(std::uint32_t index) const;
  // For readers that build a text in place: append to Buffer(), then Seal().
  std::string& Buffer() { return chars_; }
  std::uint32_t Seal();
  void Reserve(std::size_t texts, std::size_t bytes);

 private:
  std::string chars_;
  std::vector<std::size_t> ends_;
};

class TWorksheet {
 public:
  const std::string& Name() const { return name_; }
  // No cell record at all (not even a formatted blank cell).
  bool IsEmpty() const { return lastRow_ < firstRow_; }
  // The used range: the smallest rectangle holding every cell record,
  // formatted blank cells included.  Absolute 0-based numbers, inclusive.
  int FirstRow() const { return firstRow_; }
  int LastRow() const { return lastRow_; }
  int FirstColumn() const { return firstColumn_; }
  int LastColumn() const { return lastColumn_; }
  // The non-empty cells of a row, ordered by column.
  std::span<const TSheetCell> RowCells(int row) const;
  // The cell at a position, or nullptr when it is empty.
  const TSheetCell* Find(int row, int column) const;
  std::string_view Text(const TSheetCell& cell) const;
  // Text cells of the workbook's shared string table name their text by its
  // number there, so that many cells with one text can keep it once;
  // SharedTextNumber gives that number, or -1 for other cells.
  std::uint32_t SharedTextCount() const { return sharedTexts_ ? sharedTexts_->Count() : 0; }
  std::int64_t SharedTextNumber(const TSheetCell& cell) const;
  std::string_view SharedText(std::uint32_t number) const { return sharedTexts_->At(number); }

 private:
  friend class TWorkbookReader;
  friend class detail::TWorksheetBuilder;
  std::string name_;
  int firstRow_ = 0, lastRow_ = -1, firstColumn_ = 0, lastColumn_ = -1;
  std::vector<TSheetCell> cells_;  // ordered by row, then column
  std::vector<std::uint32_t> rowStarts_;  // cells_ index of each row's first cell, plus the end
  std::shared_ptr<const TTextPool> sharedTexts_;  // the workbook's shared strings
  TTextPool ownTexts_;  // texts stored in the cells themselves, indexed after the shared ones
};

class TWorkbookReader {
 public:
  // Reads a file.  Every kind of bad input raises TabrinError with a
  // message that names the file and says what is wrong; what the file is,
  // is told from its first bytes, and only the workbook stream is kept.
  static TWorkbookReader OpenFile(const std::string& path);
  // The same for bytes already in memory; displayName stands for the file.
  TWorkbookReader(std::string_view fileBytes, std::string displayName);

  const std::string& DisplayName() const { return displayName_; }
  int BiffVersion() const { return biffVersion_; }  // 5 or 8
  bool Uses1904Dates() const { return dates1904_; }
  int CodePage() const { return codePage_; }
  // The worksheets, in workbook order (chart and macro sheets left out).
  std::vector<std::string> SheetNames() const;
  // The worksheet of that name, compared without regard to letter case.
  // Raises TabrinError naming the sheets there are when it is missing.
  TWorksheet ReadSheet(std::string_view name) const;

 private:
  struct TSheetEntry {
    std::string name;
    std::uint32_t offset = 0;
  };
  explicit TWorkbookReader(std::string displayName);
  void Load(const detail::TContainerBytes& bytes);
  void ReadGlobals();
  std::string DecodeBytes(std::string_view bytes) const;
  bool IsDateXf(std::uint16_t xf) const;
  void ReadSheetRecords(TWorksheet& sheet, std::uint32_t offset) const;
  [[noreturn]] void Damaged(const std::string& reason) const;

  std::string displayName_;
  std::string stream_;
  int biffVersion_ = 8;
  bool dates1904_ = false;
  int codePage_ = 1252;
  std::vector<TSheetEntry> sheets_;
  std::vector<bool> dateXfs_;
  std::shared_ptr<TTextPool> sharedStrings_;
};

}  // namespace tabrin
