#include "db_test_support.h"

#include <unistd.h>

#include <atomic>
#include <cmath>
#include <sstream>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "db/embedded_database.h"

namespace tabrin {
void PrintTo(const TValue& value, std::ostream* out) {
  switch (value.Type()) {
    case TValueType::vtNull: *out << "null"; break;
    case TValueType::vtText: *out << "text \"" << value.Text() << "\""; break;
    case TValueType::vtInteger: *out << "integer " << value.Integer(); break;
    case TValueType::vtFloat: *out << "float " << value.Float(); break;
    case TValueType::vtDateTime: *out << "date-time " << value.DateTime(); break;
    case TValueType::vtBoolean: *out << "boolean " << (value.Boolean() ? "true" : "false"); break;
  }
}
}  // namespace tabrin

namespace tabrin::test {

::testing::AssertionResult SameValue(const TValue& actual, const TValue& expected) {
  const bool same = actual.Type() == TValueType::vtDateTime && expected.Type() == TValueType::vtDateTime
                        ? std::abs(actual.DateTime() - expected.DateTime()) < 1e-8
                        : actual == expected;
  if (same) return ::testing::AssertionSuccess();
  std::ostringstream a, e;
  PrintTo(actual, &a);
  PrintTo(expected, &e);
  return ::testing::AssertionFailure() << "actual " << a.str() << ", expected " << e.str();
}

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

void RunSql(TConnection& connection, const std::string& sql) { connection.Execute(sql); }

}  // namespace

std::string BackendName(const ::testing::TestParamInfo<TBackendKind>& info) {
  return info.param == TBackendKind::sqlite ? "SQLite" : "PostgreSQL";
}

TTempFolder::TTempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tabrin-db-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
  path_ = pattern + "/";
}

TTempFolder::~TTempFolder() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

void TTempFolder::Write(std::string_view name, std::string_view content) const {
  std::ofstream out(File(name), std::ios::binary);
  out << content;
}

std::optional<TServerSettings> PostgresSettings(std::string database) {
  if (Env("TABRIN_PG_PORT").empty()) return std::nullopt;
  TServerSettings settings;
  settings.driver = "PostgreSQL Unicode";
  settings.host = Env("TABRIN_PG_HOST");
  settings.port = Env("TABRIN_PG_PORT");
  settings.login = Env("TABRIN_PG_USER");
  settings.password = Env("TABRIN_PG_PASSWORD");
  settings.databaseName = database.empty() ? Env("TABRIN_PG_DATABASE") : database;
  return settings;
}

std::vector<std::string> SqlStatements(std::string_view script) {
  std::vector<std::string> statements;
  std::string current;
  std::size_t pos = 0;
  while (pos < script.size()) {
    std::size_t end = script.find('\n', pos);
    std::string_view line = script.substr(pos, end == std::string_view::npos ? script.npos : end - pos);
    pos = end == std::string_view::npos ? script.size() : end + 1;
    if (line.rfind("--", 0) == 0 || line == "GO") continue;
    current += line;
    current += '\n';
    if (!line.empty() && line.back() == ';') {
      current.erase(current.find_last_of(';'));
      statements.push_back(current);
      current.clear();
    }
  }
  if (current.find_first_not_of(" \n") != std::string::npos) statements.push_back(current);
  return statements;
}

void DatabaseTest::SetUp() {
  connection_ = std::make_unique<TConnection>("ADOConnection");
  if (GetParam() == TBackendKind::sqlite) {
    folder_ = std::make_unique<TTempFolder>();
    CreateEmbeddedDatabase(folder_->File("Database.mdb"), {});
    connection_->SetConnectionString(OrvellaConnectionString(folder_->Path()));
    connection_->Open();
    return;
  }
  auto admin = PostgresSettings();
  if (!admin) GTEST_SKIP() << kNoPostgres;
  static std::atomic<int> counter{0};
  postgresDatabase_ = "tabrin_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
  {
    TConnection maintenance("maintenance");
    maintenance.SetConnectionString(ServerConnectionString(*admin));
    maintenance.Open();
    RunSql(maintenance, "DROP DATABASE IF EXISTS " + postgresDatabase_);
    RunSql(maintenance, "CREATE DATABASE " + postgresDatabase_);
  }
  connection_->SetConnectionString(ServerConnectionString(*PostgresSettings(postgresDatabase_)));
  connection_->Open();
  for (const std::string& statement : SqlStatements(ReadFile(std::string(TABRIN_DATA) + "/postgresql.sql"))) {
    RunSql(*connection_, statement);
  }
}

void DatabaseTest::TearDown() {
  connection_.reset();
  if (!postgresDatabase_.empty()) {
    TConnection maintenance("maintenance");
    maintenance.SetConnectionString(ServerConnectionString(*PostgresSettings()));
    maintenance.Open();
    RunSql(maintenance, "DROP DATABASE IF EXISTS " + postgresDatabase_ + " WITH (FORCE)");
  }
  folder_.reset();
}

void DatabaseTest::Exec(const std::string& sql, std::vector<TValue> params) { Connection().Execute(sql, params); }

std::vector<std::vector<std::string>> DatabaseTest::Rows(const std::string& sql, std::vector<TValue> params) {
  TQuery query("CheckQuery", Connection());
  query.SetSql(sql);
  query.SetParameters(std::move(params));
  query.Open();
  std::vector<std::vector<std::string>> rows;
  for (query.First(); !query.Eof(); query.Next()) {
    std::vector<std::string> row;
    for (int i = 0; i < query.FieldCount(); ++i) row.push_back(query.Fields(i).AsString());
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace tabrin::test
