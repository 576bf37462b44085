#pragma once
// The property tables of the shapes a sheet's drawing holds: a note's text
// box (its fill, locks and text id) and an image's picture frame (its
// picture in the store and its name).  Properties are in ascending order of
// ids, as readers expect.
#include <vector>

#include "xls/biff8/drawing/escher_builder.h"
#include "xls/model/drawing_objects.h"

namespace tabrin {

// The properties of note k (0-based) of its sheet.
std::vector<TEscherProperty> NoteProperties(const TxlsNoteFormat& format, int k);

// The properties of an image showing store entry blipIndex (1-based).
std::vector<TEscherProperty> ImageProperties(const TxlsImage& image, int blipIndex);

}  // namespace tabrin
