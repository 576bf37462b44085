// tabrin-cli import end to end: a workbook file imported through the command
// line into the embedded database (kind 1) and into PostgreSQL through ODBC
// (kind 2, when run under scripts/with-postgres).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <thread>
#include <variant>

#include "cli/cli.h"
#include "db/connection.h"
#include "db/database_connection.h"
#include "db/embedded_database.h"
#include "db/query.h"
#include "import/import_journal.h"
#include "text/regional.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin::cli {
namespace {

using Cell = std::variant<std::monostate, std::string, double>;
using Table = std::vector<std::vector<std::string>>;

void WriteSheet(const std::string& path, const std::vector<std::string>& titles,
                const std::vector<std::vector<Cell>>& rows) {
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path);
  writer.BeginWorkbook();
  writer.BeginSheet(TxlsSheetHead{});
  for (int c = 0; c < static_cast<int>(titles.size()); ++c) {
    writer.WriteLabelSst(0, c, titles[static_cast<std::size_t>(c)], kDefaultXfIndex);
  }
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    for (int c = 0; c < static_cast<int>(rows[static_cast<std::size_t>(r)].size()); ++c) {
      const Cell& cell = rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
      if (auto* text = std::get_if<std::string>(&cell)) writer.WriteLabelSst(r + 1, c, *text, kDefaultXfIndex);
      else if (auto* number = std::get_if<double>(&cell)) writer.WriteNumber(r + 1, c, *number, kDefaultXfIndex);
      else writer.WriteBlank(r + 1, c, kDefaultXfIndex);
    }
  }
  writer.EndSheet();
  writer.FinishWorkbook();
  writer.CloseWorkbookFile();
}

// The journal's times, which differ from run to run.
std::string MaskTimes(const std::string& text) {
  static const std::regex time(R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}(:\d{2})?)");
  return std::regex_replace(text, time, "TIME");
}

int CountOf(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  int count = -1;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW) {
      count = sqlite3_column_int(statement, 0);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return count;
}

void ExecuteOn(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::vector<std::string> SqlStatements(const std::string& script) {
  std::vector<std::string> statements;
  std::istringstream lines(script);
  std::string line, current;
  while (std::getline(lines, line)) {
    if (line.rfind("--", 0) == 0) continue;
    current += line + "\n";
    if (!line.empty() && line.back() == ';') {
      current.erase(current.find_last_of(';'));
      statements.push_back(current);
      current.clear();
    }
  }
  return statements;
}

TServerSettings PostgresServer(const std::string& database) {
  TServerSettings settings;
  settings.driver = "PostgreSQL Unicode";
  settings.host = Env("TABRIN_PG_HOST");
  settings.port = Env("TABRIN_PG_PORT");
  settings.login = Env("TABRIN_PG_USER");
  settings.password = Env("TABRIN_PG_PASSWORD");
  settings.databaseName = database;
  return settings;
}

// A program folder with a database of the kind under test (GetParam(): "1"
// the embedded file, "2" a fresh PostgreSQL database named in Database.ini).
class CliImport : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "tabrin-cli-import-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    home_ = pattern + "/";
    if (GetParam() == "1") {
      CreateEmbeddedDatabase(home_ + "Database.mdb", {});
    } else {
      if (Env("TABRIN_PG_PORT").empty()) GTEST_SKIP() << "PostgreSQL test server not available (run under scripts/with-postgres)";
      static std::atomic<int> counter{0};
      database_ = "tabrin_cli_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
      Maintenance("DROP DATABASE IF EXISTS " + database_);
      Maintenance("CREATE DATABASE " + database_);
      std::ofstream(home_ + "Database.ini") << "[Database]\nPassword=" << Env("TABRIN_PG_PASSWORD")
                                            << "\nLogin=" << Env("TABRIN_PG_USER") << "\nDatabaseName=" << database_
                                            << "\nHost=" << Env("TABRIN_PG_HOST")
                                            << "\nDriver=PostgreSQL Unicode\nPort=" << Env("TABRIN_PG_PORT") << "\n";
      std::ifstream schema(std::string(TABRIN_DATA) + "/postgresql.sql");
      const std::string script((std::istreambuf_iterator<char>(schema)), std::istreambuf_iterator<char>());
      TConnection& db = Database();
      for (const std::string& statement : SqlStatements(script)) db.Execute(statement);
    }
  }

  void TearDown() override {
    connection_.reset();
    if (!database_.empty()) Maintenance("DROP DATABASE IF EXISTS " + database_ + " WITH (FORCE)");
    std::filesystem::remove_all(home_);
  }

  void Maintenance(const std::string& sql) {
    TConnection maintenance("maintenance");
    maintenance.SetConnectionString(ServerConnectionString(PostgresServer(Env("TABRIN_PG_DATABASE"))));
    maintenance.Open();
    maintenance.Execute(sql);
  }

  TConnection& Database() {
    if (!connection_) {
      connection_ = std::make_unique<TConnection>("ADOConnection");
      ConnectDatabase(*connection_, *DatabaseKindFromCode(GetParam()), home_);
    }
    return *connection_;
  }

  Table Rows(const std::string& sql) {
    TQuery query("CheckQuery", Database());
    query.SetSql(sql);
    query.Open();
    Table rows;
    for (query.First(); !query.Eof(); query.Next()) {
      std::vector<std::string> row;
      for (int i = 0; i < query.FieldCount(); ++i) row.push_back(query.Fields(i).AsString());
      rows.push_back(std::move(row));
    }
    return rows;
  }

  int Run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    args.insert(args.begin(), {"--home", home_});
    return RunCli(args, {out_, err_});
  }

  int Import(const std::string& table, const std::string& file) {
    return Run({"import", "--kind", GetParam(), table, file});
  }

  std::string home_;
  std::string database_;
  std::unique_ptr<TConnection> connection_;
  std::ostringstream out_, err_;
};

TEST_P(CliImport, PrintsDoneAndWhatWasDoneWithTheCoverSettingOfSetupIni) {
  const std::string file = home_ + "cls.xls";
  WriteSheet(file, {"小分類代碼", "小分類名稱"}, {{"A01", "飲料"}, {"B02", "零食"}});
  ASSERT_EQ(Import("cls", file), 0) << err_.str();
  EXPECT_EQ(out_.str(), "匯入完畢\n新增 2 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆\n");
  EXPECT_EQ(err_.str(), "");  // no progress bar when standard error is no terminal

  ASSERT_EQ(Import("cls", file), 0) << err_.str();
  EXPECT_EQ(MaskTimes(out_.str()), "匯入完畢\n新增 0 筆，覆蓋 0 筆，內容相同 2 筆，未變更 0 筆\n此檔案已於 #1（TIME）匯入過\n");
  ASSERT_EQ(Run({"settings", "--cover", "1"}), 0);
  ASSERT_EQ(Import("cls", file), 0) << err_.str();
  EXPECT_EQ(MaskTimes(out_.str()), "匯入完畢\n新增 0 筆，覆蓋 0 筆，內容相同 0 筆，未變更 2 筆\n此檔案已於 #2（TIME）匯入過\n");
  EXPECT_EQ(Rows("SELECT ClsNo, ClsName FROM Classify ORDER BY ClsNo"), (Table{{"A01", "飲料"}, {"B02", "零食"}}));
}

