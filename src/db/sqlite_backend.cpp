#include "db/sqlite_backend.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>

#include "db/missing_database.h"
#include "text/ascii.h"
#include "text/boolean_text.h"
#include "text/error.h"
#include "text/format.h"
#include "text/regional.h"
#include "text/translation.h"

namespace tabrin::detail {
namespace {

int DeclaredSize(std::string_view decl) {
  auto open = decl.find('(');
  if (open == std::string_view::npos) return 0;
  int size = 0;
  for (std::size_t i = open + 1; i < decl.size() && std::isdigit(static_cast<unsigned char>(decl[i])); ++i) {
    size = size * 10 + (decl[i] - '0');
  }
  return size;
}

// The type a declared column type stands for, after the affinity rules
// SQLite itself uses, refined by the names other databases use.
TColumnInfo ColumnFromDeclaration(std::string name, const char* declaration) {
  TColumnInfo column{std::move(name), TFieldType::ftUnknown, 0};
  const std::string decl = UpperAscii(declaration ? declaration : "");
  auto has = [&](std::string_view part) { return decl.find(part) != std::string::npos; };
  auto starts = [&](std::string_view part) { return decl.rfind(part, 0) == 0; };
  if (decl.empty()) {
    column.type = TFieldType::ftUnknown;  // decided by the first value
  } else if (has("BOOL") || decl == "BIT" || has("YESNO") || has("LOGICAL")) {
    column.type = TFieldType::ftBoolean;
  } else if (has("DATETIME") || has("TIMESTAMP")) {
    column.type = TFieldType::ftDateTime;
  } else if (starts("DATE")) {
    column.type = TFieldType::ftDate;
  } else if (starts("TIME")) {
    column.type = TFieldType::ftTime;
  } else if (has("COUNTER") || has("AUTOINC")) {
    column.type = TFieldType::ftAutoInc;
  } else if (has("BIGINT") || has("INT8")) {
    column.type = TFieldType::ftLargeint;
  } else if (has("SMALLINT") || has("INT2") || has("SHORT")) {
    column.type = TFieldType::ftSmallint;
  } else if (has("TINYINT") || has("BYTE")) {
    column.type = TFieldType::ftWord;
  } else if (has("INT") || decl == "LONG") {
    column.type = TFieldType::ftInteger;
  } else if (has("MONEY") || has("CURRENCY")) {
    column.type = TFieldType::ftCurrency;
  } else if (has("DECIMAL") || has("NUMERIC")) {
    column.type = TFieldType::ftBCD;
  } else if (has("REAL") || has("FLOA") || has("DOUB")) {
    column.type = TFieldType::ftFloat;
  } else if (has("NTEXT") || has("NCLOB") || has("WIDEMEMO")) {
    column.type = TFieldType::ftWideMemo;
  } else if (starts("NCHAR") || starts("NVARCHAR") || starts("NATIONAL")) {
    column.type = TFieldType::ftWideString;
    column.size = DeclaredSize(decl);
  } else if (has("CHAR")) {
    column.type = TFieldType::ftString;
    column.size = DeclaredSize(decl);
  } else if (has("TEXT") || has("CLOB") || has("MEMO")) {
    column.size = DeclaredSize(decl);
    column.type = column.size > 0 ? TFieldType::ftWideString : TFieldType::ftMemo;
  } else if (has("BLOB") || has("BINARY")) {
    column.type = TFieldType::ftBlob;
  } else {
    column.type = TFieldType::ftFloat;  // NUMERIC affinity
  }
  return column;
}

TFieldType TypeOfStorage(int storage) {
  switch (storage) {
    case SQLITE_INTEGER: return TFieldType::ftLargeint;
    case SQLITE_FLOAT: return TFieldType::ftFloat;
    case SQLITE_BLOB: return TFieldType::ftBlob;
    default: return TFieldType::ftWideString;
  }
}

std::string_view ValueText(sqlite3_value* value) {
  const unsigned char* text = sqlite3_value_text(value);
  return {reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_value_bytes(value))};
}

// Reads `count` digits at `at`, or returns -1.
int Digits(std::string_view text, std::size_t at, std::size_t count) {
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The date-time of a stored text.  The texts this program stores
// ("yyyy-mm-dd[ hh:mm:ss[.zzz]]", see SqliteDateTimeText) are read directly,
// every other one by the regional reader, which gives these the same value.
std::optional<double> StoredDateTime(std::string_view text) {
  const std::size_t n = text.size();
  if ((n == 10 || n == 19 || n == 23) && text[4] == '-' && text[7] == '-') {
    DateTimeParts parts;
    parts.year = Digits(text, 0, 4);
    parts.month = Digits(text, 5, 2);
    parts.day = Digits(text, 8, 2);
    bool plain = parts.year >= 0 && parts.month >= 0 && parts.day >= 0;
    if (plain && n >= 19) {
      plain = text[10] == ' ' && text[13] == ':' && text[16] == ':';
      parts.hour = Digits(text, 11, 2);
      parts.minute = Digits(text, 14, 2);
      parts.second = Digits(text, 17, 2);
      plain = plain && parts.hour >= 0 && parts.minute >= 0 && parts.second >= 0;
    }
    if (plain && n == 23) {
      parts.millisecond = Digits(text, 20, 3);
      plain = text[19] == '.' && parts.millisecond >= 0;
    }
    if (plain) return TryEncodeDateTime(parts);
  }
  return TRegionalFormats::System().ParseDateTime(text);
}

// Appends a result cell to the row being added, as a value of the column's
// type.  The cell is read through its sqlite3_value: each sqlite3_column_*
// call looks the cell up again and checks for a failed allocation, which
// came to a fifth of reading a wide result.  The value is "unprotected",
// which matters only where a connection mutex is held, and connections here
// are opened without one (SQLITE_OPEN_NOMUTEX).
void AppendValue(TRowStore& rows, sqlite3_value* cell, TFieldType type) {
  const int storage = sqlite3_value_type(cell);
  if (storage == SQLITE_NULL) return rows.AddNull();
  switch (type) {
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime:
      if (storage == SQLITE_TEXT) {
        const std::string_view text = ValueText(cell);
        if (auto serial = StoredDateTime(text)) return rows.AddDateTime(*serial);
        return rows.AddText(text);
      }
      return rows.AddDateTime(sqlite3_value_double(cell));
    case TFieldType::ftBoolean:
      if (storage == SQLITE_TEXT) {
        // A text no Boolean reads as false, as an empty one does.
        return rows.AddBoolean(ParseBoolean(ValueText(cell), TRegionalFormats::System()).value_or(false));
      }
      return rows.AddBoolean(sqlite3_value_int64(cell) != 0);
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftAutoInc:
    case TFieldType::ftLargeint:
      if (storage == SQLITE_INTEGER) return rows.AddInteger(sqlite3_value_int64(cell));
      if (storage == SQLITE_FLOAT) return rows.AddFloat(sqlite3_value_double(cell));
      return rows.AddText(ValueText(cell));
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD:
      if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) return rows.AddFloat(sqlite3_value_double(cell));
      return rows.AddText(ValueText(cell));
    case TFieldType::ftBlob:
    case TFieldType::ftBytes: {
      const void* data = sqlite3_value_blob(cell);
      return rows.AddText(std::string_view(static_cast<const char*>(data),
                                           static_cast<std::size_t>(sqlite3_value_bytes(cell))));
    }
    default:
      return rows.AddText(ValueText(cell));
  }
}

// SQLite's errors about the database file as a whole (held by another
// writer, not openable, read-only, failing) rather than about a statement.
[[noreturn]] void RaiseSqliteError(int code, const std::string& message) {
  switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      throw TDatabaseUnavailableError(
          Tr("Another program is writing to the database; try again when it has finished"));
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      throw TDatabaseUnavailableError(FormatMessage(Tr("The database cannot be used: %s"), {message}));
    default:
      throw TabrinError(message);
  }
}

