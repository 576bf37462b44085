#include "db/odbc_backend.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <optional>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "text/ascii.h"
#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"
#include "text/integer_text.h"
#include "text/regional.h"
#include "text/translation.h"

namespace tabrin::detail {
namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC must use 16-bit SQLWCHAR");

std::u16string Wide(std::string_view utf8) { return Utf8ToUtf16(utf8); }
SQLWCHAR* WidePtr(std::u16string& text) { return reinterpret_cast<SQLWCHAR*>(text.data()); }

// An ODBC attribute value: braced when it holds anything that would end or
// change the attribute ("}" is doubled inside braces).
std::string OdbcValue(std::string_view value, bool alwaysBrace = false) {
  const bool plain = !alwaysBrace && value.find_first_of(";{}=") == std::string_view::npos &&
                     (value.empty() || (value.front() != ' ' && value.back() != ' '));
  if (plain) return std::string(value);
  std::string braced = "{";
  for (char c : value) {
    braced += c;
    if (c == '}') braced += '}';
  }
  return braced + "}";
}

// FreeTDS reads a braced value up to the first "}" and knows no escape for
// it: a doubled "}}" ends the value, and what follows is read as keys of its
// own ("x};PORT=2;x={" would send the login elsewhere).  So a value holding
// "}" is refused for FreeTDS, naming the Database.ini key it came from.
void RefuseWhatFreeTdsCannotCarry(const TConnectionProperties& properties) {
  static constexpr std::pair<std::string_view, std::string_view> kIniKeys[] = {
      {"Password", "Password"}, {"User ID", "Login"}, {"Initial Catalog", "DatabaseName"},
      {"Data Source", "Host"},  {"Server", "Host"},   {"Port", "Port"},
      {"Driver", "Driver"}};
  for (const auto& [connectionKey, iniKey] : kIniKeys) {
    if (properties.Get(connectionKey).find('}') != std::string::npos) {
      throw TabrinError(FormatMessage(
          Tr("The value of \"%s\" in Database.ini holds \"}\", which the FreeTDS driver cannot receive; "
             "change that value in Database.ini"),
          {iniKey}));
    }
  }
}

std::string Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
  std::string message;
  std::vector<std::string> lines;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLWCHAR state[6] = {};
    SQLINTEGER nativeError = 0;
    SQLWCHAR text[1024] = {};
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state, &nativeError, text, 1024, &length);
    if (!SQL_SUCCEEDED(rc)) break;
    std::u16string wide(reinterpret_cast<const char16_t*>(text), static_cast<std::size_t>(std::min<SQLSMALLINT>(length, 1023)));
    std::string line = Utf16ToUtf8(wide);
    // Drop the driver-manager prefixes ("[unixODBC][Driver]...").
    while (!line.empty() && line.front() == '[') {
      auto close = line.find(']');
      if (close == std::string::npos) break;
      line.erase(0, close + 1);
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ' || line.back() == ';')) line.pop_back();
    // Drivers report one failure in several records, often with the same
    // text (FreeTDS: "Unable to connect: Adaptive Server is unavailable or
    // does not exist" twice): each text is stated once.
    if (line.empty() || std::find(lines.begin(), lines.end(), line) != lines.end()) continue;
    if (!message.empty()) message += "; ";
    message += line;
    lines.push_back(line);
    if (record >= 3) break;
  }
  return message.empty() ? std::string(Tr("The ODBC driver reported an error without a message")) : message;
}

// The SQLSTATE of the first diagnostic record, or "".
std::string FirstSqlState(SQLHDBC dbc) {
  SQLWCHAR state[6] = {};
  SQLINTEGER nativeError = 0;
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetDiagRecW(SQL_HANDLE_DBC, dbc, 1, state, &nativeError, nullptr, 0, &length))) return {};
  std::string text;
  for (SQLWCHAR c : state) {
    if (c == 0) break;
    text += static_cast<char>(c);
  }
  return text;
}

[[noreturn]] void Raise(SQLSMALLINT handleType, SQLHANDLE handle) { throw TabrinError(Diagnostics(handleType, handle)); }

