// What writing a value into a declared field stores, per field kind, checked
// after a post and a fresh read from the database.
#include <gtest/gtest.h>

#include <functional>

#include "db/schema.h"
#include "db_test_support.h"
#include "text/error.h"
#include "text/regional.h"

namespace tabrin::test {
namespace {

struct TWriteCase {
  const char* label;
  const TQueryDef& (*query)();
  const char* field;
  std::function<void(TField&)> write;
  TValue expected;       // what the database holds afterwards
  const char* error;     // or the error the write raises
};

// Built on first use: date values need the text layer initialised.
const std::vector<TWriteCase>& WriteCases() {
  const double kMarch5 = EncodeDateTime({2024, 3, 5, 14, 30, 0});
  static const std::vector<TWriteCase> cases = {
    // 8-bit text: cut to its width in Big5 bytes, whole characters only.
    {"Text8CutKeepsWholeBig5Characters", schema::DBCLSQuery, "ClsNo",
     [](TField& f) { f.SetAsString("小分類"); }, TValue::Text("小"), nullptr},
    {"Text8AsciiCutToWidth", schema::DBCLSQuery, "ClsNo", [](TField& f) { f.SetAsString("12345"); },
     TValue::Text("123"), nullptr},
    {"Text8FortyBytesIsTwentyCharacters", schema::DBCLSQuery, "ClsName",
     [](TField& f) { f.SetAsString("一二三四五六七八九十一二三四五六七八九十一二三"); },
     TValue::Text("一二三四五六七八九十一二三四五六七八九十"), nullptr},
    // 16-bit text: cut to its width in UTF-16 units.
    {"Text16KeepsBig5TextWithinWidth", schema::OrvellaItemQuery, "ItemNo",
     [](TField& f) { f.SetAsString("小分類"); }, TValue::Text("小分類"), nullptr},
    {"Text16CutToWidthInCharacters", schema::DBCLSQuery, "Void", [](TField& f) { f.SetAsString("作廢了"); },
     TValue::Text("作廢"), nullptr},
    {"Text16NeverSplitsASurrogatePair", schema::OrvellaItemQuery, "ItemNo",
     [](TField& f) { f.SetAsString("1234567𠀀"); }, TValue::Text("1234567"), nullptr},
    {"EmptyTextStoresEmptyTextNotNull", schema::OrvellaItemQuery, "PtName", [](TField& f) { f.SetAsString(""); },
     TValue::Text(""), nullptr},
    {"NumberWrittenIntoTextUsesGeneralForm", schema::OrvellaItemQuery, "SelfCode",
     [](TField& f) { f.SetAsFloat(4710088123456.0); }, TValue::Text("4710088123456"), nullptr},
    // Integers: rounded half to even, range-checked.
    {"SmallIntRoundsHalfDownToEven", schema::OrvellaItemQuery, "RegSafeQty", [](TField& f) { f.SetAsFloat(32766.5); },
     TValue::Integer(32766), nullptr},
    {"SmallIntRoundsHalfUpToEven", schema::OrvellaItemQuery, "RegSafeQty", [](TField& f) { f.SetAsFloat(3.5); },
     TValue::Integer(4), nullptr},
    {"SmallIntMinusHalfIsZero", schema::OrvellaItemQuery, "EmgSafeQty", [](TField& f) { f.SetAsFloat(-0.5); },
     TValue::Integer(0), nullptr},
    {"SmallIntRefusesValueRoundingOutOfRange", schema::OrvellaItemQuery, "RegSafeQty",
     [](TField& f) { f.SetAsFloat(32767.5); }, TValue(),
     "32768 is not a valid value for field 'RegSafeQty'. The allowed range is -32768 to 32767"},
    {"RangeErrorNamesTheDisplayTitle", schema::DBItemQuery, "Special", [](TField& f) { f.SetAsFloat(-32769); },
     TValue(), "-32769 is not a valid value for field '產品分類'. The allowed range is -32768 to 32767"},
    {"IntegerKeepsThirtyTwoBitRange", schema::OrvellaItemQuery, "StkQty", [](TField& f) { f.SetAsFloat(2147483647); },
     TValue::Integer(2147483647), nullptr},
    {"IntegerRefusesBeyondThirtyTwoBits", schema::OrvellaItemQuery, "StkQty",
     [](TField& f) { f.SetAsFloat(2147483647.5); }, TValue(),
     "2147483648 is not a valid value for field 'StkQty'. The allowed range is -2147483648 to 2147483647"},
    {"IntegerFromText", schema::OrvellaItemQuery, "StkQty", [](TField& f) { f.SetAsString("-12"); },
     TValue::Integer(-12), nullptr},
    {"IntegerFromTextWithBlanks", schema::OrvellaItemQuery, "StkQty", [](TField& f) { f.SetAsString(" +12\t"); },
     TValue::Integer(12), nullptr},
    {"IntegerRefusesHexadecimalText", schema::OrvellaItemQuery, "StkQty", [](TField& f) { f.SetAsString("$1F"); },
     TValue(), "'$1F' is not a valid integer value"},
    // Float: stored as given.
    {"FloatStoredAsGiven", schema::OrvellaItemQuery, "UniPrice", [](TField& f) { f.SetAsFloat(12.345); },
     TValue::Float(12.345), nullptr},
    {"FloatFromRegionalText", schema::OrvellaItemQuery, "Price", [](TField& f) { f.SetAsString("99.5"); },
     TValue::Float(99.5), nullptr},
    {"FloatRefusesText", schema::OrvellaItemQuery, "Price", [](TField& f) { f.SetAsString("十元"); }, TValue(),
     "'十元' is not a valid floating point value"},
    // Date-time: regional text, empty gives null.
    {"DateTimeFromRegionalText", schema::OrvellaItemQuery, "ImUpDate",
     [](TField& f) { f.SetAsString("2024/3/5 14:30:00"); }, TValue::DateTime(kMarch5), nullptr},
    {"EmptyTextMakesDateTimeNull", schema::OrvellaItemQuery, "ImUpDate", [](TField& f) { f.SetAsString(""); },
     TValue(), nullptr},
    {"DateTimeRefusesOtherText", schema::OrvellaItemQuery, "ImUpDate", [](TField& f) { f.SetAsString("2024/13/45"); },
     TValue(), "'2024/13/45' is not a valid date and time"},
    // Boolean: stored as given.
    {"BooleanTrue", schema::DBCLSQuery, "Flag", [](TField& f) { f.SetAsBoolean(true); }, TValue::Boolean(true),
     nullptr},
    {"BooleanFalse", schema::DBCLSQuery, "Flag", [](TField& f) { f.SetAsBoolean(false); }, TValue::Boolean(false),
     nullptr},
    {"BooleanFromYesText", schema::DBCLSQuery, "Flag", [](TField& f) { f.SetAsString("Y"); }, TValue::Boolean(true),
     nullptr},
    {"BooleanFromAccessTrue", schema::DBCLSQuery, "Flag", [](TField& f) { f.SetAsString("-1"); },
     TValue::Boolean(true), nullptr},
    {"BooleanFromNoText", schema::DBCLSQuery, "Flag", [](TField& f) { f.SetAsString("false"); },
     TValue::Boolean(false), nullptr},
    {"BooleanRefusesOtherText", schema::DBCLSQuery, "Flag", [](TField& f) { f.SetAsString("maybe"); }, TValue(),
     "'maybe' is not a valid boolean value for field 'Flag'"},
  };
  return cases;
}

class FieldWriteRules : public DatabaseTest {};

TEST_P(FieldWriteRules, StoreWhatTheKindPrescribes) {
  for (const TWriteCase& c : WriteCases()) {
    SCOPED_TRACE(c.label);
    const TQueryDef& def = c.query();
    Exec("DELETE FROM " + std::string(def.sql.substr(def.sql.rfind(' ') + 1)));
    TQuery query(def, Connection());
    query.Open();
    query.Append();
    if (c.error) {
      try {
        c.write(query.FieldByName(c.field));
        ADD_FAILURE() << "no error";
      } catch (const TabrinError& error) {
        EXPECT_EQ(error.what(), std::string(c.error));
      }
      query.Cancel();
      continue;
    }
    c.write(query.FieldByName(c.field));
    query.Post();

    TQuery check(def, Connection());
    check.Open();
    ASSERT_EQ(check.RecordCount(), 1);
    EXPECT_TRUE(SameValue(check.FieldByName(c.field).Value(), c.expected));
  }
}

TEST_P(FieldWriteRules, ReadValuesAsRegionalTextAndAsFloat) {
  TQuery query(schema::OrvellaItemQuery(), Connection());
  query.Open();
  query.Append();
  query.FieldByName("ItemNo").SetAsString("A0000001");
  query.FieldByName("PtName").SetAsString("12.5");
  query.FieldByName("PtSpec").SetAsString("");
  query.FieldByName("ImUpDate").SetAsString("2024/3/5");
  query.FieldByName("MTDate").SetAsString("2024/3/5 08:05:09");
  query.FieldByName("UniPrice").SetAsFloat(0.1 + 0.2);
  query.FieldByName("StkQty").SetAsFloat(7);
  query.Post();

  TQuery read(schema::OrvellaItemQuery(), Connection());
  read.Open();
  EXPECT_EQ(read.FieldByName("ImUpDate").AsString(), "2024/3/5");
  EXPECT_EQ(read.FieldByName("MTDate").AsString(), "2024/3/5 08:05:09");
  EXPECT_EQ(read.FieldByName("UniPrice").AsString(), "0.3");
  EXPECT_EQ(read.FieldByName("StkQty").AsString(), "7");
  EXPECT_EQ(read.FieldByName("No1").AsString(), "");  // null
  EXPECT_DOUBLE_EQ(read.FieldByName("PtName").AsFloat(), 12.5);
  EXPECT_DOUBLE_EQ(read.FieldByName("RegSafeQty").AsFloat(), 0);  // an empty number gives 0
  for (const char* emptyText : {"PtSpec", "No1"}) {  // empty text and null text alike
    try {
      read.FieldByName(emptyText).AsFloat();
      ADD_FAILURE() << emptyText << ": empty text read as a number";
    } catch (const TabrinError& error) {
      EXPECT_STREQ(error.what(), "'' is not a valid floating point value");
    }
  }
  try {
    read.FieldByName("ItemNo").AsFloat();
    ADD_FAILURE() << "non-numeric text read as a number";
  } catch (const TabrinError& error) {
    EXPECT_STREQ(error.what(), "'A0000001' is not a valid floating point value");
  }
}

TEST_P(FieldWriteRules, BooleanColumnsHoldingWordsReadAsBooleans) {
  Exec("INSERT INTO Classify (ClsNo, ClsName, Flag) VALUES ('001', 'a', 'Y'), ('002', 'b', 'n'), ('003', 'c', 'yes')");
  TQuery query(schema::DBCLSQuery(), Connection());
  query.Open();
  std::vector<bool> flags;
  for (; !query.Eof(); query.Next()) flags.push_back(query.FieldByName("Flag").AsBoolean());
  EXPECT_EQ(flags, (std::vector<bool>{true, false, true}));
}

TEST_P(FieldWriteRules, AppendLeavesUnwrittenColumnsToTheTableDefaults) {
  TQuery query(schema::OrvellaItemQuery(), Connection());
  query.Open();
  query.Append();
  query.FieldByName("ItemNo").SetAsString("00000000");
  query.Post();
  auto rows = Rows("SELECT GtoM, PayType, HealthTax FROM Item");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"0", "", "0"}));
  auto nulls = Rows("SELECT COUNT(*) FROM Item WHERE PayType IS NULL");
  EXPECT_EQ(nulls[0][0], "1");
}

TEST_P(FieldWriteRules, WritingOutsideEditOrAppendIsRefused) {
  Exec("INSERT INTO Classify (ClsNo, ClsName) VALUES ('001', '飲料')");
  TQuery query(schema::DBCLSQuery(), Connection());
  query.Open();
  try {
    query.FieldByName("ClsName").SetAsString("零食");
    ADD_FAILURE() << "write accepted in browse state";
  } catch (const TabrinError& error) {
    EXPECT_STREQ(error.what(), "DBCLSQuery: Dataset not in edit or insert mode");
  }
}

TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(FieldWriteRules);

}  // namespace
}  // namespace tabrin::test