class TSqliteStatement : public TPreparedStatement {
 public:
  TSqliteStatement(sqlite3* db, sqlite3_stmt* statement) : db_(db), statement_(statement) {
    isInsert_ = StartsWithNoCaseAscii(TrimAsciiLeft(sqlite3_sql(statement), kCLocaleSpace), "INSERT");
  }
  ~TSqliteStatement() override { sqlite3_finalize(statement_); }

  TStatementResult Execute(TParamList params) override {
    TStatementResult result;
    Run(params, result, false);
    return result;
  }

  bool ExecuteAgain(TParamList params, TStatementResult& result) override {
    result.rows.clear();
    result.rowSource.reset();
    result.rowsAffected = -1;
    result.insertedRowLocator = TValue();
    return Run(params, result, true);
  }

 private:
  // Runs the statement into an empty result; with keepColumns, result.columns
  // hold this statement's columns of the last run and are left alone when
  // they are still right (then true is returned).
  bool Run(TParamList params, TStatementResult& result, bool keepColumns) {
    // Every marker is bound again below, so old bindings need no clearing.
    sqlite3_reset(statement_);
    const int markers = sqlite3_bind_parameter_count(statement_);
    if (static_cast<int>(params.size()) < markers) {
      throw TabrinError(FormatMessage(Tr("The statement needs %d parameters, %d were given"),
                                      {markers, static_cast<int>(params.size())}));
    }
    for (int i = 0; i < markers; ++i) Bind(i + 1, params[static_cast<std::size_t>(i)]);

    // Described after the first step: a schema change makes SQLite prepare
    // the statement again right there.
    int rc = sqlite3_step(statement_);
    const int columnCount = sqlite3_column_count(statement_);
    bool columnsKept = keepColumns && !unknownTypes_;
    if (columnCount > 0 && !ColumnsStillDescribed(columnCount)) {
      DescribeColumns(columnCount);
      columnsKept = false;
    }
    if (rc == SQLITE_ROW) SettleUnknownTypes();
    for (; rc != SQLITE_DONE; rc = sqlite3_step(statement_)) {
      if (rc != SQLITE_ROW) Fail();
      result.rows.BeginRow(static_cast<std::size_t>(columnCount));
      for (int i = 0; i < columnCount; ++i) {
        AppendValue(result.rows, sqlite3_column_value(statement_, i), columns_[static_cast<std::size_t>(i)].type);
      }
      result.rows.EndRow();
    }
    if (columnCount > 0) {
      if (!columnsKept) {
        result.columns = columns_;
        for (TColumnInfo& column : result.columns) {
          if (column.type == TFieldType::ftUnknown) column.type = TFieldType::ftWideString;
        }
      }
    } else {
      columnsKept = keepColumns && result.columns.empty();
      result.columns.clear();
      result.rowsAffected = sqlite3_changes64(db_);
      if (isInsert_) {
        result.insertedRowLocator = TValue::Integer(sqlite3_last_insert_rowid(db_));
      }
    }
    sqlite3_reset(statement_);
    return columnsKept;
  }