void Check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle) {
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) Raise(handleType, handle);
}

TFieldType TypeOfSqlType(SQLSMALLINT sqlType, bool isUnsigned) {
  switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR: return TFieldType::ftString;
    case SQL_WCHAR:
    case SQL_WVARCHAR: return TFieldType::ftWideString;
    case SQL_LONGVARCHAR: return TFieldType::ftMemo;
    case SQL_WLONGVARCHAR: return TFieldType::ftWideMemo;
    case SQL_TINYINT: return TFieldType::ftWord;
    case SQL_SMALLINT: return isUnsigned ? TFieldType::ftWord : TFieldType::ftSmallint;
    case SQL_INTEGER: return isUnsigned ? TFieldType::ftLargeint : TFieldType::ftInteger;
    case SQL_BIGINT: return TFieldType::ftLargeint;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: return TFieldType::ftFloat;
    case SQL_DECIMAL:
    case SQL_NUMERIC: return TFieldType::ftBCD;
    case SQL_TYPE_DATE:
    case SQL_DATE: return TFieldType::ftDate;
    case SQL_TYPE_TIME:
    case SQL_TIME: return TFieldType::ftTime;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: return TFieldType::ftDateTime;
    case SQL_BIT: return TFieldType::ftBoolean;
    case SQL_BINARY:
    case SQL_VARBINARY: return TFieldType::ftBytes;
    case SQL_LONGVARBINARY: return TFieldType::ftBlob;
    default: return TFieldType::ftUnknown;
  }
}

double SerialOf(const SQL_TIMESTAMP_STRUCT& ts) {
  DateTimeParts parts;
  parts.year = ts.year;
  parts.month = ts.month;
  parts.day = ts.day;
  parts.hour = ts.hour;
  parts.minute = ts.minute;
  parts.second = ts.second;
  parts.millisecond = static_cast<int>(ts.fraction / 1000000);
  return EncodeDateTime(parts);
}

SQL_TIMESTAMP_STRUCT TimestampOf(double serial) {
  DateTimeParts parts = DecodeDateTime(serial);
  SQL_TIMESTAMP_STRUCT ts{};
  ts.year = static_cast<SQLSMALLINT>(parts.year);
  ts.month = static_cast<SQLUSMALLINT>(parts.month);
  ts.day = static_cast<SQLUSMALLINT>(parts.day);
  ts.hour = static_cast<SQLUSMALLINT>(parts.hour);
  ts.minute = static_cast<SQLUSMALLINT>(parts.minute);
  ts.second = static_cast<SQLUSMALLINT>(parts.second);
  ts.fraction = static_cast<SQLUINTEGER>(parts.millisecond) * 1000000u;
  return ts;
}

// Storage for the bound parameters of one execution.
struct TParamBuffer {
  std::u16string text;
  SQLBIGINT integer = 0;
  double number = 0;
  SQL_TIMESTAMP_STRUCT timestamp{};
  unsigned char bit = 0;
  SQLLEN indicator = 0;
};

