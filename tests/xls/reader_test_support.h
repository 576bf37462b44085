#pragma once
// Helpers shared by the workbook reader tests.
#include <fstream>
#include <iterator>
#include <string>

#include "text/format.h"
#include "xls/biff8/workbook_reader.h"

namespace tabrin::test {

inline std::string FixturePath(const std::string& name) { return std::string(TABRIN_TEST_DATA) + "/" + name; }

inline std::string ReadFixture(const std::string& name) {
  std::ifstream in(FixturePath(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A cell as "kind:value", so a table of cases can say what it expects in one
// word: "empty", "text:可樂", "number:25", "date:45356", "bool:1", "error:7".
inline std::string Describe(const TWorksheet& sheet, int row, int column) {
  const std::optional<TSheetCell> cell = sheet.Find(row, column);
  if (!cell) return "empty";
  switch (cell->kind) {
    case TCellKind::ckText: return "text:" + std::string(sheet.Text(*cell));
    case TCellKind::ckNumber: return "number:" + FormatGeneral(cell->number);
    case TCellKind::ckDateTime: return "date:" + FormatGeneral(cell->number);
    case TCellKind::ckBoolean: return "bool:" + FormatGeneral(cell->number);
    case TCellKind::ckError: return "error:" + FormatGeneral(cell->number);
    case TCellKind::ckEmpty: break;
  }
  return "empty";
}

}  // namespace tabrin::test