  // SQLite prepares a statement again after a schema change; its columns
  // may then have other declared types.
  bool ColumnsStillDescribed(int count) {
    const int reprepared = sqlite3_stmt_status(statement_, SQLITE_STMTSTATUS_REPREPARE, 0);
    if (reprepared == reprepared_ && static_cast<int>(columns_.size()) == count) return true;
    reprepared_ = reprepared;
    return false;
  }

  void DescribeColumns(int count) {
    columns_.clear();
    unknownTypes_ = false;
    for (int i = 0; i < count; ++i) {
      columns_.push_back(ColumnFromDeclaration(sqlite3_column_name(statement_, i), sqlite3_column_decltype(statement_, i)));
      if (columns_.back().type == TFieldType::ftUnknown) unknownTypes_ = true;
    }
  }

  // Expression columns have no declared type: take the first row's.
  void SettleUnknownTypes() {
    if (!unknownTypes_) return;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (columns_[i].type == TFieldType::ftUnknown) {
        const int storage = sqlite3_column_type(statement_, static_cast<int>(i));
        if (storage != SQLITE_NULL) columns_[i].type = TypeOfStorage(storage);
      }
    }
  }

  void Bind(int index, const TValue& value) {
    int rc = SQLITE_OK;
    switch (value.Type()) {
      case TValueType::vtNull: rc = sqlite3_bind_null(statement_, index); break;
      case TValueType::vtText:
        // The parameters outlive every step of this execution, and the next
        // execution binds afresh: no copy needed.
        rc = sqlite3_bind_text64(statement_, index, value.Text().data(), value.Text().size(), SQLITE_STATIC, SQLITE_UTF8);
        break;
      case TValueType::vtInteger: rc = sqlite3_bind_int64(statement_, index, value.Integer()); break;
      case TValueType::vtFloat: rc = sqlite3_bind_double(statement_, index, value.Float()); break;
      case TValueType::vtDateTime: {
        std::string text = SqliteDateTimeText(value.DateTime());
        rc = sqlite3_bind_text64(statement_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
      }
      case TValueType::vtBoolean: rc = sqlite3_bind_int(statement_, index, value.Boolean() ? 1 : 0); break;
    }
    if (rc != SQLITE_OK) Fail();
  }

  [[noreturn]] void Fail() {
    const int code = sqlite3_errcode(db_);
    std::string message = sqlite3_errmsg(db_);
    sqlite3_reset(statement_);
    RaiseSqliteError(code, message);
  }

  sqlite3* db_;
  sqlite3_stmt* statement_;
  std::vector<TColumnInfo> columns_;
  int reprepared_ = 0;
  bool unknownTypes_ = false;
  bool isInsert_ = false;
};

