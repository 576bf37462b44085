// Queries on both backends: opening and walking, binding of declared fields,
// lookups with bound parameters, posting edits and appends, transactions.
#include <gtest/gtest.h>

#include "db/schema.h"
#include "db_test_support.h"
#include "text/error.h"
#include "text/regional.h"

namespace tabrin::test {
namespace {

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const TabrinError& error) {
    return error.what();
  }
  return "(no error)";
}

class QueryTest : public DatabaseTest {
 protected:
  void AddClassify(const std::string& code, const std::string& name) {
    Exec("INSERT INTO Classify (ClsNo, ClsName, Void) VALUES (?, ?, '')", {TValue::Text(code), TValue::Text(name)});
  }
  // The importers' lookup: the code as a bound parameter.
  void LookUp(TQuery& query, const std::string& code) {
    query.Close();
    query.SetSql("SELECT * from Classify where ClsNo=?");
    query.SetParameters({TValue::Text(code)});
    query.Open();
  }
};

TEST_P(QueryTest, WalksAStaticResultWithExactCount) {
  AddClassify("001", "飲料");
  AddClassify("002", "零食");
  TQuery query(schema::CLSExportQuery(), Connection());
  query.Open();
  EXPECT_EQ(query.RecordCount(), 2);
  std::vector<std::string> names;
  for (query.First(); !query.Eof(); query.Next()) names.push_back(query.FieldByName("clsname").AsString());
  EXPECT_EQ(names, (std::vector<std::string>{"飲料", "零食"}));
  query.Next();  // past the end stays past the end
  EXPECT_TRUE(query.Eof());

  // Direct positioning, as a grid reads the rows it shows.
  query.MoveTo(1);
  EXPECT_FALSE(query.Eof());
  EXPECT_EQ(query.FieldByName("ClsName").AsString(), "零食");
  query.MoveTo(0);
  EXPECT_EQ(query.FieldByName("ClsName").AsString(), "飲料");
  query.MoveTo(2);
  EXPECT_TRUE(query.Eof());

  TQuery empty("DBCLSQuery", Connection());
  empty.SetSql("SELECT * from Classify where ClsNo='999'");
  empty.Open();
  EXPECT_TRUE(empty.Eof());
  EXPECT_TRUE(empty.IsEmpty());
}

TEST_P(QueryTest, DeclaredFieldsCarryKindWidthTitleAndDisplayWidth) {
  TQuery query(schema::ItemExportQuery(), Connection());
  query.Open();
  ASSERT_EQ(query.FieldCount(), 19);  // only the declared fields, though Item has 45 columns
  const TField& itemNo = query.Fields(0);
  EXPECT_EQ(itemNo.FieldName(), "ItemNo");
  EXPECT_EQ(itemNo.DataType(), TFieldType::ftWideString);
  EXPECT_EQ(itemNo.DisplayLabel(), "管理貨號");
  EXPECT_EQ(itemNo.DisplayWidth(), 8);
  EXPECT_EQ(query.FieldByName("ImUpDate").DisplayWidth(), 18);
  EXPECT_EQ(query.FieldByName("StkQty").DisplayWidth(), 10);
  EXPECT_EQ(query.FieldByName("VipPrice").DataType(), TFieldType::ftFloat);

  TQuery orvella(schema::OrvellaItemQuery(), Connection());
  orvella.Open();
  EXPECT_EQ(orvella.FieldCount(), 45);
  EXPECT_EQ(orvella.FieldByName("HealthTax").DisplayLabel(), "HealthTax");  // no title: the name
}

