#pragma once
// Which statements a query can write back through: a select of one table,
// recognised from the SQL text alone.
#include <cstddef>
#include <string>
#include <string_view>

namespace tabrin::detail {

struct TSqlShape {
  std::string table;             // as written; empty when not a one-table select
  std::size_t selectListAt = 0;  // position just after "select"
};

// Recognises "SELECT <list> FROM <table> [WHERE ...|ORDER BY ...]" in any
// letter case; keywords inside quoted texts and names do not count.  Joins,
// unions, grouping, DISTINCT, sub-selects and computed columns give no table.
TSqlShape AnalyseSql(std::string_view sql);

}  // namespace tabrin::detail
