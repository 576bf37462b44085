#pragma once
// Sheet queries through the real data layer: a workbook connection opened
// with the connection text of the Open buttons, and tables of what fields
// read as text and as a float.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/query.h"
#include "import/workbook_backend.h"
#include "text/error.h"

namespace tabrin::test {

inline const std::string kData = TABRIN_TEST_DATA;
inline constexpr const char* kAllRows = "SELECT * FROM [sheet1$]  ";
inline constexpr const char* kItemRows = "SELECT * FROM [sheet1$]  where 管理貨號<>''";

inline std::string ConnectionText(const std::string& path) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";" + "Extended Properties=IMEX=1;Excel 8.0;" +
         "Persist Security Info=False";
}

struct FieldCase {
  int record;
  const char* field;
  const char* text;    // AsString
  const char* number;  // AsFloat in the general form, or the error message; kNull: a null field
};

// An empty cell of a text column: what reading it as a float does is the
// data layer's rule for an empty text field, not checked here.
inline constexpr const char* kNull = nullptr;

class WorkbookQueryFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterWorkbookReader(); }

  TQuery& Open(const std::string& file, const char* sql, const char* queryName = "ADOItemQuery") {
    connection_.Close();
    connection_.SetConnectionString(ConnectionText(kData + "/" + file));
    connection_.Open();
    query_ = std::make_unique<TQuery>(queryName, connection_);
    query_->SetSql(sql);
    query_->Open();
    return *query_;
  }

  static std::string ErrorOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const TabrinError& e) {
      return e.what();
    }
    return "(no error)";
  }

  static std::string FloatOrError(TField& field) {
    try {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%.15g", field.AsFloat());
      return buffer;
    } catch (const TabrinError& e) {
      return e.what();
    }
  }

  // Checks each case on the open query; where names the workbook.
  void ExpectFields(const std::vector<FieldCase>& cases, const std::string& where) {
    for (const FieldCase& c : cases) {
      query_->MoveTo(c.record);
      TField& field = query_->FieldByName(c.field);
      const std::string at = where + " record " + std::to_string(c.record) + " " + c.field;
      EXPECT_EQ(field.AsString(), c.text) << at;
      if (c.number == kNull) {
        EXPECT_TRUE(field.IsNull()) << at;
      } else {
        EXPECT_EQ(FloatOrError(field), c.number) << at;
      }
    }
  }

  TConnection connection_{"ADOXLSConnect"};
  std::unique_ptr<TQuery> query_;
};

}  // namespace tabrin::test
