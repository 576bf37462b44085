// Creating the embedded database: schema, refusal to overwrite, sample data.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "db/database_connection.h"
#include "db/embedded_database.h"
#include "db/query.h"
#include "db/schema.h"
#include "db_test_support.h"
#include "text/encoding.h"
#include "text/error.h"

namespace tabrin::test {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

TEST(EmbeddedDatabase, RefusesToReplaceAnExistingFileUnlessForced) {
  TTempFolder folder;
  const std::string path = folder.File("Database.mdb");
  folder.Write("Database.mdb", "precious");
  try {
    CreateEmbeddedDatabase(path, {});
    ADD_FAILURE() << "replaced without force";
  } catch (const TabrinError& error) {
    EXPECT_EQ(error.what(), "'" + path + "' already exists; use --force to replace it");
  }
  EXPECT_EQ(ReadFile(path), "precious");
  CreateEmbeddedDatabase(path, {.overwrite = true});
  EXPECT_EQ(ReadFile(path).substr(0, 15), "SQLite format 3");
}

TEST(EmbeddedDatabase, SampleDataFillsEveryDeclaredFieldListAndFitsTheWidths) {
  TTempFolder folder;
  CreateEmbeddedDatabase(folder.File("Database.mdb"), {.sample = true});
  TConnection connection;
  ConnectDatabase(connection, TDatabaseKind::dkOrvella, folder.Path());

  struct TExpected {
    const TQueryDef& (*query)();
    int rows;
  } expected[] = {{schema::DBCLSQuery, 20},       {schema::OrvellaItemQuery, 200}, {schema::DBItemQuery, 200},
                  {schema::DBSupplierQuery, 20}, {schema::DBCustQuery, 50},       {schema::CLSExportQuery, 20},
                  {schema::ItemExportQuery, 200}, {schema::SupplierExportQuery, 20}, {schema::CustExportQuery, 50}};
  for (const TExpected& e : expected) {
    const TQueryDef& def = e.query();
    SCOPED_TRACE(std::string(def.name));
    TQuery query(def, connection);
    query.Open();  // every declared field binds
    EXPECT_EQ(query.RecordCount(), e.rows);
    for (query.First(); !query.Eof(); query.Next()) {
      for (int i = 0; i < query.FieldCount(); ++i) {
        const TField& field = query.Fields(i);
        if (field.Size() == 0) continue;
        const std::string text = field.AsString();
        const std::size_t length = field.DataType() == TFieldType::ftString ? Big5Length(text) : Utf16Length(text);
        EXPECT_LE(length, static_cast<std::size_t>(field.Size())) << field.FieldName() << " " << text;
      }
    }
  }
  TQuery item(schema::ItemExportQuery(), connection);
  item.Open();
  EXPECT_EQ(item.FieldByName("ItemNo").AsString().size(), 8u);
  EXPECT_FALSE(item.FieldByName("PtName").AsString().empty());
}

TEST(EmbeddedDatabase, SampleDataIsTheSameEveryTime) {
  TTempFolder folder;
  CreateEmbeddedDatabase(folder.File("a.mdb"), {.sample = true});
  CreateEmbeddedDatabase(folder.File("b.mdb"), {.sample = true});
  auto dump = [&](const std::string& file) {
    TConnection connection;
    connection.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder.File(file));
    connection.Open();
    std::string all;
    for (const char* sql : {"SELECT * FROM Item", "SELECT * FROM Customer", "SELECT * FROM Supplier"}) {
      TQuery query("Dump", connection);
      query.SetSql(sql);
      query.Open();
      for (; !query.Eof(); query.Next()) {
        for (int i = 0; i < query.FieldCount(); ++i) all += query.Fields(i).AsString() + "|";
      }
    }
    return all;
  };
  EXPECT_EQ(dump("a.mdb"), dump("b.mdb"));
}

}  // namespace
}  // namespace tabrin::test
