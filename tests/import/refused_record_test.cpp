// A record the database refuses stops the import at its row; the rows before
// it stay stored even when they share its batch (PostgreSQL refuses every
// further statement of a transaction after a failed one, so the batch is
// written again).
#include <gtest/gtest.h>

#include "import_test_support.h"

namespace tabrin::test {
namespace {

class RefusedRecord : public ImportTest {
 protected:
  void RefuseName(const std::string& name) {
    if (IsPostgres()) {
      Exec("ALTER TABLE Customer ADD CONSTRAINT refuse_name CHECK (Name <> '" + name + "')");
    } else {
      Exec("CREATE TRIGGER refuse_name BEFORE INSERT ON Customer WHEN NEW.Name = '" + name +
           "' BEGIN SELECT RAISE(ABORT, 'name refused'); END");
    }
  }
};

TEST_P(RefusedRecord, EarlierRowsOfTheBatchStayStoredAndTheImportCanBeRepeated) {
  RefuseName("拒絕");
  Exec("INSERT INTO Customer (CustNo, Name) VALUES ('C03', '舊')");
  SheetRows rows;
  for (int i = 2; i <= 12; ++i) rows.push_back({"C" + std::string(i < 10 ? "0" : "") + std::to_string(i), "", i == 11 ? "拒絕" : "客戶"});
  for (int batchRows : {500, 4}) {
    SCOPED_TRACE(batchRows);
    const TImportError error = ImportFailing(TMasterTable::mtCustomer, CustomerTitles(), rows, TCoverMode::cmOverwrite,
                                             TDatabaseKind::dkKestaPos, batchRows);
    EXPECT_EQ(error.SheetRow(), 11);
    EXPECT_EQ(error.Column(), "");
    EXPECT_NE(std::string(error.what()).find("\n工作表第 11 列"), std::string::npos) << error.what();
    EXPECT_EQ(Rows("SELECT COUNT(*), MIN(CustNo), MAX(CustNo) FROM Customer WHERE Name = '客戶'"),
              (std::vector<std::vector<std::string>>{{"9", "C02", "C10"}}));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM Customer"), (std::vector<std::vector<std::string>>{{"9"}}));
  }
}

TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(RefusedRecord);

}  // namespace
}  // namespace tabrin::test
