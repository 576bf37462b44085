#include "db/master_table.h"

#include "text/ascii.h"

namespace tabrin {

std::string_view MasterTableName(TMasterTable table) {
  switch (table) {
    case TMasterTable::mtClassify: return "cls";
    case TMasterTable::mtItem: return "item";
    case TMasterTable::mtSupplier: return "supplier";
    case TMasterTable::mtCustomer: return "customer";
  }
  return {};
}

std::optional<TMasterTable> MasterTableFromName(std::string_view name) {
  for (TMasterTable table : kMasterTables) {
    if (EqualNoCaseAscii(name, MasterTableName(table))) return table;
  }
  return std::nullopt;
}

}  // namespace tabrin
