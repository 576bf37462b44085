#pragma once
// Cutting a part into pieces for two parsers (see piece_reading.h): the
// inflated XML in pieces of about a quarter megabyte, each ending just past
// an end tag of one name where it can.
#include <cstddef>
#include <string_view>
#include <vector>

#include "xls/ooxml/zip_package.h"

namespace tabrin::detail {

// Pieces are about this big; a piece without a cut in eight times that many
// bytes ends the splitting, and the rest is read by one parser.
inline constexpr std::size_t kPieceBytes = std::size_t{256} << 10;
inline constexpr std::size_t kLargestPiece = 8 * kPieceBytes;
inline constexpr std::size_t kPartRead = std::size_t{128} << 10;

// Where bytes can be cut: just past the last end tag of that local name
// ("</row>", "</x:row>").  0 when there is none.
std::size_t LastEndTag(const char* data, std::size_t size, std::string_view local);

struct TPiece {
  std::vector<char> bytes;
  bool cut = false;   // ends just past the end tag
  bool last = false;  // the end of the part
};

// Inflates a part into pieces that end after an end tag of one name.
class TPieceCutter {
 public:
  TPieceCutter(TPartReader& part, std::string_view endTag) : part_(part), endTag_(endTag) {}

  void Next(TPiece& piece);

 private:
  void Read(std::vector<char>& bytes);

  TPartReader& part_;
  const std::string_view endTag_;
  std::vector<char> carry_;
  bool ended_ = false;
};

}  // namespace tabrin::detail