class TOdbcStatement : public TPreparedStatement {
 public:
  TOdbcStatement(SQLHDBC dbc, const std::string& sql) {
    Check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt_), SQL_HANDLE_DBC, dbc);
    std::u16string wide = Wide(sql);
    SQLRETURN rc = SQLPrepareW(stmt_, WidePtr(wide), static_cast<SQLINTEGER>(wide.size()));
    if (!SQL_SUCCEEDED(rc)) {
      std::string message = Diagnostics(SQL_HANDLE_STMT, stmt_);
      SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
      throw TabrinError(message);
    }
  }
  ~TOdbcStatement() override { SQLFreeHandle(SQL_HANDLE_STMT, stmt_); }

  TStatementResult Execute(TParamList params) override {
    SQLFreeStmt(stmt_, SQL_CLOSE);
    SQLFreeStmt(stmt_, SQL_RESET_PARAMS);
    std::vector<TParamBuffer> buffers(params.size());
    for (std::size_t i = 0; i < params.size(); ++i) Bind(static_cast<SQLUSMALLINT>(i + 1), params[i], buffers[i]);
    SQLRETURN rc = SQLExecute(stmt_);
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
      std::string message = Diagnostics(SQL_HANDLE_STMT, stmt_);
      SQLFreeStmt(stmt_, SQL_CLOSE);
      throw TabrinError(message);
    }

    TStatementResult result;
    SQLSMALLINT columnCount = 0;
    Check(SQLNumResultCols(stmt_, &columnCount), SQL_HANDLE_STMT, stmt_);
    if (columnCount == 0) {
      SQLLEN count = -1;
      if (rc != SQL_NO_DATA) Check(SQLRowCount(stmt_, &count), SQL_HANDLE_STMT, stmt_);
      result.rowsAffected = rc == SQL_NO_DATA ? 0 : count;
      SQLFreeStmt(stmt_, SQL_CLOSE);
      return result;
    }
    result.columns = DescribeColumns(columnCount);
    for (;;) {
      rc = SQLFetch(stmt_);
      if (rc == SQL_NO_DATA) break;
      Check(rc, SQL_HANDLE_STMT, stmt_);
      TRow row;
      row.reserve(static_cast<std::size_t>(columnCount));
      for (SQLSMALLINT i = 0; i < columnCount; ++i) {
        row.push_back(ReadValue(static_cast<SQLUSMALLINT>(i + 1), result.columns[static_cast<std::size_t>(i)].type));
      }
      result.rows.push_back(std::move(row));
    }
    SQLFreeStmt(stmt_, SQL_CLOSE);
    return result;
  }

 private:
  std::vector<TColumnInfo> DescribeColumns(SQLSMALLINT count) {
    std::vector<TColumnInfo> columns;
    for (SQLSMALLINT i = 1; i <= count; ++i) {
      SQLWCHAR name[256] = {};
      SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
      SQLULEN size = 0;
      Check(SQLDescribeColW(stmt_, static_cast<SQLUSMALLINT>(i), name, 256, &nameLength, &sqlType, &size, &digits, &nullable),
            SQL_HANDLE_STMT, stmt_);
      SQLLEN isUnsigned = SQL_FALSE;
      SQLColAttributeW(stmt_, static_cast<SQLUSMALLINT>(i), SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &isUnsigned);
      TColumnInfo column;
      column.name = Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(name),
                                               static_cast<std::size_t>(std::min<SQLSMALLINT>(nameLength, 255))));
      column.type = TypeOfSqlType(sqlType, isUnsigned == SQL_TRUE);
      if (IsTextType(column.type) && column.type != TFieldType::ftMemo && column.type != TFieldType::ftWideMemo) {
        column.size = size > 0 && size < 1000000 ? static_cast<int>(size) : 0;
      }
      columns.push_back(std::move(column));
    }
    return columns;
  }

  TValue ReadValue(SQLUSMALLINT column, TFieldType type) {
    SQLLEN indicator = 0;
    switch (type) {
      case TFieldType::ftSmallint:
      case TFieldType::ftInteger:
      case TFieldType::ftWord:
      case TFieldType::ftAutoInc:
      case TFieldType::ftLargeint: {
        SQLBIGINT value = 0;
        Check(SQLGetData(stmt_, column, SQL_C_SBIGINT, &value, 0, &indicator), SQL_HANDLE_STMT, stmt_);
        return indicator == SQL_NULL_DATA ? TValue() : TValue::Integer(value);
      }
      case TFieldType::ftFloat:
      case TFieldType::ftCurrency:
      case TFieldType::ftBCD: {
        double value = 0;
        Check(SQLGetData(stmt_, column, SQL_C_DOUBLE, &value, 0, &indicator), SQL_HANDLE_STMT, stmt_);
        return indicator == SQL_NULL_DATA ? TValue() : TValue::Float(value);
      }
      case TFieldType::ftDate:
      case TFieldType::ftDateTime: {
        SQL_TIMESTAMP_STRUCT value{};
        Check(SQLGetData(stmt_, column, SQL_C_TYPE_TIMESTAMP, &value, 0, &indicator), SQL_HANDLE_STMT, stmt_);
        return indicator == SQL_NULL_DATA ? TValue() : TValue::DateTime(SerialOf(value));
      }
      case TFieldType::ftTime: {
        SQL_TIME_STRUCT value{};
        Check(SQLGetData(stmt_, column, SQL_C_TYPE_TIME, &value, 0, &indicator), SQL_HANDLE_STMT, stmt_);
        if (indicator == SQL_NULL_DATA) return TValue();
        return TValue::DateTime((value.hour * 3600.0 + value.minute * 60.0 + value.second) / 86400.0);
      }
      case TFieldType::ftBoolean: {
        unsigned char value = 0;
        Check(SQLGetData(stmt_, column, SQL_C_BIT, &value, 0, &indicator), SQL_HANDLE_STMT, stmt_);
        return indicator == SQL_NULL_DATA ? TValue() : TValue::Boolean(value != 0);
      }
      case TFieldType::ftBytes:
      case TFieldType::ftBlob: return ReadBinary(column);
      default: return ReadText(column);
    }
  }

  TValue ReadText(SQLUSMALLINT column) {
    std::u16string text;
    char16_t chunk[1024];
    for (;;) {
      SQLLEN indicator = 0;
      SQLRETURN rc = SQLGetData(stmt_, column, SQL_C_WCHAR, chunk, sizeof chunk, &indicator);
      if (rc == SQL_NO_DATA) break;
      Check(rc, SQL_HANDLE_STMT, stmt_);
      if (indicator == SQL_NULL_DATA) return TValue();
      std::size_t units = (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof chunk))
                              ? sizeof chunk / sizeof(char16_t) - 1
                              : static_cast<std::size_t>(indicator) / sizeof(char16_t);
      text.append(chunk, units);
      if (rc == SQL_SUCCESS) break;
    }
    return TValue::Text(Utf16ToUtf8(text));
  }

  TValue ReadBinary(SQLUSMALLINT column) {
    std::string bytes;
    char chunk[4096];
    for (;;) {
      SQLLEN indicator = 0;
      SQLRETURN rc = SQLGetData(stmt_, column, SQL_C_BINARY, chunk, sizeof chunk, &indicator);
      if (rc == SQL_NO_DATA) break;
      Check(rc, SQL_HANDLE_STMT, stmt_);
      if (indicator == SQL_NULL_DATA) return TValue();
      std::size_t size = (indicator == SQL_NO_TOTAL || indicator > static_cast<SQLLEN>(sizeof chunk))
                             ? sizeof chunk
                             : static_cast<std::size_t>(indicator);
      bytes.append(chunk, size);
      if (rc == SQL_SUCCESS) break;
    }
    return TValue::Text(std::move(bytes));
  }

  void Bind(SQLUSMALLINT index, const TValue& value, TParamBuffer& buffer) {
    SQLRETURN rc = SQL_SUCCESS;
    switch (value.Type()) {
      case TValueType::vtNull:
        buffer.indicator = SQL_NULL_DATA;
        rc = SQLBindParameter(stmt_, index, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 1, 0, nullptr, 0, &buffer.indicator);
        break;
      case TValueType::vtText: {
        buffer.text = Wide(value.Text());
        buffer.indicator = static_cast<SQLLEN>(buffer.text.size() * sizeof(char16_t));
        const SQLULEN size = std::max<SQLULEN>(1, buffer.text.size());
        rc = SQLBindParameter(stmt_, index, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, size, 0, buffer.text.data(),
                              buffer.indicator, &buffer.indicator);
        break;
      }
      case TValueType::vtInteger:
        buffer.integer = value.Integer();
        rc = SQLBindParameter(stmt_, index, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &buffer.integer, 0, nullptr);
        break;
      case TValueType::vtFloat:
        buffer.number = value.Float();
        rc = SQLBindParameter(stmt_, index, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &buffer.number, 0, nullptr);
        break;
      case TValueType::vtDateTime:
        buffer.timestamp = TimestampOf(value.DateTime());
        rc = SQLBindParameter(stmt_, index, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, 3,
                              &buffer.timestamp, 0, nullptr);
        break;
      case TValueType::vtBoolean:
        buffer.bit = value.Boolean() ? 1 : 0;
        rc = SQLBindParameter(stmt_, index, SQL_PARAM_INPUT, SQL_C_BIT, SQL_BIT, 1, 0, &buffer.bit, 0, nullptr);
        break;
    }
    Check(rc, SQL_HANDLE_STMT, stmt_);
  }

  SQLHSTMT stmt_ = SQL_NULL_HSTMT;
};

