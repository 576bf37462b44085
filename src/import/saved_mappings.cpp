#include "import/saved_mappings.h"

#include <sqlite3.h>

#include <algorithm>
#include <ctime>

#include "config/program_folder.h"
#include "import/import_tabs.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"

namespace tabrin {
namespace {

constexpr std::string_view kMappingsFile = "Mappings.db";

constexpr const char* kSchema = R"sql(
PRAGMA journal_mode = TRUNCATE;
CREATE TABLE IF NOT EXISTS SavedMapping (
  Name TEXT PRIMARY KEY,
  TableName TEXT NOT NULL,
  Titles TEXT NOT NULL,
  TitleSet TEXT NOT NULL,
  Pairs TEXT NOT NULL,
  LeftColumns TEXT NOT NULL,
  SavedAt TEXT NOT NULL
);
)sql";

// Lists travel as their items between unit separators; a pair as its two
// parts between record separators.  Neither character is typed in a title.
constexpr char kItemSeparator = '\x1f';
constexpr char kPartSeparator = '\x1e';

std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) text += (i ? std::string(1, kItemSeparator) : "") + items[i];
  return text;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> items;
  if (text.empty()) return items;
  std::size_t start = 0;
  for (std::size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
    items.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  items.push_back(text.substr(start));
  return items;
}

std::string TitleSet(std::vector<std::string> titles) {
  std::sort(titles.begin(), titles.end());
  titles.erase(std::unique(titles.begin(), titles.end()), titles.end());
  return Joined(titles);
}

std::string PairsText(const std::vector<TColumnPair>& pairs) {
  std::vector<std::string> items;
  for (const TColumnPair& pair : pairs) items.push_back(pair.sheetTitle + kPartSeparator + pair.column);
  return Joined(items);
}

std::vector<TColumnPair> PairsOf(const std::string& text) {
  std::vector<TColumnPair> pairs;
  for (const std::string& item : Split(text, kItemSeparator)) {
    const std::size_t at = item.find(kPartSeparator);
    if (at == std::string::npos) throw TabrinError(Tr("The saved column mappings hold a pair they cannot read"));
    pairs.push_back({item.substr(0, at), item.substr(at + 1)});
  }
  return pairs;
}

std::string LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
  return text;
}

// One statement, its texts bound in order.
class TStatement {
 public:
  TStatement(sqlite3* db, const char* sql, const std::vector<std::string>& texts = {}) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) Fail();
    for (std::size_t i = 0; i < texts.size(); ++i) {
      sqlite3_bind_text64(statement_, static_cast<int>(i) + 1, texts[i].data(), texts[i].size(), SQLITE_TRANSIENT,
                          SQLITE_UTF8);
    }
  }
  ~TStatement() { sqlite3_finalize(statement_); }
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;

  bool Step() {
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) Fail();
    return false;
  }
  std::string Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))) : std::string();
  }

 private:
  [[noreturn]] void Fail() const {
    throw TabrinError(FormatMessage(Tr("The saved column mappings cannot be used: %s"), {sqlite3_errmsg(db_)}));
  }
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

constexpr const char* kColumns = "Name, TableName, Titles, Pairs, LeftColumns, SavedAt";

TSavedMapping SavedOf(const TStatement& row) {
  TSavedMapping saved;
  saved.name = row.Text(0);
  saved.table = MasterTableFromName(row.Text(1)).value_or(TMasterTable::mtItem);
  saved.titles = Split(row.Text(2), kItemSeparator);
  saved.mapping.pairs = PairsOf(row.Text(3));
  saved.mapping.left = Split(row.Text(4), kItemSeparator);
  saved.savedAt = row.Text(5);
  return saved;
}

}  // namespace

std::string DefaultMappingName(TMasterTable table, const std::vector<std::string>& titles) {
  constexpr std::size_t kTitlesNamed = 3;
  std::string name = std::string(ImportTab(table).caption) + "：";
  for (std::size_t i = 0; i < titles.size() && i < kTitlesNamed; ++i) name += (i ? "、" : "") + titles[i];
  if (titles.size() > kTitlesNamed) name += "…";
  return name + FormatMessage("（%d 欄）", {static_cast<int>(titles.size())});
}

TMappingStore::TMappingStore(std::string_view programFolder) {
  path_ = FindFileNoCase(programFolder, kMappingsFile);
  char* error = nullptr;
  const bool opened = sqlite3_open_v2(path_.c_str(), &db_,
                                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                      nullptr) == SQLITE_OK;
  if (opened) sqlite3_busy_timeout(db_, 10000);
  if (!opened || sqlite3_exec(db_, kSchema, nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error ? error : db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_free(error);
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw TabrinError(FormatMessage(Tr("Cannot open the saved column mappings '%s': %s"), {path_, message}));
  }
}

TMappingStore::~TMappingStore() { sqlite3_close_v2(db_); }

std::vector<TSavedMapping> TMappingStore::List() {
  TStatement statement(db_, (std::string("SELECT ") + kColumns + " FROM SavedMapping ORDER BY Name").c_str());
  std::vector<TSavedMapping> list;
  while (statement.Step()) list.push_back(SavedOf(statement));
  return list;
}

std::optional<TSavedMapping> TMappingStore::Find(std::string_view name) {
  TStatement statement(db_, (std::string("SELECT ") + kColumns + " FROM SavedMapping WHERE Name = ?").c_str(),
                       {std::string(name)});
  if (!statement.Step()) return std::nullopt;
  return SavedOf(statement);
}

std::optional<TSavedMapping> TMappingStore::FindFor(TMasterTable table, const std::vector<std::string>& titles) {
  TStatement statement(db_,
                       (std::string("SELECT ") + kColumns +
                        " FROM SavedMapping WHERE TableName = ? AND TitleSet = ? ORDER BY SavedAt DESC, rowid DESC "
                        "LIMIT 1")
                           .c_str(),
                       {std::string(MasterTableName(table)), TitleSet(titles)});
  if (!statement.Step()) return std::nullopt;
  return SavedOf(statement);
}

void TMappingStore::Save(const TSavedMapping& saved) {
  TStatement statement(db_,
                       "INSERT OR REPLACE INTO SavedMapping (Name, TableName, Titles, TitleSet, Pairs, LeftColumns, "
                       "SavedAt) VALUES (?, ?, ?, ?, ?, ?, ?)",
                       {saved.name, std::string(MasterTableName(saved.table)), Joined(saved.titles),
                        TitleSet(saved.titles), PairsText(saved.mapping.pairs), Joined(saved.mapping.left),
                        saved.savedAt.empty() ? LocalTimeNow() : saved.savedAt});
  statement.Step();
}

bool TMappingStore::Remove(std::string_view name) {
  TStatement statement(db_, "DELETE FROM SavedMapping WHERE Name = ?", {std::string(name)});
  statement.Step();
  return sqlite3_changes(db_) > 0;
}

}  // namespace tabrin