TEST_P(CliImport, ATerminalShowsAProgressBarWithTheRowCountsAndClearsIt) {
  const std::string file = home_ + "cls.xls";
  WriteSheet(file, {"小分類代碼", "小分類名稱"}, {{"A01", "飲料"}, {"B02", "零食"}});
  std::ostringstream out, err;
  ASSERT_EQ(RunCli({"--home", home_, "import", "--kind", GetParam(), "cls", file}, {out, err, true}), 0) << err.str();
  EXPECT_NE(err.str().find("] 2/2 新增 2 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆"), std::string::npos) << err.str();
  EXPECT_TRUE(err.str().ends_with("\r\x1b[K")) << err.str();
  EXPECT_EQ(out.str(), "匯入完畢\n新增 2 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆\n");
}

TEST_P(CliImport, AnErrorPrintsItsRowAndTheCountsAndFails) {
  const std::string file = home_ + "items.xls";
  WriteSheet(file,
             {"管理貨號", "品名", "售價", "國際碼", "自訂碼", "規格", "應商代號", "廠商代號", "稅別", "建檔日期",
              "最新進價", "單位", "安全庫存", "最低訂貨量", "庫存量", "貨架", "平均成本", "產品分類", "會員價格",
              "VIP價格", "健康捐"},
             {{"123456", "茶", 10.0}, {"654321", "水", "十元"}});
  EXPECT_EQ(Import("item", file), 1);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(err_.str(),
            "'十元' is not a valid floating point value\n工作表第 3 列，欄位「售價」.\n"
            "新增 1 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆\n");
  EXPECT_EQ(Rows("SELECT ItemNo, PtName, Price FROM Item"), (Table{{"12345601", "茶", "10"}}));
}

TEST_P(CliImport, AFileThatIsNoWorkbookFailsBeforeAnythingIsWritten) {
  std::ofstream(home_ + "notes.xls") << "not a workbook";
  EXPECT_EQ(Import("customer", home_ + "notes.xls"), 1);
  EXPECT_FALSE(err_.str().empty());
  EXPECT_EQ(out_.str(), "");
}

TEST_P(CliImport, ExportedCustomersImportAgainUnchanged) {
  FillSampleData(Database());
  const std::string sql = "SELECT CustNo, IdNo, Name, Sex, TelNo, Address, DisCount FROM Customer ORDER BY CustNo";
  const Table before = Rows(sql);
  ASSERT_FALSE(before.empty());
  const std::string count = std::to_string(before.size());
  ASSERT_EQ(Run({"export", "--kind", GetParam(), "customer", home_ + "customers.xls"}), 0) << err_.str();

  ASSERT_EQ(Import("customer", home_ + "customers.xls"), 0) << err_.str();
  EXPECT_EQ(out_.str(), "匯入完畢\n新增 0 筆，覆蓋 0 筆，內容相同 " + count + " 筆，未變更 0 筆\n");
  EXPECT_EQ(Rows(sql), before);
  ASSERT_EQ(Run({"settings", "--cover", "1"}), 0);
  ASSERT_EQ(Import("customer", home_ + "customers.xls"), 0) << err_.str();
  EXPECT_EQ(MaskTimes(out_.str()),
            "匯入完畢\n新增 0 筆，覆蓋 0 筆，內容相同 0 筆，未變更 " + count + " 筆\n此檔案已於 #1（TIME）匯入過\n");
  EXPECT_EQ(Rows(sql), before);
}

// Dates before 1 March 1900 leave and come back on the same day.
TEST_P(CliImport, ItemsDatedBeforeMarch1900ComeBackOnTheSameDay) {
  const std::vector<std::pair<std::string, DateTimeParts>> items = {
      {"D1", {1900, 1, 1}}, {"D2", {1900, 2, 28}}, {"D3", {1900, 3, 1}}, {"D4", {2024, 3, 5}}};
  for (const auto& [code, date] : items) {
    const std::vector<TValue> params = {TValue::Text(code), TValue::DateTime(EncodeDateTime(date))};
    Database().Execute("INSERT INTO Item (ItemNo, PtName, ImUpDate) VALUES (?, '茶', ?)", params);
  }
  const Table stored = Rows("SELECT ItemNo, ImUpDate FROM Item ORDER BY ItemNo");
  ASSERT_EQ(stored, (Table{{"D1", "1900/1/1"}, {"D2", "1900/2/28"}, {"D3", "1900/3/1"}, {"D4", "2024/3/5"}}));
  const std::string file = home_ + "items.xls";
  ASSERT_EQ(Run({"export", "--kind", GetParam(), "item", file}), 0) << err_.str();

  ASSERT_EQ(Run({"preview", "item", file}), 0) << err_.str();
  for (const char* shown : {"1900/1/1", "1900/2/28", "1900/3/1"}) {
    EXPECT_NE(out_.str().find(shown), std::string::npos) << shown << " in\n" << out_.str();
  }
  for (const char* dayEarly : {"1899/12/31", "1900/2/27"}) {
    EXPECT_EQ(out_.str().find(dayEarly), std::string::npos) << dayEarly << " in\n" << out_.str();
  }
  // The kind-1 layout also needs the column "廠商代號", which the export
  // does not write; the standard layout imports the export as it is.
  if (GetParam() == "1") return;
  Database().Execute("DELETE FROM Item");
  ASSERT_EQ(Import("item", file), 0) << err_.str();
  EXPECT_EQ(Rows("SELECT ItemNo, ImUpDate FROM Item ORDER BY ItemNo"), stored);
}

TEST_P(CliImport, ExportedSuppliersStopOnTheSupplierNameAtTheFirstRow) {
  FillSampleData(Database());
  ASSERT_EQ(Run({"export", "--kind", GetParam(), "supplier", home_ + "suppliers.xls"}), 0) << err_.str();
  EXPECT_EQ(Import("supplier", home_ + "suppliers.xls"), 1);
  EXPECT_EQ(err_.str(), "ADOSupplierQuery: Field '廠商姓名' not found\n工作表第 2 列，欄位「廠商姓名」.\n"
                        "新增 0 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆\n");
}

