#pragma once
// Adding hyperlinks, notes and images to the export component or to one of
// its sheets, with the defaults a new item takes from its owner: a note
// copies the owner's Options.NoteFormat, a hyperlink its
// Options.HyperlinkFormat, an image gets the title "Image_n" with the
// smallest n its owner's images do not use yet.
//
//   TxlsNote& note = AddNote(exporter);
//   note.Row = 2; note.Col = 1; note.Lines = {"Checked", "by Lin"};
#include "xls/model/drawing_objects.h"

namespace tabrin {

template <typename Owner>
TxlsNote& AddNote(Owner& owner) {
  TxlsNote& note = owner.Notes.emplace_back();
  note.Format = owner.Options.NoteFormat;
  return note;
}

template <typename Owner>
TxlsHyperlink& AddHyperlink(Owner& owner) {
  TxlsHyperlink& link = owner.Hyperlinks.emplace_back();
  link.Format.Assign(owner.Options.HyperlinkFormat);
  return link;
}

template <typename Owner>
TxlsImage& AddImage(Owner& owner) {
  TxlsImage image;
  image.Title = NextImageTitle(owner.Images);
  return owner.Images.emplace_back(std::move(image));
}

}  // namespace tabrin
