#pragma once
// The three kinds of point-of-sale database and how the program connects to
// them: the assembled connection strings, the Database.ini settings, the
// status texts and the DBKind codes (the kinds as the command line and the
// import journal spell them).
//
//   TConnection connection("ADOConnection");
//   TConnectResult r = ConnectDatabase(connection, TDatabaseKind::dkKestaPos);
//   r.statusText == "連線資料庫 : KESTAPOS";  r.kind == TDatabaseKind::dkKestaPos;
//
// Kind 1 opens Database.mdb in the program folder (an SQLite 3 file on this
// platform); kinds 2 and 3 open a server through ODBC with the settings of
// Database.ini section "Database" (Password, Login, DatabaseName, Host, plus
// our optional Driver, Port and Timeout).  Values are quoted where needed, so
// a password holding ";" or "=" reaches the server intact.  A server that
// does not answer within Timeout seconds (default 15) fails the connection
// with an error that says so.
#include <optional>
#include <string>
#include <string_view>

#include "db/connection.h"

namespace tabrin {

enum class TDatabaseKind { dkOrvella = 1, dkKestaPos = 2, dkKestaPlus = 3 };

struct TDatabaseKindInfo {
  TDatabaseKind kind;
  std::string_view menuCaption;  // "ORVELLAPOS", "KESTAPOS", "KESTAPLUS"
  std::string_view statusText;   // "連線資料庫 : Orvella", ...
  std::string_view code;         // DBKind: "1", "2", "3"
};

const TDatabaseKindInfo& DatabaseKindInfo(TDatabaseKind kind);
// "1", "2" or "3"; nullopt for anything else.
std::optional<TDatabaseKind> DatabaseKindFromCode(std::string_view code);

// The fixed password of the kind-1 database (has no effect on SQLite).
inline constexpr std::string_view kOrvellaDatabasePassword = "mervol";

// "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=true;Data Source=<folder>Database.mdb;Jet OLEDB:Database Password=mervol"
// folder ends in "/"; a database file whose name differs only in letter
// case is named as it is spelt on disk.
std::string OrvellaConnectionString(std::string_view programFolder);

inline constexpr int kDefaultServerTimeoutSeconds = 15;

struct TServerSettings {
  std::string password = "vorn";
  std::string login = "SA";
  std::string databaseName;  // "KESTAPOS" or "KESTAPLUS" by kind
  std::string host = "(local)";
  std::string driver;  // optional ODBC driver name; empty = FreeTDS
  std::string port;    // optional; empty = the driver's default
  // Seconds to wait for the server to answer; not more than 0, or not a
  // number, gives the default.
  int timeoutSeconds = kDefaultServerTimeoutSeconds;
};

// Reads Database.ini (file and key names matched without regard to case) in
// the given folder; a missing file, section or key gives the default.
TServerSettings ReadServerSettings(TDatabaseKind kind, std::string_view programFolder);

// "Provider=SQLOLEDB.1;Password=..;Persist Security Info=True;User ID=..;Initial Catalog=..;Data Source=.."
// followed by ";Driver=..", ";Port=.." when set and ";Connect Timeout=.."
// when not the default.
std::string ServerConnectionString(const TServerSettings& settings);

// The connection string the program assembles for a kind.
std::string DatabaseConnectionString(TDatabaseKind kind, std::string_view programFolder);

struct TConnectResult {
  std::string statusText;
  TDatabaseKind kind;
};

// Closes the connection, sets the kind's string and opens it.  On failure
// raises the store's error (the connection stays closed with the string set).
TConnectResult ConnectDatabase(TConnection& connection, TDatabaseKind kind, std::string_view programFolder);

}  // namespace tabrin
