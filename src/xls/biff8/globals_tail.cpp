// FinishWorkbook: the parts of the workbook globals that depend on the sheets
// (fonts, formats, cell formats, sheet list, shared strings) are built in
// memory and inserted in front of the globals EOF, moving the sheets down.
#include "text/encoding.h"
#include "text/error.h"
#include "text/translation.h"
#include "xls/biff8/biff_record.h"
#include "xls/biff8/format_records.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin {

void TxlsWorkbookWriter::FixDimensions() {
  TxlsMemoryStream& stream = Stream();
  const std::uint64_t resume = stream.Position();
  for (const TxlsBoundSheet& sheet : *sheets_) {
    if (!sheet.HasCells()) continue;
    std::uint8_t body[12];
    PutU32(body + 0, static_cast<std::uint32_t>(sheet.FirstRow));
    PutU32(body + 4, static_cast<std::uint32_t>(sheet.LastRow + 1));
    PutU16(body + 8, static_cast<std::uint16_t>(sheet.FirstCol));
    PutU16(body + 10, static_cast<std::uint16_t>(sheet.LastCol + 1));
    stream.Seek(static_cast<std::int64_t>(sheet.DimensionsPosition + 4), TSeekOrigin::soBeginning);
    WriteChecked(stream, body, sizeof body);
  }
  stream.Seek(static_cast<std::int64_t>(resume), TSeekOrigin::soBeginning);
}

void TxlsWorkbookWriter::WriteFonts(TxlsStream& tail) {
  const auto defaultFont = MakeFontRecord(TxlsFont());
  for (int i = 0; i < 4; ++i) defaultFont->SaveToStream(tail);
  const TxlsFontList& fonts = formats_->Fonts;
  for (std::size_t i = 0; i < fonts.Count(); ++i) MakeFontRecord(fonts[i])->SaveToStream(tail);
  const TxlsTextFormatList& numberFormats = formats_->NumberFormats;
  for (std::size_t i = 0; i < numberFormats.Count(); ++i) {
    MakeFormatRecord(numberFormats[i])->SaveToStream(tail);
  }
}

void TxlsWorkbookWriter::WriteCellFormats(TxlsStream& tail) {
  for (int i = 0; i <= 15; ++i) MakeFixedXfRecord(i)->SaveToStream(tail);
  const TxlsXFormatList& cellFormats = formats_->CellFormats;
  for (std::size_t i = 0; i < cellFormats.Count(); ++i) MakeXfRecord(cellFormats[i])->SaveToStream(tail);
  for (const auto& style : MakeStyleRecords()) style->SaveToStream(tail);
}

void TxlsWorkbookWriter::WritePalette(TxlsStream& tail) {
  const std::vector<std::uint8_t> palette = PaletteRecordBytes();
  WriteChecked(tail, palette.data(), palette.size());
}

// Everything of the tail but the shared strings, which go straight into the
// workbook stream; tailSize is the size of the whole tail.
void TxlsWorkbookWriter::BuildGlobalsTail(TxlsMemoryStream& tail, std::uint64_t tailSize) {
  WriteFonts(tail);
  WriteCellFormats(tail);
  WritePalette(tail);
  for (TxlsBoundSheet& sheet : *sheets_) {
    sheet.BoundSheetPosition = tail.Position();
    TbiffBoundSheet title(Utf8ToUtf16(sheet.Title));
    // Each sheet's BOF moves down by the size of the tail.
    title.SetStreamPosition(static_cast<std::uint32_t>(sheet.BofPosition + tailSize));
    title.SaveToStream(tail);
  }
  TbiffCountry(1, 1).SaveToStream(tail);
  if (!drawings_.empty()) TbiffMSODrawingGroup(BuildDrawingGroup()).SaveToStream(tail);
}

void TxlsWorkbookWriter::FinishWorkbook() {
  RequireOpen();
  if (!workbookBegun_) throw TabrinError(Tr("The workbook has not been started"));
  if (finished_) throw TabrinError(Tr("The workbook has already been finished"));
  if (sheetOpen_) throw TabrinError(Tr("A sheet is still open"));
  ResolveQueuedStrings();
  FixDimensions();

  // The size of the tail is known before it is written: the records in
  // front of the strings do not depend on the positions they carry.
  TxlsMemoryStream probe;
  BuildGlobalsTail(probe, 0);
  const std::uint64_t tailSize = probe.Size() + sst_->StreamSize();
  TxlsMemoryStream& stream = Stream();
  if (stream.Size() + tailSize > 0xFFFFFFFFull) throw TabrinError(Tr("The workbook is larger than 4 GB"));
  TxlsMemoryStream tail;
  BuildGlobalsTail(tail, tailSize);

  stream.InsertGap(insertionPoint_, tailSize);
  stream.Seek(static_cast<std::int64_t>(insertionPoint_), TSeekOrigin::soBeginning);
  tail.ForEachBlock([&](const std::uint8_t* p, std::size_t n) { WriteChecked(stream, p, n); });
  sst_->SaveToStream(stream);
  if (stream.Position() != insertionPoint_ + tailSize) throw TabrinError(kWriteErrorMessage);
  stream.Seek(0, TSeekOrigin::soEnd);
  finished_ = true;
}

}  // namespace tabrin
