// Connection strings as the program assembles them, how the data layer reads
// them, and opening each kind of store.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <utility>

#include "db/backend.h"
#include "db/connection_string.h"
#include "db/database_connection.h"
#include "db/embedded_database.h"
#include "db/missing_database.h"
#include "db/odbc_backend.h"
#include "db/query.h"
#include "db_test_support.h"
#include "text/error.h"

namespace tabrin::test {
namespace {

std::string OpenError(TConnection& connection) {
  try {
    connection.Open();
  } catch (const TabrinError& error) {
    return error.what();
  }
  return "(no error)";
}

TEST(ConnectionStrings, KindOneNamesTheDatabaseFileInTheProgramFolder) {
  EXPECT_EQ(DatabaseConnectionString(TDatabaseKind::dkOrvella, "/opt/pos/"),
            "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=true;Data Source=/opt/pos/Database.mdb;"
            "Jet OLEDB:Database Password=mervol");
  // A folder with ";" in its name stays one value.
  const auto properties = ParseConnectionString(OrvellaConnectionString("/data/a;b/"));
  EXPECT_EQ(properties.Get("Data Source"), "/data/a;b/Database.mdb");
}

TEST(ConnectionStrings, ServerKindsUseDefaultsWithoutDatabaseIni) {
  TTempFolder folder;
  EXPECT_EQ(DatabaseConnectionString(TDatabaseKind::dkKestaPos, folder.Path()),
            "Provider=SQLOLEDB.1;Password=vorn;Persist Security Info=True;User ID=SA;Initial Catalog=KESTAPOS;"
            "Data Source=(local)");
  EXPECT_EQ(DatabaseConnectionString(TDatabaseKind::dkKestaPlus, folder.Path()),
            "Provider=SQLOLEDB.1;Password=vorn;Persist Security Info=True;User ID=SA;Initial Catalog=KESTAPLUS;"
            "Data Source=(local)");
}

TEST(ConnectionStrings, DatabaseIniIsReadWithoutRegardToCase) {
  TTempFolder folder;
  folder.Write("database.ini", "[database]\nhost=pos-server\ndatabasename=SHOP\nlogin=clerk\nport=1433\n");
  for (TDatabaseKind kind : {TDatabaseKind::dkKestaPos, TDatabaseKind::dkKestaPlus}) {
    EXPECT_EQ(DatabaseConnectionString(kind, folder.Path()),
              "Provider=SQLOLEDB.1;Password=vorn;Persist Security Info=True;User ID=clerk;Initial Catalog=SHOP;"
              "Data Source=pos-server;Port=1433");
  }
}

TEST(ConnectionStrings, TheServerTimeoutIsASettingOfDatabaseIni) {
  const struct {
    const char* ini;  // the value of "Timeout", or nullptr for none
    int seconds;
  } cases[] = {{nullptr, 15}, {"5", 5}, {"120", 120}, {"15", 15}, {"0", 15}, {"-3", 15}, {"soon", 15}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ini ? c.ini : "(none)");
    TTempFolder folder;
    folder.Write("Database.ini", std::string("[Database]\nHost=pos\n") + (c.ini ? "timeout=" + std::string(c.ini) : ""));
    EXPECT_EQ(ReadServerSettings(TDatabaseKind::dkKestaPos, folder.Path()).timeoutSeconds, c.seconds);
    const auto properties = ParseConnectionString(DatabaseConnectionString(TDatabaseKind::dkKestaPos, folder.Path()));
    EXPECT_EQ(properties.Get("Connect Timeout"), c.seconds == 15 ? "" : std::to_string(c.seconds));
    EXPECT_EQ(detail::LoginTimeoutSeconds(properties), c.seconds);
  }
}

// "Connect Timeout" typed into a connection string: a count of seconds in
// digits alone; any other text leaves the default of 15.
TEST(ConnectionStrings, TheLoginTimeoutTakesDigitsAlone) {
  const std::pair<const char*, int> cases[] = {
      {"Connect Timeout=30", 30},
      {"Connect Timeout= 007 ", 7},  // the connection string drops the blanks
      {"Connect Timeout=+30", 15},
      {"Connect Timeout=-30", 15},
      {"Connect Timeout=0", 15},
      {"Connect Timeout=30s", 15},
      {"Connect Timeout=3 0", 15},
      {"Connect Timeout=2147483647", 2147483647},
      {"Connect Timeout=2147483648", 15},
      {"Connect Timeout=", 15},
      {"Data Source=pos", 15},
  };
  for (const auto& [text, seconds] : cases) {
    EXPECT_EQ(detail::LoginTimeoutSeconds(ParseConnectionString(text)), seconds) << text;
  }
}

// A server that takes the connection but never answers (a listening socket
// nobody reads): the connection gives up after the Timeout of Database.ini,
// well before the default, and says why.
TEST(DatabaseConnect, AServerThatDoesNotAnswerFailsAfterTheTimeoutAndSaysSo) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 16), 0);
  socklen_t length = sizeof address;
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::string port = std::to_string(ntohs(address.sin_port));

  for (const char* driver : {"FreeTDS", "PostgreSQL Unicode"}) {
    SCOPED_TRACE(driver);
    TTempFolder folder;
    folder.Write("Database.ini", "[Database]\nHost=127.0.0.1\nPort=" + port + "\nDriver=" + driver + "\nTimeout=2\n");
    TConnection connection("ADOConnection");
    const auto startedAt = std::chrono::steady_clock::now();
    std::string error = "(no error)";
    try {
      ConnectDatabase(connection, TDatabaseKind::dkKestaPos, folder.Path());
    } catch (const TabrinError& e) {
      error = e.what();
    }
    const auto waited = std::chrono::steady_clock::now() - startedAt;
    EXPECT_TRUE(error.starts_with("The server did not answer within 2 seconds (setting \"Timeout\" of Database.ini)"))
        << error;
    EXPECT_LT(waited, std::chrono::seconds(kDefaultServerTimeoutSeconds - 3));
    EXPECT_FALSE(connection.Connected());
  }
  close(listener);
}

