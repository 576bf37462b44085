#pragma once
// A worksheet cell of the common shape, read by the scanner straight from
// the bytes and handed over whole (and a row's start tag, read the same
// way): <c> with no attributes but r, s and t (unprefixed, each once, in
// any order, their values plain ASCII without references), empty or
// holding one <v> or one <is> with one <t>, none of them with attributes,
// nothing else inside, not even white space.
// The handler is given what its events would have given it, in one call
// instead of five.
#include <string_view>

namespace tabrin::detail {

struct TScannedCell {
  // The attribute values as C strings, "" where an attribute is missing.
  const char* ref = "";
  const char* style = "";
  const char* type = "";
  // The character data of <v> or <t>, as the handler's Text would have
  // received it.
  std::string_view value;
  bool hasValue = false;
};

// A handler that takes such cells.  While TakesCells() says so, the scanner
// hands every cell of the common shape to Cell and delivers no events for
// it, and hands the start tag of every row of plain attributes to Row;
// anything else still arrives as events.
class TScannedCellSink {
 public:
  virtual void Cell(const TScannedCell& cell) = 0;
  // In place of the start of a row element: the value of its first
  // attribute of the local name r, "" where there is none.  Its end still
  // arrives as an event.
  virtual void Row(std::string_view ref) = 0;
  bool TakesCells() const { return takesCells_; }

 protected:
  ~TScannedCellSink() = default;
  bool takesCells_ = false;
};

}  // namespace tabrin::detail
