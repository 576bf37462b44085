// A price list with notes (comments) on two of its cells.
//
//   example_notes [OUTPUT.xls]
//
// A note belongs to a cell (1-based Row and Col) and shows its lines in a
// box beside it.  AddNote gives it the exporter's note look
// (Options.NoteFormat: Tahoma 8 bold on light yellow); each note may change
// its own.
#include <cstdio>
#include <exception>

#include "export/custom_source.h"
#include "export/ferran3_xls.h"
#include "export/sheet_objects_add.h"

using namespace tabrin;

int main(int argc, char** argv) {
  const char* items[][2] = {{"Green tea", "35"}, {"Oolong", "60"}, {"Jasmine", "42"}};

  TfrCustomSource source;
  source.Columns.Add().SetColumnName("Item");
  TfrCustomColumn& price = source.Columns.Add();
  price.SetColumnName("Price");
  price.ColumnType = ectInteger;
  // Asked after each record whether it was the last.
  source.OnGetNextRecord = [](TfrCustomSource&, int recNo, bool& eof) { eof = recNo == 3; };  // three records
  source.OnGetColumnValue = [&](TfrCustomSource&, int recNo, const TfrCustomColumn& column, TCustomValue& value) {
    value = std::string(items[recNo - 1][column.ColumnName() == "Item" ? 0 : 1]);
  };

  TFerran3XLS exporter;
  exporter.ExportSource = esCustom;
  exporter.CustomSource = &source;
  exporter.FileName = argc > 1 ? argv[1] : "notes.xls";
  exporter.Options.SetSheetTitle("Prices");

  TxlsNote& oolong = AddNote(exporter);  // on "Oolong" (row 3, column 1)
  oolong.Row = 3;
  oolong.Col = 1;
  oolong.Lines = {"New harvest from Alishan.", "Price valid until June."};

  TxlsNote& jasmine = AddNote(exporter);  // on the price of "Jasmine", with a gradient
  jasmine.Row = 4;
  jasmine.Col = 2;
  jasmine.Lines = {"Special offer"};
  jasmine.Format.FillType = nftGradient;
  jasmine.Format.Gradient = ngrVertical;
  jasmine.Format.BackgroundColor = {0xCC, 0xFF, 0xCC};

  try {
    exporter.Execute();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::printf("%s\n", exporter.FileName.c_str());
  return 0;
}
