#pragma once
// The BIFF8 records around a sheet's drawing: the OBJ record after each
// shape's MSODRAWING; for a note also its text box, its TXO, its text and
// formatting runs; and the NOTE records that tie notes to their cells.
#include <cstdint>

#include "xls/model/drawing_objects.h"

namespace tabrin {

class TxlsWorkbookWriter;

// The MSODRAWING of a note's text box: an empty client text box record.  It
// belongs to the note's shape container, whose length counts it.
inline constexpr std::uint32_t kNoteTextboxSize = 8;

void WriteNoteObj(TxlsWorkbookWriter& writer, std::uint16_t objectId);
// blipType: the kind of the picture in the store.
void WritePictureObj(TxlsWorkbookWriter& writer, std::uint16_t objectId, std::uint8_t blipType);

// The text box, TXO, the text in CONTINUE records and the formatting runs
// (the whole text in the font of fontIndex).
void WriteNoteText(TxlsWorkbookWriter& writer, const TxlsNote& note, std::uint16_t fontIndex);

// NOTE: the cell, hidden, the object id and an empty author.
void WriteNoteRecord(TxlsWorkbookWriter& writer, const TxlsNote& note, std::uint16_t objectId);

}  // namespace tabrin
