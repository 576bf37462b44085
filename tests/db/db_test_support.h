#pragma once
// Shared ground for the data-layer tests: a fresh database per test on each
// backend (an embedded SQLite file, or a PostgreSQL database on the server
// that scripts/with-postgres starts), so the same behaviour tests run on both.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/database_connection.h"
#include "db/query.h"

namespace tabrin {
// Readable values in test failures.
void PrintTo(const TValue& value, std::ostream* out);
}  // namespace tabrin

namespace tabrin::test {

// Equal values; date-times equal to the millisecond.
::testing::AssertionResult SameValue(const TValue& actual, const TValue& expected);

enum class TBackendKind { sqlite, postgres };

std::string BackendName(const ::testing::TestParamInfo<TBackendKind>& info);

// A temporary folder removed at the end of the test.
class TTempFolder {
 public:
  TTempFolder();
  ~TTempFolder();
  const std::string& Path() const { return path_; }  // ends in "/"
  std::string File(std::string_view name) const { return path_ + std::string(name); }
  void Write(std::string_view name, std::string_view content) const;

 private:
  std::string path_;
};

// The server settings of the PostgreSQL test server, or nullopt when the
// tests do not run under scripts/with-postgres.
std::optional<TServerSettings> PostgresSettings(std::string database = {});
inline constexpr const char* kNoPostgres =
    "PostgreSQL test server not available (run under scripts/with-postgres, which sets TABRIN_PG_*)";

// Splits a schema script into its statements (";" at a line end).
std::vector<std::string> SqlStatements(std::string_view script);

// The abstract test base: a connection "ADOConnection" to an empty database
// with the four tables (Item with all 45 columns).
class DatabaseTest : public ::testing::TestWithParam<TBackendKind> {
 protected:
  void SetUp() override;
  void TearDown() override;

  TConnection& Connection() { return *connection_; }
  // Runs a statement directly (test set-up, checks).
  void Exec(const std::string& sql, std::vector<TValue> params = {});
  // All rows of a query as texts (AsString of every field), for checks.
  std::vector<std::vector<std::string>> Rows(const std::string& sql, std::vector<TValue> params = {});
  bool IsPostgres() const { return GetParam() == TBackendKind::postgres; }

 private:
  std::unique_ptr<TTempFolder> folder_;
  std::unique_ptr<TConnection> connection_;
  std::string postgresDatabase_;
};

#define TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(Suite)                                                     \
  INSTANTIATE_TEST_SUITE_P(Backends, Suite,                                                          \
                           ::testing::Values(::tabrin::test::TBackendKind::sqlite,                   \
                                             ::tabrin::test::TBackendKind::postgres),                \
                           ::tabrin::test::BackendName)

}  // namespace tabrin::test
