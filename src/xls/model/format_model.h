#pragma once
// The cell-format model: what a cell looks like (font, borders, fill,
// alignment, wrap), independent of any file.  The export pipeline fills
// TxlsFormat objects; the registries (format_registry.h) turn each distinct
// combination into FONT / FORMAT / XF records.
//
// Colours are the 56 entries of the workbook palette; PaletteIndex() gives
// the index written into records, ColorRgb() the colour itself.
#include <array>
#include <cstdint>
#include <string>

namespace tabrin {

enum TxlsColor : std::uint8_t {
  clrBlack, clrBrown, clrOliveGreen, clrDarkGreen, clrDarkTeal, clrDarkBlue, clrIndigo,
  clrGray80Percent, clrDarkRed, clrOrange, clrDarkYellow, clrGreen, clrTeal, clrBlue,
  clrBlueGray, clrGray50Percent, clrRed, clrLightOrange, clrLime, clrSeaGreen, clrAqua,
  clrLightBlue, clrViolet, clrGray40Percent, clrPink, clrGold, clrYellow, clrBrightGreen,
  clrTurquoise, clrSkyBlue, clrPlum, clrGray25Percent, clrRose, clrTan, clrLightYellow,
  clrLihtGreen, clrLightTurquoise, clrPaleBlue, clrLavender, clrWhite, clrColor1, clrColor2,
  clrColor3, clrColor4, clrColor5, clrColor6, clrColor7, clrColor8, clrColor9, clrColor10,
  clrColor11, clrColor12, clrColor13, clrColor14, clrColor15, clrColor16
};
inline constexpr int kColorCount = 56;

struct TxlsRgb {
  std::uint8_t red, green, blue;
  friend bool operator==(const TxlsRgb&, const TxlsRgb&) = default;
};

// Palette index (8..63) of a colour.
std::uint8_t PaletteIndex(TxlsColor color);
TxlsRgb ColorRgb(TxlsColor color);
// The colour whose palette index this is (8..63); clrBlack for others.
TxlsColor ColorOfPaletteIndex(int paletteIndex);
// A platform (screen) colour to the model: the 15 basic colours map to their
// entries, anything else gives clrBlack.
TxlsColor ColorFromPlatformRgb(TxlsRgb rgb);

enum TxlsFontStyle : std::uint8_t { xfsBold = 1, xfsItalic = 2, xfsStrikeOut = 4 };
// A set of TxlsFontStyle bits (bit 0 bold, 1 italic, 2 strike-out).
using TxlsFontStyles = std::uint8_t;

enum TxlsFontScript : std::uint8_t { fscNone, fscSuperscript, fscSubscript };
enum TxlsFontUnderline : std::uint8_t {
  fulNone, fulSingle, fulDouble, fulSingleAccounting, fulDoubleAccounting
};
enum TxlsHorizontalAlignment : std::uint8_t { halGeneral, halLeft, halCenter, halRight, halFill };
enum TxlsVerticalAlignment : std::uint8_t { valTop, valCenter, valBottom, valJustify };
enum TxlsBorderStyle : std::uint8_t {
  bstNone, bstThin, bstMedium, bstDashed, bstDotted, bstThick, bstDouble, bstHair,
  bstMediumDashed, bstDashDot, bstMediumDashDot, bstDashDotDot, bstMediumDashDotDot,
  bstSlantedDashDot
};
enum TxlsPattern : std::uint8_t {
  ptNone, ptSolid, ptChess, ptWhiteSpots, ptBlackSpots, ptBoldHorizontal, ptBoldVertical,
  ptBoldDiagRight, ptBoldDiagLeft, ptBoldChess, ptRingMail, ptThinGorizontal, ptThinVertical,
  ptThinDiagLeft, ptThinDiagRight, ptCells, ptCrissCross, ptThinSpots, ptThinThinSpots
};
enum TxlsAggregate : std::uint8_t { aggNone, aggSum, aggAvg, aggMin, aggMax };

class TxlsFont {
 public:
  int Size = 10;                 // points
  TxlsFontStyles Style = 0;      // xfsBold | xfsItalic | xfsStrikeOut
  TxlsColor Color = clrBlack;
  TxlsFontScript Script = fscNone;
  TxlsFontUnderline Underline = fulNone;
  std::uint8_t Charset = 1;
  std::string Name = "arial";    // UTF-8; compared exactly (case-sensitive)
  // FONT index, set when the font is registered (not part of equality).
  std::uint16_t Index = 0;

  bool Has(TxlsFontStyle style) const { return (Style & style) != 0; }
  void Reset() { *this = TxlsFont(); }
  // Equal in every attribute but Index.
  bool SameAs(const TxlsFont& other) const;
  // arial 10, no style, black, no script, no underline, charset 1.
  bool IsDefault() const { return SameAs(TxlsFont()); }
};

struct TxlsBorder {
  TxlsBorderStyle Style = bstNone;
  TxlsColor Color = clrBlack;
  friend bool operator==(const TxlsBorder&, const TxlsBorder&) = default;
};

struct TxlsBorders {
  TxlsBorder Left, Right, Top, Bottom, DiagDown, DiagUp;
  bool AnyStyle() const;
  friend bool operator==(const TxlsBorders&, const TxlsBorders&) = default;
};

struct TxlsFill {
  TxlsColor Background = clrWhite;
  TxlsPattern Pattern = ptNone;
  TxlsColor Foreground = clrBlack;
  friend bool operator==(const TxlsFill&, const TxlsFill&) = default;
};

struct TxlsAlignment {
  TxlsHorizontalAlignment Horizontal = halGeneral;
  TxlsVerticalAlignment Vertical = valBottom;
  friend bool operator==(const TxlsAlignment&, const TxlsAlignment&) = default;
};

class TxlsFormat {
 public:
  TxlsFont Font;
  TxlsBorders Borders;
  TxlsFill Fill;
  TxlsAlignment Alignment;
  bool Wrap = false;
  std::string FieldName;  // ties a format to a data field; not part of Assign

  virtual ~TxlsFormat() = default;
  // Copies font, borders, fill, alignment and wrap (not the field name).
  void Assign(const TxlsFormat& source);
  void Reset();
  // True when every attribute has its default (arial 10 black, no borders,
  // white/none/black fill, general/bottom, no wrap).
  bool IsDefault() const;
  // Same font, borders, fill, alignment and wrap.
  bool SameLook(const TxlsFormat& other) const;
};

class TxlsFieldFormat : public TxlsFormat {
 public:
  int Width = 0;
  TxlsAggregate Aggregate = aggNone;
};

}  // namespace tabrin
