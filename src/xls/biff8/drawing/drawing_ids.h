#pragma once
// The numbers of the drawing records by name: Office Drawing ("escher")
// record types, picture kinds, shape types and flags, the ids of the shape
// properties this writer sets, and the sub-records and object types of the
// BIFF8 OBJ record that follows each shape.
#include <cstdint>

namespace tabrin {

namespace escher {

// Record types.
inline constexpr std::uint16_t kDggContainer = 0xF000;
inline constexpr std::uint16_t kBStoreContainer = 0xF001;
inline constexpr std::uint16_t kDgContainer = 0xF002;
inline constexpr std::uint16_t kSpgrContainer = 0xF003;
inline constexpr std::uint16_t kSpContainer = 0xF004;
inline constexpr std::uint16_t kDgg = 0xF006;
inline constexpr std::uint16_t kBse = 0xF007;
inline constexpr std::uint16_t kDg = 0xF008;
inline constexpr std::uint16_t kSpgr = 0xF009;
inline constexpr std::uint16_t kSp = 0xF00A;
inline constexpr std::uint16_t kOpt = 0xF00B;
inline constexpr std::uint16_t kClientTextbox = 0xF00D;
inline constexpr std::uint16_t kClientAnchor = 0xF010;
inline constexpr std::uint16_t kClientData = 0xF011;
inline constexpr std::uint16_t kSplitMenuColors = 0xF11E;
inline constexpr std::uint16_t kBlipJpeg = 0xF01D;
inline constexpr std::uint16_t kBlipPng = 0xF01E;
inline constexpr std::uint16_t kBlipDib = 0xF01F;

// Kinds of stored pictures (the instance of a store entry, and its type
// bytes), and the instance of the picture record of each kind: one 16-byte
// identifier, no second one.
inline constexpr std::uint8_t kBlipTypeJpeg = 5;
inline constexpr std::uint8_t kBlipTypePng = 6;
inline constexpr std::uint8_t kBlipTypeDib = 7;
inline constexpr std::uint16_t kBlipJpegInstance = 0x046A;
inline constexpr std::uint16_t kBlipPngInstance = 0x06E0;
inline constexpr std::uint16_t kBlipDibInstance = 0x07A8;

// Shape types (the instance of a shape record).
inline constexpr std::uint16_t kShapeTypeNone = 0;  // of the group shape
inline constexpr std::uint16_t kShapeTypePictureFrame = 75;
inline constexpr std::uint16_t kShapeTypeTextBox = 202;

// Flags of a shape record.
inline constexpr std::uint32_t kShapeGroup = 0x0001;
inline constexpr std::uint32_t kShapePatriarch = 0x0004;
inline constexpr std::uint32_t kShapeHasAnchor = 0x0200;
inline constexpr std::uint32_t kShapeHasType = 0x0800;

// Property ids.  A Boolean-set id (ending in F) holds up to 16 flags, each
// with a "use" bit 16 places above it that says the flag is given.
namespace prop {
inline constexpr std::uint16_t kBlipId = 0x4000;   // the value is a picture store position
inline constexpr std::uint16_t kComplex = 0x8000;  // the value is the length of data after the table
inline constexpr std::uint16_t kProtectionBooleans = 0x007F;
inline constexpr std::uint16_t kTextId = 0x0080;
inline constexpr std::uint16_t kWrapText = 0x0085;
inline constexpr std::uint16_t kTextBooleans = 0x00BF;
inline constexpr std::uint16_t kPicture = 0x0104;
inline constexpr std::uint16_t kPictureName = 0x0105;
inline constexpr std::uint16_t kConnectionSiteType = 0x0158;
inline constexpr std::uint16_t kFillType = 0x0180;
inline constexpr std::uint16_t kFillColor = 0x0181;
inline constexpr std::uint16_t kFillOpacity = 0x0182;
inline constexpr std::uint16_t kFillBackColor = 0x0183;
inline constexpr std::uint16_t kFillAngle = 0x018B;
inline constexpr std::uint16_t kFillFocus = 0x018C;
inline constexpr std::uint16_t kFillToLeft = 0x018D;  // then top, right, bottom
inline constexpr std::uint16_t kFillToBottom = 0x0190;
inline constexpr std::uint16_t kFillShadePreset = 0x0196;
inline constexpr std::uint16_t kFillBooleans = 0x01BF;
inline constexpr std::uint16_t kLineColor = 0x01C0;
inline constexpr std::uint16_t kShadowColor = 0x0201;
inline constexpr std::uint16_t kShadowBooleans = 0x023F;
inline constexpr std::uint16_t kShapeBooleans = 0x033F;
inline constexpr std::uint16_t kShapeName = 0x0380;
inline constexpr std::uint16_t kGroupShapeBooleans = 0x03BF;
}  // namespace prop

// Fill types of a shaded (gradient) fill.
inline constexpr std::uint32_t kFillShadeCenter = 5;
inline constexpr std::uint32_t kFillShadeShape = 6;
inline constexpr std::uint32_t kFillShadeScale = 7;

}  // namespace escher

// The OBJ record: a list of sub-records (id u16, body length u16, body),
// the first one the common object data, the last one the end.
namespace obj {

inline constexpr std::uint16_t kFtEnd = 0x0000;
inline constexpr std::uint16_t kFtCf = 0x0007;        // clipboard format of a picture
inline constexpr std::uint16_t kFtPioGrbit = 0x0008;  // picture options
inline constexpr std::uint16_t kFtNts = 0x000D;       // note structure
inline constexpr std::uint16_t kFtCmo = 0x0015;       // common object data

// Object types of the common object data.
inline constexpr std::uint16_t kTypePicture = 8;
inline constexpr std::uint16_t kTypeNote = 25;

// Flags of the common object data: locked, printed.
inline constexpr std::uint16_t kLockedAndPrinted = 0x0011;

// Clipboard formats of a picture: a bitmap, or neither bitmap nor metafile.
inline constexpr std::uint16_t kCfBitmap = 0x0009;
inline constexpr std::uint16_t kCfNative = 0xFFFF;

}  // namespace obj

}  // namespace tabrin
