#pragma once
// What a handler of a part read in pieces (see piece_reading.h) shares with
// every other: where it sends what it finds, and where it stands in the
// part.
#include <cstdint>

#include "xls/ooxml/xml_part.h"

namespace tabrin::detail {

// Where a handler stands: the element depth, the lowest depth a piece went
// down to, the depth every piece begins and ends at, and where the last
// element end that may close a piece was.  A handler calls Entered and Left
// for every element and NoteEnd at an element end a piece may stop after;
// whether nothing else is open there is the handler's own to say (settled
// below).
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

// A handler that sends what it finds to the target (a sheet's builder, the
// shared strings) or, for a piece read before the pieces ahead of it are
// in, to a list of that piece.
template <class TTarget, class TList>
class TPieceHandler : public TXmlHandler {
 public:
  // Where what is found goes: into the target, into a list, or (neither)
  // nowhere.
  void SendTo(TTarget* target, TList* list) {
    target_ = target;
    list_ = list;
  }
  // The parser whose events arrive, for their positions in a piece.
  void Watch(const TXmlStream* stream) { bounds_.Watch(stream); }
  // After the first piece: true when it ended at a place where the part can
  // be cut, which becomes the depth every later piece begins and ends at.
  bool TakeBase(std::uint64_t fed) { return bounds_.TakeBase(Settled(fed)); }
  void BeginPiece() {
    bounds_.BeginPiece();
    PieceBegins();
  }
  bool EndedPiece(std::uint64_t fed) const { return bounds_.EndedPiece(Settled(fed)); }

 protected:
  // Nothing open that the next bytes could continue, fed bytes in all.
  virtual bool Settled(std::uint64_t fed) const = 0;
  virtual void PieceBegins() {}

  TTarget* target_ = nullptr;
  TList* list_ = nullptr;
  TPieceBounds bounds_;
};

}  // namespace tabrin::detail
