#include "xls/ooxml/piece_cutter.h"

#include <algorithm>

namespace tabrin::detail {

std::size_t LastEndTag(const char* data, std::size_t size, std::string_view local) {
  const std::size_t length = local.size();
  for (std::size_t end = size; end >= length + 3; --end) {
    if (data[end - 1] != '>' || std::string_view(data + end - 1 - length, length) != local) continue;
    const std::size_t name = end - 1 - length;
    if (data[name - 1] == '/' && data[name - 2] == '<') return end;
    if (data[name - 1] != ':') continue;
    // A prefix: name characters back to "</".
    for (std::size_t at = name - 1; at > 1 && name - at < 32; --at) {
      const char c = data[at - 1];
      if (c == '/') {
        if (data[at - 2] == '<' && at < name - 1) return end;
        break;
      }
      if (c == '<' || c == '>' || c == ' ' || c == '"' || c == '\'' || c == '\n' || c == '\r' || c == '\t') break;
    }
  }
  return 0;
}

void TPieceCutter::Next(TPiece& piece) {
  piece.bytes.swap(carry_);
  carry_.clear();
  piece.cut = false;
  piece.last = false;
  std::size_t searched = 0;  // bytes already known to hold no cut
  for (;;) {
    while (!ended_ && piece.bytes.size() < std::max(kPieceBytes, searched + kPartRead)) Read(piece.bytes);
    if (ended_ && piece.bytes.size() <= kPieceBytes) {
      piece.last = true;
      return;
    }
    const std::size_t from = searched > 8 ? searched - 8 : 0;  // a tag may straddle
    const std::size_t cut = LastEndTag(piece.bytes.data() + from, piece.bytes.size() - from, endTag_);
    if (cut != 0) {
      carry_.assign(piece.bytes.begin() + static_cast<std::ptrdiff_t>(from + cut), piece.bytes.end());
      piece.bytes.resize(from + cut);
      piece.cut = true;
      piece.last = ended_ && carry_.empty();
      return;
    }
    searched = piece.bytes.size();
    if (ended_) {
      piece.last = true;
      return;
    }
    if (piece.bytes.size() >= kLargestPiece) return;  // neither cut nor last
  }
}

void TPieceCutter::Read(std::vector<char>& bytes) {
  const std::size_t size = bytes.size();
  bytes.resize(size + kPartRead);
  const std::size_t got = part_.Read(bytes.data() + size, kPartRead);
  bytes.resize(size + got);
  if (got == 0) ended_ = true;
}

}  // namespace tabrin::detail
