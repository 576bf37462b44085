#pragma once
// Reading Excel 97-2003 workbooks (BIFF8) and Excel 5.0/95 workbooks (BIFF5):
// the list of worksheets and, on request, one worksheet as typed cells.
// TWorksheet, the cells of one sheet, is also what the Excel 2007+ reader
// (xlsx_reader.h) delivers, so everything above the readers sees one model.
//
// The workbook stream is kept in memory and a sheet is read only when asked
// for, so memory stays proportional to the file and the sheet read.
#include <cstddef>
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "text/text_pool.h"
#include "xls/large_block.h"

namespace tabrin {

namespace detail {
class TWorksheetBuilder;
class TBiffRecordCursor;
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

namespace detail {
// How a sheet keeps its cells: a few bytes each (see worksheet_cells.h).
const unsigned char* DecodeSheetCell(const unsigned char* at, std::uint32_t row, TSheetCell& cell);
}

// The cells of one row, read one at a time from the sheet's packed form.
class TRowCells {
 public:
  class iterator {
   public:
    using value_type = TSheetCell;
    using difference_type = std::ptrdiff_t;
    iterator() = default;
    iterator(const unsigned char* at, const unsigned char* end, std::uint32_t row) : at_(at), end_(end), row_(row) {
      Load();
    }
    const TSheetCell& operator*() const { return cell_; }
    const TSheetCell* operator->() const { return &cell_; }
    iterator& operator++() {
      at_ = next_;
      Load();
      return *this;
    }
    bool operator==(const iterator& other) const { return at_ == other.at_; }

   private:
    void Load() {
      if (at_ != end_) next_ = detail::DecodeSheetCell(at_, row_, cell_);
    }
    const unsigned char* at_ = nullptr;
    const unsigned char* end_ = nullptr;
    const unsigned char* next_ = nullptr;
    std::uint32_t row_ = 0;
    TSheetCell cell_;
  };

  TRowCells() = default;
  TRowCells(const unsigned char* begin, const unsigned char* end, std::uint32_t row)
      : begin_(begin), end_(end), row_(row) {}
  iterator begin() const { return iterator(begin_, end_, row_); }
  iterator end() const { return iterator(end_, end_, row_); }
  bool empty() const { return begin_ == end_; }

 private:
  const unsigned char* begin_ = nullptr;
  const unsigned char* end_ = nullptr;
  std::uint32_t row_ = 0;
};

namespace detail {
// The packed cells of a sheet: a growing run of bytes whose new room is not
// cleared first, with a little spare room at the end so that a cell is
// always copied in as one fixed-size piece.
class TPackedCells {
 public:
  static constexpr std::size_t kLargestCell = 16;
  const unsigned char* data() const { return bytes_.get(); }
  unsigned char* begin() { return bytes_.get(); }
  unsigned char& operator[](std::size_t at) { return bytes_[at]; }
  std::size_t size() const { return size_; }
  void reserve(std::size_t capacity);
  // New bytes are left as they are, for the caller to fill.
  void resize(std::size_t size) {
    if (size > capacity_) reserve(size);
    size_ = size;
  }
  // Appends the first used of the kLargestCell bytes at cell.
  void AppendCell(const unsigned char* cell, std::size_t used) {
    if (capacity_ - size_ < kLargestCell) reserve(std::max(capacity_ * 2, size_ + kLargestCell));
    std::memcpy(bytes_.get() + size_, cell, kLargestCell);
    size_ += used;
  }
  void swap(TPackedCells& other) noexcept {
    bytes_.swap(other.bytes_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
  }

 private:
  TLargeBlock<unsigned char> bytes_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;  // kLargestCell more than can be used
};
}  // namespace detail

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
  TRowCells RowCells(int row) const;
  // The cell at a position, or nothing when it is empty.
  std::optional<TSheetCell> Find(int row, int column) const;
  std::string_view Text(const TSheetCell& cell) const;
  // Where the texts live, for whoever keeps them beyond the sheet: a text
  // cell's number counts through the workbook's shared strings first (the
  // first SharedTextCount numbers), then the sheet's own texts.  Either pool
  // may be empty, never null.
  std::uint32_t SharedTextCount() const { return sharedTexts_->Count(); }
  const std::shared_ptr<const TTextPool>& SharedTextPool() const { return sharedTexts_; }
  std::shared_ptr<const TTextPool> OwnTextPool() const { return ownTexts_; }

 private:
  friend class TWorkbookReader;
  friend class detail::TWorksheetBuilder;
  std::string name_;
  int firstRow_ = 0, lastRow_ = -1, firstColumn_ = 0, lastColumn_ = -1;
  // The cells, ordered by row, then column, each packed in a few bytes: a
  // sheet of numbers takes little more memory than its file.
  detail::TPackedCells cells_;
  std::vector<std::uint32_t> rowStarts_;  // cells_ offset of each row's first cell, plus the end
  std::shared_ptr<const TTextPool> sharedTexts_ = std::make_shared<const TTextPool>();  // the workbook's shared strings
  // Texts stored in the cells themselves, numbered after the shared ones.
  std::shared_ptr<TTextPool> ownTexts_ = std::make_shared<TTextPool>();
};

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
  void ReadGlobals(std::string_view stream);
  std::string DecodeBytes(std::string_view bytes) const;
  bool IsDateXf(std::uint16_t xf) const;
  TWorksheet ReadSheetRecords(const std::string& name, std::uint32_t offset) const;
  // records: the workbook stream from the sheet's BOF on; its own records
  // take at most the first sheetBytes.
  void ReadCells(std::string_view records, std::size_t sheetBytes, detail::TWorksheetBuilder& sheetCells) const;
  // Where the reading of a sheet's cell records stands between records.
  struct TCellReading {
    bool pendingString = false;  // a FORMULA whose text result follows in a STRING record
    std::uint16_t pendingRow = 0, pendingColumn = 0;
    int nesting = 0;  // embedded charts bring BOF..EOF blocks of their own
    bool Clean() const { return !pendingString && nesting == 0; }
  };
  static constexpr std::size_t kReadToTheEnd = SIZE_MAX;
  // Where a reading is to stop, which another thread may set meanwhile.  On
  // a cache line of its own: a thread reads it at every record, and sharing
  // the line with what the other thread writes all the time made reading in
  // halves slower than reading straight through.
  struct alignas(64) TReadingStop {
    std::atomic<std::size_t> offset{kReadToTheEnd};
  };
  // Reads cell records from the cursor on: true after the sheet's EOF, false
  // when the cursor stands at or past stopAt (before the next record).
  bool ReadCellRecords(detail::TBiffRecordCursor& cursor, const TReadingStop& stopAt, TCellReading& reading,
                       detail::TWorksheetBuilder& sheetCells) const;
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