TEST_P(QueryTest, BindingErrorsNameTheQueryAndTheField) {
  Exec("ALTER TABLE Item DROP COLUMN HealthTax");
  TQuery orvella(schema::OrvellaItemQuery(), Connection());
  EXPECT_EQ(ErrorOf([&] { orvella.Open(); }), "OrvellaItemQuery: Field 'HealthTax' not found");
  EXPECT_FALSE(orvella.Active());
  // The standard layout needs only its 19 columns.
  TQuery standard(schema::DBItemQuery(), Connection());
  EXPECT_NO_THROW(standard.Open());

  Exec("ALTER TABLE Classify DROP COLUMN ClsName");
  Exec("ALTER TABLE Classify ADD COLUMN ClsName INTEGER");
  TQuery classify(schema::DBCLSQuery(), Connection());
  EXPECT_EQ(ErrorOf([&] { classify.Open(); }),
            "DBCLSQuery: Type mismatch for field '小分類名稱', expecting: String actual: Integer");

  Exec("ALTER TABLE Item DROP COLUMN StkQty");
  Exec("ALTER TABLE Item ADD COLUMN StkQty FLOAT");
  EXPECT_EQ(ErrorOf([&] { standard.Close(), standard.Open(); }),
            "DBItemQuery: Type mismatch for field '庫存量', expecting: Integer actual: Float");
}

// A query reads only the columns its declared fields name; a field the
// table has lost since the query last read it is still reported as missing.
TEST_P(QueryTest, AFieldDroppedAfterAnOpenIsReportedAsMissingWhenOpenedAgain) {
  Exec("INSERT INTO Item (ItemNo, PtSpec, ShelfNo) VALUES ('001', '500ml', 'A1')");
  TQuery query(schema::ItemExportQuery(), Connection());
  query.Open();
  ASSERT_EQ(query.RecordCount(), 1);
  EXPECT_EQ(query.FieldByName("PtSpec").AsString(), "500ml");
  query.Close();
  Exec("ALTER TABLE Item DROP COLUMN PtSpec");
  EXPECT_EQ(ErrorOf([&] { query.Open(); }), "ItemExportQuery: Field '規格' not found");
  EXPECT_FALSE(query.Active());
}

TEST_P(QueryTest, OperationsOnAClosedQueryOrUnknownFieldsNameTheQuery) {
  TQuery sheet("ADOCLSQuery", Connection());
  EXPECT_EQ(ErrorOf([&] { sheet.First(); }), "ADOCLSQuery: Cannot perform this operation on a closed dataset");
  EXPECT_EQ(ErrorOf([&] { sheet.Open(); }), "ADOCLSQuery: Command text was not set for the command object");
  sheet.SetSql("SELECT ClsNo AS \"小分類代碼\" FROM Classify");
  sheet.Open();
  EXPECT_EQ(sheet.FieldByName("小分類代碼").FieldName(), "小分類代碼");
  EXPECT_EQ(ErrorOf([&] { sheet.FieldByName("小分類名稱"); }), "ADOCLSQuery: Field '小分類名稱' not found");
}

TEST_P(QueryTest, LookupWithAQuoteInTheCodeFindsExactlyThatCode) {
  AddClassify("a'b", "引號");
  AddClassify("ab", "無引號");
  AddClassify("a''", "兩個引號");
  TQuery lookup(schema::DBCLSQuery(), Connection());
  LookUp(lookup, "a'b");
  ASSERT_EQ(lookup.RecordCount(), 1);
  EXPECT_EQ(lookup.FieldByName("ClsName").AsString(), "引號");
  LookUp(lookup, "' OR '1'='1");
  EXPECT_EQ(lookup.RecordCount(), 0);
}