TEST(ConnectionStrings, APasswordWithSeparatorsReachesTheDriverIntact) {
  TServerSettings settings;
  settings.databaseName = "KESTAPOS";
  settings.password = "a;b=c\"d";
  const std::string text = ServerConnectionString(settings);
  EXPECT_EQ(text,
            "Provider=SQLOLEDB.1;Password=\"a;b=c\"\"d\";Persist Security Info=True;User ID=SA;"
            "Initial Catalog=KESTAPOS;Data Source=(local)");
  const auto properties = ParseConnectionString(text);
  EXPECT_EQ(properties.Get("Password"), "a;b=c\"d");
  EXPECT_EQ(properties.Get("User ID"), "SA");
  EXPECT_EQ(detail::OdbcConnectionString(properties),
            "DRIVER={FreeTDS};SERVER=localhost;DATABASE=KESTAPOS;UID=SA;PWD={a;b=c\"d};ClientCharset=UTF-8;TDS_Version=7.4;");
}

TEST(ConnectionStrings, OdbcStringForSqlServerAndOtherDrivers) {
  struct TCase {
    const char* oleDb;
    const char* odbc;
  } cases[] = {
      {"Provider=SQLOLEDB.1;Password=vorn;Persist Security Info=True;User ID=SA;Initial Catalog=KESTAPOS;"
       "Data Source=(local)",
       "DRIVER={FreeTDS};SERVER=localhost;DATABASE=KESTAPOS;UID=SA;PWD={vorn};ClientCharset=UTF-8;TDS_Version=7.4;"},
      {"Provider=SQLOLEDB.1;Password=x{y;User ID=SA;Initial Catalog=POS;Data Source=10.0.0.5,1500",
       "DRIVER={FreeTDS};SERVER=10.0.0.5;PORT=1500;DATABASE=POS;UID=SA;PWD={x{y};ClientCharset=UTF-8;TDS_Version=7.4;"},
      {"Provider=SQLOLEDB.1;Password=p;User ID=u;Initial Catalog=d;Data Source=db;Driver=PostgreSQL Unicode;Port=5433",
       "DRIVER={PostgreSQL Unicode};SERVER=db;PORT=5433;DATABASE=d;UID=u;PWD={p};BoolsAsChar=0;"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(detail::OdbcConnectionString(ParseConnectionString(c.oleDb)), c.odbc) << c.oleDb;
  }
}

TEST(ConnectionStrings, WorkbookFormIsRecognised) {
  const auto properties = ParseConnectionString(
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/home/u/品項.xls;Extended Properties=IMEX=1;Excel 8.0;"
      "Persist Security Info=False");
  EXPECT_TRUE(IsWorkbookConnection(properties));
  EXPECT_EQ(properties.Get("data source"), "/home/u/品項.xls");
  EXPECT_EQ(properties.Get("Extended Properties"), "IMEX=1;Excel 8.0");
  EXPECT_EQ(properties.Get("Persist Security Info"), "False");
  EXPECT_FALSE(IsWorkbookConnection(ParseConnectionString(OrvellaConnectionString("/x/"))));
}

TEST(DatabaseConnect, KindOneOpensTheEmbeddedDatabase) {
  TTempFolder folder;
  CreateEmbeddedDatabase(folder.File("Database.mdb"), {});
  TConnection connection("ADOConnection");
  const TConnectResult result = ConnectDatabase(connection, TDatabaseKind::dkOrvella, folder.Path());
  EXPECT_EQ(result.statusText, "連線資料庫 : Orvella");
  EXPECT_EQ(result.kind, TDatabaseKind::dkOrvella);
  EXPECT_TRUE(connection.Connected());
}

TEST(DatabaseConnect, KindOneFindsTheDatabaseFileWhateverItsLetterCase) {
  TTempFolder folder;
  CreateEmbeddedDatabase(folder.File("database.MDB"), {});
  EXPECT_EQ(ParseConnectionString(OrvellaConnectionString(folder.Path())).Get("Data Source"),
            folder.File("database.MDB"));
  TConnection connection("ADOConnection");
  ConnectDatabase(connection, TDatabaseKind::dkOrvella, folder.Path());
  EXPECT_TRUE(connection.Connected());
}

TEST(DatabaseConnect, KindOneFailsClearlyWithoutAnSqliteFile) {
  TTempFolder folder;
  TConnection connection("ADOConnection");
  connection.SetConnectionString(OrvellaConnectionString(folder.Path()));
  EXPECT_EQ(OpenError(connection),
            "Could not find file '" + folder.File("Database.mdb") + "'; \"tabrin-cli init-db\" creates it.");
  EXPECT_FALSE(connection.Connected());

  std::string jet(2048, '\0');
  jet.replace(4, 15, "Standard Jet DB");
  folder.Write("Database.mdb", jet);
  EXPECT_EQ(OpenError(connection), "'" + folder.File("Database.mdb") +
                                       "' is a Microsoft Access (Jet) database; this program keeps the ORVELLAPOS "
                                       "database in SQLite (create one with \"tabrin-cli init-db\")");

  folder.Write("Database.mdb", "just some text");
  EXPECT_EQ(OpenError(connection), "Unrecognized database format '" + folder.File("Database.mdb") + "'.");
  EXPECT_FALSE(connection.Connected());
}

// A missing database file stays its own error through the connection: the
// command line's message names its init-db, the window's the program folder.
TEST(DatabaseConnect, MissingKindOneFileTellsEachFrontEndWhatToDo) {
  TTempFolder folder;
  TConnection connection("ADOConnection");
  connection.SetConnectionString(OrvellaConnectionString(folder.Path()));
  const std::string file = folder.File("Database.mdb");
  try {
    connection.Open();
    FAIL() << "opened a missing file";
  } catch (const TMissingDatabaseError& error) {
    EXPECT_EQ(error.Path(), file);
    EXPECT_EQ(std::string(error.what()), "Could not find file '" + file + "'; \"tabrin-cli init-db\" creates it.");
    const std::string programFolder = folder.Path().substr(0, folder.Path().size() - 1);
    EXPECT_EQ(error.WindowText(), "Could not find file '" + file + "'; the database must be in the program folder " +
                                      programFolder + ": copy the store's Database.mdb there, or ask IT for it.");
  }
}

TEST(DatabaseConnect, ConnectionStringCannotChangeWhileOpen) {
  TTempFolder folder;
  CreateEmbeddedDatabase(folder.File("Database.mdb"), {});
  TConnection connection("ADOConnection");
  connection.SetConnectionString(OrvellaConnectionString(folder.Path()));
  connection.Open();
  connection.Open();  // opening an open connection does nothing
  try {
    connection.SetConnectionString("Provider=SQLOLEDB.1");
    ADD_FAILURE() << "changed while open";
  } catch (const TabrinError& error) {
    EXPECT_STREQ(error.what(), "ADOConnection: Operation is not allowed when the object is open");
  }
  connection.Close();
  connection.Close();  // closing a closed connection does nothing
  EXPECT_FALSE(connection.Connected());
}

TEST(DatabaseConnect, StatusTextsAndCodes) {
  EXPECT_EQ(DatabaseKindInfo(TDatabaseKind::dkKestaPos).statusText, "連線資料庫 : KESTAPOS");
  EXPECT_EQ(DatabaseKindInfo(TDatabaseKind::dkKestaPlus).statusText, "連線資料庫 : KESTAPLUS");
  EXPECT_EQ(DatabaseKindInfo(TDatabaseKind::dkKestaPlus).code, "3");
  EXPECT_EQ(DatabaseKindFromCode("2"), TDatabaseKind::dkKestaPos);
  EXPECT_EQ(DatabaseKindFromCode("4"), std::nullopt);
}

// A server kind connecting through Database.ini to the PostgreSQL test
// server, with a password that holds ";", "=" and a double quote.
TEST(DatabaseConnect, ServerKindConnectsThroughDatabaseIni) {
  auto settings = PostgresSettings();
  if (!settings) GTEST_SKIP() << kNoPostgres;
  ASSERT_NE(settings->password.find(';'), std::string::npos);
  TTempFolder folder;
  folder.Write("DATABASE.INI", "[Database]\nPassword=" + settings->password + "\nLogin=" + settings->login +
                                   "\nDatabaseName=" + settings->databaseName + "\nHost=" + settings->host +
                                   "\nDriver=PostgreSQL Unicode\nPort=" + settings->port + "\n");
  TConnection connection("ADOConnection");
  const TConnectResult result = ConnectDatabase(connection, TDatabaseKind::dkKestaPlus, folder.Path());
  EXPECT_EQ(result.statusText, "連線資料庫 : KESTAPLUS");
  EXPECT_EQ(result.kind, TDatabaseKind::dkKestaPlus);
  TQuery query("Probe", connection);
  query.SetSql("SELECT ? AS greeting");
  query.SetParameters({TValue::Text("你好")});
  query.Open();
  EXPECT_EQ(query.FieldByName("greeting").AsString(), "你好");
}

TEST(DatabaseConnect, ARefusedLoginShowsNeitherPasswordNorConnectionString) {
  auto settings = PostgresSettings();
  if (!settings) GTEST_SKIP() << kNoPostgres;
  settings->password = "wrong;secret=word";
  TConnection connection("ADOConnection");
  connection.SetConnectionString(ServerConnectionString(*settings));
  const std::string error = OpenError(connection);
  EXPECT_NE(error, "(no error)");
  EXPECT_EQ(error.find("secret"), std::string::npos) << error;
  EXPECT_EQ(error.find("PWD"), std::string::npos) << error;
  EXPECT_EQ(error.find("Provider"), std::string::npos) << error;
  EXPECT_FALSE(connection.Connected());
}

// The workbook reader registers a backend; the connection hands it the
// workbook form of the string.  A minimal in-memory sheet stands in here.
class TOneSheetBackend : public TBackend {
 public:
  class TStatement : public TPreparedStatement {
   public:
    TStatementResult Execute(TParamList) override {
      TStatementResult result;
      result.columns = {{"小分類代碼", TFieldType::ftWideString, 255}, {"小分類名稱", TFieldType::ftWideString, 255}};
      result.rows = {{TValue::Text("001"), TValue::Text("飲料")}, {TValue::Text("002"), TValue()}};
      return result;
    }
  };
  std::unique_ptr<TPreparedStatement> Prepare(const std::string& sql) override {
    if (sql != "SELECT * FROM [sheet1$]  ") throw TabrinError("unexpected SQL: " + sql);
    return std::make_unique<TStatement>();
  }
};

TEST(WorkbookConnection, OpensThroughTheRegisteredBackend) {
  TConnection workbook("ADOXLSConnect");
  workbook.SetConnectionString(
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/tmp/x.xls;Extended Properties=IMEX=1;Excel 8.0;"
      "Persist Security Info=False");
  std::string dataSource;
  RegisterWorkbookBackend([&](const TConnectionProperties& properties) {
    dataSource = properties.Get("Data Source");
    return std::make_unique<TOneSheetBackend>();
  });
  workbook.Open();
  EXPECT_EQ(dataSource, "/tmp/x.xls");
  TQuery sheet("ADOCLSQuery", workbook);
  sheet.SetSql("SELECT * FROM [sheet1$]  ");
  sheet.Open();
  EXPECT_EQ(sheet.RecordCount(), 2);
  EXPECT_EQ(sheet.FieldCount(), 2);
  sheet.Next();
  EXPECT_EQ(sheet.FieldByName("小分類代碼").AsString(), "002");
  EXPECT_EQ(sheet.FieldByName("小分類名稱").AsString(), "");
  try {
    sheet.Edit();
    ADD_FAILURE() << "a sheet was editable";
  } catch (const TabrinError& error) {
    EXPECT_STREQ(error.what(), "ADOCLSQuery: Cannot modify a read-only dataset");
  }
}

}  // namespace
}  // namespace tabrin::test
