#include "xls/biff8/drawing/object_records.h"

#include <algorithm>
#include <string>

#include "text/encoding.h"
#include "xls/biff8/biff_record.h"
#include "xls/biff8/drawing/body_writer.h"
#include "xls/biff8/drawing/drawing_ids.h"
#include "xls/biff8/drawing/escher_builder.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin {
namespace {

constexpr std::uint16_t kCommonObjectDataSize = 18;
constexpr std::uint16_t kNoteObjSize = 30;
constexpr std::uint16_t kPictureObjSize = 38;
constexpr std::uint16_t kTxoSize = 18;
constexpr std::uint16_t kTextRunsSize = 16;  // two runs: the text's font, then the end
constexpr std::uint16_t kNoteSize = 12;
constexpr std::uint8_t kUtf16Text = 1;       // option byte of uncompressed text
// UTF-16 units of note text per CONTINUE record (after its option byte).
constexpr std::size_t kTextUnitsPerRecord = (biff::kMaxRecordBody - 1) / 2;

void SubRecordHeader(TBodyWriter& body, std::uint16_t id, std::uint16_t size) {
  body.U16(id);
  body.U16(size);
}

// The first sub-record of every OBJ.
void CommonObjectData(TBodyWriter& body, std::uint16_t type, std::uint16_t objectId) {
  SubRecordHeader(body, obj::kFtCmo, kCommonObjectDataSize);
  body.U16(type);
  body.U16(objectId);
  body.U16(obj::kLockedAndPrinted);
  body.Zeros(12);  // reserved
}

// TXO's alignment bits: horizontal in bits 1-3, vertical in bits 4-6.
std::uint16_t TextAlignment(const TxlsAlignment& alignment) {
  const std::uint16_t horizontal = alignment.Horizontal == halCenter  ? 4
                                   : alignment.Horizontal == halRight ? 6
                                   : alignment.Horizontal == halFill  ? 8
                                                                      : 2;
  const std::uint16_t vertical = static_cast<std::uint16_t>(0x10 * (alignment.Vertical + 1));
  return static_cast<std::uint16_t>(horizontal | vertical);
}

void WriteTextbox(TxlsWorkbookWriter& writer) {
  TEscherBuilder textbox;
  textbox.Header(escher::kClientTextbox, 0, 0, 0);
  std::copy(textbox.Bytes().begin(), textbox.Bytes().end(), writer.ClearBuffer(kNoteTextboxSize));
  writer.WriteRecord(biff::kMsoDrawing, kNoteTextboxSize);
}

void WriteTxo(TxlsWorkbookWriter& writer, const TxlsNoteFormat& format, std::size_t textUnits) {
  TBodyWriter body(writer.ClearBuffer(kTxoSize));
  body.U16(TextAlignment(format.Alignment));
  body.U16(format.Orientation);
  body.Zeros(6);
  body.U16(static_cast<std::uint16_t>(textUnits));
  body.U16(kTextRunsSize);
  body.Zeros(4);
  writer.WriteRecord(biff::kTxo, kTxoSize);
}

// The text, in as many records as it needs (never splitting a pair of
// surrogates), each starting with the option byte of UTF-16 text.
void WriteTextContinues(TxlsWorkbookWriter& writer, std::u16string_view text) {
  const std::size_t n = text.size();
  for (std::size_t at = 0; at < n;) {
    std::size_t units = std::min(kTextUnitsPerRecord, n - at);
    if (at + units < n && text[at + units - 1] >= 0xD800 && text[at + units - 1] <= 0xDBFF) --units;
    TBodyWriter body(writer.ClearBuffer(1 + 2 * units));
    body.U8(kUtf16Text);
    body.Utf16(text.substr(at, units));
    writer.WriteRecord(biff::kContinue, static_cast<std::uint16_t>(body.Size()));
    at += units;
  }
}

void WriteTextRuns(TxlsWorkbookWriter& writer, std::size_t textUnits, std::uint16_t fontIndex) {
  TBodyWriter body(writer.ClearBuffer(kTextRunsSize));
  body.U16(0);
  body.U16(fontIndex);
  body.Zeros(4);
  body.U16(static_cast<std::uint16_t>(std::min<std::size_t>(textUnits, 0xFFFF)));
  body.U16(0);
  body.Zeros(4);
  writer.WriteRecord(biff::kContinue, kTextRunsSize);
}

}  // namespace

void WriteNoteObj(TxlsWorkbookWriter& writer, std::uint16_t objectId) {
  TBodyWriter body(writer.ClearBuffer(kNoteObjSize));
  CommonObjectData(body, obj::kTypeNote, objectId);
  SubRecordHeader(body, obj::kFtNts, 0);
  SubRecordHeader(body, obj::kFtEnd, 0);
  writer.WriteRecord(biff::kObj, kNoteObjSize);
}

void WritePictureObj(TxlsWorkbookWriter& writer, std::uint16_t objectId, std::uint8_t blipType) {
  TBodyWriter body(writer.ClearBuffer(kPictureObjSize));
  CommonObjectData(body, obj::kTypePicture, objectId);
  SubRecordHeader(body, obj::kFtCf, 2);
  body.U16(blipType == escher::kBlipTypeDib ? obj::kCfBitmap : obj::kCfNative);
  SubRecordHeader(body, obj::kFtPioGrbit, 2);
  body.U16(0);  // no option set
  SubRecordHeader(body, obj::kFtEnd, 0);
  writer.WriteRecord(biff::kObj, kPictureObjSize);
}

void WriteNoteText(TxlsWorkbookWriter& writer, const TxlsNote& note, std::uint16_t fontIndex) {
  const std::u16string text = Utf8ToUtf16(note.Text());
  WriteTextbox(writer);
  WriteTxo(writer, note.Format, text.size());
  WriteTextContinues(writer, text);
  WriteTextRuns(writer, text.size(), fontIndex);
}

void WriteNoteRecord(TxlsWorkbookWriter& writer, const TxlsNote& note, std::uint16_t objectId) {
  TBodyWriter body(writer.ClearBuffer(kNoteSize));
  body.U16(static_cast<std::uint16_t>(note.Row - 1));
  body.U16(static_cast<std::uint16_t>(note.Col - 1));
  body.U16(0);  // hidden
  body.U16(objectId);
  body.U16(0);  // the author's name: no characters, option byte and padding
  body.Zeros(2);
  writer.WriteRecord(biff::kNote, kNoteSize);
}

}  // namespace tabrin
