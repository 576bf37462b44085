#pragma once
// Where a handler stands in a part read in pieces (see piece_reading.h): the
// element depth, the lowest depth a piece went down to, the depth every
// piece begins and ends at, and where the last element end that may close a
// piece was.
#include <cstdint>

#include "xls/ooxml/xml_part.h"

namespace tabrin::detail {

// A handler calls Entered and Left for every element and NoteEnd at an
// element end a piece may stop after; whether nothing else is open there
// is the handler's own to say (settled below).
class TPieceBounds {
 public:
  void Watch(const TXmlStream* stream) { stream_ = stream; }
  void Entered() { ++depth_; }
  void Left() {
    --depth_;
    if (depth_ < lowest_) lowest_ = depth_;
  }
  void NoteEnd() {
    if (stream_ != nullptr) lastEnd_ = stream_->EventEnd();
  }
  // The last noted element end is where the fed bytes end.
  bool EndsAt(std::uint64_t fed) const { return lastEnd_ == fed; }
  // After the head: its depth becomes that of every piece.
  bool TakeBase(bool settled) {
    if (!settled) return false;
    baseDepth_ = depth_;
    return true;
  }
  void BeginPiece() { lowest_ = depth_; }
  // The piece left the parser where it began, never higher up.
  bool EndedPiece(bool settled) const { return depth_ == baseDepth_ && lowest_ >= baseDepth_ && settled; }

 private:
  const TXmlStream* stream_ = nullptr;
  long depth_ = 0, lowest_ = 0, baseDepth_ = -1;
  std::uint64_t lastEnd_ = UINT64_MAX;
};

}  // namespace tabrin::detail
