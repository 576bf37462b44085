#pragma once
// The cells of one worksheet as both workbook readers deliver them, whatever
// the file format: typed cells packed a few bytes each, ordered by row and
// column, with the sheet's used range and the texts the cells refer to.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/text_pool.h"
#include "xls/model/large_block.h"

namespace tabrin {

class TWorkbookReader;
namespace detail {
class TWorksheetBuilder;
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
// How a sheet keeps its cells: a few bytes each (see worksheet_builder.cpp).
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
  // Leaves the rows above row (0-based) out: the used range starts there,
  // on an empty row when it has no cell, and holds no rows at all when it
  // lies below the last row.
  void DropRowsAbove(int row) { firstRow_ = row; }
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

}  // namespace tabrin
