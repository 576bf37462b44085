#pragma once
// Builds a TWorksheet from cells that arrive one at a time, in sheet order
// or not: a reader notes every cell it meets (Touch for one that widens the
// used range without a value) and takes the finished sheet at the end.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "xls/workbook_reader.h"

namespace tabrin::detail {

class TWorksheetBuilder {
 public:
  TWorksheetBuilder(std::string name, std::shared_ptr<const TTextPool> sharedTexts);

  // A cell record without a value (a formatted blank, an empty text).
  void Touch(std::uint32_t row, std::uint32_t column);
  void AddValue(std::uint32_t row, std::uint32_t column, TCellKind kind, double value);
  // A text of the shared pool; the empty text only touches the cell.
  void AddSharedText(std::uint32_t row, std::uint32_t column, std::uint32_t index);
  // A text of the sheet's own.
  void AddOwnText(std::uint32_t row, std::uint32_t column, std::string_view text);
  std::size_t CellCount() const { return sheet_.cells_.size(); }

  // Orders the cells (a position written twice keeps the later cell) and
  // indexes the rows.  The builder is spent afterwards.
  TWorksheet Finish();

 private:
  void Append(std::uint32_t row, std::uint32_t column, TCellKind kind, double value, std::uint32_t text);

  TWorksheet sheet_;
  std::uint32_t sharedCount_ = 0;
  bool ordered_ = true;
  std::uint32_t firstRow_ = UINT32_MAX, lastRow_ = 0, firstColumn_ = UINT32_MAX, lastColumn_ = 0;
  bool touched_ = false;
};

}  // namespace tabrin::detail
