// A sheet with a background picture, repeated behind the cells.
//
//   example_background [OUTPUT.xls] [PICTURE FOLDER]
//
// The background is a JPEG, GIF, BMP or ICO file (a PNG is not taken).
#include <cstdio>
#include <exception>
#include <string>

#include "export/custom_source.h"
#include "export/ferran3_xls.h"

using namespace tabrin;

int main(int argc, char** argv) {
  const std::string pictures = argc > 2 ? argv[2] : "media";

  TfrCustomSource source;
  source.Columns.Add().SetColumnName("Customer");
  // Asked after each record whether it was the last.
  source.OnGetNextRecord = [](TfrCustomSource&, int recNo, bool& eof) { eof = recNo == 3; };  // three records
  source.OnGetColumnValue = [](TfrCustomSource&, int recNo, const TfrCustomColumn&, TCustomValue& value) {
    value = "Customer " + std::to_string(recNo);
  };

  TFerran3XLS exporter;
  exporter.ExportSource = esCustom;
  exporter.CustomSource = &source;
  exporter.FileName = argc > 1 ? argv[1] : "background.xls";
  exporter.Options.SetSheetTitle("Customers");
  exporter.Background = pictures + "/paper.bmp";

  try {
    exporter.Execute();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::printf("%s\n", exporter.FileName.c_str());
  return 0;
}