// A lookup opened again and again with the same SQL runs its kept statement;
// when the table's columns change in between, the fields follow them.
TEST_P(QueryTest, ALookupOpenedAgainSeesColumnsAddedMeanwhile) {
  AddClassify("001", "飲料");
  TQuery lookup("ADOCLSQuery", Connection());
  LookUp(lookup, "001");
  ASSERT_EQ(lookup.RecordCount(), 1);
  EXPECT_EQ(lookup.FindField("Extra"), nullptr);
  const std::uint64_t fields = lookup.FieldsVersion();
  LookUp(lookup, "002");
  EXPECT_EQ(lookup.RecordCount(), 0);
  EXPECT_EQ(lookup.FieldsVersion(), fields);  // the same columns: the same fields

  Exec("ALTER TABLE Classify ADD COLUMN Extra VARCHAR(5)");
  Exec("UPDATE Classify SET Extra = 'x'");
  LookUp(lookup, "001");
  ASSERT_EQ(lookup.RecordCount(), 1);
  ASSERT_NE(lookup.FindField("Extra"), nullptr);
  EXPECT_EQ(lookup.FieldByName("Extra").AsString(), "x");
  EXPECT_EQ(lookup.FieldByName("ClsName").AsString(), "飲料");
}

// Date-times the embedded database holds as texts read as the regional
// reader reads those texts, whatever their shape; a text that is no date
// stays a text.
TEST_P(QueryTest, StoredDateTimeTextsReadAsTheRegionalReaderReadsThem) {
  if (IsPostgres()) GTEST_SKIP() << "only the embedded database keeps date-times as texts";
  const std::vector<std::string> texts = {
      "2024-03-05",          "2024-03-05 13:45:10", "2024-03-05 13:45:10.250", "1899-12-30 00:00:00",
      "1900-01-01 06:00:00", "2024-3-5",            "2024/03/05 08:00",        "2024-03-05T13:45:10",
      "2024-02-30 00:00:00", "2024-03-05 24:00:00", "2024-03-05 13:45:1x",     "十二月",
  };
  for (std::size_t i = 0; i < texts.size(); ++i) {
    Exec("INSERT INTO Item (ItemNo, ImUpDate) VALUES (?, ?)",
         {TValue::Text(std::to_string(i)), TValue::Text(texts[i])});
  }
  TQuery query("Dates", Connection());
  query.SetSql("SELECT ItemNo, ImUpDate FROM Item");
  query.Open();
  ASSERT_EQ(query.RecordCount(), static_cast<int>(texts.size()));
  for (query.First(); !query.Eof(); query.Next()) {
    const std::string& text = texts[std::stoul(query.FieldByName("ItemNo").AsString())];
    const TValue& value = query.FieldByName("ImUpDate").Value();
    const std::optional<double> expected = TRegionalFormats::System().ParseDateTime(text);
    if (expected) {
      ASSERT_EQ(value.Type(), TValueType::vtDateTime) << text;
      EXPECT_EQ(value.DateTime(), *expected) << text;
    } else {
      EXPECT_EQ(value, TValue::Text(text)) << text;
    }
  }
}

TEST_P(QueryTest, PostingAnEditChangesOnlyTheRecordRead) {
  AddClassify("001", "甲");
  AddClassify("001", "乙");
  AddClassify("002", "丙");
  TQuery lookup(schema::DBCLSQuery(), Connection());
  LookUp(lookup, "001");
  ASSERT_EQ(lookup.RecordCount(), 2);
  lookup.Next();
  lookup.Edit();
  lookup.FieldByName("ClsName").SetAsString("乙改");
  lookup.FieldByName("Flag").SetAsBoolean(true);
  // While the edit is under way the field still tells what the record held.
  EXPECT_EQ(lookup.FieldByName("ClsName").OldValue(), TValue::Text("乙"));
  EXPECT_EQ(lookup.FieldByName("ClsName").Value(), TValue::Text("乙改"));
  lookup.Post();
  EXPECT_EQ(lookup.FieldByName("ClsName").AsString(), "乙改");  // the query shows what it wrote
  EXPECT_EQ(lookup.FieldByName("ClsName").OldValue(), TValue::Text("乙改"));  // and holds it as read now

  EXPECT_EQ(Rows("SELECT ClsNo, ClsName, Flag FROM Classify ORDER BY ClsName"),
            (std::vector<std::vector<std::string>>{{"002", "丙", "False"}, {"001", "乙改", "True"}, {"001", "甲", "False"}}));
}

