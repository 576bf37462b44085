// Any bytes given to the workbook reader end in a workbook or a TabrinError:
// never a crash, a hang, an out-of-bounds access or another exception.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text/error.h"
#include "xls/workbook_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const tabrin::TWorkbookReader book(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.xls");
    for (const std::string& name : book.SheetNames()) {
      const tabrin::TWorksheet sheet = book.ReadSheet(name);
      for (int row = sheet.FirstRow(); row <= sheet.LastRow(); ++row) {
        for (const tabrin::TSheetCell& cell : sheet.RowCells(row)) (void)sheet.Text(cell);
      }
    }
  } catch (const tabrin::TabrinError&) {
  }
  return 0;
}
