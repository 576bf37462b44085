#pragma once
// The statements a workbook connection understands: the sheet queries of
// the four import tabs,
//
//   SELECT * FROM [sheet1$]
//   SELECT * FROM [sheet1$]  where 管理貨號<>''
//   SELECT * FROM [工作表1$A3:]  where 管理貨號<>''
//
// the last with the titles on row 3 of the sheet, the rows above them no
// data (keywords in any letter case, any blanks between the parts, the filter
// column bare or in brackets).  Anything else is refused with a clear error.
#include <optional>
#include <string>
#include <string_view>

namespace tabrin {

struct TSheetQuerySql {
  std::string sheet;                        // without the "$"
  int titleRow = 0;                         // 1-based; 0: the first row of the sheet's used range
  std::optional<std::string> filterColumn;  // rows whose cell there is not empty
};

// Raises TabrinError for any other statement.
TSheetQuerySql ParseSheetQuerySql(std::string_view sql);

// The bracketed table of a sheet query: "[sheet1$]", or with a title row
// "[工作表1$A3:]".
std::string SheetQueryTable(std::string_view sheet, int titleRow);

}  // namespace tabrin