TEST_P(QueryTest, PostingAnEditFindsTheRecordByItsPrimaryKey) {
  Exec("CREATE TABLE Keyed (Id INTEGER PRIMARY KEY, Code VARCHAR(8), Name VARCHAR(20))");
  Exec("INSERT INTO Keyed VALUES (1, 'K', 'same')");
  Exec("INSERT INTO Keyed VALUES (2, 'K', 'same')");
  TQuery query("KeyedQuery", Connection());
  query.SetSql("SELECT Code, Name, Id FROM Keyed WHERE Code = ? ORDER BY Id");
  query.SetParameters({TValue::Text("K")});
  query.Open();
  query.Next();
  query.Edit();
  query.FieldByName("Name").SetAsString("second");
  query.Post();
  EXPECT_EQ(Rows("SELECT Id, Name FROM Keyed ORDER BY Id"),
            (std::vector<std::vector<std::string>>{{"1", "same"}, {"2", "second"}}));
}

TEST_P(QueryTest, AnEditOfARecordChangedMeanwhileIsRefused) {
  AddClassify("001", "甲");
  TQuery lookup(schema::DBCLSQuery(), Connection());
  LookUp(lookup, "001");
  Exec("DELETE FROM Classify");
  lookup.Edit();
  lookup.FieldByName("ClsName").SetAsString("乙");
  EXPECT_EQ(ErrorOf([&] { lookup.Post(); }),
            "DBCLSQuery: Row cannot be located for updating. Some values may have been changed since it was last read");
  EXPECT_TRUE(Rows("SELECT * FROM Classify").empty());
}

TEST_P(QueryTest, AppendedRecordsCanBeEditedAgain) {
  TQuery lookup(schema::DBCLSQuery(), Connection());
  LookUp(lookup, "010");
  ASSERT_EQ(lookup.RecordCount(), 0);
  lookup.Append();
  lookup.FieldByName("ClsNo").SetAsString("010");
  EXPECT_TRUE(lookup.FieldByName("ClsNo").OldValue().IsNull());  // a new record held nothing
  lookup.FieldByName("ClsName").SetAsString("新分類");
  lookup.FieldByName("Flag").SetAsBoolean(false);
  lookup.FieldByName("Void").SetAsString("");
  lookup.Post();
  EXPECT_EQ(lookup.RecordCount(), 1);
  lookup.Edit();
  lookup.FieldByName("ClsName").SetAsString("改名");
  lookup.Post();
  EXPECT_EQ(Rows("SELECT ClsNo, ClsName, Void FROM Classify"),
            (std::vector<std::vector<std::string>>{{"010", "改名", ""}}));
}

// Records appended one after another each stay readable where they were
// appended, before and after the position moves away from them.
TEST_P(QueryTest, RecordsAppendedInARowReadBackInOrder) {
  AddClassify("001", "飲料");
  TQuery query(schema::DBCLSQuery(), Connection());
  query.SetSql("SELECT * from Classify");
  query.Open();
  for (const char* code : {"010", "011"}) {
    query.Append();
    query.FieldByName("ClsNo").SetAsString(code);
    query.FieldByName("ClsName").SetAsString(std::string("分類") + code);
    query.FieldByName("Flag").SetAsBoolean(false);  // every column: found again by its values where there is no key
    query.FieldByName("Void").SetAsString("");
    query.Post();
    EXPECT_EQ(query.FieldByName("ClsNo").AsString(), code);
  }
  ASSERT_EQ(query.RecordCount(), 3);
  std::vector<std::string> names;
  for (query.First(); !query.Eof(); query.Next()) names.push_back(query.FieldByName("ClsName").AsString());
  EXPECT_EQ(names, (std::vector<std::string>{"飲料", "分類010", "分類011"}));
  query.MoveTo(2);
  query.Edit();
  query.FieldByName("ClsName").SetAsString("改名");
  query.Post();
  query.MoveTo(1);
  EXPECT_EQ(query.FieldByName("ClsName").AsString(), "分類010");
  query.MoveTo(2);
  EXPECT_EQ(query.FieldByName("ClsName").AsString(), "改名");
  EXPECT_EQ(Rows("SELECT ClsNo, ClsName FROM Classify ORDER BY ClsNo"),
            (std::vector<std::vector<std::string>>{{"001", "飲料"}, {"010", "分類010"}, {"011", "改名"}}));
}

