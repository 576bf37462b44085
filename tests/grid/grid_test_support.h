#pragma once
// Ground for the grid tests: workbooks written by the program's own writer,
// opened as the window opens them (workbook connection, the tab's sheet
// query), and a scratch folder per test.
#include <filesystem>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "db/connection.h"
#include "db/master_table.h"
#include "db/query.h"

namespace tabrin::test {

// A cell of a test sheet: blank, text, number or (tagged) date serial.
struct TDate {
  double serial;
};
using TCell = std::variant<std::monostate, std::string, double, TDate>;
using TRows = std::vector<std::vector<TCell>>;

class TScratchFolder {
 public:
  TScratchFolder();
  ~TScratchFolder();
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A one-sheet workbook ("Sheet1"): titles, then rows.
void WriteSheet(const std::string& path, const std::vector<std::string>& titles, const TRows& rows);

// A workbook open on a tab: the workbook connection and the tab's sheet
// query, open.
class TOpenSheet {
 public:
  TOpenSheet(TMasterTable table, const std::string& path);
  ~TOpenSheet();
  TQuery& Query() { return *query_; }

 private:
  std::unique_ptr<TConnection> connection_;
  std::unique_ptr<TQuery> query_;
};

// The item list's sheet columns, in list order.
const std::vector<std::string>& ItemListFields();

}  // namespace tabrin::test
