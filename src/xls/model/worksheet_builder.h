#pragma once
// Builds a TWorksheet from cells that arrive one at a time, in sheet order
// or not: a reader notes every cell it meets (Touch for one that widens the
// used range without a value) and takes the finished sheet at the end.
//
// The cells are packed as they come: a tag byte, the column and the value
// in as few bytes as it needs (an RK number of a workbook keeps its 32
// bits), with a row mark before the first cell of each row.  So a sheet of
// numbers takes about as much memory as the records it was read from.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "xls/model/worksheet.h"

namespace tabrin::detail {

// How a workbook's RK number is read: as a number, or as a date of either
// date system.
enum class TRkKind : std::uint8_t { rkNumber, rkDate1900, rkDate1904 };

// A day number of a workbook as a day count from 1899-12-30.  1904-based
// dates are shifted by the four years between the two starts.  1900-based
// day numbers count a 29 February 1900 that never was (day 60), so only
// from day 61 (1 March 1900) on do they equal the day count; days 1 to 60
// are one short of it.  Below 1 a value is a time of day without a date.
double DayCount(double serial, bool dates1904);

// Bytes a cell record can take at most when packed, so that a reader can
// reserve room for a sheet before it reads the cells.
constexpr std::size_t kPackedRowMark = 5;
constexpr std::size_t kPackedNumber = 11;
constexpr std::size_t kPackedRk = 7;
constexpr std::size_t kPackedText = 7;
constexpr std::size_t kPackedFlag = 4;

class TWorksheetBuilder {
 public:
  TWorksheetBuilder(std::string name, std::shared_ptr<const TTextPool> sharedTexts);

  void Reserve(std::size_t packedBytes) { sheet_.cells_.reserve(packedBytes); }
  // A cell record without a value (a formatted blank, an empty text).
  void Touch(std::uint32_t row, std::uint32_t column);
  void AddValue(std::uint32_t row, std::uint32_t column, TCellKind kind, double value);
  void AddRk(std::uint32_t row, std::uint32_t column, std::uint32_t rk, TRkKind kind);
  // A text of the shared pool; the empty text only touches the cell.
  void AddSharedText(std::uint32_t row, std::uint32_t column, std::uint32_t index);
  // A text of the sheet's own.
  void AddOwnText(std::uint32_t row, std::uint32_t column, std::string_view text);
  std::size_t CellCount() const { return cellCount_; }

  // Takes over the cells another builder (over the same shared texts) was
  // given from a later part of the same sheet's records, as if they had been
  // added here after these.  False, and nothing taken, when the later cells
  // hold texts of their own: their numbers would clash with these.
  bool Join(TWorksheetBuilder&& later);

  // Orders the cells (a position written twice keeps the later cell) and
  // indexes the rows.  The builder is spent afterwards.
  TWorksheet Finish();

 private:
  // Of a size known where it is called, so that the value's bytes are
  // copied as one move rather than through a call.
  template <std::size_t ValueSize>
  void Append(std::uint32_t row, std::uint32_t column, unsigned char tag, const void* value);
  void OrderCells();
  void JoinCells(const TWorksheetBuilder& later);

  TWorksheet sheet_;
  std::uint32_t sharedCount_ = 0;
  std::size_t cellCount_ = 0;
  bool ordered_ = true;
  bool anyCell_ = false;
  std::uint32_t cellRow_ = 0;     // row of the last cell added
  std::uint32_t cellColumn_ = 0;  // and its column
  std::uint32_t lastCellRow_ = 0;  // the highest row holding a cell
  std::uint32_t firstRow_ = UINT32_MAX, lastRow_ = 0, firstColumn_ = UINT32_MAX, lastColumn_ = 0;
  bool touched_ = false;
};

}  // namespace tabrin::detail
