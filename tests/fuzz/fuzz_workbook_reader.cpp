// Any bytes given to the workbook readers end in a workbook or a TabrinError:
// never a crash, a hang, an out-of-bounds access or another exception.  The
// bytes go where a file's would: a compound document to the Excel 97-2003
// reader, a ZIP package to the Excel 2007+ reader (seed it with
// tests/data/*.xlsx too).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "text/error.h"
#include "xls/spreadsheet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const std::unique_ptr<const tabrin::TSpreadsheet> book =
        tabrin::OpenSpreadsheetBytes(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
    for (const std::string& name : book->SheetNames()) {
      const tabrin::TWorksheet sheet = book->ReadSheet(name);
      for (int row = sheet.FirstRow(); row <= sheet.LastRow(); ++row) {
        for (const tabrin::TSheetCell& cell : sheet.RowCells(row)) (void)sheet.Text(cell);
      }
    }
  } catch (const tabrin::TabrinError&) {
  }
  return 0;
}