class TOdbcBackend : public TBackend {
 public:
  TOdbcBackend(SQLHENV env, SQLHDBC dbc) : env_(env), dbc_(dbc) {
    SQLWCHAR quote[8] = {};
    SQLSMALLINT length = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(dbc_, SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &length)) && quote[0] != 0 &&
        quote[0] != ' ') {
      quote_ = static_cast<char>(quote[0]);
    }
  }
  ~TOdbcBackend() override {
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }

  std::unique_ptr<TPreparedStatement> Prepare(const std::string& sql) override {
    return std::make_unique<TOdbcStatement>(dbc_, sql);
  }

  std::string QuoteIdentifier(std::string_view name) const override {
    std::string quoted(1, quote_);
    for (char c : name) {
      if (c == quote_) quoted += quote_;
      quoted += c;
    }
    return quoted + quote_;
  }

  TTableInfo DescribeTable(std::string_view table) override {
    std::string name(table);
    if (name.size() >= 2 && (name.front() == '[' || name.front() == '"' || name.front() == '`')) {
      name = name.substr(1, name.size() - 2);
    }
    // Unquoted names are folded by some servers (PostgreSQL to lower case).
    for (const std::string& candidate : {name, LowerAscii(name)}) {
      TTableInfo info = DescribeExactly(candidate);
      if (info.exists) return info;
    }
    return {};
  }

  void BeginTransaction() override {
    Check(SQLSetConnectAttrW(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0), SQL_HANDLE_DBC,
          dbc_);
  }
  void Commit() override { EndTransaction(SQL_COMMIT); }
  void Rollback() override { EndTransaction(SQL_ROLLBACK); }

 private:
  void EndTransaction(SQLSMALLINT completion) {
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_, completion);
    SQLSetConnectAttrW(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
    Check(rc, SQL_HANDLE_DBC, dbc_);
  }

  TTableInfo DescribeExactly(const std::string& table) {
    TTableInfo info;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    Check(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt), SQL_HANDLE_DBC, dbc_);
    std::u16string wide = Wide(table);
    if (SQL_SUCCEEDED(SQLColumnsW(stmt, nullptr, 0, nullptr, 0, WidePtr(wide), static_cast<SQLSMALLINT>(wide.size()),
                                  nullptr, 0)) &&
        SQL_SUCCEEDED(SQLFetch(stmt))) {
      info.exists = true;
    }
    SQLFreeStmt(stmt, SQL_CLOSE);
    if (info.exists &&
        SQL_SUCCEEDED(SQLPrimaryKeysW(stmt, nullptr, 0, nullptr, 0, WidePtr(wide), static_cast<SQLSMALLINT>(wide.size())))) {
      std::vector<std::pair<int, std::string>> keys;
      while (SQL_SUCCEEDED(SQLFetch(stmt))) {
        SQLWCHAR column[256] = {};
        SQLLEN columnLength = 0;
        SQLSMALLINT sequence = 0;
        SQLLEN sequenceLength = 0;
        SQLGetData(stmt, 4, SQL_C_WCHAR, column, sizeof column, &columnLength);
        SQLGetData(stmt, 5, SQL_C_SSHORT, &sequence, 0, &sequenceLength);
        std::size_t units = columnLength > 0 ? std::min<std::size_t>(static_cast<std::size_t>(columnLength) / 2, 255) : 0;
        keys.emplace_back(sequence, Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(column), units)));
      }
      std::sort(keys.begin(), keys.end());
      for (auto& key : keys) info.keyColumns.push_back(std::move(key.second));
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return info;
  }

  SQLHENV env_;
  SQLHDBC dbc_;
  char quote_ = '"';
};

}  // namespace

