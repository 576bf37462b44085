#include "xls/model/worksheet_builder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>
#include <vector>

#include "xls/model/little_endian.h"

namespace tabrin::detail {

namespace {

constexpr double k1904Offset = 1462;  // days from 1899-12-30 to 1904-01-01

// The packed form of a cell: a tag, the column (2 bytes) and the value.  A
// row mark (tag and 4-byte row) stands before the first cell of each row.
// Integers are little-endian; doubles are as the machine holds them.
enum TPackedTag : unsigned char {
  kRowMark,
  kNumber,      // 8-byte double
  kDateTime,    // 8-byte day count
  kRkNumber,    // 4-byte RK
  kRkDate1900,  // 4-byte RK day number of the 1900 date system
  kRkDate1904,  // and of the 1904 system
  kText,        // 4-byte text index
  kBoolean,     // 1 byte
  kError,       // 1-byte error code
};

constexpr std::size_t PackedSize(unsigned char tag) {
  switch (tag) {
    case kRowMark: return kPackedRowMark;
    case kNumber: case kDateTime: return kPackedNumber;
    case kRkNumber: case kRkDate1900: case kRkDate1904: return kPackedRk;
    case kText: return kPackedText;
    default: return kPackedFlag;
  }
}

// RK: a number packed in 32 bits (an integer or the top of a double,
// optionally divided by 100).
double DecodeRk(std::uint32_t rk) {
  double value = 0;
  if ((rk & 0x02) != 0) {
    value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
  } else {
    value = std::bit_cast<double>(static_cast<std::uint64_t>(rk & 0xFFFFFFFC) << 32);
  }
  return (rk & 0x01) != 0 ? value / 100 : value;
}

// A 32-bit value (an RK number, a text index) as the packed cells hold it.
std::array<std::uint8_t, 4> Packed32(std::uint32_t value) {
  std::array<std::uint8_t, 4> bytes;
  PutU32(bytes.data(), value);
  return bytes;
}

}  // namespace

double DayCount(double serial, bool dates1904) {
  if (dates1904) return serial + k1904Offset;
  return serial >= 1 && serial < 61 ? serial + 1 : serial;
}

const unsigned char* DecodeSheetCell(const unsigned char* at, std::uint32_t row, TSheetCell& cell) {
  if (*at == kRowMark) at += kPackedRowMark;
  const unsigned char tag = at[0];
  cell.row = row;
  cell.column = GetU16(at + 1);
  cell.text = 0;
  const unsigned char* value = at + 3;
  switch (tag) {
    case kNumber:
    case kDateTime:
      std::memcpy(&cell.number, value, sizeof cell.number);
      cell.kind = tag == kNumber ? TCellKind::ckNumber : TCellKind::ckDateTime;
      break;
    case kRkNumber:
      cell.number = DecodeRk(GetU32(value));
      cell.kind = TCellKind::ckNumber;
      break;
    case kRkDate1900:
    case kRkDate1904:
      cell.number = DayCount(DecodeRk(GetU32(value)), tag == kRkDate1904);
      cell.kind = TCellKind::ckDateTime;
      break;
    case kText:
      cell.number = 0;
      cell.text = GetU32(value);
      cell.kind = TCellKind::ckText;
      break;
    default:
      cell.number = *value;
      cell.kind = tag == kBoolean ? TCellKind::ckBoolean : TCellKind::ckError;
      break;
  }
  return at + PackedSize(tag);
}

TWorksheetBuilder::TWorksheetBuilder(std::string name, std::shared_ptr<const TTextPool> sharedTexts) {
  sheet_.name_ = std::move(name);
  sharedCount_ = sharedTexts ? sharedTexts->Count() : 0;
  if (sharedTexts) sheet_.sharedTexts_ = std::move(sharedTexts);
}

void TWorksheetBuilder::Touch(std::uint32_t row, std::uint32_t column) {
  touched_ = true;
  firstRow_ = std::min(firstRow_, row);
  lastRow_ = std::max(lastRow_, row);
  firstColumn_ = std::min(firstColumn_, column);
  lastColumn_ = std::max(lastColumn_, column);
}

// Packs one cell (after a row mark when the row changes) and notes whether
// the cells still come in order.
template <std::size_t ValueSize>
void TWorksheetBuilder::Append(std::uint32_t row, std::uint32_t column, unsigned char tag, const void* value) {
  Touch(row, column);
  TPackedCells& cells = sheet_.cells_;
  const bool newRow = !anyCell_ || row != cellRow_;
  if (anyCell_ && (row < cellRow_ || (row == cellRow_ && column <= cellColumn_))) ordered_ = false;
  unsigned char packed[TPackedCells::kLargestCell] = {};
  static_assert(kPackedRowMark + kPackedNumber <= TPackedCells::kLargestCell);
  std::size_t size = 0;
  if (newRow) {
    if (ordered_) {
      std::vector<std::uint32_t>& starts = sheet_.rowStarts_;
      while (starts.size() <= row) starts.push_back(static_cast<std::uint32_t>(cells.size()));
    }
    packed[0] = kRowMark;
    PutU32(packed + 1, row);
    size = kPackedRowMark;
  }
  packed[size] = tag;
  PutU16(packed + size + 1, static_cast<std::uint16_t>(column));
  std::memcpy(packed + size + 3, value, ValueSize);
  size += 3 + ValueSize;
  // Row offsets are 32-bit: no sheet that fits in memory comes near.
  if (cells.size() + size > UINT32_MAX) throw std::bad_alloc();
  cells.AppendCell(packed, size);
  anyCell_ = true;
  cellRow_ = row;
  cellColumn_ = column;
  lastCellRow_ = std::max(lastCellRow_, row);
  ++cellCount_;
}

void TWorksheetBuilder::AddValue(std::uint32_t row, std::uint32_t column, TCellKind kind, double value) {
  if (kind == TCellKind::ckBoolean || kind == TCellKind::ckError) {
    const auto flag = static_cast<unsigned char>(value);
    Append<1>(row, column, kind == TCellKind::ckBoolean ? kBoolean : kError, &flag);
    return;
  }
  Append<sizeof value>(row, column, kind == TCellKind::ckDateTime ? kDateTime : kNumber, &value);
}

void TWorksheetBuilder::AddRk(std::uint32_t row, std::uint32_t column, std::uint32_t rk, TRkKind kind) {
  const unsigned char tag = kind == TRkKind::rkNumber ? kRkNumber : kind == TRkKind::rkDate1900 ? kRkDate1900 : kRkDate1904;
  Append<4>(row, column, tag, Packed32(rk).data());
}

void TWorksheetBuilder::AddSharedText(std::uint32_t row, std::uint32_t column, std::uint32_t index) {
  if (sheet_.sharedTexts_->At(index).empty()) return Touch(row, column);
  Append<4>(row, column, kText, Packed32(index).data());
}

void TWorksheetBuilder::AddOwnText(std::uint32_t row, std::uint32_t column, std::string_view text) {
  if (text.empty()) return Touch(row, column);
  const std::uint32_t index = sharedCount_ + sheet_.ownTexts_->Add(text);
  Append<4>(row, column, kText, Packed32(index).data());
}

bool TWorksheetBuilder::Join(TWorksheetBuilder&& later) {
  if (later.sheet_.ownTexts_->Count() > 0) return false;
  if (later.anyCell_) JoinCells(later);
  if (later.touched_) {
    Touch(later.firstRow_, later.firstColumn_);
    Touch(later.lastRow_, later.lastColumn_);
  }
  return true;
}

// The cells themselves; should room for them fail, nothing has changed.
void TWorksheetBuilder::JoinCells(const TWorksheetBuilder& later) {
  TPackedCells& cells = sheet_.cells_;
  const TPackedCells& laterCells = later.sheet_.cells_;
  const std::uint32_t laterFirstRow = GetU32(laterCells.data() + 1);  // the later cells begin with a row mark
  const std::size_t offset = cells.size();
  if (offset + laterCells.size() > UINT32_MAX) throw std::bad_alloc();
  cells.resize(offset + laterCells.size());
  std::memcpy(cells.begin() + offset, laterCells.data(), laterCells.size());
  if (ordered_ && later.ordered_ && (!anyCell_ || laterFirstRow > cellRow_)) {
    // The later rows' starts, counted from its first cell, move behind these
    // cells; so do the rows between the two halves, empty, which it starts
    // at its first cell.
    std::vector<std::uint32_t>& starts = sheet_.rowStarts_;
    const std::vector<std::uint32_t>& laterStarts = later.sheet_.rowStarts_;
    for (std::size_t row = starts.size(); row < laterStarts.size(); ++row) {
      starts.push_back(laterStarts[row] + static_cast<std::uint32_t>(offset));
    }
  } else {
    ordered_ = false;  // ordered when finished, row marks and all
  }
  anyCell_ = true;
  cellRow_ = later.cellRow_;
  cellColumn_ = later.cellColumn_;
  lastCellRow_ = std::max(lastCellRow_, later.lastCellRow_);
  cellCount_ += later.cellCount_;
}

// Cells that came out of order: each is moved to its row's place, then the
// cells of each row are ordered by column, a position written twice keeping
// the later cell.  Takes the packed cells once more, not more.
void TWorksheetBuilder::OrderCells() {
  TPackedCells arrived;
  arrived.swap(sheet_.cells_);
  const std::size_t rows = std::size_t{lastCellRow_} + 1;
  std::vector<std::uint32_t> starts(rows + 1, 0);
  const auto forEachCell = [&](auto&& visit) {
    std::uint32_t row = 0;
    for (std::size_t at = 0; at < arrived.size();) {
      if (arrived[at] == kRowMark) {
        row = GetU32(&arrived[at + 1]);
        at += kPackedRowMark;
        continue;
      }
      const std::size_t size = PackedSize(arrived[at]);
      visit(row, at, size);
      at += size;
    }
  };
  forEachCell([&](std::uint32_t row, std::size_t, std::size_t size) { starts[row + 1] += static_cast<std::uint32_t>(size); });
  for (std::size_t row = 0; row < rows; ++row) starts[row + 1] += starts[row];
  TPackedCells& cells = sheet_.cells_;
  cells.resize(starts[rows]);
  {
    std::vector<std::uint32_t> next(starts.begin(), starts.end() - 1);
    forEachCell([&](std::uint32_t row, std::size_t at, std::size_t size) {
      std::memcpy(&cells[next[row]], &arrived[at], size);
      next[row] += static_cast<std::uint32_t>(size);
    });
  }
  TPackedCells().swap(arrived);

  struct TPlaced {
    std::uint16_t column;
    std::uint32_t at;
    std::uint32_t size;
  };
  std::vector<TPlaced> row;
  std::vector<unsigned char> ordered;
  std::size_t kept = 0;  // end of the rows done so far, which only shrink
  for (std::size_t r = 0; r < rows; ++r) {
    const std::uint32_t begin = starts[r], end = starts[r + 1];
    row.clear();
    for (std::uint32_t at = begin; at < end;) {
      const auto size = static_cast<std::uint32_t>(PackedSize(cells[at]));
      row.push_back({GetU16(&cells[at + 1]), at, size});
      at += size;
    }
    const auto byColumn = [](const TPlaced& a, const TPlaced& b) { return a.column < b.column; };
    std::stable_sort(row.begin(), row.end(), byColumn);
    ordered.clear();
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i + 1 < row.size() && row[i + 1].column == row[i].column) continue;  // a later cell replaces it
      ordered.insert(ordered.end(), cells.begin() + row[i].at, cells.begin() + row[i].at + row[i].size);
    }
    starts[r] = static_cast<std::uint32_t>(kept);
    if (!ordered.empty()) std::memcpy(&cells[kept], ordered.data(), ordered.size());
    kept += ordered.size();
  }
  starts[rows] = static_cast<std::uint32_t>(kept);
  cells.resize(kept);
  sheet_.rowStarts_ = std::move(starts);
}

TWorksheet TWorksheetBuilder::Finish() {
  if (!ordered_) {
    OrderCells();
  } else if (anyCell_) {
    sheet_.rowStarts_.push_back(static_cast<std::uint32_t>(sheet_.cells_.size()));
  }
  if (touched_) {
    sheet_.firstRow_ = static_cast<int>(firstRow_);
    sheet_.lastRow_ = static_cast<int>(lastRow_);
    sheet_.firstColumn_ = static_cast<int>(firstColumn_);
    sheet_.lastColumn_ = static_cast<int>(lastColumn_);
  }
  return std::move(sheet_);
}

}  // namespace tabrin::detail
