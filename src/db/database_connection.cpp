#include "db/database_connection.h"

#include <filesystem>

#include "config/ini_file.h"
#include "config/program_folder.h"
#include "db/backend.h"
#include "db/connection_string.h"
#include "text/format.h"
#include "text/translation.h"

namespace tabrin {
namespace {

constexpr TDatabaseKindInfo kKinds[] = {
    {TDatabaseKind::dkOrvella, "ORVELLAPOS", "連線資料庫 : Orvella", "1"},
    {TDatabaseKind::dkKestaPos, "KESTAPOS", "連線資料庫 : KESTAPOS", "2"},
    {TDatabaseKind::dkKestaPlus, "KESTAPLUS", "連線資料庫 : KESTAPLUS", "3"},
};

std::string FolderWithSeparator(std::string_view folder) {
  std::string result(folder);
  if (!result.empty() && result.back() != '/') result += '/';
  return result;
}

std::string DatabaseIniPath(std::string_view programFolder) {
  return FindFileNoCase(FolderWithSeparator(programFolder), "Database.ini");
}

// "Server: Host=db1, Port=1433, DatabaseName=KESTAPOS (section [Database] of
// /home/clerk/.local/share/tabrin/Database.ini)", or "(the defaults: there
// is no …/Database.ini)": the server a connection tried, as the keys that
// name it read, and where they are set.
std::string TriedServerText(TDatabaseKind kind, std::string_view programFolder) {
  const TServerSettings settings = ReadServerSettings(kind, programFolder);
  const std::string ini = DatabaseIniPath(programFolder);
  std::string text = Tr("Server: ") + std::string("Host=") + settings.host;
  if (!settings.port.empty()) text += ", Port=" + settings.port;
  text += ", DatabaseName=" + settings.databaseName;
  if (std::filesystem::exists(ini)) return text + FormatMessage(Tr(" (section [Database] of %s)"), {ini});
  return text + FormatMessage(Tr(" (the defaults: there is no %s)"), {ini});
}

}  // namespace

const TDatabaseKindInfo& DatabaseKindInfo(TDatabaseKind kind) {
  for (const TDatabaseKindInfo& info : kKinds) {
    if (info.kind == kind) return info;
  }
  return kKinds[0];
}

std::optional<TDatabaseKind> DatabaseKindFromCode(std::string_view code) {
  for (const TDatabaseKindInfo& info : kKinds) {
    if (info.code == code) return info.kind;
  }
  return std::nullopt;
}

std::string OrvellaConnectionString(std::string_view programFolder) {
  // Like every file of the program folder, the database file is found
  // whatever the letter case of its name ("database.MDB").
  const std::string file = programFolder.empty() ? std::string("Database.mdb")
                                                 : FindFileNoCase(FolderWithSeparator(programFolder), "Database.mdb");
  return "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=true;Data Source=" + QuoteConnectionValue(file) +
         ";Jet OLEDB:Database Password=" + std::string(kOrvellaDatabasePassword);
}

TServerSettings ReadServerSettings(TDatabaseKind kind, std::string_view programFolder) {
  TServerSettings settings;
  settings.databaseName = kind == TDatabaseKind::dkKestaPlus ? "KESTAPLUS" : "KESTAPOS";
  const TIniFile ini(DatabaseIniPath(programFolder));
  settings.password = ini.ReadString("Database", "Password", settings.password);
  settings.login = ini.ReadString("Database", "Login", settings.login);
  settings.databaseName = ini.ReadString("Database", "DatabaseName", settings.databaseName);
  settings.host = ini.ReadString("Database", "Host", settings.host);
  settings.driver = ini.ReadString("Database", "Driver", "");
  settings.port = ini.ReadString("Database", "Port", "");
  settings.timeoutSeconds = ini.ReadInteger("Database", "Timeout", kDefaultServerTimeoutSeconds);
  if (settings.timeoutSeconds <= 0) settings.timeoutSeconds = kDefaultServerTimeoutSeconds;
  return settings;
}

std::string ServerConnectionString(const TServerSettings& settings) {
  std::string text = "Provider=SQLOLEDB.1;Password=" + QuoteConnectionValue(settings.password) + ";" +
                     "Persist Security Info=True;" + "User ID=" + QuoteConnectionValue(settings.login) + ";" +
                     "Initial Catalog=" + QuoteConnectionValue(settings.databaseName) + ";" +
                     "Data Source=" + QuoteConnectionValue(settings.host);
  if (!settings.driver.empty()) text += ";Driver=" + QuoteConnectionValue(settings.driver);
  if (!settings.port.empty()) text += ";Port=" + QuoteConnectionValue(settings.port);
  if (settings.timeoutSeconds != kDefaultServerTimeoutSeconds) {
    text += ";Connect Timeout=" + std::to_string(settings.timeoutSeconds);
  }
  return text;
}

std::string DatabaseConnectionString(TDatabaseKind kind, std::string_view programFolder) {
  if (kind == TDatabaseKind::dkOrvella) return OrvellaConnectionString(programFolder);
  return ServerConnectionString(ReadServerSettings(kind, programFolder));
}

TConnectResult ConnectDatabase(TConnection& connection, TDatabaseKind kind, std::string_view programFolder) {
  const std::string text = DatabaseConnectionString(kind, programFolder);
  connection.Close();
  connection.SetConnectionString(text);
  try {
    connection.Open();
  } catch (const TServerConnectError& error) {
    // The driver's words name neither the server nor where it was set.
    throw TServerConnectError(std::string(error.what()) + "\n" + TriedServerText(kind, programFolder));
  }
  const TDatabaseKindInfo& info = DatabaseKindInfo(kind);
  return {std::string(info.statusText), kind};
}

}  // namespace tabrin
