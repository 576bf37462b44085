// The drawing objects of a worksheet (notes and images) and the workbook's
// drawing group.
//
// A sheet with objects gets one drawing (drawing ids count from 1): a
// drawing container holding a group of shapes.  Shape ids come in clusters
// of 1024; a drawing takes the next free cluster c (more when it needs
// them), the group gets 1024 c and the shapes 1024 c + 1, 1024 c + 2, ...  The container is
// written in pieces, one MSODRAWING record per shape with the shape's OBJ
// record (and for a note its text box, TXO and text) after it; the first
// piece carries the container's own header, whose lengths count every piece.
// The NOTE records that tie notes to their cells follow all of them.
#include <algorithm>
#include <cmath>

#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"
#include "xls/biff8/biff_record.h"
#include "xls/biff8/drawing/drawing_ids.h"
#include "xls/biff8/drawing/escher_builder.h"
#include "xls/biff8/drawing/image_anchor.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin {
namespace {

constexpr std::uint32_t kShapeFlags = escher::kShapeHasAnchor | escher::kShapeHasType;
// UTF-16 units of note text per CONTINUE record (after its option byte).
constexpr std::size_t kTextUnitsPerRecord = (biff::kMaxRecordBody - 1) / 2;

std::uint32_t ColorRef(TxlsRgb rgb) { return rgb.red | (rgb.green << 8) | (static_cast<std::uint32_t>(rgb.blue) << 16); }

// Opacity in 1/65536: 65537 - 656 per percent of transparency, never below 0
// (fully transparent).
std::uint32_t Opacity(int transparency) {
  const int t = std::clamp(transparency, 0, 100);
  return static_cast<std::uint32_t>(std::max(0, 65537 - t * 656));
}

namespace prop = escher::prop;

std::vector<TEscherProperty> NoteProperties(const TxlsNoteFormat& format, int k) {
  // In ascending order of ids, as readers expect.
  std::vector<TEscherProperty> p;
  // The note's text is locked.  Shape locks are Boolean properties that the
  // drawing format keeps together in the protection set 0x007F, each lock
  // with a "use" bit 16 places above it: fLockText is bit 2, fUsefLockText
  // bit 18.  The set holds no other lock, so every other one keeps its
  // default.
  p.push_back({prop::kProtectionBooleans, 0x00040004, {}});
  p.push_back({prop::kTextId, static_cast<std::uint32_t>(k + 1), {}});
  if (k == 90) p.push_back({prop::kWrapText, 1, {}});
  p.push_back({prop::kTextBooleans, 0x00080008, {}});
  p.push_back({prop::kConnectionSiteType, 0, {}});
  const auto transparency = [&] {
    if (format.Transparency != 0) p.push_back({prop::kFillOpacity, Opacity(format.Transparency), {}});
  };
  if (format.FillType == nftGradient) {
    const std::uint32_t fillType =
        format.Gradient == ngrFromCorner   ? escher::kFillShadeCenter
        : format.Gradient == ngrFromCenter ? escher::kFillShadeShape
                                           : escher::kFillShadeScale;
    p.push_back({prop::kFillType, fillType, {}});
    p.push_back({prop::kFillColor, ColorRef(format.ForegroundColor), {}});
    transparency();
    p.push_back({prop::kFillBackColor, ColorRef(format.BackgroundColor), {}});
    switch (format.Gradient) {
      case ngrHorizontal: break;
      case ngrVertical: p.push_back({prop::kFillAngle, 0xFFA60000, {}}); break;
      case ngrDiagonalUp: p.push_back({prop::kFillAngle, 0xFF790000, {}}); break;
      case ngrDiagonalDown:
      case ngrFromCorner:
      case ngrFromCenter: p.push_back({prop::kFillAngle, 0xFFD30000, {}}); break;
    }
    p.push_back({prop::kFillFocus, 100, {}});
    if (format.Gradient == ngrFromCenter) {
      for (std::uint16_t id = prop::kFillToLeft; id <= prop::kFillToBottom; ++id) p.push_back({id, 0x8000, {}});
    }
    p.push_back({prop::kFillShadePreset, 0x009D0000, {}});
  } else {
    p.push_back({prop::kFillColor, ColorRef(format.ForegroundColor), {}});
    transparency();
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

TxlsClientAnchor NoteAnchor(const TxlsNote& note) {
  TxlsClientAnchor anchor;
  anchor.Flags = 3;
  anchor.FirstCol = note.Col;  // the box starts one column right of the cell
  anchor.FirstRow = static_cast<std::uint16_t>(note.Row < 3 ? 0 : note.Row - 2);
  anchor.LastCol = static_cast<std::uint16_t>(note.Col + 2);
  anchor.LastRow = static_cast<std::uint16_t>(anchor.FirstRow + 5);
  return anchor;
}

void WriteShape(TEscherBuilder& out, std::uint16_t shapeType, std::uint32_t shapeId,
                const std::vector<TEscherProperty>& properties, const TxlsClientAnchor& anchor, std::uint32_t extra) {
  const std::size_t container = out.BeginContainer(escher::kSpContainer);
  out.Header(escher::kSp, 2, shapeType, 8);
  out.U32(shapeId);
  out.U32(kShapeFlags);
  out.PropertyTable(properties);
  out.Header(escher::kClientAnchor, 0, 0, 18);
  for (std::uint16_t v : {anchor.Flags, anchor.FirstCol, anchor.FirstColOffset, anchor.FirstRow, anchor.FirstRowOffset,
                          anchor.LastCol, anchor.LastColOffset, anchor.LastRow, anchor.LastRowOffset}) {
    out.U16(v);
  }
  out.Header(escher::kClientData, 0, 0, 0);
  out.EndContainer(container);
  out.AddToLength(container, extra);
}

// One shape's pieces: the MSODRAWING body and the records written after it.
struct TShapePiece {
  std::vector<std::uint8_t> Drawing;
  const TxlsNote* Note = nullptr;
  std::u16string Text;       // of a note
  std::uint16_t FontIndex = 0;
  std::uint16_t ObjectId = 0;
  std::uint8_t BlipType = 0;  // of an image
};

}  // namespace

void TxlsWorkbookWriter::WriteDrawingObjects(const TxlsSheetTail& tail) {
  std::vector<const TxlsNote*> notes;
  for (const TxlsNote* note : tail.Notes) {
    if (note != nullptr && note->IsValid()) notes.push_back(note);
  }
  std::vector<const TxlsImage*> images;
  for (const TxlsImage* image : tail.Images) {
    if (image != nullptr) images.push_back(image);
  }
  if (notes.empty() && images.empty()) return;

  if (notes.size() + images.size() > 0xFFFF) {
    throw TabrinError("A sheet can carry at most 65535 notes and images");
  }
  const std::uint32_t drawingId = drawingCount_ + 1;
  const std::uint32_t firstCluster = static_cast<std::uint32_t>(drawings_.size() + 1);
  const std::uint32_t firstShapeId = 1024 * firstCluster;
  std::uint32_t shapeId = firstShapeId;
  std::uint16_t objectId = 0;
  std::vector<TShapePiece> pieces;
  constexpr std::uint32_t kTextboxSize = 8;

  for (std::size_t k = 0; k < notes.size(); ++k) {
    const TxlsNote& note = *notes[k];
    TShapePiece piece;
    piece.Note = &note;
    piece.Text = Utf8ToUtf16(note.Text());
    piece.FontIndex = formats_->Fonts.GetOrRegister(note.Format.Font).Index;
    piece.ObjectId = ++objectId;
    TEscherBuilder shape;
    // The note's text box record belongs to its shape container.
    WriteShape(shape, escher::kShapeTypeTextBox, ++shapeId, NoteProperties(note.Format, static_cast<int>(k)), NoteAnchor(note),
               kTextboxSize);
    piece.Drawing = shape.Take();
    pieces.push_back(std::move(piece));
  }

  if (!images.empty()) pictureStore_.Load(pictures_);
  TxlsSheetGrid grid;
  grid.ColumnWidths = &columnWidths_;
  grid.StartDataCol = currentHead_.StartDataCol;
  grid.DefColWidth = currentHead_.DefColWidth;
  grid.DefRowHeightTwips = static_cast<int>(std::clamp(currentHead_.DefRowHeight * 20, 0.0, 8190.0));
  grid.RowHeights = &rowHeights_;
  grid.ZeroWidth = DefaultZeroWidth();
  for (const TxlsImage* image : images) {
    const int pictureIndex = pictures_.IndexOf(image->PictureName);
    if (pictureIndex < 0) {
      throw TabrinError(FormatMessage("The image %s shows the picture %s, which is not in the workbook's pictures",
                                      {image->Title, image->PictureName}));
    }
    TxlsStoredPicture* stored = pictureStore_.Find(static_cast<std::size_t>(pictureIndex));
    if (stored == nullptr) {
      throw TabrinError(FormatMessage("The image %s cannot show the picture %s: %s",
                                      {image->Title, image->PictureName,
                                       pictureStore_.Reason(static_cast<std::size_t>(pictureIndex))}));
    }
    if (image->Row == 0 || image->Col == 0) {
      throw TabrinError(FormatMessage("The image %s has no place on the sheet (row and column start at 1)", {image->Title}));
    }
    ++stored->References;
    const double zoom = image->Zoom / 100.0;
    const int width = static_cast<int>(std::lround(stored->Size.Width * zoom));
    const int height = static_cast<int>(std::lround(stored->Size.Height * zoom));
    TShapePiece piece;
    piece.ObjectId = ++objectId;
    piece.BlipType = stored->BlipType;
    TEscherBuilder shape;
    WriteShape(shape, escher::kShapeTypePictureFrame, ++shapeId, ImageProperties(*image, pictureStore_.BlipIndex(*stored)),
               ImageAnchor(grid, image->Row - 1, image->Col - 1, width, height), 0);
    piece.Drawing = shape.Take();
    pieces.push_back(std::move(piece));
  }

  const std::uint32_t shapes = shapeId - firstShapeId;
  ++drawingCount_;
  for (std::uint32_t used = 0; used < shapes + 1; used += 1024) {
    const std::uint32_t inCluster = std::min<std::uint32_t>(1024, shapes + 1 - used);
    drawings_.push_back(TDrawingCluster{drawingId, inCluster, firstShapeId + used + inCluster - 1});
  }

  // The drawing container's head, with lengths that count every piece.
  std::uint32_t shapesSize = 0;
  for (const TShapePiece& piece : pieces) shapesSize += static_cast<std::uint32_t>(piece.Drawing.size());
  shapesSize += kTextboxSize * static_cast<std::uint32_t>(notes.size());
  TEscherBuilder head;
  const std::size_t dg = head.BeginContainer(escher::kDgContainer);
  head.Header(escher::kDg, 0, static_cast<std::uint16_t>(drawingId), 8);
  head.U32(shapes + 1);
  head.U32(shapeId);
  const std::size_t group = head.BeginContainer(escher::kSpgrContainer);
  const std::size_t groupShape = head.BeginContainer(escher::kSpContainer);
  head.Header(escher::kSpgr, 1, 0, 16);
  for (int i = 0; i < 4; ++i) head.U32(0);
  head.Header(escher::kSp, 2, escher::kShapeTypeNone, 8);
  head.U32(firstShapeId);
  head.U32(escher::kShapeGroup | escher::kShapePatriarch);
  head.EndContainer(groupShape);
  head.EndContainer(group);
  head.EndContainer(dg);
  head.AddToLength(group, shapesSize);
  head.AddToLength(dg, shapesSize);

  bool first = true;
  for (const TShapePiece& piece : pieces) {
    std::vector<std::uint8_t> body;
    if (first) body = head.Bytes();
    first = false;
    body.insert(body.end(), piece.Drawing.begin(), piece.Drawing.end());
    if (body.size() > biff::kMaxRecordBody) throw TabrinError("A drawing object is too large to be stored");
    std::copy(body.begin(), body.end(), ClearBuffer(body.size()));
    WriteRecord(biff::kMsoDrawing, static_cast<std::uint16_t>(body.size()));

    std::uint8_t* obj = ClearBuffer(piece.Note != nullptr ? 30 : 38);
    PutU16(obj + 0, obj::kFtCmo);
    PutU16(obj + 2, 18);
    PutU16(obj + 4, piece.Note != nullptr ? obj::kTypeNote : obj::kTypePicture);
    PutU16(obj + 6, piece.ObjectId);
    PutU16(obj + 8, obj::kLockedAndPrinted);
    if (piece.Note != nullptr) {
      PutU16(obj + 22, obj::kFtNts);
      WriteRecord(biff::kObj, 30);
    } else {
      PutU16(obj + 22, obj::kFtCf);
      PutU16(obj + 24, 2);
      PutU16(obj + 26, piece.BlipType == escher::kBlipTypeDib ? obj::kCfBitmap : obj::kCfNative);
      PutU16(obj + 28, obj::kFtPioGrbit);  // no option set
      PutU16(obj + 30, 2);
      WriteRecord(biff::kObj, 38);
      continue;
    }

    TEscherBuilder textbox;
    textbox.Header(escher::kClientTextbox, 0, 0, 0);
    std::copy(textbox.Bytes().begin(), textbox.Bytes().end(), ClearBuffer(kTextboxSize));
    WriteRecord(biff::kMsoDrawing, kTextboxSize);

    const TxlsNoteFormat& format = piece.Note->Format;
    const std::uint16_t horizontal =
        format.Alignment.Horizontal == halCenter ? 4 : format.Alignment.Horizontal == halRight ? 6
                                                     : format.Alignment.Horizontal == halFill  ? 8 : 2;
    const std::uint16_t vertical = static_cast<std::uint16_t>(0x10 * (format.Alignment.Vertical + 1));
    const std::size_t n = piece.Text.size();
    std::uint8_t* txo = ClearBuffer(18);
    PutU16(txo + 0, static_cast<std::uint16_t>(horizontal | vertical));
    PutU16(txo + 2, format.Orientation);
    PutU16(txo + 10, static_cast<std::uint16_t>(n));
    PutU16(txo + 12, 16);
    WriteRecord(biff::kTxo, 18);

    // The text, in as many records as it needs (never splitting a pair of
    // surrogates), each starting with the option byte of UTF-16 text.
    for (std::size_t at = 0; at < n;) {
      std::size_t units = std::min(kTextUnitsPerRecord, n - at);
      if (at + units < n && piece.Text[at + units - 1] >= 0xD800 && piece.Text[at + units - 1] <= 0xDBFF) --units;
      std::uint8_t* text = ClearBuffer(1 + 2 * units);
      text[0] = 1;
      for (std::size_t i = 0; i < units; ++i) PutU16(text + 1 + 2 * i, piece.Text[at + i]);
      WriteRecord(biff::kContinue, static_cast<std::uint16_t>(1 + 2 * units));
      at += units;
    }
    std::uint8_t* runs = ClearBuffer(16);
    PutU16(runs + 0, 0);
    PutU16(runs + 2, piece.FontIndex);
    PutU16(runs + 8, static_cast<std::uint16_t>(std::min<std::size_t>(n, 0xFFFF)));
    PutU16(runs + 10, 0);
    WriteRecord(biff::kContinue, 16);
  }

  // NOTE: cell, hidden, object id and an empty author.
  for (std::size_t k = 0; k < notes.size(); ++k) {
    std::uint8_t* body = ClearBuffer(12);
    PutU16(body + 0, static_cast<std::uint16_t>(notes[k]->Row - 1));
    PutU16(body + 2, static_cast<std::uint16_t>(notes[k]->Col - 1));
    PutU16(body + 4, 0);
    PutU16(body + 6, static_cast<std::uint16_t>(k + 1));
    WriteRecord(biff::kNote, 12);
  }
}

std::vector<std::uint8_t> TxlsWorkbookWriter::BuildDrawingGroup() {
  TEscherBuilder out;
  const std::size_t group = out.BeginContainer(escher::kDggContainer);
  std::uint32_t maxShapeId = 0, savedShapes = 0;
  for (const TDrawingCluster& d : drawings_) {
    maxShapeId = std::max(maxShapeId, d.LastShapeId + 1);
    savedShapes += d.ShapeIdsUsed;
  }
  out.Header(escher::kDgg, 0, 0, static_cast<std::uint32_t>(16 + 8 * drawings_.size()));
  out.U32(maxShapeId);
  out.U32(static_cast<std::uint32_t>(drawings_.size() + 1));
  out.U32(savedShapes);
  out.U32(drawingCount_);
  for (const TDrawingCluster& d : drawings_) {
    out.U32(d.DrawingId);
    out.U32(d.ShapeIdsUsed);
  }
  if (!pictures_.empty()) {
    pictureStore_.Load(pictures_);
    pictureStore_.WriteContainer(out);
  }
  out.PropertyTable({{escher::prop::kTextBooleans, 0x00080008, {}},
                     {escher::prop::kFillColor, 0x08000009, {}},
                     {escher::prop::kLineColor, 0x08000040, {}}});
  out.Header(escher::kSplitMenuColors, 0, 4, 16);
  for (std::uint32_t colour : {0x0800000Du, 0x0800000Cu, 0x08000017u, 0x100000F7u}) out.U32(colour);
  out.EndContainer(group);
  return out.Take();
}

}  // namespace tabrin
