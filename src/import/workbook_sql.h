#pragma once
// The statements a workbook connection understands: the sheet queries of
// the four import tabs,
//
//   SELECT * FROM [sheet1$]
//   SELECT * FROM [sheet1$]  where 管理貨號<>''
//
// (keywords in any letter case, any blanks between the parts, the filter
// column bare or in brackets).  Anything else is refused with a clear error.
#include <optional>
#include <string>
#include <string_view>

namespace tabrin {

struct TSheetQuerySql {
  std::string sheet;                        // without the "$"
  std::optional<std::string> filterColumn;  // rows whose cell there is not empty
};

// Raises TabrinError for any other statement.
TSheetQuerySql ParseSheetQuerySql(std::string_view sql);

}  // namespace tabrin
