#pragma once
// Where a large sheet's records can be cut in two, for two threads to read
// a half each (see TWorkbookReader::ReadCells).
#include <cstddef>
#include <string_view>

namespace tabrin::detail {

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

}  // namespace tabrin::detail
