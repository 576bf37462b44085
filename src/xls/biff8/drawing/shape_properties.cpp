#include "xls/biff8/drawing/shape_properties.h"

#include <algorithm>

#include "xls/biff8/drawing/drawing_ids.h"

namespace tabrin {
namespace {

namespace prop = escher::prop;

std::uint32_t ColorRef(TxlsRgb rgb) { return rgb.red | (rgb.green << 8) | (static_cast<std::uint32_t>(rgb.blue) << 16); }

// Opacity in 1/65536: 65537 - 656 per percent of transparency, never below 0
// (fully transparent).
std::uint32_t Opacity(int transparency) {
  const int t = std::clamp(transparency, 0, 100);
  return static_cast<std::uint32_t>(std::max(0, 65537 - t * 656));
}

void AddOpacity(std::vector<TEscherProperty>& p, const TxlsNoteFormat& format) {
  if (format.Transparency != 0) p.push_back({prop::kFillOpacity, Opacity(format.Transparency), {}});
}

std::uint32_t ShadeFillType(TxlsNoteGradient gradient) {
  switch (gradient) {
    case ngrFromCorner: return escher::kFillShadeCenter;
    case ngrFromCenter: return escher::kFillShadeShape;
    default: return escher::kFillShadeScale;
  }
}

void AddFillAngle(std::vector<TEscherProperty>& p, TxlsNoteGradient gradient) {
  switch (gradient) {
    case ngrHorizontal: break;
    case ngrVertical: p.push_back({prop::kFillAngle, 0xFFA60000, {}}); break;
    case ngrDiagonalUp: p.push_back({prop::kFillAngle, 0xFF790000, {}}); break;
    case ngrDiagonalDown:
    case ngrFromCorner:
    case ngrFromCenter: p.push_back({prop::kFillAngle, 0xFFD30000, {}}); break;
  }
}

// A fill from the foreground to the background colour.
void AddGradientFill(std::vector<TEscherProperty>& p, const TxlsNoteFormat& format) {
  p.push_back({prop::kFillType, ShadeFillType(format.Gradient), {}});
  p.push_back({prop::kFillColor, ColorRef(format.ForegroundColor), {}});
  AddOpacity(p, format);
  p.push_back({prop::kFillBackColor, ColorRef(format.BackgroundColor), {}});
  AddFillAngle(p, format.Gradient);
  p.push_back({prop::kFillFocus, 100, {}});
  if (format.Gradient == ngrFromCenter) {
    for (std::uint16_t id = prop::kFillToLeft; id <= prop::kFillToBottom; ++id) p.push_back({id, 0x8000, {}});
  }
  p.push_back({prop::kFillShadePreset, 0x009D0000, {}});
}

void AddSolidFill(std::vector<TEscherProperty>& p, const TxlsNoteFormat& format) {
  p.push_back({prop::kFillColor, ColorRef(format.ForegroundColor), {}});
  AddOpacity(p, format);
}

}  // namespace

std::vector<TEscherProperty> NoteProperties(const TxlsNoteFormat& format, int k) {
  std::vector<TEscherProperty> p;
  // The note's text is locked.  Shape locks are Boolean properties that the
  // drawing format keeps together in the protection set, each lock with a
  // "use" bit 16 places above it: fLockText is bit 2, fUsefLockText bit 18.
  // The set holds no other lock, so every other one keeps its default.
  p.push_back({prop::kProtectionBooleans, 0x00040004, {}});
  p.push_back({prop::kTextId, static_cast<std::uint32_t>(k + 1), {}});
  if (k == 90) p.push_back({prop::kWrapText, 1, {}});
  p.push_back({prop::kTextBooleans, 0x00080008, {}});
  p.push_back({prop::kConnectionSiteType, 0, {}});
  if (format.FillType == nftGradient) {
    AddGradientFill(p, format);
  } else {
    AddSolidFill(p, format);
  }
  p.push_back({prop::kFillBooleans, 0x00110010, {}});
  p.push_back({prop::kShadowColor, 0, {}});
  p.push_back({prop::kShadowBooleans, 0x00030003, {}});
  p.push_back({prop::kGroupShapeBooleans, 0x000A0002, {}});
  return p;
}

std::vector<TEscherProperty> ImageProperties(const TxlsImage& image, int blipIndex) {
  const std::vector<std::uint8_t> title = EscherUtf16(image.Title);
  return {
      {prop::kProtectionBooleans, 0x00800000, {}},
      {prop::kPicture | prop::kBlipId, static_cast<std::uint32_t>(blipIndex), {}},
      {prop::kPictureName | prop::kBlipId | prop::kComplex, 0, title},
      {prop::kFillBooleans, 0x00010000, {}},
      {prop::kShapeBooleans, 0x00100000, {}},
      {prop::kShapeName | prop::kBlipId | prop::kComplex, 0, title},
      {prop::kGroupShapeBooleans, 0x00080000, {}},
  };
}

}  // namespace tabrin
