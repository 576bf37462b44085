#pragma once
// The backend interface behind TConnection: one implementation per kind of
// store (SQLite file, ODBC server, workbook).  A connection string is handed
// to the first registered provider that accepts it.
//
// To add a store (the workbook reader does this):
//
//   class TWorkbookBackend : public TBackend { ... };
//   RegisterWorkbookBackend([](const TConnectionProperties& p) {
//     return std::make_unique<TWorkbookBackend>(p.Get("Data Source"));
//   });
//
// A backend only has to run statements: Prepare returns a statement object
// that the connection keeps and executes again with new parameters.  A
// statement's Execute returns every row of a SELECT (the query is static) or
// the number of rows changed by another statement.  Errors are raised as
// TabrinError with the store's message; never put the connection string or a
// password in a message.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/connection_string.h"
#include "db/field_type.h"
#include "db/row_store.h"
#include "text/error.h"
#include "db/value.h"

namespace tabrin {

struct TColumnInfo {
  std::string name;
  TFieldType type = TFieldType::ftString;
  int size = 0;  // declared width of text columns (characters), else 0
};


// Rows a backend already holds in a form of its own (a workbook's sheet),
// read one at a time when asked for instead of copied into a row store
// first.  Const, and used from the thread of the connection only.
class TRowSource {
 public:
  explicit TRowSource(std::size_t size) : size_(size) {}
  virtual ~TRowSource() = default;
  // Known from the start: asked for with every value read.
  std::size_t Size() const { return size_; }
  // out gets the row's values, one per column; its texts keep their room.
  virtual void Decode(std::size_t index, TRow& out) const = 0;

 private:
  std::size_t size_;
};

struct TStatementResult {
  std::vector<TColumnInfo> columns;  // empty for statements without a result
  TRowStore rows;                    // every row, each columns.size() values
  // When set, the rows are these, and rows stays empty.
  std::shared_ptr<const TRowSource> rowSource;
  std::int64_t rowsAffected = -1;    // for INSERT/UPDATE/DELETE; -1 otherwise
  // After an INSERT: the new row's identity (see TTableInfo::rowLocator), or null.
  TValue insertedRowLocator;
};

// The parameters of one run: values side by side, or each where a pointer
// points (an insert's values picked out of the record being written, which
// saves copying them row after row).
class TParamList {
 public:
  TParamList(std::span<const TValue> values) : values_(values.data()), size_(values.size()) {}
  TParamList(const std::vector<TValue>& values) : TParamList(std::span<const TValue>(values)) {}
  TParamList(std::span<const TValue* const> picked) : picked_(picked.data()), size_(picked.size()) {}
  TParamList(const std::vector<const TValue*>& picked) : TParamList(std::span<const TValue* const>(picked)) {}

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const TValue& operator[](std::size_t index) const { return picked_ != nullptr ? *picked_[index] : values_[index]; }

 private:
  const TValue* values_ = nullptr;
  const TValue* const* picked_ = nullptr;
  std::size_t size_ = 0;
};

class TPreparedStatement {
 public:
  virtual ~TPreparedStatement() = default;
  // Binds params to the "?" markers in order and runs the statement.
  virtual TStatementResult Execute(TParamList params) = 0;
  // The same into a result this statement filled on its last run (a lookup
  // run once per imported row): returns true when result.columns were left
  // as they were because the columns are the same, so the caller need not
  // look at them again.  By default everything is replaced.
  virtual bool ExecuteAgain(TParamList params, TStatementResult& result) {
    result = Execute(params);
    return false;
  }
};

// What the data layer needs to know of a table to write it back.
struct TTableInfo {
  bool exists = false;
  std::vector<std::string> keyColumns;  // primary key, in key order; may be empty
  // Every column a "SELECT *" gives, as the table spells it; empty when the
  // backend does not tell.
  std::vector<std::string> columns;
  // A hidden row identity the backend can select, e.g. "rowid" on SQLite;
  // empty when there is none.
  std::string rowLocator;
};

// An error a backend raises about the statement a query runs (a column the
// statement names that the store lacks): the query puts its name in front,
// as it does for its own binding errors.
class TQueryStatementError : public TabrinError {
 public:
  using TabrinError::TabrinError;
};

// An error of the database as a whole, not of the statement's data: another
// program holds it locked, or it cannot be opened, written or read.  Callers
// that walk rows tell it apart from an error about one row.
class TDatabaseUnavailableError : public TabrinError {
 public:
  using TabrinError::TabrinError;
};

// A server the driver tried and could not connect to: not found, not
// answering, or refusing the login.  Whoever knows where the server was
// named says so (ConnectDatabase).
class TServerConnectError : public TabrinError {
 public:
  using TabrinError::TabrinError;
};

class TBackend {
 public:
  virtual ~TBackend() = default;

  virtual std::unique_ptr<TPreparedStatement> Prepare(const std::string& sql) = 0;

  // Identifier quoting for SQL the data layer builds ("INSERT INTO ...").
  virtual std::string QuoteIdentifier(std::string_view name) const;

  // Default: a table that cannot be written through the data layer.
  virtual TTableInfo DescribeTable(std::string_view table);

  // Default: raise "Transactions are not supported by this connection".
  virtual void BeginTransaction();
  virtual void Commit();
  virtual void Rollback();
  // After a statement of the open transaction failed: whether the
  // transaction is still open with only that statement undone, so that the
  // caller may go on in it.  Default: not known, so no (PostgreSQL refuses
  // every further statement of such a transaction).
  virtual bool TransactionSurvivesFailedStatement() { return false; }

  // A stretch of statements that write nothing (the import plan's lookup of
  // every sheet row): a backend that takes and checks its locks around each
  // statement outside a transaction may hold them across the stretch
  // instead, which also gives the stretch one view of the database.
  // Default: nothing to do.
  virtual void BeginReadStretch() {}
  virtual void EndReadStretch() {}
};

using TBackendFactory = std::function<std::unique_ptr<TBackend>(const TConnectionProperties&)>;
using TBackendAcceptor = std::function<bool(const TConnectionProperties&)>;

// The registry of providers is process-wide and safe from two threads: it
// holds its lock while it is changed or searched (a backend is made outside
// it).  Providers are meant to be registered once at start-up.

// Adds a provider tried before the built-in ones (SQLite file, ODBC server).
void RegisterBackend(std::string name, TBackendAcceptor accepts, TBackendFactory factory);
// The provider for workbook connection strings
// ("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<file>;Extended Properties=IMEX=1;Excel 8.0;...").
// Registering again replaces the earlier factory.
void RegisterWorkbookBackend(TBackendFactory factory);
// True for the workbook form of a connection string.
bool IsWorkbookConnection(const TConnectionProperties& properties);

// Opens the backend for a connection string (used by TConnection::Open).
std::unique_ptr<TBackend> OpenBackend(std::string_view connectionString);

}  // namespace tabrin
