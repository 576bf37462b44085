#include "xls/biff8/sheet_halves.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "xls/biff8/biff_reader.h"
#include "xls/biff8/record_numbers.h"
#include "xls/model/little_endian.h"
#include "xls/model/worksheet_builder.h"

namespace tabrin::detail {

namespace {

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
  if (fits && IsCellRecord(type) && GetU16(records.data() + at + 6) > biff::kLastColumn) fits = false;
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

// What the second thread makes of the later half.
struct TLaterHalf {
  std::optional<TWorksheetBuilder> cells;  // none: no row start found, or the reading failed
  bool ended = false;         // read to the sheet's EOF, else stopped:
  std::size_t stoppedAt = 0;  // before this record,
  TCellReading reading;       // in this state
};

// The second thread's work: from the first row start past the middle of the
// records (published in halfway for the first thread) until told to stop
// or the sheet ends.
void ReadLaterHalf(std::string_view records, std::size_t sheetBytes, const std::shared_ptr<const TTextPool>& sharedTexts,
                   const TCellRecordsReader& readRecords, TReadingStop& halfway, const TReadingStop& stop,
                   TLaterHalf& later) noexcept {
  try {
    const std::size_t start = HalfwayRowStart(records, sheetBytes);
    if (start == 0) return;
    halfway.offset.store(start, std::memory_order_relaxed);
    later.cells.emplace(std::string(), sharedTexts);
    later.cells->Reserve(PackedCellBound(sheetBytes - start));
    TBiffRecordCursor cursor(records, start);
    later.ended = readRecords(cursor, stop, later.reading, *later.cells);
    later.stoppedAt = cursor.Offset();
  } catch (...) {
    // Dropped on purpose: the later half then does not join, and the first
    // thread reads on straight through from the middle, so that it meets
    // the same damage itself and reports it as reading straight through
    // does.
    later.cells.reset();
  }
}

// The second thread reads the records and writes its results into what the
// first thread holds: however the first thread leaves (an error in its own
// half included), the second is told to stop at its next record and is
// joined before any of that goes.
class TLaterHalfThread {
 public:
  TLaterHalfThread(std::thread thread, TReadingStop& stop) : thread_(std::move(thread)), stop_(stop) {}
  TLaterHalfThread(const TLaterHalfThread&) = delete;
  TLaterHalfThread& operator=(const TLaterHalfThread&) = delete;
  ~TLaterHalfThread() { StopAndJoin(); }

  void StopAndJoin() {
    stop_.offset.store(0, std::memory_order_relaxed);
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
  TReadingStop& stop_;
};

// Takes over the later half's cells; false, with nothing changed, when they
// cannot be (own texts among them, or no room for them).
bool JoinLaterCells(TWorksheetBuilder& cells, TLaterHalf& later) {
  try {
    return later.cells && cells.Join(std::move(*later.cells));
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

std::size_t PackedCellBound(std::size_t recordBytes) { return recordBytes + recordBytes / 6 + 16; }

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

// The first thread reads from the start while the second looks for the start
// of a row past the middle and reads from there into cells of its own.  The
// second's cells count only if the first, reading from the start, arrives at
// exactly that record with nothing pending, so that reading straight on
// would have met the same records in the same state.  Then the second stops
// where it has got to, its cells join the first's, and the first reads on
// from there in the state the second left: neither waits for the other,
// however their shares of the machine fall.  Anything else (the sheet ending
// first, the first thread past that record before it was found, damage or
// own texts in the later half) and the first thread reads the rest itself,
// as it would without the halves, with the same results and messages.
void ReadCellsInHalves(std::string_view records, std::size_t sheetBytes, TBiffRecordCursor& cursor,
                       TWorksheetBuilder& cells, const std::shared_ptr<const TTextPool>& sharedTexts,
                       const TCellRecordsReader& readRecords) {
  TCellReading reading;
  const TReadingStop readToTheEnd;
  TReadingStop halfway;    // kReadToTheEnd until the second thread has found it
  TReadingStop laterStop;  // 0: stop where you are
  TLaterHalf later;
  std::optional<TLaterHalfThread> laterThread;
  try {
    std::thread thread(
        [&] { ReadLaterHalf(records, sheetBytes, sharedTexts, readRecords, halfway, laterStop, later); });
    laterThread.emplace(std::move(thread), laterStop);
  } catch (const std::system_error&) {  // no second thread to be had: read straight through
    readRecords(cursor, readToTheEnd, reading, cells);
    return;
  }
  const bool ended = readRecords(cursor, halfway, reading, cells);
  laterThread->StopAndJoin();
  if (ended) return;
  if (cursor.Offset() == halfway.offset.load(std::memory_order_relaxed) && reading.Clean() &&
      JoinLaterCells(cells, later)) {
    if (later.ended) return;
    cursor = TBiffRecordCursor(records, later.stoppedAt);
    reading = later.reading;
  }
  later.cells.reset();  // cells that did not join go before the rest is read
  readRecords(cursor, readToTheEnd, reading, cells);
}

}  // namespace tabrin::detail