TEST_P(CliImport, ADryRunPrintsWhatTheImportWouldDoAndWritesNothing) {
  Database().Execute("INSERT INTO Classify (ClsNo, ClsName) VALUES ('A01', '舊名')");
  Database().Execute("INSERT INTO Classify (ClsNo, ClsName) VALUES ('B02', '零食')");
  const std::string file = home_ + "cls.xls";
  WriteSheet(file, {"小分類代碼", "小分類名稱"}, {{"A01", "新名"}, {"B02", "零食"}, {"C03", "雜貨"}});
  ASSERT_EQ(Run({"import", "--kind", GetParam(), "--dry-run", "cls", file}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "試算匯入，沒有寫入資料庫\n新增 1 筆，覆蓋 2 筆（其中 1 筆內容相同），未變更 0 筆，錯誤 0 列\n");
  EXPECT_EQ(err_.str(), "");
  EXPECT_EQ(Rows("SELECT ClsNo, ClsName FROM Classify ORDER BY ClsNo"), (Table{{"A01", "舊名"}, {"B02", "零食"}}));

  ASSERT_EQ(Run({"settings", "--cover", "1"}), 0);
  ASSERT_EQ(Run({"import", "--kind", GetParam(), "--dry-run", "cls", file}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "試算匯入，沒有寫入資料庫\n新增 1 筆，覆蓋 0 筆（其中 0 筆內容相同），未變更 2 筆，錯誤 0 列\n");
}

TEST_P(CliImport, ADryRunListsTheFirstFailingRowsAndTheReportHasThemAll) {
  std::vector<std::vector<Cell>> rows;
  for (int i = 1; i <= 13; ++i) rows.push_back({"X" + std::to_string(i), i == 1 ? Cell(5.0) : Cell("不是數字")});
  const std::string file = home_ + "items.xls";
  WriteSheet(file, {"管理貨號", "售價", "品名", "國際碼", "自訂碼", "規格", "應商代號", "廠商代號", "稅別", "建檔日期",
                    "最新進價", "單位", "安全庫存", "最低訂貨量", "庫存量", "貨架", "平均成本", "產品分類", "會員價格",
                    "VIP價格", "健康捐"},
             rows);
  const std::string report = home_ + "plan.csv";
  EXPECT_EQ(Run({"import", "--kind", GetParam(), "--dry-run", "--report", report, "item", file}), 4);
  std::string expected = "試算匯入，沒有寫入資料庫\n新增 1 筆，覆蓋 0 筆（其中 0 筆內容相同），未變更 0 筆，錯誤 12 列\n";
  for (int row = 3; row <= 12; ++row) {
    expected += "工作表第 " + std::to_string(row) + " 列，欄位「售價」：'不是數字' is not a valid floating point value\n";
  }
  expected += "另有 2 列錯誤\n計畫已寫入 " + report + "\n";
  EXPECT_EQ(out_.str(), expected);
  std::ifstream in(report);
  std::string line;
  int lines = 0;
  while (std::getline(in, line)) ++lines;
  EXPECT_EQ(lines, 14);
  EXPECT_EQ(Rows("SELECT COUNT(*) FROM Item"), (Table{{"0"}}));

  EXPECT_EQ(Run({"import", "--kind", GetParam(), "--dry-run", "item", file}), 4);
  EXPECT_TRUE(out_.str().ends_with("另有 2 列錯誤，--report 檔案列出全部\n")) << out_.str();
}

// A dry run that cannot read the workbook has no plan to show: that is a
// failure, not rows that would fail.
TEST_P(CliImport, ADryRunOfAFileThatIsNoWorkbookFails) {
  std::ofstream(home_ + "notes.xls") << "not a workbook";
  EXPECT_EQ(Run({"import", "--kind", GetParam(), "--dry-run", "cls", home_ + "notes.xls"}), 1);
  EXPECT_FALSE(err_.str().empty());
  EXPECT_EQ(out_.str(), "");
}

TEST_P(CliImport, AReportNeedsADryRun) {
  EXPECT_NE(Run({"import", "--kind", GetParam(), "--report", home_ + "plan.xls", "cls", home_ + "cls.xls"}), 0);
  EXPECT_NE(err_.str().find("--report requires --dry-run"), std::string::npos) << err_.str();
}

TEST_P(CliImport, HistoryAndUndoSayWhatWasDoneAndAnImportIsUndoneOnce) {
  const std::string kind = GetParam() == "1" ? "ORVELLAPOS" : "KESTAPOS";
  ASSERT_EQ(Run({"history"}), 0);
  EXPECT_EQ(out_.str(), "還沒有匯入紀錄\n");
  EXPECT_EQ(Run({"undo"}), 1);
  EXPECT_EQ(err_.str(), "沒有可以復原的匯入\n");

  Database().Execute("INSERT INTO Classify (ClsNo, ClsName) VALUES ('A01', '舊名')");
  const std::string file = home_ + "cls.xls";
  WriteSheet(file, {"小分類代碼", "小分類名稱"}, {{"A01", "新名"}, {"B02", "零食"}});
  ASSERT_EQ(Import("cls", file), 0) << err_.str();
  ASSERT_EQ(Run({"history"}), 0);
  EXPECT_EQ(MaskTimes(out_.str()),
            "#1  TIME  匯入  " + kind + "  小分類  cls.xls  新增 1 筆，覆蓋 1 筆，內容相同 0 筆，未變更 0 筆\n");

  ASSERT_EQ(Run({"undo"}), 0) << err_.str();
  EXPECT_EQ(MaskTimes(out_.str()), "已復原匯入 #1（TIME，cls.xls，新增 1 筆，覆蓋 1 筆，內容相同 0 筆，未變更 0 筆）\n"
                                   "刪除 1 筆，還原 1 筆，內容相同 0 筆，衝突 0 筆\n");
  EXPECT_EQ(Rows("SELECT ClsNo, ClsName FROM Classify"), (Table{{"A01", "舊名"}}));
  ASSERT_EQ(Run({"history"}), 0);
  EXPECT_EQ(MaskTimes(out_.str()),
            "#2  TIME  復原 #1  " + kind + "  小分類  cls.xls  刪除 1 筆，還原 1 筆，衝突 0 筆\n"
            "#1  TIME  匯入  " + kind + "  小分類  cls.xls  新增 1 筆，覆蓋 1 筆，內容相同 0 筆，未變更 0 筆  已由 #2 復原\n");
  EXPECT_EQ(Run({"undo", "1"}), 1);
  EXPECT_EQ(err_.str(), "匯入 #1 已經復原過了（#2）\n");
  EXPECT_EQ(Run({"undo", "2"}), 1);
  EXPECT_EQ(err_.str(), "#2 是一次復原，不是匯入\n");

  // A record changed after the import is left as it is and named.
  ASSERT_EQ(Import("cls", file), 0) << err_.str();
  Database().Execute("UPDATE Classify SET ClsName = '店長改過' WHERE ClsNo = 'B02'");
  EXPECT_EQ(Run({"undo"}), 3);
  EXPECT_EQ(MaskTimes(out_.str()), "已復原匯入 #3（TIME，cls.xls，新增 1 筆，覆蓋 1 筆，內容相同 0 筆，未變更 0 筆）\n"
                                   "刪除 0 筆，還原 1 筆，內容相同 0 筆，衝突 1 筆\n"
                                   "代碼 B02：匯入後已被修改，沒有復原\n");
  EXPECT_EQ(Rows("SELECT ClsNo, ClsName FROM Classify ORDER BY ClsNo"), (Table{{"A01", "舊名"}, {"B02", "店長改過"}}));
}

// An import that stops before it stores anything changed nothing: history
// says it failed, and a plain undo passes over it to the newest import that
// changed something.
TEST_P(CliImport, AnImportThatStoredNothingIsMarkedFailedAndUndoPassesOverIt) {
  const std::string kind = GetParam() == "1" ? "ORVELLAPOS" : "KESTAPOS";
  const std::string file = home_ + "cls.xls";
  WriteSheet(file, {"小分類代碼", "小分類名稱"}, {{"A01", "飲料"}});
  ASSERT_EQ(Import("cls", file), 0) << err_.str();
  const std::string suppliers = home_ + "suppliers.xls";
  WriteSheet(suppliers, {"廠商代號"}, {{"F01"}});  // no column 廠商姓名
  ASSERT_EQ(Import("supplier", suppliers), 1);

  ASSERT_EQ(Run({"history"}), 0);
  EXPECT_EQ(MaskTimes(out_.str()),
            "#2  TIME  匯入  " + kind + "  廠商資料  suppliers.xls  新增 0 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆  失敗，沒有寫入任何資料\n"
            "#1  TIME  匯入  " + kind + "  小分類  cls.xls  新增 1 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆\n");
  ASSERT_EQ(Run({"undo"}), 0) << err_.str();
  EXPECT_EQ(MaskTimes(out_.str()), "已復原匯入 #1（TIME，cls.xls，新增 1 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆）\n刪除 1 筆，還原 0 筆，內容相同 0 筆，衝突 0 筆\n");
  EXPECT_EQ(Run({"undo"}), 1);
  EXPECT_EQ(err_.str(), "沒有可以復原的匯入\n");
}

// An undo killed after the database committed it but before the journal
// said so leaves its entry unfinished and the import not undone.  The next
// history, undo or import finds the undo's changes in the database and
// finishes the entry; the import is then undone, once.
TEST_P(CliImport, AnUndoKilledAfterTheDatabaseCommittedIsFinishedByTheNextRun) {
  const std::string kind = GetParam() == "1" ? "ORVELLAPOS" : "KESTAPOS";
  const std::string file = home_ + "cls.xls";
  WriteSheet(file, {"小分類代碼", "小分類名稱"}, {{"A01", "新名"}, {"B02", "零食"}});
  const std::string other = home_ + "other.xls";
  WriteSheet(other, {"小分類代碼", "小分類名稱"}, {{"C03", "雜貨"}});
  const std::string undone = "#2  TIME  復原 #1  " + kind + "  小分類  cls.xls  刪除 1 筆，還原 1 筆，衝突 0 筆\n" +
                             "#1  TIME  匯入  " + kind + "  小分類  cls.xls  新增 1 筆，覆蓋 1 筆，內容相同 0 筆，未變更 0 筆  已由 #2 復原\n";
  const struct {
    std::vector<std::string> next;
    int status;
    std::string said;  // on standard output, or standard error when it fails
    std::string history;
  } cases[] = {
      {{"history"}, 0, undone, undone},
      {{"undo"}, 1, "匯入 #1 已經復原過了（#2）\n", undone},
      {{"import", "--kind", GetParam(), "cls", other},
       0,
       "匯入完畢\n新增 1 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆\n",
       "#3  TIME  匯入  " + kind + "  小分類  other.xls  新增 1 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆\n" + undone},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.next.front());
    std::filesystem::remove(home_ + "Journal.db");
    Database().Execute("DELETE FROM Classify");
    Database().Execute("INSERT INTO Classify (ClsNo, ClsName) VALUES ('A01', '舊名')");
    ASSERT_EQ(Import("cls", file), 0) << err_.str();
    ASSERT_EQ(Run({"undo"}), 0) << err_.str();
    // The journal as the kill leaves it.
    ASSERT_EQ(CountOf(home_ + "Journal.db",
                      "SELECT COUNT(*) FROM JournalEntry WHERE Id = 2 AND State = 'done'"), 1);
    ExecuteOn(home_ + "Journal.db", "UPDATE JournalEntry SET State = 'running' WHERE Id = 2");
    ExecuteOn(home_ + "Journal.db", "UPDATE JournalEntry SET UndoneBy = NULL WHERE Id = 1");

    EXPECT_EQ(Run(c.next), c.status);
    EXPECT_EQ(MaskTimes(c.status == 0 ? out_.str() : err_.str()), c.said);
    ASSERT_EQ(Run({"history"}), 0);
    EXPECT_EQ(MaskTimes(out_.str()), c.history);
    EXPECT_EQ(Run({"undo", "1"}), 1);
    EXPECT_EQ(err_.str(), "匯入 #1 已經復原過了（#2）\n");
  }
}

// An undo killed before the database committed it changed nothing: its
// entry stays unfinished and the import can still be undone.
TEST_P(CliImport, AnUndoKilledBeforeTheDatabaseCommittedLeavesTheImportToUndo) {
  Database().Execute("INSERT INTO Classify (ClsNo, ClsName) VALUES ('A01', '舊名')");
  const std::string file = home_ + "cls.xls";
  WriteSheet(file, {"小分類代碼", "小分類名稱"}, {{"A01", "新名"}, {"B02", "零食"}});
  ASSERT_EQ(Import("cls", file), 0) << err_.str();
  {
    TImportJournal journal(home_);
    TJournalEntry undo = *journal.Entry(1);
    undo.isUndo = true;
    undo.undoOf = 1;
    undo.state = TJournalState::jsRunning;
    undo.startedAt.clear();
    journal.AddEntry(undo);
  }
  ASSERT_EQ(Run({"history"}), 0);
  EXPECT_TRUE(out_.str().starts_with("#2 ")) << out_.str();
  EXPECT_NE(out_.str().find("未完成\n#1 "), std::string::npos) << out_.str();
  ASSERT_EQ(Run({"undo"}), 0) << err_.str();
  EXPECT_EQ(MaskTimes(out_.str()), "已復原匯入 #1（TIME，cls.xls，新增 1 筆，覆蓋 1 筆，內容相同 0 筆，未變更 0 筆）\n刪除 1 筆，還原 1 筆，內容相同 0 筆，衝突 0 筆\n");
  EXPECT_EQ(Rows("SELECT ClsNo, ClsName FROM Classify"), (Table{{"A01", "舊名"}}));
}

// A workbook imported before, byte for byte, is named after the counts with
// the newest import of it; nothing else changes.
TEST_P(CliImport, AWorkbookImportedBeforeIsNamedAfterTheCounts) {
  const std::string file = home_ + "cls.xls";
  WriteSheet(file, {"小分類代碼", "小分類名稱"}, {{"A01", "飲料"}});
  const std::string copy = home_ + "copy.xls";
  ASSERT_EQ(Import("cls", file), 0) << err_.str();
  EXPECT_EQ(out_.str(), "匯入完畢\n新增 1 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆\n");
  std::filesystem::copy_file(file, copy);
  ASSERT_EQ(Import("cls", copy), 0) << err_.str();
  EXPECT_EQ(MaskTimes(out_.str()), "匯入完畢\n新增 0 筆，覆蓋 0 筆，內容相同 1 筆，未變更 0 筆\n此檔案已於 #1（TIME）匯入過\n");
  ASSERT_EQ(Import("cls", file), 0) << err_.str();
  EXPECT_EQ(MaskTimes(out_.str()), "匯入完畢\n新增 0 筆，覆蓋 0 筆，內容相同 1 筆，未變更 0 筆\n此檔案已於 #2（TIME）匯入過\n");
  WriteSheet(file, {"小分類代碼", "小分類名稱"}, {{"A01", "飲品"}});
  ASSERT_EQ(Import("cls", file), 0) << err_.str();
  EXPECT_EQ(out_.str(), "匯入完畢\n新增 0 筆，覆蓋 1 筆，內容相同 0 筆，未變更 0 筆\n");
}

TEST_P(CliImport, AnUndoNeedsTheDatabaseTheImportWrote) {
  const std::string file = home_ + "cls.xls";
  WriteSheet(file, {"小分類代碼", "小分類名稱"}, {{"A01", "飲料"}});
  ASSERT_EQ(Import("cls", file), 0) << err_.str();
  if (GetParam() == "1") return;  // the embedded database is always the folder's Database.mdb
  std::ifstream ini(home_ + "Database.ini");
  std::string text((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
  text.replace(text.find("DatabaseName=" + database_), ("DatabaseName=" + database_).size(), "DatabaseName=another");
  std::ofstream(home_ + "Database.ini") << text;
  EXPECT_EQ(Run({"undo"}), 1);
  EXPECT_EQ(err_.str(), "匯入 #1 寫入的是 " + Env("TABRIN_PG_HOST") + ":" + Env("TABRIN_PG_PORT") + "/" + database_ +
                            "，目前的設定連到 " + Env("TABRIN_PG_HOST") + ":" + Env("TABRIN_PG_PORT") +
                            "/another；沒有復原\n");
}

std::string KindName(const ::testing::TestParamInfo<std::string>& kind) {
  return kind.param == "1" ? "Embedded" : "PostgreSQL";
}
// The item and supplier exports lack columns their imports read: the
// command names them all once with the options of the proposed mapping,
// and through those options the export imports again with the same records.
TEST_P(CliImport, ExportsImportAgainThroughTheProposedMapping) {
  FillSampleData(Database());
  const struct {
    std::string table;
    std::string sql;
    std::string missing;
    std::vector<std::string> options;
  } cases[] = {
      {"item", "SELECT * FROM Item ORDER BY ItemNo",
       GetParam() == "1" ? "工作表缺少匯入讀取的欄位：廠商代號、健康捐\n"
                           "建議的欄位對應：--map '應商代號=廠商代號' --leave 健康捐\n"
                         : "工作表缺少匯入讀取的欄位：廠商代號\n建議的欄位對應：--map '應商代號=廠商代號'\n",
       GetParam() == "1" ? std::vector<std::string>{"--map", "應商代號=廠商代號", "--leave", "健康捐"}
                         : std::vector<std::string>{"--map", "應商代號=廠商代號"}},
      {"supplier", "SELECT * FROM Supplier ORDER BY FactNo",
       "工作表缺少匯入讀取的欄位：廠商姓名、地址、聯絡電話1、聯絡電話2、存款利率、稅別、交易別\n"
       "建議的欄位對應：--map '廠商名稱=廠商姓名' --map '廠商地址=地址' --map '電話1=聯絡電話1' "
       "--map '電話2=聯絡電話2' --map '給予折扣=存款利率' --map '稅區分=稅別' --map '交易方式=交易別'\n",
       {"--map", "廠商名稱=廠商姓名", "--map", "廠商地址=地址", "--map", "電話1=聯絡電話1", "--map", "電話2=聯絡電話2",
        "--map", "給予折扣=存款利率", "--map", "稅區分=稅別", "--map", "交易方式=交易別"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.table);
    const Table before = Rows(c.sql);
    const std::string count = std::to_string(before.size());
    const std::string file = home_ + c.table + ".xls";
    ASSERT_EQ(Run({"export", "--kind", GetParam(), c.table, file}), 0) << err_.str();

    EXPECT_EQ(Run({"import", "--kind", GetParam(), "--dry-run", c.table, file}), 4);
    EXPECT_TRUE(out_.str().starts_with(c.missing + "試算匯入，沒有寫入資料庫\n")) << out_.str();

    std::vector<std::string> args = {"import", "--kind", GetParam()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.insert(args.end(), {c.table, file});
    ASSERT_EQ(Run(args), 0) << err_.str();
    EXPECT_TRUE(out_.str().starts_with("匯入完畢\n新增 0 筆，覆蓋 0 筆，內容相同 " + count + " 筆，未變更 0 筆\n"))
        << out_.str();
    EXPECT_EQ(Rows(c.sql), before);
  }
  // New suppliers from the export get the records they were exported from.
  const Table suppliers = Rows("SELECT * FROM Supplier ORDER BY FactNo");
  Database().Execute("DELETE FROM Supplier");
  ASSERT_EQ(Run({"import", "--kind", GetParam(), "--map", "廠商名稱=廠商姓名", "--map", "廠商地址=地址", "--map",
                 "電話1=聯絡電話1", "--map", "電話2=聯絡電話2", "--map", "給予折扣=存款利率", "--map", "稅區分=稅別",
                 "--map", "交易方式=交易別", "supplier", home_ + "supplier.xls"}),
            0)
      << err_.str();
  EXPECT_EQ(Rows("SELECT * FROM Supplier ORDER BY FactNo"), suppliers);
}

// A mapping saved by one run is used by the next for a sheet with the same
// titles, listed by `mappings` and recorded in the journal; an undo takes
// the import back.
TEST_P(CliImport, ASavedMappingIsUsedAgainListedAndRemoved) {
  Database().Execute("INSERT INTO Supplier (FactNo, FactName) VALUES ('S1', '舊')");
  const std::string file = home_ + "suppliers.xls";
  WriteSheet(file, {"廠商代號", "廠商名稱", "給予折扣"}, {{"S1", "甲", 90.0}, {"S2", "乙", 80.0}});
  ASSERT_EQ(Run({"import", "--kind", GetParam(), "--dry-run", "--map", "廠商名稱=廠商姓名", "--leave", "地址", "--leave",
                 "負責人", "--leave", "聯絡電話1", "--leave", "聯絡電話2", "--leave", "訂貨電話", "--leave", "傳真電話",
                 "--map", "給予折扣=存款利率", "--leave", "稅別", "--leave", "聯絡人", "--leave", "交易別", "--leave",
                 "備註", "--save-mapping", "價目表", "supplier", file}),
            0)
      << out_.str() << err_.str();
  EXPECT_EQ(out_.str(),
            "已存下欄位對應「價目表」\n試算匯入，沒有寫入資料庫\n"
            "欄位對應：廠商名稱 → 廠商姓名；給予折扣 → 存款利率；地址：不匯入；負責人：不匯入；聯絡電話1：不匯入；"
            "聯絡電話2：不匯入；訂貨電話：不匯入；傳真電話：不匯入；稅別：不匯入；聯絡人：不匯入；交易別：不匯入；"
            "備註：不匯入\n"
            "新增 1 筆，覆蓋 1 筆（其中 0 筆內容相同），未變更 0 筆，錯誤 0 列\n");

  ASSERT_EQ(Import("supplier", file), 0) << err_.str();
  EXPECT_EQ(out_.str(), "使用已存的欄位對應「價目表」\n匯入完畢\n新增 1 筆，覆蓋 1 筆，內容相同 0 筆，未變更 0 筆\n");
  EXPECT_EQ(Rows("SELECT FactNo, FactName, DisRate FROM Supplier ORDER BY FactNo"),
            (Table{{"S1", "甲", "90"}, {"S2", "乙", "80"}}));
  ASSERT_EQ(Run({"history"}), 0);
  EXPECT_NE(out_.str().find("欄位對應：廠商名稱 → 廠商姓名；給予折扣 → 存款利率；地址：不匯入"), std::string::npos)
      << out_.str();
  ASSERT_EQ(Run({"undo"}), 0) << err_.str();
  EXPECT_EQ(Rows("SELECT FactNo, FactName FROM Supplier ORDER BY FactNo"), (Table{{"S1", "舊"}}));

  ASSERT_EQ(Run({"mappings"}), 0);
  EXPECT_EQ(MaskTimes(out_.str()),
            "價目表\n  頁籤：廠商資料（supplier），存於 TIME\n  標題：廠商代號、廠商名稱、給予折扣\n"
            "  對應：廠商名稱 → 廠商姓名；給予折扣 → 存款利率；地址：不匯入；負責人：不匯入；聯絡電話1：不匯入；"
            "聯絡電話2：不匯入；訂貨電話：不匯入；傳真電話：不匯入；稅別：不匯入；聯絡人：不匯入；交易別：不匯入；"
            "備註：不匯入\n");
  ASSERT_EQ(Run({"import", "--kind", GetParam(), "--dry-run", "--mapping", "價目表", "supplier", file}), 0);
  EXPECT_EQ(Run({"import", "--kind", GetParam(), "--dry-run", "--mapping", "價目表", "customer", file}), 1);
  EXPECT_EQ(err_.str(), "欄位對應「價目表」是「廠商資料」頁籤的.\n");
  ASSERT_EQ(Run({"mappings", "--remove", "價目表"}), 0);
  EXPECT_EQ(out_.str(), "已刪除欄位對應「價目表」\n");
  EXPECT_EQ(Run({"mappings", "--remove", "價目表"}), 1);
  EXPECT_EQ(Run({"import", "--kind", GetParam(), "--dry-run", "--mapping", "價目表", "supplier", file}), 1);
  EXPECT_EQ(err_.str(), "沒有名為「價目表」的欄位對應；mappings 列出已存的對應.\n");
}

// --skip-errors stores the good rows, writes the failed ones beside the
// workbook (or where --rejects says) and exits with 5; history counts them.
TEST_P(CliImport, SkipErrorsStoresTheGoodRowsAndHandsBackTheFailedOnes) {
  const std::string kind = GetParam() == "1" ? "ORVELLAPOS" : "KESTAPOS";
  const std::string file = home_ + "cls.xls";
  WriteSheet(file, {"小分類代碼", "小分類名稱"}, {{"A01", "飲料"}, {"0220", "太長"}, {"B02", "零食"}});
  EXPECT_EQ(Run({"import", "--kind", GetParam(), "--skip-errors", "cls", file}), 5) << err_.str();
  EXPECT_EQ(out_.str(), "匯入完畢\n新增 2 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆，略過 1 列\n略過的列已寫入 " + home_ +
                            "cls-rejects.xls\n");
  EXPECT_EQ(Rows("SELECT ClsNo FROM Classify ORDER BY ClsNo"), (Table{{"A01"}, {"B02"}}));
  ASSERT_TRUE(std::filesystem::exists(home_ + "cls-rejects.xls"));

  // The rejects file, as it is, fails again on its one row.
  EXPECT_EQ(Run({"import", "--kind", GetParam(), "--skip-errors", "--rejects", home_ + "again.xlsx", "cls",
                 home_ + "cls-rejects.xls"}),
            5);
  EXPECT_EQ(out_.str(), "匯入完畢\n新增 0 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆，略過 1 列\n略過的列已寫入 " + home_ +
                            "again.xlsx\n");
  ASSERT_EQ(Run({"history"}), 0);
  EXPECT_EQ(MaskTimes(out_.str()),
            "#2  TIME  匯入  " + kind + "  小分類  cls-rejects.xls  新增 0 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆，略過 1 列\n"
            "#1  TIME  匯入  " + kind + "  小分類  cls.xls  新增 2 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆，略過 1 列\n");

  // Without a bad row the exit status is 0; --rejects needs --skip-errors.
  WriteSheet(file, {"小分類代碼", "小分類名稱"}, {{"C03", "雜貨"}});
  EXPECT_EQ(Run({"import", "--kind", GetParam(), "--skip-errors", "cls", file}), 0) << err_.str();
  EXPECT_EQ(Run({"import", "--kind", GetParam(), "--rejects", "x.xls", "cls", file}), 2);

  // A text file's failed rows come back as a text file beside it, in UTF-8
  // with a byte-order mark, and import again as they are.
  const std::string csv = home_ + "cls.csv";
  {
    std::ofstream out(csv, std::ios::binary);
    out << "小分類代碼,小分類名稱\r\nD04,日用\r\n0330,太長\r\n";
  }
  EXPECT_EQ(Run({"import", "--kind", GetParam(), "--skip-errors", "cls", csv}), 5) << err_.str();
  EXPECT_TRUE(out_.str().ends_with("略過的列已寫入 " + home_ + "cls-rejects.csv\n")) << out_.str();
  std::ifstream rejects(home_ + "cls-rejects.csv", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(rejects)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(text.starts_with("\xEF\xBB\xBF小分類代碼,小分類名稱,錯誤原因\r\n0330,太長,工作表第 3 列")) << text;
  EXPECT_EQ(Run({"import", "--kind", GetParam(), "--skip-errors", "--rejects", home_ + "again.csv", "cls",
                 home_ + "cls-rejects.csv"}),
            5);
}

// --update-only appends nothing, --keep-blanks keeps what a blank cell
// would wipe; the dry run shows both.
TEST_P(CliImport, UpdateOnlyAndKeepBlanks) {
  Database().Execute("INSERT INTO Customer (CustNo, Name, Address) VALUES ('C1', '王', '台北')");
  const std::string file = home_ + "cust.xls";
  WriteSheet(file, {"顧客編號", "身分證字號", "姓名", "性別", "電話1", "地址", "會員等級"},
             {{"C1", std::monostate(), "李"}, {"C2", std::monostate(), "陳"}});
  EXPECT_EQ(Run({"import", "--kind", GetParam(), "--dry-run", "--update-only", "--keep-blanks", "customer", file}), 0);
  EXPECT_EQ(out_.str(), "試算匯入，沒有寫入資料庫\n新增 0 筆，覆蓋 1 筆（其中 0 筆內容相同），未變更 0 筆，錯誤 0 列，未新增 1 筆\n");
  EXPECT_EQ(Run({"import", "--kind", GetParam(), "--update-only", "--keep-blanks", "customer", file}), 0);
  EXPECT_EQ(out_.str(), "匯入完畢\n新增 0 筆，覆蓋 1 筆，內容相同 0 筆，未變更 0 筆，未新增 1 筆\n");
  EXPECT_EQ(Rows("SELECT CustNo, Name, Address FROM Customer"), (Table{{"C1", "李", "台北"}}));

  // The same choices stored beside Cover in SETUP.ini.
  std::ofstream(home_ + "SETUP.ini") << "[Setting]\nCover=0\nUpdateOnly=1\nKeepBlanks=1\n";
  Database().Execute("UPDATE Customer SET Name = '王'");
  EXPECT_EQ(Import("customer", file), 0);
  EXPECT_EQ(MaskTimes(out_.str()), "匯入完畢\n新增 0 筆，覆蓋 1 筆，內容相同 0 筆，未變更 0 筆，未新增 1 筆\n此檔案已於 #1（TIME）匯入過\n");
  EXPECT_EQ(Rows("SELECT CustNo, Name, Address FROM Customer"), (Table{{"C1", "李", "台北"}}));
}

INSTANTIATE_TEST_SUITE_P(Kinds, CliImport, ::testing::Values("1", "2"), KindName);

// Number of customers stored, read beside the importing process; -1 while
// the file is busy.
int StoredCustomers(const std::string& path) {
  sqlite3* db = nullptr;
  int count = -1;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM Customer", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      count = sqlite3_column_int(statement, 0);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return count;
}

// A process killed in the middle of an import leaves a sound database that
// holds the first rows of the sheet; importing the sheet again completes it.
TEST(CliImportKilled, LeavesAPrefixOfTheSheetAndASecondImportCompletesIt) {
  std::string pattern = (std::filesystem::temp_directory_path() / "tabrin-cli-kill-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const std::string home = pattern + "/";
  const std::string database = home + "Database.mdb";
  CreateEmbeddedDatabase(database, {});
  constexpr int kRows = 60000;
  std::vector<std::vector<Cell>> rows;
  rows.reserve(kRows);
  auto code = [](int i) {
    char text[16];
    std::snprintf(text, sizeof text, "K%07d", i);
    return std::string(text);
  };
  for (int i = 0; i < kRows; ++i) rows.push_back({code(i), "A123456789", "客戶", "女", "02-1234", "台北市", "一般"});
  const std::string file = home + "customers.xls";
  WriteSheet(file, {"顧客編號", "身分證字號", "姓名", "性別", "電話1", "地址", "會員等級"}, rows);

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, STDOUT_FILENO);
    dup2(devnull, STDERR_FILENO);
    execl(TABRIN_CLI, TABRIN_CLI, "--home", home.c_str(), "import", "--kind", "1", "customer", file.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  // Kill it once some batches are stored, well before the end.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int seen = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    seen = StoredCustomers(database);
    if (seen > 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the import ended before it could be killed";

  TConnection connection("ADOConnection");
  ConnectDatabase(connection, TDatabaseKind::dkOrvella, home);
  TQuery check("CheckQuery", connection);
  check.SetSql("PRAGMA integrity_check");
  check.Open();
  EXPECT_EQ(check.Fields(0).AsString(), "ok");
  check.Close();
  check.SetSql("SELECT CustNo FROM Customer ORDER BY CustNo");
  check.Open();
  const int stored = check.RecordCount();
  EXPECT_GT(stored, 0);
  EXPECT_LT(stored, kRows);
  int i = 0;
  for (check.First(); !check.Eof(); check.Next(), ++i) {
    ASSERT_EQ(check.Fields(0).AsString(), code(i)) << "not a prefix of the sheet";
  }
  check.Close();
  connection.Close();

  std::ostringstream out, err;
  ASSERT_EQ(RunCli({"--home", home, "import", "--kind", "1", "customer", file}, {out, err}), 0) << err.str();
  EXPECT_EQ(MaskTimes(out.str()), "匯入完畢\n新增 " + std::to_string(kRows - stored) + " 筆，覆蓋 0 筆，內容相同 " +
                                       std::to_string(stored) + " 筆，未變更 0 筆\n此檔案已於 #1（TIME）匯入過\n");
  EXPECT_EQ(StoredCustomers(database), kRows);
  std::filesystem::remove_all(home);
}

// A process killed in the middle of an import that overwrites and appends:
// its journal covers every batch committed, and undo puts the table back as
// it was before.
TEST(CliImportKilled, TheJournalCoversWhatWasCommittedAndUndoRestoresTheTable) {
  std::string pattern = (std::filesystem::temp_directory_path() / "tabrin-cli-kill-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const std::string home = pattern + "/";
  const std::string database = home + "Database.mdb";
  CreateEmbeddedDatabase(database, {});
  constexpr int kRows = 60000;
  constexpr int kExisting = 2000;  // every tenth of the first 20000 codes
  auto code = [](int i) {
    char text[16];
    std::snprintf(text, sizeof text, "K%07d", i);
    return std::string(text);
  };
  {
    TConnection connection("ADOConnection");
    ConnectDatabase(connection, TDatabaseKind::dkOrvella, home);
    connection.BeginTransaction();
    for (int i = 0; i < kExisting * 10; i += 10) {
      const std::vector<TValue> params = {TValue::Text(code(i))};
      connection.Execute("INSERT INTO Customer (CustNo, Name, Sex) VALUES (?, '舊', '男')", params);
    }
    connection.Commit();
  }
  std::vector<std::vector<Cell>> rows;
  rows.reserve(kRows);
  for (int i = 0; i < kRows; ++i) rows.push_back({code(i), "A123456789", "客戶", "女", "02-1234", "台北市", "一般"});
  const std::string file = home + "customers.xls";
  WriteSheet(file, {"顧客編號", "身分證字號", "姓名", "性別", "電話1", "地址", "會員等級"}, rows);

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, STDOUT_FILENO);
    dup2(devnull, STDERR_FILENO);
    execl(TABRIN_CLI, TABRIN_CLI, "--home", home.c_str(), "import", "--kind", "1", "customer", file.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline && StoredCustomers(database) <= kExisting) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the import ended before it could be killed";

  const int stored = StoredCustomers(database);
  ASSERT_GT(stored, kExisting);
  ASSERT_LT(stored, kRows);
  const int overwritten = CountOf(database, "SELECT COUNT(*) FROM Customer WHERE Sex = '女' AND CustNo IN "
                                            "(SELECT CustNo FROM Customer WHERE CAST(SUBSTR(CustNo, 2) AS INTEGER) % 10 = 0 "
                                            "AND CAST(SUBSTR(CustNo, 2) AS INTEGER) < 20000)");
  {
    TImportJournal journal(home);
    const std::vector<TJournalRow> journaled = journal.Rows(journal.History().front().id);
    const auto count = [&](TRowAction action) {
      return std::count_if(journaled.begin(), journaled.end(), [&](const TJournalRow& r) { return r.change.action == action; });
    };
    EXPECT_GE(count(TRowAction::raAppended), stored - kExisting);
    EXPECT_GE(count(TRowAction::raOverwritten), overwritten);
    EXPECT_GT(overwritten, 0);
  }

  std::ostringstream out, err;
  ASSERT_EQ(RunCli({"--home", home, "history"}, {out, err}), 0) << err.str();
  EXPECT_TRUE(out.str().ends_with("未完成\n")) << out.str();
  out.str("");
  ASSERT_EQ(RunCli({"--home", home, "undo"}, {out, err}), 0) << err.str();
  EXPECT_EQ(StoredCustomers(database), kExisting);
  EXPECT_EQ(CountOf(database, "SELECT COUNT(*) FROM Customer WHERE Name = '舊' AND Sex = '男'"), kExisting);
  std::filesystem::remove_all(home);
}

// Ctrl-C in the middle of an import: the command stops after the row it is
// on, keeps every earlier row, says so and what it stored, and exits with
// 130.
TEST(CliImportInterrupted, KeepsTheRowsBeforeTheStopAndSaysWhatWasStored) {
  std::string pattern = (std::filesystem::temp_directory_path() / "tabrin-cli-int-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const std::string home = pattern + "/";
  const std::string database = home + "Database.mdb";
  CreateEmbeddedDatabase(database, {});
  constexpr int kRows = 60000;
  std::vector<std::vector<Cell>> rows;
  rows.reserve(kRows);
  auto code = [](int i) {
    char text[16];
    std::snprintf(text, sizeof text, "K%07d", i);
    return std::string(text);
  };
  for (int i = 0; i < kRows; ++i) rows.push_back({code(i), "A123456789", "客戶", "女", "02-1234", "台北市", "一般"});
  const std::string file = home + "customers.xls";
  WriteSheet(file, {"顧客編號", "身分證字號", "姓名", "性別", "電話1", "地址", "會員等級"}, rows);

  const std::string errFile = home + "stderr.txt";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int devnull = open("/dev/null", O_WRONLY);
    const int errOut = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(devnull, STDOUT_FILENO);
    dup2(errOut, STDERR_FILENO);
    execl(TABRIN_CLI, TABRIN_CLI, "--home", home.c_str(), "import", "--kind", "1", "customer", file.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  // Interrupt it once some batches are stored, well before the end.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline && StoredCustomers(database) <= 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(child, SIGINT);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << "the import did not end by itself";
  ASSERT_EQ(WEXITSTATUS(status), 130) << "the import ended before it could be interrupted";

  const int stored = StoredCustomers(database);
  EXPECT_GT(stored, 0);
  EXPECT_LT(stored, kRows);
  std::ifstream in(errFile);
  const std::string err((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(err, "已取消匯入，工作表第 " + std::to_string(stored + 1) + " 列及之前的資料列已處理\n新增 " +
                     std::to_string(stored) + " 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆\n");

  TConnection connection("ADOConnection");
  ConnectDatabase(connection, TDatabaseKind::dkOrvella, home);
  TQuery check("CheckQuery", connection);
  check.SetSql("SELECT CustNo FROM Customer ORDER BY CustNo");
  check.Open();
  int i = 0;
  for (check.First(); !check.Eof(); check.Next(), ++i) {
    ASSERT_EQ(check.Fields(0).AsString(), code(i)) << "not a prefix of the sheet";
  }
  check.Close();
  connection.Close();
  std::filesystem::remove_all(home);
}

// Rows with no cell filled are no records: the plan and the import pass
// over them and count them (a text file's trailing empty lines end its
// rows, like a sheet's used range).  A row
// with cells but no code stops the import at that row, or goes to the
// rejects file with --skip-errors.
TEST_P(CliImport, BlankRowsArePassedOverAndABlankCodeIsABadRow) {
  const std::string file = home_ + "cls.csv";
  const auto write = [&](const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << "小分類代碼,小分類名稱\r\n" << text;
  };
  write("A01,飲料\r\n,\r\nB02,零食\r\n,\r\n,\r\n");
  EXPECT_EQ(Run({"import", "--kind", GetParam(), "--dry-run", "cls", file}), 0) << err_.str();
  EXPECT_EQ(out_.str(),
            "試算匯入，沒有寫入資料庫\n新增 2 筆，覆蓋 0 筆（其中 0 筆內容相同），未變更 0 筆，錯誤 0 列，空白列 1 列\n");
  ASSERT_EQ(Run({"import", "--kind", GetParam(), "cls", file}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "匯入完畢\n新增 2 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆，空白列 1 列\n");
  EXPECT_EQ(Rows("SELECT ClsNo FROM Classify ORDER BY ClsNo"), (Table{{"A01"}, {"B02"}}));

  write("C03,雜貨\r\n,沒有代碼\r\n");
  EXPECT_EQ(Run({"import", "--kind", GetParam(), "cls", file}), 1);
  EXPECT_EQ(err_.str(), "The code is blank\n工作表第 3 列，欄位「小分類代碼」.\n新增 1 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆\n");
  EXPECT_EQ(Run({"import", "--kind", GetParam(), "--skip-errors", "cls", file}), 5);
  EXPECT_EQ(Rows("SELECT ClsNo FROM Classify ORDER BY ClsNo"), (Table{{"A01"}, {"B02"}, {"C03"}}));
}

}  // namespace
}  // namespace tabrin::cli
