#include "xls/workbook_output_for.h"

#include "xls/biff8/workbook_writer.h"
#include "xls/csv/csv_writer.h"
#include "xls/ooxml/xlsx_writer.h"
#include "xls/workbook_file_name.h"

namespace tabrin {

std::unique_ptr<TWorkbookOutput> WorkbookOutputFor(std::string_view fileName) {
  if (IsXlsxFileName(fileName)) return std::make_unique<TxlsxWorkbookWriter>();
  if (IsCsvFileName(fileName)) return std::make_unique<TCsvWorkbookWriter>();
  return std::make_unique<TxlsWorkbookWriter>();
}

}  // namespace tabrin
