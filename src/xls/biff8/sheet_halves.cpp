#include "xls/biff8/sheet_halves.h"

#include <algorithm>
#include <cstdint>

#include "xls/biff8/record_numbers.h"
#include "xls/model/little_endian.h"

namespace tabrin::detail {

namespace {

constexpr std::uint16_t kLastColumn = 255;

// Records in a row that must look like a sheet's cell records before a
// position counts as a record start; and how far past the middle one is
// looked for.
constexpr int kRecordsInStep = 16;
constexpr std::size_t kLookWithin = 64 * 1024;

// The records that hold cells and name their row and column first.
bool IsCellRecord(std::uint16_t type) {
  switch (type) {
    case biff::kNumber: case biff::kRk: case biff::kLabelSst: case biff::kLabel: case biff::kRString:
    case biff::kBoolErr: case biff::kFormula: case biff::kBlank: case biff::kMulRk: case biff::kMulBlank:
      return true;
    default:
      return false;
  }
}

// Whether the bytes at `at` (before end) read as a record of a sheet's cell
// area with a length that kind of record has; next: where the following
// record would start.
bool LooksLikeCellAreaRecord(std::string_view records, std::size_t at, std::size_t end, std::size_t& next) {
  if (at > end || end - at < 4) return false;
  const std::uint16_t type = GetU16(records.data() + at);
  const std::size_t length = GetU16(records.data() + at + 2);
  if (end - at - 4 < length) return false;
  bool fits = false;
  switch (type) {
    case biff::kLabelSst: case biff::kRk: fits = length == 10; break;
    case biff::kNumber: fits = length == 14; break;
    case biff::kBlank: fits = length == 6; break;
    case biff::kBoolErr: fits = length == 8; break;
    case biff::kFormula: fits = length >= 20; break;
    case biff::kMulRk: fits = length >= 12 && (length - 6) % 6 == 0; break;
    case biff::kMulBlank: fits = length >= 8 && length % 2 == 0; break;
    case biff::kLabel: case biff::kRString: fits = length >= 9; break;
    case biff::kString: fits = length >= 3; break;
    case biff::kRow: fits = length == 16; break;
    case biff::kDbCell: fits = length >= 4 && length % 2 == 0; break;
    default: break;
  }
  if (fits && IsCellRecord(type) && GetU16(records.data() + at + 6) > kLastColumn) fits = false;
  next = at + 4 + length;
  return fits;
}

// From a record start on, the first cell record whose row differs from that
// of the cell record before it; 0 when the sheet's cells (or the bytes) end
// first.
std::size_t NextRowStart(std::string_view records, std::size_t at, std::size_t end) {
  bool anyCell = false;
  std::uint16_t lastRow = 0;
  while (at <= end && end - at >= 4) {
    const std::uint16_t type = GetU16(records.data() + at);
    const std::size_t length = GetU16(records.data() + at + 2);
    if (end - at - 4 < length || type == biff::kBof || type == biff::kEof) return 0;
    if (IsCellRecord(type) && length >= 2) {
      const std::uint16_t row = GetU16(records.data() + at + 4);
      if (anyCell && row != lastRow) return at;
      anyCell = true;
      lastRow = row;
    }
    at += 4 + length;
  }
  return 0;
}

}  // namespace

std::size_t HalfwayRowStart(std::string_view records, std::size_t sheetBytes) {
  const std::size_t end = std::min(sheetBytes, records.size());
  const std::size_t middle = end / 2;
  const std::size_t lookUntil = std::min(end, middle + kLookWithin);
  for (std::size_t at = middle; at < lookUntil; ++at) {
    std::size_t next = at;
    int inStep = 0;
    while (inStep < kRecordsInStep && LooksLikeCellAreaRecord(records, next, end, next)) ++inStep;
    if (inStep == kRecordsInStep) return NextRowStart(records, at, end);
  }
  return 0;
}

}  // namespace tabrin::detail
