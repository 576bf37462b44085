#pragma once
// Objects a worksheet can carry besides its cells: hyperlinks, notes
// (comments) and images of workbook-wide pictures.  Row and Col are 1-based;
// 0 means "not placed".  Texts are UTF-8.
//
//   TxlsHyperlink  a title cell that links to a URL or a local file
//   TxlsNote       a comment box beside a cell
//   TxlsPictures   the pictures images refer to by name (names are unique
//                  without regard to case and never empty)
//   TxlsImage      one picture placed on a sheet
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/format_model.h"

namespace tabrin {

enum TxlsNoteFillType : std::uint8_t { nftSolid, nftGradient };
enum TxlsNoteOrientation : std::uint8_t { xrtNoRotation, xlrTopToBottom, xlrCounterClockWise, xlrClockWise };
enum TxlsNoteGradient : std::uint8_t {
  ngrHorizontal, ngrVertical, ngrDiagonalUp, ngrDiagonalDown, ngrFromCorner, ngrFromCenter
};

struct TxlsNoteFormat {
  TxlsNoteFormat() {
    Alignment.Horizontal = halLeft;
    Alignment.Vertical = valTop;
    Font.Name = "Tahoma";
    Font.Size = 8;
    Font.Style = xfsBold;
  }
  TxlsAlignment Alignment;
  TxlsRgb BackgroundColor{0xFF, 0xFF, 0xE1};
  TxlsRgb ForegroundColor{0xFF, 0xFF, 0xE1};
  TxlsNoteFillType FillType = nftSolid;
  TxlsFont Font;
  int Transparency = 0;  // percent, 0..100
  TxlsNoteOrientation Orientation = xrtNoRotation;
  TxlsNoteGradient Gradient = ngrHorizontal;
};

enum TxlsHyperlinkStyle : std::uint8_t { hlsURL, hlsLocalFile };

struct TxlsHyperlink {
  std::uint16_t Col = 0;
  std::uint16_t Row = 0;
  TxlsFormat Format;
  TxlsHyperlinkStyle Style = hlsURL;
  std::string Target;
  std::string Title;
  std::string ScreenTip;

  // Written only inside the sheet and with a title and a target.
  bool IsValid() const { return Col >= 1 && Col <= 256 && Row >= 1 && !Title.empty() && !Target.empty(); }
};

struct TxlsNote {
  std::uint16_t Col = 0;
  std::uint16_t Row = 0;
  std::vector<std::string> Lines;
  TxlsNoteFormat Format;

  // The text the note shows: the lines joined with line feeds, carriage
  // returns removed, blanks trimmed at both ends.
  std::string Text() const;
  // Written only inside the sheet (a note box needs a column to its right)
  // and with some text.
  bool IsValid() const { return Col >= 1 && Col <= 255 && Row >= 1 && !Text().empty(); }
};

class TxlsPictures;

class TxlsPicture {
 public:
  std::string FileName;  // UTF-8 path
  const std::string& Name() const { return name_; }

 private:
  friend class TxlsPictures;
  std::string name_;
};

class TxlsPictures {
 public:
  // Appends a picture named "Picture_n" with the smallest n from 0 up that
  // no picture of the collection uses.
  TxlsPicture& Add(std::string fileName = {});
  // Renames picture `index`.  Raises "A picture name cannot be empty" and
  // "A picture <name> already exists" (names compared without regard to case).
  void SetName(std::size_t index, std::string_view name);
  // The picture of that name (any letter case), or nullptr.
  const TxlsPicture* Find(std::string_view name) const;
  // 0-based position of the picture of that name, or -1.
  int IndexOf(std::string_view name) const;

  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  TxlsPicture& operator[](std::size_t i) { return items_[i]; }
  const TxlsPicture& operator[](std::size_t i) const { return items_[i]; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  void clear() { items_.clear(); }

 private:
  std::vector<TxlsPicture> items_;
};

struct TxlsImage {
  std::uint16_t Col = 0;
  std::uint16_t Row = 0;
  std::string PictureName;
  std::string Title;
  int Zoom = 100;  // percent
};

// "Image_n" with the smallest n from 0 up that no image of the list uses as
// its title.
std::string NextImageTitle(const std::vector<TxlsImage>& images);

// Kinds of picture files, by extension (without the dot, any letter case).
enum class TxlsPictureKind : std::uint8_t { Unknown, Wmf, Emf, Jpeg, Png, Gif, Bmp, Ico };
TxlsPictureKind PictureKindOfFile(std::string_view fileName);
// Upper-case name of a kind ("JPEG", "WMF", ...).
const char* PictureKindName(TxlsPictureKind kind);

}  // namespace tabrin
