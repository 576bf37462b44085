#pragma once
// Ground for the import tests: workbooks written by the program's own writer
// (sheet "Sheet1", titles in the first row) and a database per test on both
// backends.
#include <map>
#include <string>
#include <vector>

#include "db/db_test_support.h"
#include "import/import_loop.h"
#include "import/import_tabs.h"

namespace tabrin::test {

// One cell of a test sheet.
struct Cell {
  enum Kind { blank, text, number, date, boolean };
  Kind kind = blank;
  std::string textValue;
  double numberValue = 0;

  Cell() = default;
  Cell(const char* value) : kind(text), textValue(value) {}
  Cell(std::string value) : kind(text), textValue(std::move(value)) {}
  Cell(double value) : kind(number), numberValue(value) {}
  Cell(int value) : kind(number), numberValue(value) {}
  static Cell Date(double serial) {
    Cell cell;
    cell.kind = date;
    cell.numberValue = serial;
    return cell;
  }
  static Cell Boolean(bool value) {
    Cell cell;
    cell.kind = boolean;
    cell.numberValue = value ? 1 : 0;
    return cell;
  }
};

using SheetRows = std::vector<std::vector<Cell>>;

// Writes a one-sheet workbook: the titles, then the rows (shorter rows leave
// their last cells blank).
void WriteWorkbook(const std::string& path, const std::vector<std::string>& titles, const SheetRows& rows);

// Every column an item sheet can have: the standard layout's titles, the
// supplier column of the overwrite and kind-1 branches, and "健康捐".
const std::vector<std::string>& ItemTitles();
// An item row with the given cells by title; every other cell blank.
std::vector<Cell> ItemRow(const std::map<std::string, Cell>& cells);

const std::vector<std::string>& SupplierTitles();  // the sheet layout the supplier import reads
const std::vector<std::string>& CustomerTitles();

// The four tables on both backends, with an import helper.
class ImportTest : public DatabaseTest {
 protected:
  // Writes the sheet to a file of its own and imports it.
  TImportCounts Import(TMasterTable table, const std::vector<std::string>& titles, const SheetRows& rows,
                       TCoverMode cover = TCoverMode::cmOverwrite, TDatabaseKind kind = TDatabaseKind::dkKestaPos,
                       int batchRows = 500);
  // The same, expecting an error; returns it.
  TImportError ImportFailing(TMasterTable table, const std::vector<std::string>& titles, const SheetRows& rows,
                             TCoverMode cover = TCoverMode::cmOverwrite,
                             TDatabaseKind kind = TDatabaseKind::dkKestaPos, int batchRows = 500);
  std::string NewWorkbookPath();

  TTempFolder files;

 private:
  int workbooks_ = 0;
};

}  // namespace tabrin::test
