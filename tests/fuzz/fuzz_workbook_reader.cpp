// Any bytes given to the workbook readers and the sheet query behind the
// import tabs end in a result or a TabrinError: never a crash, a hang, an
// out-of-bounds access or another exception.  The bytes go where a file's
// would: a compound document to the Excel 97-2003 reader, a ZIP package to
// the Excel 2007+ reader (seed it with tests/data/*.xlsx too).  And whatever
// the bytes hold, what is loaded stays within three times their size plus
// 32 MiB (the room that the rows of a sheet's whole used range need),
// checked against the sanitizer's count of live heap bytes.  An Excel
// 97-2003 sheet read in two halves reads as it does straight through: the
// same cells or the same error.
#include <sanitizer/allocator_interface.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "import/workbook_table.h"
#include "xls/biff8/workbook_reader.h"
#include "text/error.h"
#include "xls/spreadsheet.h"

namespace {

void CheckMemory(std::size_t baseline, std::size_t inputSize, const char* stage) {
  const std::size_t bound = 3 * inputSize + (std::size_t{32} << 20);
  const std::size_t live = __sanitizer_get_current_allocated_bytes();
  if (live > baseline && live - baseline > bound) {
    std::fprintf(stderr, "%s holds %zu bytes for %zu bytes of input (bound %zu)\n", stage, live - baseline,
                 inputSize, bound);
    std::abort();
  }
}

// Every cell of a sheet, or the error its reading gave.
std::string SheetDump(const tabrin::TWorkbookReader& reader, const std::string& name) {
  try {
    const tabrin::TWorksheet sheet = reader.ReadSheet(name);
    std::string dump = std::to_string(sheet.FirstRow()) + " " + std::to_string(sheet.LastRow()) + " " +
                       std::to_string(sheet.FirstColumn()) + " " + std::to_string(sheet.LastColumn()) + "\n";
    for (int row = sheet.FirstRow(); row <= sheet.LastRow(); ++row) {
      for (const tabrin::TSheetCell& cell : sheet.RowCells(row)) {
        dump += std::to_string(row) + "," + std::to_string(cell.column) + ":" + std::to_string(static_cast<int>(cell.kind)) +
                ":" + std::to_string(cell.number) + ":" + std::string(sheet.Text(cell)) + "\n";
      }
    }
    return dump;
  } catch (const tabrin::TabrinError& e) {
    return std::string("error: ") + e.what();
  }
}

void CheckHalves(std::string_view bytes) {
  try {
    tabrin::TWorkbookReader straight(bytes, "fuzz");
    straight.SetSplitSheetsFromBytes(0);
    tabrin::TWorkbookReader halves(bytes, "fuzz");
    halves.SetSplitSheetsFromBytes(1);
    for (const std::string& name : straight.SheetNames()) {
      if (SheetDump(straight, name) != SheetDump(halves, name)) {
        std::fprintf(stderr, "sheet %s reads otherwise in halves\n", name.c_str());
        std::abort();
      }
    }
  } catch (const tabrin::TabrinError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t baseline = __sanitizer_get_current_allocated_bytes();
  try {
    const std::unique_ptr<const tabrin::TSpreadsheet> book =
        tabrin::OpenSpreadsheetBytes(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
    CheckMemory(baseline, size, "the workbook");
    for (const std::string& name : book->SheetNames()) {
      const auto sheetHeld = std::make_shared<const tabrin::TWorksheet>(book->ReadSheet(name));
      const tabrin::TWorksheet& sheet = *sheetHeld;
      CheckMemory(baseline, size, "a sheet");
      for (int row = sheet.FirstRow(); row <= sheet.LastRow(); ++row) {
        for (const tabrin::TSheetCell& cell : sheet.RowCells(row)) (void)sheet.Text(cell);
      }
      for (const std::optional<std::string>& filter : {std::optional<std::string>(), std::optional<std::string>("管理貨號")}) {
        try {
          const tabrin::TStatementResult table = tabrin::WorksheetTable(sheetHeld, filter);
          CheckMemory(baseline, size, "a sheet query");
          tabrin::TRow values;
          const std::size_t rows = table.rowSource ? table.rowSource->Size() : 0;
          for (std::size_t i = 0; i < rows; ++i) {
            table.rowSource->Decode(i, values);
            if (values.size() != table.columns.size()) std::abort();
          }
        } catch (const tabrin::TabrinError&) {
        }
      }
    }
  } catch (const tabrin::TabrinError&) {
  }
  CheckHalves(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
