// A sheet with two images.
//
//   example_images [OUTPUT.xls] [PICTURE FOLDER]
//
// Pictures are kept once per workbook (exporter.Pictures) under a name;
// images place them on a sheet at a cell (1-based Row and Col), at Zoom
// percent of their size.  JPEG, PNG, GIF and BMP files can be placed.
#include <cstdio>
#include <exception>
#include <string>

#include "export/custom_source.h"
#include "export/ferran3_xls.h"
#include "export/sheet_objects_add.h"

using namespace tabrin;

int main(int argc, char** argv) {
  const std::string pictures = argc > 2 ? argv[2] : "media";

  TfrCustomSource source;
  source.Columns.Add().SetColumnName("Shelf");
  // Asked after each record whether it was the last.
  source.OnGetNextRecord = [](TfrCustomSource&, int recNo, bool& eof) { eof = recNo == 1; };  // one record
  source.OnGetColumnValue = [](TfrCustomSource&, int, const TfrCustomColumn&, TCustomValue& value) {
    value = std::string("Front shelf, as arranged in May");
  };

  TFerran3XLS exporter;
  exporter.ExportSource = esCustom;
  exporter.CustomSource = &source;
  exporter.FileName = argc > 1 ? argv[1] : "images.xls";
  exporter.Options.SetSheetTitle("Shelves");

  exporter.Pictures.Add(pictures + "/logo.png");   // named "Picture_0"
  exporter.Pictures.Add(pictures + "/shelf.jpg");
  exporter.Pictures.SetName(1, "Shelf photo");

  TxlsImage& logo = AddImage(exporter);  // titled "Image_0"
  logo.PictureName = "Picture_0";
  logo.Row = 4;
  logo.Col = 1;

  TxlsImage& shelf = AddImage(exporter);
  shelf.PictureName = "Shelf photo";
  shelf.Title = "Front shelf";
  shelf.Row = 4;
  shelf.Col = 4;
  shelf.Zoom = 75;

  try {
    exporter.Execute();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::printf("%s\n", exporter.FileName.c_str());
  return 0;
}