class TSqliteBackend : public TBackend {
 public:
  explicit TSqliteBackend(sqlite3* db) : db_(db) {}
  ~TSqliteBackend() override { sqlite3_close_v2(db_); }

  std::unique_ptr<TPreparedStatement> Prepare(const std::string& sql) override {
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size() + 1), SQLITE_PREPARE_PERSISTENT, &statement,
                           &tail) != SQLITE_OK) {
      throw TabrinError(sqlite3_errmsg(db_));
    }
    if (statement == nullptr) throw TabrinError(Tr("Command text was not set for the command object"));
    for (; tail && *tail; ++tail) {
      if (!kCLocaleSpace.Contains(*tail) && *tail != ';') {
        sqlite3_finalize(statement);
        throw TabrinError(Tr("Only one statement can be run at a time"));
      }
    }
    return std::make_unique<TSqliteStatement>(db_, statement);
  }

  TTableInfo DescribeTable(std::string_view table) override {
    TTableInfo info;
    std::string name = Unquote(table);
    sqlite3_stmt* statement = nullptr;
    const std::string sql = "SELECT name, pk FROM pragma_table_info(?) ORDER BY pk";
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) throw TabrinError(sqlite3_errmsg(db_));
    sqlite3_bind_text(statement, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(statement) == SQLITE_ROW) {
      info.exists = true;
      std::string column = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
      if (sqlite3_column_int(statement, 1) > 0) info.keyColumns.push_back(column);
      info.columns.push_back(std::move(column));
    }
    sqlite3_finalize(statement);
    if (info.exists) {
      // WITHOUT ROWID tables have no rowid to select.
      const std::string probe = "SELECT rowid FROM " + QuoteIdentifier(name) + " LIMIT 0";
      if (sqlite3_prepare_v2(db_, probe.c_str(), -1, &statement, nullptr) == SQLITE_OK) info.rowLocator = "rowid";
      sqlite3_finalize(statement);
    }
    return info;
  }

  // The write lock is taken at once, waiting for another writer up to the
  // busy timeout: a deferred transaction would read first and then fail at
  // its first write, without waiting, when another import holds the lock.
  void BeginTransaction() override { Exec("BEGIN IMMEDIATE"); }
  void Commit() override { Exec("COMMIT"); }
  void Rollback() override { Exec("ROLLBACK"); }
  // A constraint or a trigger's RAISE(ABORT) undoes the failing statement
  // alone; an error that ends the transaction leaves SQLite in autocommit.
  bool TransactionSurvivesFailedStatement() override { return !sqlite3_get_autocommit(db_); }
  // Outside a transaction SQLite takes its file lock, checks whether the
  // file changed and lets go again for every statement; a read transaction
  // does that once.  It ends in a rollback, having written nothing.
  void BeginReadStretch() override {
    if (!sqlite3_get_autocommit(db_)) return;
    Exec("BEGIN DEFERRED");
    readStretch_ = true;
  }
  void EndReadStretch() override {
    if (!readStretch_) return;
    readStretch_ = false;
    if (!sqlite3_get_autocommit(db_)) Exec("ROLLBACK");
  }

 private:
  static std::string Unquote(std::string_view name) {
    if (name.size() >= 2 && ((name.front() == '[' && name.back() == ']') || (name.front() == '"' && name.back() == '"') ||
                             (name.front() == '`' && name.back() == '`'))) {
      return std::string(name.substr(1, name.size() - 2));
    }
    return std::string(name);
  }

  void Exec(const char* sql) {
    char* error = nullptr;
    if (const int code = sqlite3_exec(db_, sql, nullptr, nullptr, &error); code != SQLITE_OK) {
      std::string message = error ? error : sqlite3_errmsg(db_);
      sqlite3_free(error);
      RaiseSqliteError(code, message);
    }
  }

  sqlite3* db_;
  bool readStretch_ = false;
};

