#include "db/connection.h"

#include "db/missing_database.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"

namespace tabrin {
namespace {

constexpr std::size_t kStatementCacheSize = 64;

// Drivers sometimes repeat what they were given; a password must never reach
// an error box or a log.
std::string WithoutSecrets(std::string message, std::string_view connectionString) {
  const TConnectionProperties properties = ParseConnectionString(connectionString);
  for (const char* key : {"Password", "PWD", "Jet OLEDB:Database Password"}) {
    const std::string secret = properties.Get(key);
    if (secret.size() < 3) continue;
    for (auto at = message.find(secret); at != std::string::npos; at = message.find(secret, at + 3)) {
      message.replace(at, secret.size(), "***");
    }
  }
  return message;
}

}  // namespace

TConnection::TConnection(std::string name) : name_(std::move(name)) {}

TConnection::~TConnection() {
  try {
    Close();
  } catch (...) {
    // Closing while unwinding: nothing more can be done.
  }
}

void TConnection::SetConnectionString(std::string_view text) {
  if (Connected()) throw TabrinError(FormatMessage(Tr("%s: Operation is not allowed when the object is open"), {name_}));
  connectionString_ = std::string(text);
}

void TConnection::Open() {
  if (Connected()) return;
  try {
    backend_ = OpenBackend(connectionString_);
    ++session_;
  } catch (const TMissingDatabaseError& error) {
    // Still itself: each front end words it for its own users.
    throw TMissingDatabaseError(WithoutSecrets(error.Path(), connectionString_));
  } catch (const TServerConnectError& error) {
    throw TServerConnectError(WithoutSecrets(error.what(), connectionString_));
  } catch (const TabrinError& error) {
    throw TabrinError(WithoutSecrets(error.what(), connectionString_));
  }
}

void TConnection::Close() {
  if (!Connected()) return;
  statementIndex_.clear();
  statements_.clear();
  tables_.clear();
  stretchDepth_ = 0;  // closing the session ends a read transaction with it
  if (inTransaction_) {
    inTransaction_ = false;
    try {
      backend_->Rollback();
    } catch (const TabrinError&) {
      // The session ends anyway; the server drops the open transaction.
    }
  }
  backend_.reset();
}

TBackend& TConnection::Backend() {
  if (!backend_) throw TabrinError(FormatMessage(Tr("%s: Connection is closed"), {name_}));
  return *backend_;
}

void TConnection::BeginTransaction() {
  if (inTransaction_) throw TabrinError(FormatMessage(Tr("%s: A transaction is already active"), {name_}));
  // A write transaction takes over from a read stretch.
  if (stretchDepth_ > 0) Backend().EndReadStretch();
  Backend().BeginTransaction();
  inTransaction_ = true;
}

void TConnection::BeginReadStretch() {
  if (!inTransaction_ && stretchDepth_++ == 0) Backend().BeginReadStretch();
}

void TConnection::EndReadStretch() {
  if (inTransaction_ || stretchDepth_ == 0) return;
  if (--stretchDepth_ == 0 && Connected()) Backend().EndReadStretch();
}

TReadStretch::~TReadStretch() {
  try {
    connection_.EndReadStretch();
  } catch (...) {  // a read transaction that cannot be ended wrote nothing
  }
}

void TConnection::Commit() {
  if (!inTransaction_) throw TabrinError(FormatMessage(Tr("%s: No transaction is active"), {name_}));
  inTransaction_ = false;
  Backend().Commit();
}

void TConnection::Rollback() {
  if (!inTransaction_) throw TabrinError(FormatMessage(Tr("%s: No transaction is active"), {name_}));
  inTransaction_ = false;
  Backend().Rollback();
}

const std::shared_ptr<TPreparedStatement>& TConnection::Prepared(const std::string& sql) {
  if (auto found = statementIndex_.find(sql); found != statementIndex_.end()) {
    statements_.splice(statements_.begin(), statements_, found->second);
    return found->second->second;
  }
  std::shared_ptr<TPreparedStatement> statement = Backend().Prepare(sql);
  statements_.emplace_front(sql, std::move(statement));
  statementIndex_[sql] = statements_.begin();
  if (statements_.size() > kStatementCacheSize) {
    statementIndex_.erase(statements_.back().first);
    statements_.pop_back();
  }
  return statements_.front().second;
}

TStatementResult TConnection::Run(const std::string& sql, std::span<const TValue> params) {
  try {
    return Prepared(sql)->Execute(params);
  } catch (const TabrinError&) {
    // A kept statement can go stale (a server refuses a plan prepared before
    // the table changed).  Outside a transaction nothing was done, so prepare
    // afresh and try once more; the second error is the one that counts.
    Forget(sql);
    if (inTransaction_) throw;
  }
  return Prepared(sql)->Execute(params);
}

bool TConnection::RunHeld(TStatementHold& hold, const std::string& sql, TParamList params,
                          TStatementResult& result) {
  Backend();  // raises when closed
  const bool fresh = hold.statement == nullptr || hold.session != session_ || hold.sql != sql;
  if (fresh) {
    hold.statement = Prepared(sql);
    hold.sql = sql;
    hold.session = session_;
  }
  try {
    if (fresh) {
      result = hold.statement->Execute(params);
      return false;
    }
    return hold.statement->ExecuteAgain(params, result);
  } catch (const TabrinError&) {
    // As in Run: a stale statement is prepared afresh once, outside a
    // transaction.  Either way the result is no longer the hold's.
    Forget(sql);
    hold.statement.reset();
    if (inTransaction_) throw;
  } catch (...) {
    hold.statement.reset();
    throw;
  }
  std::shared_ptr<TPreparedStatement> statement = Prepared(sql);
  result = statement->Execute(params);
  hold.statement = std::move(statement);
  return false;
}

void TConnection::Forget(const std::string& sql) {
  if (auto found = statementIndex_.find(sql); found != statementIndex_.end()) {
    statements_.erase(found->second);
    statementIndex_.erase(found);
  }
}

std::int64_t TConnection::Execute(const std::string& sql, std::span<const TValue> params) {
  return Run(sql, params).rowsAffected;
}

const TTableInfo& TConnection::TableInfo(const std::string& table) {
  if (auto found = tables_.find(table); found != tables_.end()) return found->second;
  return tables_.emplace(table, Backend().DescribeTable(table)).first->second;
}

}  // namespace tabrin
