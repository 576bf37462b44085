#pragma once
// The four master-data tables that the program imports and exports, one tab
// of the window each, in tab order.
//
//   std::optional<TMasterTable> t = MasterTableFromName("Item");  // mtItem
//   MasterTableName(TMasterTable::mtClassify) == "cls"
#include <array>
#include <optional>
#include <string_view>

namespace tabrin {

enum class TMasterTable { mtClassify, mtItem, mtSupplier, mtCustomer };

inline constexpr std::array<TMasterTable, 4> kMasterTables = {
    TMasterTable::mtClassify, TMasterTable::mtItem, TMasterTable::mtSupplier, TMasterTable::mtCustomer};

// The command-line name: "cls", "item", "supplier", "customer".
std::string_view MasterTableName(TMasterTable table);
// One of those names, in any letter case; nullopt otherwise.
std::optional<TMasterTable> MasterTableFromName(std::string_view name);

}  // namespace tabrin
