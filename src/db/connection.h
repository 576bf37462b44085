#pragma once
// TConnection: a database or workbook connection (ADOConnection,
// ADOXLSConnect).
//
//   TConnection connection("ADOConnection");
//   connection.SetConnectionString(OrvellaConnectionString(ProgramFolder()));
//   connection.Open();              // TabrinError with the store's message
//   connection.BeginTransaction();  // optional: batch many posts
//   ... queries on the connection ...
//   connection.Commit();            // or Rollback()
//
// Statements run through a connection are prepared once and kept (keyed by
// their SQL text), so running the same SQL again with new parameters does not
// parse it again.  Queries (query.h) must not outlive their connection's open
// session: closing the connection closes nothing else, but a query opened
// afterwards raises.
#include <cstdint>
#include <list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "db/backend.h"
#include "db/value.h"

namespace tabrin {

// One statement a caller runs again and again (a lookup or a write per
// imported row): the connection finds it by its text once, not on every run.
// Empty until first run; it is prepared again after the connection was
// closed and opened or its text changed.
struct TStatementHold {
  std::string sql;
  std::shared_ptr<TPreparedStatement> statement;
  std::uint64_t session = 0;
};

class TConnection {
 public:
  explicit TConnection(std::string name = "ADOConnection");
  ~TConnection();
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;

  const std::string& Name() const { return name_; }

  // Only while closed; raises "<name>: Operation is not allowed when the
  // object is open" otherwise.
  void SetConnectionString(std::string_view text);
  const std::string& ConnectionString() const { return connectionString_; }

  void Open();   // opening an open connection does nothing
  void Close();  // closing a closed connection does nothing
  bool Connected() const { return backend_ != nullptr; }

  void BeginTransaction();
  void Commit();
  void Rollback();
  bool InTransaction() const { return inTransaction_; }
  // See TBackend::BeginReadStretch; nothing inside a transaction, which
  // already holds what a stretch would.  TReadStretch pairs them.
  void BeginReadStretch();
  void EndReadStretch();

  // Runs one statement (no result rows kept) and returns the rows changed.
  std::int64_t Execute(const std::string& sql, std::span<const TValue> params = {});
  // Runs a statement through the statement cache.
  TStatementResult Run(const std::string& sql, std::span<const TValue> params = {});
  // Runs the held statement (sql) into `result`, which the last run through
  // this hold filled; returns TPreparedStatement::ExecuteAgain's answer
  // (false when the statement is new to the hold).
  bool RunHeld(TStatementHold& hold, const std::string& sql, TParamList params, TStatementResult& result);

  // The open backend; raises "<name>: Connection is closed" when closed.
  TBackend& Backend();
  // Cached table description (for writes).
  const TTableInfo& TableInfo(const std::string& table);

 private:
  const std::shared_ptr<TPreparedStatement>& Prepared(const std::string& sql);
  void Forget(const std::string& sql);

  std::string name_;
  std::string connectionString_;
  std::unique_ptr<TBackend> backend_;
  bool inTransaction_ = false;
  int stretchDepth_ = 0;  // read stretches begun and not yet ended
  std::uint64_t session_ = 0;  // counts opens, so that holds of an earlier session are seen as stale
  // Most recently used statements first; bounded so that SQL built per row
  // cannot grow it without limit.
  std::list<std::pair<std::string, std::shared_ptr<TPreparedStatement>>> statements_;
  std::unordered_map<std::string, decltype(statements_)::iterator> statementIndex_;
  std::unordered_map<std::string, TTableInfo> tables_;
};

// Holds the connection's read stretch for its own lifetime.
class TReadStretch {
 public:
  explicit TReadStretch(TConnection& connection) : connection_(connection) { connection_.BeginReadStretch(); }
  ~TReadStretch();
  TReadStretch(const TReadStretch&) = delete;
  TReadStretch& operator=(const TReadStretch&) = delete;

 private:
  TConnection& connection_;
};

}  // namespace tabrin