std::string OdbcConnectionString(const TConnectionProperties& properties) {
  std::string driver = properties.Get("Driver", "FreeTDS");
  std::string server = properties.Get("Data Source", properties.Get("Server", "(local)"));
  std::string port = properties.Get("Port");
  if (auto comma = server.find(','); comma != std::string::npos) {
    if (port.empty()) port = server.substr(comma + 1);
    server.erase(comma);
  }
  const std::string lowerServer = LowerAscii(server);
  if (lowerServer == "(local)" || lowerServer == "." || lowerServer == "(localdb)" || lowerServer.empty()) {
    server = "localhost";
  }
  const bool postgres = LowerAscii(driver).find("postgres") != std::string::npos;
  const bool freeTds = LowerAscii(driver).find("freetds") != std::string::npos;
  if (freeTds) RefuseWhatFreeTdsCannotCarry(properties);

  std::string text = "DRIVER=" + OdbcValue(driver, true) + ";SERVER=" + OdbcValue(server);
  if (!port.empty()) text += ";PORT=" + OdbcValue(port);
  text += ";DATABASE=" + OdbcValue(properties.Get("Initial Catalog"));
  text += ";UID=" + OdbcValue(properties.Get("User ID"));
  text += ";PWD=" + OdbcValue(properties.Get("Password"), true);
  if (postgres) {
    // Booleans as booleans, not as "1"/"0" texts.
    text += ";BoolsAsChar=0";
  } else if (freeTds) {
    // The SQL Server protocol alone: without a version FreeTDS tries the
    // Sybase protocol after a failed login too, and a server that never
    // answers then holds it far beyond the login timeout.  SQL Server
    // answers a 7.4 login with the version it speaks.
    text += ";ClientCharset=UTF-8;TDS_Version=7.4";
  }
  return text + ";";
}

