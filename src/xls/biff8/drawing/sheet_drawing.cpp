// The drawing objects of a worksheet (notes and images) and the workbook's
// drawing group.
//
// A sheet with objects gets one drawing (drawing ids count from 1): a
// drawing container holding a group of shapes.  Shape ids come in clusters
// of 1024; a drawing takes the next free cluster c (more when it needs
// them), the group gets 1024 c and the shapes 1024 c + 1, 1024 c + 2, ...
// The container is written in pieces, one MSODRAWING record per shape with
// the shape's OBJ record (and for a note its text box, TXO and text) after
// it; the first piece carries the container's own header, whose lengths
// count every piece.  The NOTE records that tie notes to their cells follow
// all of them.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <vector>

#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"
#include "xls/biff8/biff_record.h"
#include "xls/biff8/drawing/drawing_ids.h"
#include "xls/biff8/drawing/escher_builder.h"
#include "xls/biff8/drawing/image_anchor.h"
#include "xls/biff8/drawing/object_records.h"
#include "xls/biff8/drawing/shape_properties.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin {
namespace {

constexpr std::uint32_t kShapeIdsPerCluster = 1024;
constexpr std::uint32_t kShapeFlags = escher::kShapeHasAnchor | escher::kShapeHasType;

// One shape: its MSODRAWING body and what the records after it need.
struct TShapePiece {
  std::vector<std::uint8_t> Drawing;
  std::uint16_t ObjectId = 0;
  const TxlsNote* Note = nullptr;  // of a note; nullptr for an image
  std::uint16_t FontIndex = 0;     // of a note's text
  std::uint8_t BlipType = 0;       // of an image's picture
};

std::vector<const TxlsNote*> NotesToWrite(const TxlsSheetTail& tail) {
  std::vector<const TxlsNote*> notes;
  for (const TxlsNote* note : tail.Notes) {
    if (note != nullptr && note->IsValid()) notes.push_back(note);
  }
  return notes;
}

std::vector<const TxlsImage*> ImagesToWrite(const TxlsSheetTail& tail) {
  std::vector<const TxlsImage*> images;
  for (const TxlsImage* image : tail.Images) {
    if (image != nullptr) images.push_back(image);
  }
  return images;
}

// The next shape's object id (from 1) and shape id (after the group's).
std::uint16_t NextObjectId(const std::vector<TShapePiece>& pieces) {
  return static_cast<std::uint16_t>(pieces.size() + 1);
}

std::uint32_t NextShapeId(const std::vector<TShapePiece>& pieces, std::uint32_t groupShapeId) {
  return groupShapeId + static_cast<std::uint32_t>(pieces.size()) + 1;
}

// A shape container; its length also counts `extra` bytes of records that
// belong to it but are written in records of their own.
std::vector<std::uint8_t> ShapeContainer(std::uint16_t shapeType, std::uint32_t shapeId,
                                         const std::vector<TEscherProperty>& properties,
                                         const TxlsClientAnchor& anchor, std::uint32_t extra) {
  TEscherBuilder out;
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
  return out.Take();
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

// A text box beside each note's cell, in the note's font (registered here).
void AddNoteShapes(std::vector<TShapePiece>& pieces, const std::vector<const TxlsNote*>& notes,
                   std::uint32_t groupShapeId, TxlsFontList& fonts) {
  for (std::size_t k = 0; k < notes.size(); ++k) {
    const TxlsNote& note = *notes[k];
    TShapePiece piece;
    piece.Note = &note;
    piece.FontIndex = fonts.GetOrRegister(note.Format.Font).Index;
    piece.ObjectId = NextObjectId(pieces);
    // The note's text box record belongs to its shape container.
    piece.Drawing = ShapeContainer(escher::kShapeTypeTextBox, NextShapeId(pieces, groupShapeId),
                                   NoteProperties(note.Format, static_cast<int>(k)), NoteAnchor(note),
                                   kNoteTextboxSize);
    pieces.push_back(std::move(piece));
  }
}

// The sheet's grid as images are placed on it.
TxlsSheetGrid SheetGrid(const TxlsSheetHead& head, const std::vector<int>& columnWidths,
                        const std::map<int, int>& rowHeights, int zeroWidth) {
  TxlsSheetGrid grid;
  grid.ColumnWidths = &columnWidths;
  grid.StartDataCol = head.StartDataCol;
  grid.DefColWidth = head.DefColWidth;
  grid.DefRowHeightTwips = static_cast<int>(std::clamp(head.DefRowHeight * 20, 0.0, 8190.0));
  grid.RowHeights = &rowHeights;
  grid.ZeroWidth = zeroWidth;
  return grid;
}

// The store entry of the picture an image shows; raises when the workbook
// has no such picture, when the picture is not stored, and for an image
// without a place.
TxlsStoredPicture& StoredPictureOf(const TxlsImage& image, const TxlsPictures& pictures, TxlsPictureStore& store) {
  const int pictureIndex = pictures.IndexOf(image.PictureName);
  if (pictureIndex < 0) {
    throw TabrinError(FormatMessage(Tr("The image %s shows the picture %s, which is not in the workbook's pictures"),
                                    {image.Title, image.PictureName}));
  }
  TxlsStoredPicture* stored = store.Find(static_cast<std::size_t>(pictureIndex));
  if (stored == nullptr) {
    throw TabrinError(FormatMessage(Tr("The image %s cannot show the picture %s: %s"),
                                    {image.Title, image.PictureName,
                                     store.Reason(static_cast<std::size_t>(pictureIndex))}));
  }
  if (image.Row == 0 || image.Col == 0) {
    throw TabrinError(FormatMessage(Tr("The image %s has no place on the sheet (row and column start at 1)"), {image.Title}));
  }
  return *stored;
}

// A picture frame from each image's cell on, as large as its picture at the
// image's zoom.
void AddImageShapes(std::vector<TShapePiece>& pieces, const std::vector<const TxlsImage*>& images,
                    std::uint32_t groupShapeId, const TxlsPictures& pictures, TxlsPictureStore& store,
                    const TxlsSheetGrid& grid) {
  for (const TxlsImage* image : images) {
    TxlsStoredPicture& stored = StoredPictureOf(*image, pictures, store);
    ++stored.References;
    const double zoom = image->Zoom / 100.0;
    const int width = static_cast<int>(std::lround(stored.Size.Width * zoom));
    const int height = static_cast<int>(std::lround(stored.Size.Height * zoom));
    TShapePiece piece;
    piece.ObjectId = NextObjectId(pieces);
    piece.BlipType = stored.BlipType;
    piece.Drawing = ShapeContainer(escher::kShapeTypePictureFrame, NextShapeId(pieces, groupShapeId),
                                   ImageProperties(*image, store.BlipIndex(stored)),
                                   ImageAnchor(grid, image->Row - 1, image->Col - 1, width, height), 0);
    pieces.push_back(std::move(piece));
  }
}

// The bytes of every shape container, with the records written apart from
// them that they count.
std::uint32_t ShapesSize(const std::vector<TShapePiece>& pieces) {
  std::uint32_t size = 0;
  for (const TShapePiece& piece : pieces) {
    size += static_cast<std::uint32_t>(piece.Drawing.size());
    if (piece.Note != nullptr) size += kNoteTextboxSize;
  }
  return size;
}

// The drawing container's head: the drawing record (shapes with the group,
// last shape id), the group container and the group's own shape.  The
// containers' lengths count the shapes that follow in later records.
std::vector<std::uint8_t> DrawingHead(std::uint32_t drawingId, std::uint32_t groupShapeId, std::uint32_t shapes,
                                      std::uint32_t shapesSize) {
  TEscherBuilder head;
  const std::size_t dg = head.BeginContainer(escher::kDgContainer);
  head.Header(escher::kDg, 0, static_cast<std::uint16_t>(drawingId), 8);
  head.U32(shapes + 1);
  head.U32(groupShapeId + shapes);
  const std::size_t group = head.BeginContainer(escher::kSpgrContainer);
  const std::size_t groupShape = head.BeginContainer(escher::kSpContainer);
  head.Header(escher::kSpgr, 1, 0, 16);
  for (int i = 0; i < 4; ++i) head.U32(0);
  head.Header(escher::kSp, 2, escher::kShapeTypeNone, 8);
  head.U32(groupShapeId);
  head.U32(escher::kShapeGroup | escher::kShapePatriarch);
  head.EndContainer(groupShape);
  head.EndContainer(group);
  head.EndContainer(dg);
  head.AddToLength(group, shapesSize);
  head.AddToLength(dg, shapesSize);
  return head.Take();
}

// One MSODRAWING: the shape's container, after the drawing's head for the
// first shape.
void WriteMsoDrawing(TxlsWorkbookWriter& writer, const std::vector<std::uint8_t>& head,
                     const std::vector<std::uint8_t>& drawing) {
  const std::size_t size = head.size() + drawing.size();
  if (size > biff::kMaxRecordBody) throw TabrinError(Tr("A drawing object is too large to be stored"));
  std::uint8_t* body = writer.ClearBuffer(size);
  std::copy(drawing.begin(), drawing.end(), std::copy(head.begin(), head.end(), body));
  writer.WriteRecord(biff::kMsoDrawing, static_cast<std::uint16_t>(size));
}

void WriteShapeRecords(TxlsWorkbookWriter& writer, const TShapePiece& piece, const std::vector<std::uint8_t>& head) {
  WriteMsoDrawing(writer, head, piece.Drawing);
  if (piece.Note == nullptr) {
    WritePictureObj(writer, piece.ObjectId, piece.BlipType);
    return;
  }
  WriteNoteObj(writer, piece.ObjectId);
  WriteNoteText(writer, *piece.Note, piece.FontIndex);
}

}  // namespace

void TxlsWorkbookWriter::WriteDrawingObjects(const TxlsSheetTail& tail) {
  const std::vector<const TxlsNote*> notes = NotesToWrite(tail);
  const std::vector<const TxlsImage*> images = ImagesToWrite(tail);
  if (notes.empty() && images.empty()) return;
  if (notes.size() + images.size() > 0xFFFF) {
    throw TabrinError(Tr("A sheet can carry at most 65535 notes and images"));
  }

  // The drawing takes the next free cluster of shape ids: its first id is
  // the group's, the shapes (notes first, then images) follow.
  const std::uint32_t drawingId = drawingCount_ + 1;
  const std::uint32_t groupShapeId = kShapeIdsPerCluster * static_cast<std::uint32_t>(drawings_.size() + 1);
  std::vector<TShapePiece> pieces;
  AddNoteShapes(pieces, notes, groupShapeId, formats_->Fonts);
  if (!images.empty()) {
    pictureStore_.Load(pictures_);
    const TxlsSheetGrid grid = SheetGrid(currentHead_, columnWidths_, rowHeights_, DefaultZeroWidth());
    AddImageShapes(pieces, images, groupShapeId, pictures_, pictureStore_, grid);
  }

  // The drawing group counts the ids the drawing uses, cluster by cluster.
  const auto shapes = static_cast<std::uint32_t>(pieces.size());
  ++drawingCount_;
  for (std::uint32_t used = 0; used < shapes + 1; used += kShapeIdsPerCluster) {
    const std::uint32_t inCluster = std::min(kShapeIdsPerCluster, shapes + 1 - used);
    drawings_.push_back(TDrawingCluster{drawingId, inCluster, groupShapeId + used + inCluster - 1});
  }

  const std::vector<std::uint8_t> head = DrawingHead(drawingId, groupShapeId, shapes, ShapesSize(pieces));
  const std::vector<std::uint8_t> noHead;
  for (std::size_t i = 0; i < pieces.size(); ++i) WriteShapeRecords(*this, pieces[i], i == 0 ? head : noHead);
  for (std::size_t k = 0; k < notes.size(); ++k) WriteNoteRecord(*this, *notes[k], static_cast<std::uint16_t>(k + 1));
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
  constexpr std::uint32_t kMenuColours[] = {0x0800000Du, 0x0800000Cu, 0x08000017u, 0x100000F7u};
  out.Header(escher::kSplitMenuColors, 0, std::size(kMenuColours), 4 * std::size(kMenuColours));
  for (std::uint32_t colour : kMenuColours) out.U32(colour);
  out.EndContainer(group);
  return out.Take();
}

}  // namespace tabrin
