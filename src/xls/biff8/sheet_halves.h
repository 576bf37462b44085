#pragma once
// Reading a large sheet's cell records in two halves on two threads: where
// the records can be cut in two, the state a reading hands over at the cut,
// and the protocol by which the later half's cells join the earlier's.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace tabrin {
class TTextPool;
}

namespace tabrin::detail {

class TBiffRecordCursor;
class TWorksheetBuilder;

// Where the reading of a sheet's cell records stands between records.
struct TCellReading {
  bool pendingString = false;  // a FORMULA whose text result follows in a STRING record
  std::uint16_t pendingRow = 0, pendingColumn = 0;
  int nesting = 0;  // embedded charts bring BOF..EOF blocks of their own
  bool Clean() const { return !pendingString && nesting == 0; }
};

inline constexpr std::size_t kReadToTheEnd = SIZE_MAX;

// Where a reading is to stop, which another thread may set meanwhile.  On
// a cache line of its own: a thread reads it at every record, so sharing
// the line with what the other thread writes all the time would stall both.
struct alignas(64) TReadingStop {
  std::atomic<std::size_t> offset{kReadToTheEnd};
};

// Reads cell records from the cursor on into cells: true after the sheet's
// EOF, false when the cursor stands at or past the stop (before the next
// record).  Raises TDamagedDocument for damage.
using TCellRecordsReader =
    std::function<bool(TBiffRecordCursor& cursor, const TReadingStop& stop, TCellReading& reading,
                       TWorksheetBuilder& cells)>;

// Room the packed cells of a sheet need at most, for the sheet's records
// taking recordBytes of the stream, so that they are allocated once without
// going through the records beforehand.  A cell record packs into fewer bytes
// than it has, row mark included, except a MULRK: 10 + 6n bytes for n cells
// give at most 5 + 7n, less than 7/6 of it.  A file whose records run on
// past that merely makes the cells grow again.
std::size_t PackedCellBound(std::size_t recordBytes);

// In records, the workbook stream from a sheet's BOF on, of which the sheet's
// own take at most sheetBytes: the start of a cell record past the middle of
// them whose row differs from that of the cell record before it.  Reading
// from there starts a row afresh, so that the later half's cells follow the
// earlier half's in order.  0 when none is found.
//
// Records cannot be told apart without going through them from the start,
// which would cost a good part of reading them.  Instead the first position
// past the middle that is followed by a run of records that look like a
// sheet's cell records (known kinds, with the lengths they have) is taken
// for a record start.  That is a guess: the reader that arrives there
// record by record from the start decides whether it was one.
std::size_t HalfwayRowStart(std::string_view records, std::size_t sheetBytes);

// Reads a sheet's cell records, from the cursor (just past the sheet's BOF
// in records) to the sheet's EOF, into cells, with readRecords, as reading
// straight through would: the same cells and the same errors.  Meanwhile a
// second thread reads the later half into cells of its own, over the same
// shared texts (see the .cpp file).  Where no thread can be had, all of it
// is read on the calling thread.
void ReadCellsInHalves(std::string_view records, std::size_t sheetBytes, TBiffRecordCursor& cursor,
                       TWorksheetBuilder& cells, const std::shared_ptr<const TTextPool>& sharedTexts,
                       const TCellRecordsReader& readRecords);

}  // namespace tabrin::detail
