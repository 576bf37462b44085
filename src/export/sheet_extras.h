#pragma once
// Objects a sheet can carry besides its rows: hyperlinks, notes, images (of
// workbook-wide pictures) and charts.  The sheets keep them so that settings
// survive copying between the component and its sheets; the workbook output
// does not write them yet.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "xls/format_model.h"

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
  int Transparency = 0;
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
};

struct TxlsNote {
  std::uint16_t Col = 0;
  std::uint16_t Row = 0;
  std::vector<std::string> Lines;
  TxlsNoteFormat Format;
};

struct TxlsPicture {
  std::string FileName;
  std::string Name;
};

struct TxlsImage {
  std::uint16_t Col = 0;
  std::uint16_t Row = 0;
  std::string PictureName;
  std::string Title;
  int Zoom = 100;
};

struct TxlsChart {
  std::string Title;
  std::vector<std::string> SeriesFields;  // column names whose data ranges it shows
};

}  // namespace tabrin