int LoginTimeoutSeconds(const TConnectionProperties& properties) {
  constexpr int kDefault = 15;
  const std::string text = properties.Get("Connect Timeout");
  // Digits alone, a count above zero; any other text leaves the default.
  if (text.find_first_not_of("0123456789") != std::string::npos) return kDefault;
  const std::optional<int> seconds = ParseInt32(text);
  return seconds && *seconds > 0 ? *seconds : kDefault;
}

std::unique_ptr<TBackend> OpenOdbcBackend(const std::string& odbcConnectionString, int timeoutSeconds) {
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
    throw TabrinError(Tr("The ODBC driver manager could not be initialised"));
  }
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc))) {
    std::string message = Diagnostics(SQL_HANDLE_ENV, env);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    throw TabrinError(message);
  }
  SQLSetConnectAttrW(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeoutSeconds)),
                     0);
  std::u16string wide = Wide(odbcConnectionString);
  const auto startedAt = std::chrono::steady_clock::now();
  SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, WidePtr(wide), static_cast<SQLSMALLINT>(wide.size()), nullptr, 0,
                                   nullptr, SQL_DRIVER_NOPROMPT);
  std::fill(wide.begin(), wide.end(), u'\0');
  if (!SQL_SUCCEEDED(rc)) {
    std::string message = Diagnostics(SQL_HANDLE_DBC, dbc);
    // Drivers word a timeout in their own ways (or as a plain failure to
    // connect); a failure that took the whole time allowed is one.
    // (Some count whole seconds, so they may give up up to a second early.)
    const auto waited = std::chrono::steady_clock::now() - startedAt;
    const auto allowed = std::max<std::chrono::milliseconds>(std::chrono::seconds(timeoutSeconds - 1),
                                                             std::chrono::milliseconds(500));
    if (waited >= allowed || FirstSqlState(dbc).starts_with("HYT")) {
      message = FormatMessage(Tr("The server did not answer within %d seconds (setting \"Timeout\" of Database.ini): %s"),
                              {timeoutSeconds, message});
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    throw TServerConnectError(message);
  }
  return std::make_unique<TOdbcBackend>(env, dbc);
}

}  // namespace tabrin::detail