enum class TFileKind { missing, sqlite, jet, other };

TFileKind InspectFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return TFileKind::missing;
  char header[32] = {};
  file.read(header, sizeof header);
  const std::string_view head(header, static_cast<std::size_t>(file.gcount()));
  if (head.substr(0, 16) == std::string_view("SQLite format 3\0", 16)) return TFileKind::sqlite;
  if (head.size() >= 19 && (head.substr(4, 15) == "Standard Jet DB" || head.substr(4, 15) == "Standard ACE DB")) {
    return TFileKind::jet;
  }
  return TFileKind::other;
}

}  // namespace

std::string SqliteDateTimeText(double serial) {
  // Written digit by digit: an import binds one of these per row and date
  // field, where a formatted print costs more than the rest of the binding.
  const DateTimeParts parts = DecodeDateTime(serial);
  if (parts.year < 0 || parts.year > 9999) {
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts.year, parts.month, parts.day, parts.hour,
                  parts.minute, parts.second);
    std::string result = text;
    if (parts.millisecond != 0) {
      std::snprintf(text, sizeof text, ".%03d", parts.millisecond);
      result += text;
    }
    return result;
  }
  char text[23];
  auto put = [&](std::size_t at, int value, int digits) {
    for (int i = digits - 1; i >= 0; --i, value /= 10) text[at + static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
  };
  put(0, parts.year, 4);
  text[4] = '-';
  put(5, parts.month, 2);
  text[7] = '-';
  put(8, parts.day, 2);
  text[10] = ' ';
  put(11, parts.hour, 2);
  text[13] = ':';
  put(14, parts.minute, 2);
  text[16] = ':';
  put(17, parts.second, 2);
  if (parts.millisecond == 0) return std::string(text, 19);
  text[19] = '.';
  put(20, parts.millisecond, 3);
  return std::string(text, 23);
}

std::unique_ptr<TBackend> OpenSqliteBackend(const std::string& path) {
  switch (InspectFile(path)) {
    case TFileKind::missing:
      throw TMissingDatabaseError(path);
    case TFileKind::jet:
      throw TabrinError(FormatMessage(
          Tr("'%s' is a Microsoft Access (Jet) database; this program keeps the ORVELLAPOS database in SQLite "
             "(create one with \"tabrin-cli init-db\")"),
          {path}));
    case TFileKind::other:
      throw TabrinError(FormatMessage(Tr("Unrecognized database format '%s'."), {path}));
    case TFileKind::sqlite:
      break;
  }
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
    std::string message = db ? sqlite3_errmsg(db) : Tr("out of memory");
    sqlite3_close_v2(db);
    throw TabrinError(FormatMessage(Tr("Cannot open '%s': %s"), {path, message}));
  }
  sqlite3_busy_timeout(db, 5000);
  sqlite3_extended_result_codes(db, 1);
  return std::make_unique<TSqliteBackend>(db);
}

}  // namespace tabrin::detail
