#pragma once
// A hook for tests on the second thread of a reader: the second expat
// parser's (piece_reading.h) as it hands over a piece it read, the
// inflating thread's (inflated_chunks.h) as it hands over a chunk.  Null
// but in tests, which make it throw to see that a failure there reaches
// the reading thread, which then reads the part by one expat parser.
namespace tabrin::detail {

inline void (*pieceReadHook)() = nullptr;

}  // namespace tabrin::detail
