// tabrin-cli template end to end: each table's template for the embedded
// database (kind 1), filled with a row whose code has leading zeros, imports
// without a mapping and keeps the zeros.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/cli_home_test.h"
#include "db/embedded_database.h"
#include "export/import_template.h"

namespace tabrin::cli {
namespace {

int CountOf(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  int count = -1;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      count = sqlite3_column_int(statement, 0);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return count;
}

// Puts the code as text into the first cell under the titles, as a user
// types it into the cell formatted as text.
constexpr const char* kFillScript = R"PY(
import sys, openpyxl
path, code = sys.argv[1], sys.argv[2]
book = openpyxl.load_workbook(path)
sheet = book.worksheets[0]
sheet.cell(2, 1).value = code
sheet.cell(2, 1).number_format = sheet.column_dimensions["A"].number_format
book.save(path)
)PY";

class CliTemplate : public CliHomeTest {
 protected:
  void SetUp() override {
    CliHomeTest::SetUp();
    CreateEmbeddedDatabase(Home("Database.mdb"), {});
  }
  std::string Home(const std::string& name) const { return (std::filesystem::path(home_) / name).string(); }
};

const struct {
  const char* verb;
  TMasterTable table;
  const char* codes[2];  // typed into the .csv and the .xlsx template
  const char* count;     // counts the records of a code
} kTables[] = {
    {"cls", TMasterTable::mtClassify, {"001", "002"}, "SELECT COUNT(*) FROM Classify WHERE ClsNo = "},
    {"item", TMasterTable::mtItem, {"00420041", "00420042"}, "SELECT COUNT(*) FROM Item WHERE ItemNo = "},
    {"supplier", TMasterTable::mtSupplier, {"0041", "0042"}, "SELECT COUNT(*) FROM Supplier WHERE FactNo = "},
    {"customer", TMasterTable::mtCustomer, {"0041", "0042"}, "SELECT COUNT(*) FROM Customer WHERE CustNo = "},
};

TEST_F(CliTemplate, AFilledTemplateImportsWithoutAMappingAndKeepsLeadingZeros) {
  const std::string script = Home("fill.py");
  std::ofstream(script) << kFillScript;
  for (const auto& t : kTables) {
    for (const bool csv : {true, false}) {
      const std::string extension = csv ? ".csv" : ".xlsx";
      const std::string code = t.codes[csv ? 0 : 1];
      SCOPED_TRACE(std::string(t.verb) + extension);
      const std::string file = Home(std::string(t.verb) + extension);
      ASSERT_EQ(Run({"template", "--kind", "1", t.verb, file}), 0) << err_.str();
      EXPECT_EQ(out_.str(), "已寫入 " + file + "\n");
      if (csv) {
        const std::size_t columns = ImportTemplateColumns(t.table, TDatabaseKind::dkOrvella).size();
        std::ofstream(file, std::ios::app) << code << std::string(columns - 1, ',') << "\r\n";
      } else {
        const std::string command = "/usr/bin/python3 '" + script + "' '" + file + "' " + code;
        ASSERT_EQ(std::system(command.c_str()), 0);
      }
      ASSERT_EQ(Run({"import", "--kind", "1", t.verb, file}), 0) << out_.str() << err_.str();
      EXPECT_EQ(out_.str().find("缺少"), std::string::npos) << out_.str();
      EXPECT_EQ(CountOf(Home("Database.mdb"), t.count + ("'" + code + "'")), 1) << out_.str();
    }
  }
}

TEST_F(CliTemplate, NamesWithoutAWorkbookExtensionGetXlsAndWrongUsageFails) {
  ASSERT_EQ(Run({"template", "--kind", "2", "item", Home("items")}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "已寫入 " + Home("items.xls") + "\n");
  EXPECT_TRUE(std::filesystem::exists(Home("items.xls")));
  EXPECT_EQ(Run({"template", "--kind", "1", "orders", Home("x.xls")}), 2);
  EXPECT_EQ(Run({"template", "item", Home("x.xls")}), 2);  // no kind
  EXPECT_FALSE(std::filesystem::exists(Home("x.xls")));
  EXPECT_EQ(Run({"template", "--kind", "1", "cls", Home("no such folder/cls.xls")}), 1);
  EXPECT_NE(err_.str(), "");
}

}  // namespace
}  // namespace tabrin::cli
