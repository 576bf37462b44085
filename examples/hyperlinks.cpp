// A sheet with a hyperlink of each style: a web address and a local file.
//
//   example_hyperlinks [OUTPUT.xls]
//
// A hyperlink is written as its Title in the cell (Row, Col), formatted with
// the exporter's Options.HyperlinkFormat (blue, underlined), and a link to
// its Target.  ScreenTip is the text shown when the pointer rests on it.
#include <cstdio>
#include <exception>

#include "export/custom_source.h"
#include "export/ferran3_xls.h"
#include "export/sheet_objects_add.h"

using namespace tabrin;

int main(int argc, char** argv) {
  TfrCustomSource source;
  source.Columns.Add().SetColumnName("Supplier");
  // Asked after each record whether it was the last.
  source.OnGetNextRecord = [](TfrCustomSource&, int recNo, bool& eof) { eof = recNo == 2; };  // two records
  source.OnGetColumnValue = [](TfrCustomSource&, int recNo, const TfrCustomColumn&, TCustomValue& value) {
    value = std::string(recNo == 1 ? "Mountain Tea Co." : "Harbour Foods");
  };

  TFerran3XLS exporter;
  exporter.ExportSource = esCustom;
  exporter.CustomSource = &source;
  exporter.FileName = argc > 1 ? argv[1] : "hyperlinks.xls";
  exporter.Options.SetSheetTitle("Suppliers");

  TxlsHyperlink& site = AddHyperlink(exporter);
  site.Row = 2;
  site.Col = 2;
  site.Style = hlsURL;
  site.Title = "Web site";
  site.Target = "https://www.example.com/mountain-tea";
  site.ScreenTip = "Opens the supplier's web site";

  TxlsHyperlink& contract = AddHyperlink(exporter);
  contract.Row = 3;
  contract.Col = 2;
  contract.Style = hlsLocalFile;
  contract.Title = "Contract";
  contract.Target = "C:\\Contracts\\Harbour Foods 2024.doc";

  try {
    exporter.Execute();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::printf("%s\n", exporter.FileName.c_str());
  return 0;
}