// The same query opened on another table with the same columns writes
// there: what it keeps for writing belongs to the table it last read.
TEST_P(QueryTest, AfterItsSqlNamesAnotherTableWithTheSameColumnsAQueryWritesThere) {
  Exec("CREATE TABLE ClassifyCopy AS SELECT ClsNo, ClsName FROM Classify WHERE 1 = 0", {});
  TQuery query("CopyQuery", Connection());
  for (const char* table : {"Classify", "ClassifyCopy"}) {
    query.Close();
    query.SetSql(std::string("SELECT ClsNo, ClsName FROM ") + table);
    query.Open();
    query.Append();
    query.FieldByName("ClsNo").SetAsString(table[8] ? "002" : "001");
    query.FieldByName("ClsName").SetAsString("新");
    query.Post();
  }
  EXPECT_EQ(Rows("SELECT ClsNo FROM Classify"), (std::vector<std::vector<std::string>>{{"001"}}));
  EXPECT_EQ(Rows("SELECT ClsNo FROM ClassifyCopy"), (std::vector<std::vector<std::string>>{{"002"}}));

  query.Edit();
  query.FieldByName("ClsName").SetAsString("改");
  query.Post();
  EXPECT_EQ(Rows("SELECT ClsName FROM ClassifyCopy"), (std::vector<std::vector<std::string>>{{"改"}}));
  EXPECT_EQ(Rows("SELECT ClsName FROM Classify"), (std::vector<std::vector<std::string>>{{"新"}}));
}

TEST_P(QueryTest, AQueryThatIsNotOneTableIsReadOnly) {
  TQuery count("CountQuery", Connection());
  count.SetSql("SELECT COUNT(*) AS n FROM Classify");
  count.Open();
  EXPECT_EQ(count.FieldByName("N").AsString(), "0");
  EXPECT_EQ(ErrorOf([&] { count.Append(); }), "CountQuery: Cannot modify a read-only dataset");
  TQuery empty(schema::DBCLSQuery(), Connection());
  empty.Open();
  EXPECT_EQ(ErrorOf([&] { empty.Edit(); }),
            "DBCLSQuery: Either BOF or EOF is True, or the current record has been deleted. Requested operation "
            "requires a current record");
}

TEST_P(QueryTest, TransactionsCommitOrRollBackAppends) {
  TQuery query(schema::DBCLSQuery(), Connection());
  query.Open();
  Connection().BeginTransaction();
  query.Append();
  query.FieldByName("ClsNo").SetAsString("001");
  query.Post();
  Connection().Rollback();
  EXPECT_TRUE(Rows("SELECT * FROM Classify").empty());

  Connection().BeginTransaction();
  query.Append();
  query.FieldByName("ClsNo").SetAsString("002");
  query.Post();
  Connection().Commit();
  EXPECT_EQ(Rows("SELECT ClsNo FROM Classify"), (std::vector<std::vector<std::string>>{{"002"}}));
}

TEST_P(QueryTest, ProviderErrorsReachTheCaller) {
  TQuery query("BadQuery", Connection());
  query.SetSql("SELECT * FROM NoSuchTable");
  EXPECT_NE(ErrorOf([&] { query.Open(); }), "(no error)");
  EXPECT_FALSE(query.Active());
}

TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(QueryTest);

}  // namespace
}  // namespace tabrin::test
