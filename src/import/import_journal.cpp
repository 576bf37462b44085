#include "import/import_journal.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "config/program_folder.h"
#include "import/import_tabs.h"
#include "import/import_undo.h"
#include "text/ascii.h"
#include "import/tab_mapping.h"
#include "import/rejects_file.h"
#include "text/sha256.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"

namespace tabrin {
namespace {

constexpr std::string_view kJournalFile = "Journal.db";

// Full synchronous commits: a committed batch of the journal is on disk
// before the import commits the same batch to the database.  A rollback
// journal rather than a write-ahead log: a batch's records are new pages,
// which a rollback journal does not copy, while a write-ahead log writes
// them twice (into the log, then into the file) with a sync each time; the
// journal's few readers hold it only for a moment.
//
// Pages of 64 KiB (for a new journal; one made before keeps its pages): a
// batch's records go into a chain of pages, and a sixteenth as many cost
// less to write.
constexpr const char* kSchema = R"sql(
PRAGMA page_size = 65536;
PRAGMA journal_mode = TRUNCATE;
PRAGMA synchronous = FULL;
CREATE TABLE IF NOT EXISTS JournalEntry (
  Id INTEGER PRIMARY KEY AUTOINCREMENT,
  Operation TEXT NOT NULL,
  StartedAt TEXT NOT NULL,
  Kind TEXT NOT NULL,
  Target TEXT NOT NULL,
  TableName TEXT NOT NULL,
  Workbook TEXT NOT NULL DEFAULT '',
  WorkbookSha256 TEXT NOT NULL DEFAULT '',
  Cover TEXT NOT NULL DEFAULT '',
  FieldNames TEXT NOT NULL DEFAULT '',
  Appended INTEGER NOT NULL DEFAULT 0,
  Overwritten INTEGER NOT NULL DEFAULT 0,
  Unchanged INTEGER NOT NULL DEFAULT 0,
  Same INTEGER NOT NULL DEFAULT 0,
  Deleted INTEGER NOT NULL DEFAULT 0,
  Restored INTEGER NOT NULL DEFAULT 0,
  Conflicts INTEGER NOT NULL DEFAULT 0,
  State TEXT NOT NULL,
  UndoOf INTEGER,
  UndoneBy INTEGER,
  Sheet TEXT NOT NULL DEFAULT '',
  TitleRow INTEGER NOT NULL DEFAULT 0,
  TextEncoding TEXT NOT NULL DEFAULT '',
  TextSeparator TEXT NOT NULL DEFAULT '',
  Mapping TEXT NOT NULL DEFAULT '',
  Skipped INTEGER NOT NULL DEFAULT 0,
  NotAppended INTEGER NOT NULL DEFAULT 0,
  Rejects TEXT NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS JournalBatch (
  EntryId INTEGER NOT NULL,
  Seq INTEGER NOT NULL,
  Records BLOB NOT NULL,
  PRIMARY KEY (EntryId, Seq)
);
CREATE TABLE IF NOT EXISTS JournalSkipped (
  EntryId INTEGER NOT NULL,
  SheetRow INTEGER NOT NULL,
  Code TEXT NOT NULL,
  ColumnTitle TEXT NOT NULL,
  Cause TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS JournalSkippedEntry ON JournalSkipped (EntryId);
)sql";

// The columns a journal made before they were kept lacks, added on open.
constexpr const char* kLaterColumns[] = {
    "Same INTEGER NOT NULL DEFAULT 0",
    "Mapping TEXT NOT NULL DEFAULT ''",
    "Sheet TEXT NOT NULL DEFAULT ''",
    "TitleRow INTEGER NOT NULL DEFAULT 0",
    "TextEncoding TEXT NOT NULL DEFAULT ''",
    "TextSeparator TEXT NOT NULL DEFAULT ''",
    "Skipped INTEGER NOT NULL DEFAULT 0",
    "NotAppended INTEGER NOT NULL DEFAULT 0",
    "Rejects TEXT NOT NULL DEFAULT ''",
};

std::string_view StateName(TJournalState state) {
  switch (state) {
    case TJournalState::jsRunning: return "running";
    case TJournalState::jsDone: return "done";
    case TJournalState::jsFailed: return "failed";
    case TJournalState::jsCancelled: return "cancelled";
  }
  return "running";
}

TJournalState StateOfName(std::string_view name) {
  if (name == "done") return TJournalState::jsDone;
  if (name == "failed") return TJournalState::jsFailed;
  if (name == "cancelled") return TJournalState::jsCancelled;
  return TJournalState::jsRunning;
}

std::string LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
  return text;
}

// Field values travel as a tag byte and their bytes: 0 null, 1 text (length
// and UTF-8), 2 integer, 3 float, 4 date-time (8 bytes each), 5 boolean.
void PutBytes(std::string& out, const void* data, std::size_t size) {
  out.append(static_cast<const char*>(data), size);
}

void PutText(std::string& out, std::string_view text) {
  const auto size = static_cast<std::uint32_t>(text.size());
  PutBytes(out, &size, sizeof size);
  out += text;
}

void PutValue(std::string& out, const TValue& value) {
  out += static_cast<char>(value.Type());
  switch (value.Type()) {
    case TValueType::vtNull: break;
    case TValueType::vtText: PutText(out, value.Text()); break;
    case TValueType::vtInteger: {
      const std::int64_t v = value.Integer();
      PutBytes(out, &v, sizeof v);
      break;
    }
    case TValueType::vtFloat:
    case TValueType::vtDateTime: {
      const double v = value.Type() == TValueType::vtFloat ? value.Float() : value.DateTime();
      PutBytes(out, &v, sizeof v);
      break;
    }
    case TValueType::vtBoolean: out += value.Boolean() ? '\1' : '\0'; break;
  }
}

class TReader {
 public:
  explicit TReader(std::string_view bytes) : bytes_(bytes) {}
  bool AtEnd() const { return at_ >= bytes_.size(); }

  std::uint32_t U32() {
    std::uint32_t value = 0;
    Take(&value, sizeof value);
    return value;
  }

  std::uint8_t Byte() {
    Need(1);
    return static_cast<std::uint8_t>(bytes_[at_++]);
  }

  std::string Text() {
    std::uint32_t size = 0;
    Take(&size, sizeof size);
    Need(size);
    std::string text(bytes_.substr(at_, size));
    at_ += size;
    return text;
  }

  TValue Value() {
    Need(1);
    const auto type = static_cast<TValueType>(bytes_[at_++]);
    switch (type) {
      case TValueType::vtNull: return TValue();
      case TValueType::vtText: return TValue::Text(Text());
      case TValueType::vtInteger: {
        std::int64_t v = 0;
        Take(&v, sizeof v);
        return TValue::Integer(v);
      }
      case TValueType::vtFloat:
      case TValueType::vtDateTime: {
        double v = 0;
        Take(&v, sizeof v);
        return type == TValueType::vtFloat ? TValue::Float(v) : TValue::DateTime(v);
      }
      case TValueType::vtBoolean:
        Need(1);
        return TValue::Boolean(bytes_[at_++] != 0);
    }
    throw TabrinError(Tr("The import journal holds a value it cannot read"));
  }

 private:
  void Need(std::size_t size) const {
    if (bytes_.size() - at_ < size) throw TabrinError(Tr("The import journal holds a value it cannot read"));
  }
  void Take(void* out, std::size_t size) {
    Need(size);
    std::memcpy(out, bytes_.data() + at_, size);
    at_ += size;
  }
  std::string_view bytes_;
  std::size_t at_ = 0;
};

// A row's fields, each as the number of its mapping in the importer, a
// byte telling which values follow (1 the value before, 2 the value after)
// and those values.  An overwrite keeps the value after only where it
// differs from the value before: most overwrites change a few fields.
// Appended to out, as a text (its length first).
void PutEncodedFields(std::string& out, const TRowChange& change, const TImporterDef& importer) {
  const std::size_t lengthAt = out.size();
  const std::uint32_t unknownYet = 0;
  PutBytes(out, &unknownYet, sizeof unknownYet);
  std::size_t mapping = 0;
  // The import names each field by the importer's own name: the same
  // characters, so a comparison of where they are held finds it first.
  const auto isMapping = [&](std::string_view name) {
    const std::string_view own = importer.fields[mapping].field;
    return own.data() == name.data() || own == name;
  };
  for (const TFieldChange& field : change.fields) {
    while (mapping < importer.fields.size() && !isMapping(field.field)) ++mapping;
    if (mapping == importer.fields.size()) throw TabrinError(Tr("The import journal was given a field the importer does not write"));
    const bool appended = change.action == TRowAction::raAppended;
    const bool after = appended || field.Changes();
    out += static_cast<char>(mapping);
    out += static_cast<char>((appended ? 0 : 1) | (after ? 2 : 0));
    if (!appended) PutValue(out, field.before);
    if (after) PutValue(out, field.after);
  }
  const auto length = static_cast<std::uint32_t>(out.size() - lengthAt - sizeof unknownYet);
  std::memcpy(out.data() + lengthAt, &length, sizeof length);
}

// The field names point at the importer's own (static) names; fieldNames
// are the names the entry's mapping numbers stand for.
std::vector<TFieldChange> DecodeFields(std::string_view bytes, const std::vector<std::string>& fieldNames,
                                       const TImporterDef& importer) {
  std::vector<TFieldChange> fields;
  TReader reader(bytes);
  while (!reader.AtEnd()) {
    const std::uint8_t number = reader.Byte();
    const std::uint8_t which = reader.Byte();
    if (number >= fieldNames.size()) throw TabrinError(Tr("The import journal holds a value it cannot read"));
    const std::string& name = fieldNames[number];
    TFieldChange& field = fields.emplace_back();
    for (const TFieldMapping& mapping : importer.fields) {
      if (mapping.field == name) field.field = mapping.field;
    }
    if (field.field.empty()) {
      throw TabrinError(FormatMessage(Tr("The import journal names a field '%s' the importer does not write"), {name}));
    }
    field.title = field.field;
    for (const TFieldDef& def : importer.target->fields) {
      if (def.name == name && !def.title.empty()) field.title = def.title;
    }
    if (which & 1) field.before = reader.Value();
    field.after = (which & 2) ? reader.Value() : field.before;
  }
  return fields;
}

std::string FieldNamesOf(const TImporterDef& importer) {
  std::string names;
  for (const TFieldMapping& mapping : importer.fields) {
    if (!names.empty()) names += ',';
    names += mapping.field;
  }
  return names;
}

std::vector<std::string> SplitNames(const std::string& text) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= text.size() && !text.empty()) {
    const std::size_t comma = text.find(',', start);
    names.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return names;
}

// A prepared statement for one use.
class TStatement {
 public:
  TStatement(sqlite3* db, const std::string& sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK) Fail();
  }
  ~TStatement() { sqlite3_finalize(statement_); }
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;

  void Bind(const std::vector<TValue>& params) {
    for (std::size_t i = 0; i < params.size(); ++i) {
      const int at = static_cast<int>(i) + 1;
      const TValue& value = params[i];
      switch (value.Type()) {
        case TValueType::vtNull: sqlite3_bind_null(statement_, at); break;
        case TValueType::vtText:
          sqlite3_bind_text64(statement_, at, value.Text().data(), value.Text().size(), SQLITE_TRANSIENT, SQLITE_UTF8);
          break;
        case TValueType::vtInteger: sqlite3_bind_int64(statement_, at, value.Integer()); break;
        default: sqlite3_bind_double(statement_, at, value.Number()); break;
      }
    }
  }
  // The bytes must stay as they are until the statement has stepped: a
  // batch's records are megabytes, not worth a copy.
  void BindBlob(int at, const std::string& bytes) {
    sqlite3_bind_blob64(statement_, at, bytes.data(), bytes.size(), SQLITE_STATIC);
  }
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
  std::string_view Blob(int column) const {
    const void* data = sqlite3_column_blob(statement_, column);
    return data ? std::string_view(static_cast<const char*>(data),
                                   static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                : std::string_view();
  }
  int Int(int column) const { return sqlite3_column_int(statement_, column); }

 private:
  [[noreturn]] void Fail() const {
    throw TabrinError(FormatMessage(Tr("The import journal cannot be used: %s"), {sqlite3_errmsg(db_)}));
  }
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

constexpr const char* kEntryColumns =
    "Id, Operation, StartedAt, Kind, Target, TableName, Workbook, WorkbookSha256, Cover, Appended, Overwritten, "
    "Unchanged, Deleted, Restored, Conflicts, State, IFNULL(UndoOf, 0), IFNULL(UndoneBy, 0), Sheet, TitleRow, "
    "TextEncoding, TextSeparator, Same, Mapping, NotAppended, Skipped, Rejects";

TJournalEntry EntryOf(const TStatement& row) {
  TJournalEntry entry;
  entry.id = row.Int(0);
  entry.isUndo = row.Text(1) == "undo";
  entry.startedAt = row.Text(2);
  entry.kindCode = row.Text(3);
  entry.database = row.Text(4);
  entry.table = MasterTableFromName(row.Text(5)).value_or(TMasterTable::mtClassify);
  entry.workbook = row.Text(6);
  entry.workbookSha256 = row.Text(7);
  entry.coverText = row.Text(8);
  entry.counts = {row.Int(9), row.Int(10), row.Int(11), row.Int(22)};
  entry.deleted = row.Int(12);
  entry.restored = row.Int(13);
  entry.conflicts = row.Int(14);
  entry.state = StateOfName(row.Text(15));
  entry.undoOf = row.Int(16);
  entry.undoneBy = row.Int(17);
  entry.sheet = row.Text(18);
  entry.titleRow = row.Int(19);
  entry.textEncoding = row.Text(20);
  entry.textSeparator = row.Text(21);
  entry.mapping = row.Text(23);
  entry.counts.notAppended = row.Int(24);
  entry.counts.skipped = row.Int(25);
  entry.rejects = row.Text(26);
  return entry;
}

}  // namespace

std::string DatabaseIdentity(TDatabaseKind kind, std::string_view programFolder) {
  if (kind == TDatabaseKind::dkOrvella) return "Database.mdb";
  const TServerSettings settings = ReadServerSettings(kind, programFolder);
  return settings.host + (settings.port.empty() ? "" : ":" + settings.port) + "/" + settings.databaseName;
}

TImportJournal::TImportJournal(std::string_view programFolder) {
  path_ = FindFileNoCase(programFolder, kJournalFile);
  if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK) {
    const std::string message = db_ ? sqlite3_errmsg(db_) : Tr("out of memory");
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw TabrinError(FormatMessage(Tr("Cannot open the import journal '%s': %s"), {path_, message}));
  }
  sqlite3_busy_timeout(db_, 10000);
  char* error = nullptr;
  if (sqlite3_exec(db_, kSchema, nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error ? error : sqlite3_errmsg(db_);
    sqlite3_free(error);
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw TabrinError(FormatMessage(Tr("Cannot open the import journal '%s': %s"), {path_, message}));
  }
  AddLaterColumns();
}

// Each column a journal lacks is added; another program opening the same
// journal at once may add it first, which leaves it as wanted.
void TImportJournal::AddLaterColumns() {
  std::vector<std::string> present;
  {
    TStatement columns(db_, "SELECT name FROM pragma_table_info('JournalEntry')");
    while (columns.Step()) present.push_back(columns.Text(0));
  }
  for (const char* column : kLaterColumns) {
    const std::string_view definition(column);
    const std::string name(definition.substr(0, definition.find(' ')));
    if (std::find(present.begin(), present.end(), name) != present.end()) continue;
    const std::string sql = "ALTER TABLE JournalEntry ADD COLUMN " + std::string(definition);
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      const std::string message = error ? error : sqlite3_errmsg(db_);
      sqlite3_free(error);
      if (message.find("duplicate column") == std::string::npos) {
        throw TabrinError(FormatMessage(Tr("Cannot open the import journal '%s': %s"), {path_, message}));
      }
    }
  }
}

TImportJournal::~TImportJournal() { sqlite3_close_v2(db_); }

void TImportJournal::Execute(const std::string& sql, const std::vector<TValue>& params) {
  TStatement statement(db_, sql);
  statement.Bind(params);
  while (statement.Step()) {
  }
}

void TImportJournal::Begin() { Execute("BEGIN IMMEDIATE"); }
void TImportJournal::Commit() { Execute("COMMIT"); }
void TImportJournal::Rollback() {
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

int TImportJournal::AddEntry(const TJournalEntry& entry) {
  Execute(
      "INSERT INTO JournalEntry (Operation, StartedAt, Kind, Target, TableName, Workbook, WorkbookSha256, Cover, "
      "State, UndoOf, FieldNames, Sheet, TitleRow, TextEncoding, TextSeparator, Mapping) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
      {TValue::Text(entry.isUndo ? "undo" : "import"), TValue::Text(entry.startedAt.empty() ? LocalTimeNow() : entry.startedAt),
       TValue::Text(entry.kindCode), TValue::Text(entry.database), TValue::Text(std::string(MasterTableName(entry.table))),
       TValue::Text(entry.workbook), TValue::Text(entry.workbookSha256), TValue::Text(entry.coverText),
       TValue::Text(std::string(StateName(entry.state))),
       entry.undoOf > 0 ? TValue::Integer(entry.undoOf) : TValue(),
       TValue::Text(FieldNamesOf(ImporterFor(entry.table, entry.Kind()))), TValue::Text(entry.sheet),
       TValue::Integer(entry.titleRow), TValue::Text(entry.textEncoding), TValue::Text(entry.textSeparator),
       TValue::Text(entry.mapping)});
  return static_cast<int>(sqlite3_last_insert_rowid(db_));
}

void TImportJournal::AddRecords(int entryId, int seq, const std::string& records) {
  TStatement statement(db_, "INSERT INTO JournalBatch (EntryId, Seq, Records) VALUES (?, ?, ?)");
  statement.Bind({TValue::Integer(entryId), TValue::Integer(seq)});
  statement.BindBlob(3, records);
  statement.Step();
}

std::vector<TJournalEntry> TImportJournal::History() {
  TStatement statement(db_, std::string("SELECT ") + kEntryColumns + " FROM JournalEntry ORDER BY Id DESC");
  std::vector<TJournalEntry> entries;
  while (statement.Step()) entries.push_back(EntryOf(statement));
  return entries;
}

std::optional<TJournalEntry> TImportJournal::Entry(int id) {
  TStatement statement(db_, std::string("SELECT ") + kEntryColumns + " FROM JournalEntry WHERE Id = ?");
  statement.Bind({TValue::Integer(id)});
  if (!statement.Step()) return std::nullopt;
  return EntryOf(statement);
}

std::optional<TJournalEntry> TImportJournal::NewestUndoable() {
  TStatement statement(db_, std::string("SELECT ") + kEntryColumns +
                                " FROM JournalEntry WHERE Operation = 'import' AND UndoneBy IS NULL "
                                "AND Appended + Overwritten > 0 ORDER BY Id DESC LIMIT 1");
  if (!statement.Step()) return std::nullopt;
  return EntryOf(statement);
}

std::optional<TJournalEntry> TImportJournal::NewestImportOf(std::string_view workbookSha256, int beforeId) {
  if (workbookSha256.empty()) return std::nullopt;
  TStatement statement(db_, std::string("SELECT ") + kEntryColumns +
                                " FROM JournalEntry WHERE Operation = 'import' AND WorkbookSha256 = ? AND Id < ? "
                                "ORDER BY Id DESC LIMIT 1");
  statement.Bind({TValue::Text(std::string(workbookSha256)), TValue::Integer(beforeId)});
  if (!statement.Step()) return std::nullopt;
  return EntryOf(statement);
}

std::vector<TJournalEntry> TImportJournal::UnfinishedUndos() {
  TStatement statement(db_, std::string("SELECT ") + kEntryColumns +
                                " FROM JournalEntry WHERE Operation = 'undo' AND State = 'running' ORDER BY Id");
  std::vector<TJournalEntry> entries;
  while (statement.Step()) entries.push_back(EntryOf(statement));
  return entries;
}

void TImportJournal::MarkUndone(int undoId, int importId) {
  Begin();
  try {
    Execute("UPDATE JournalEntry SET State = 'done' WHERE Id = ?", {TValue::Integer(undoId)});
    Execute("UPDATE JournalEntry SET UndoneBy = ? WHERE Id = ?", {TValue::Integer(undoId), TValue::Integer(importId)});
    Commit();
  } catch (...) {
    Rollback();
    throw;
  }
}

std::vector<TJournalRow> TImportJournal::Rows(int importId) {
  const std::optional<TJournalEntry> entry = Entry(importId);
  if (!entry) return {};
  const TImporterDef& importer = ImporterFor(entry->table, entry->Kind());
  std::vector<std::string> fieldNames;
  {
    TStatement names(db_, "SELECT FieldNames FROM JournalEntry WHERE Id = ?");
    names.Bind({TValue::Integer(importId)});
    if (names.Step()) fieldNames = SplitNames(names.Text(0));
  }
  TStatement statement(db_, "SELECT Records FROM JournalBatch WHERE EntryId = ? ORDER BY Seq");
  statement.Bind({TValue::Integer(importId)});
  std::vector<TJournalRow> rows;
  while (statement.Step()) {
    TReader reader(statement.Blob(0));
    while (!reader.AtEnd()) {
      TJournalRow& row = rows.emplace_back();
      row.sheetRow = static_cast<int>(reader.U32());
      const std::uint8_t action = reader.Byte();
      row.change.action = action == 0 ? TRowAction::raAppended : action == 1 ? TRowAction::raOverwritten : TRowAction::raLeft;
      row.change.code = reader.Text();
      row.change.fields = DecodeFields(reader.Text(), fieldNames, importer);
    }
  }
  return rows;
}

namespace {

void PutRecordHead(std::string& records, int sheetRow, std::string_view code, TRowAction action) {
  const auto row = static_cast<std::uint32_t>(sheetRow);
  PutBytes(records, &row, sizeof row);
  records += static_cast<char>(action == TRowAction::raAppended ? 0 : action == TRowAction::raOverwritten ? 1 : 2);
  PutText(records, code);
}

}  // namespace

void AppendJournalRecord(std::string& records, int sheetRow, std::string_view code, TRowAction action,
                         std::string_view fields) {
  PutRecordHead(records, sheetRow, code, action);
  PutText(records, fields);
}

TJournaledImport::TJournaledImport(TImportJournal& journal, const TJournalImportInfo& info)
    : journal_(journal), importer_(ImporterFor(info.table, info.kind)) {
  TJournalEntry entry;
  entry.kindCode = std::string(DatabaseKindInfo(info.kind).code);
  entry.database = info.database;
  entry.table = info.table;
  entry.workbook = info.workbook;
  entry.workbookSha256 = info.workbookSha256;
  entry.coverText = info.coverText;
  entry.sheet = info.sheet;
  entry.titleRow = info.titleRow;
  entry.textEncoding = info.textEncoding;
  entry.textSeparator = info.textSeparator;
  entry.mapping = info.mapping;
  id_ = journal_.AddEntry(entry);
}

void TJournaledImport::RowDone(int sheetRow, const TRowChange& change) {
  switch (change.action) {
    case TRowAction::raAppended: ++pendingCounts_.appended; break;
    case TRowAction::raOverwritten:
      ++pendingCounts_.overwritten;
      if (change.Same()) ++pendingCounts_.same;
      break;
    case TRowAction::raLeft: ++pendingCounts_.unchanged; return;
    case TRowAction::raNotAppended: ++pendingCounts_.notAppended; return;
  }
  // Laid out as AppendJournalRecord does, the fields encoded in place.
  PutRecordHead(pending_, sheetRow, change.code, change.action);
  PutEncodedFields(pending_, change, importer_);
}

void TJournaledImport::RowSkipped(const TSkippedRow& row) { pendingSkipped_.push_back(row); }

void TJournaledImport::BatchCommitting() {
  const TImportCounts counts{committed_.appended + pendingCounts_.appended,
                             committed_.overwritten + pendingCounts_.overwritten,
                             committed_.unchanged + pendingCounts_.unchanged, committed_.same + pendingCounts_.same,
                             committed_.notAppended + pendingCounts_.notAppended,
                             committed_.skipped + static_cast<int>(pendingSkipped_.size())};
  journal_.Begin();
  try {
    const int seq = pending_.empty() ? seq_ : seq_ + 1;
    if (!pending_.empty()) journal_.AddRecords(id_, seq, pending_);
    for (const TSkippedRow& row : pendingSkipped_) {
      journal_.Execute("INSERT INTO JournalSkipped (EntryId, SheetRow, Code, ColumnTitle, Cause) VALUES (?, ?, ?, ?, ?)",
                       {TValue::Integer(id_), TValue::Integer(row.sheetRow), TValue::Text(row.code),
                        TValue::Text(row.column), TValue::Text(row.cause)});
    }
    journal_.Execute(
        "UPDATE JournalEntry SET Appended = ?, Overwritten = ?, Unchanged = ?, Same = ?, NotAppended = ?, Skipped = ? "
        "WHERE Id = ?",
        {TValue::Integer(counts.appended), TValue::Integer(counts.overwritten), TValue::Integer(counts.unchanged),
         TValue::Integer(counts.same), TValue::Integer(counts.notAppended), TValue::Integer(counts.skipped),
         TValue::Integer(id_)});
    journal_.Commit();
    seq_ = seq;
  } catch (...) {
    journal_.Rollback();
    throw;
  }
  committed_ = counts;
  pending_.clear();
  pendingCounts_ = {};
  pendingSkipped_.clear();
}

void TJournaledImport::BatchRolledBack() {
  pending_.clear();
  pendingCounts_ = {};
  pendingSkipped_.clear();
}

void TJournaledImport::SetRejects(const std::string& path) {
  journal_.Execute("UPDATE JournalEntry SET Rejects = ? WHERE Id = ?", {TValue::Text(path), TValue::Integer(id_)});
}

void TJournaledImport::Finish(TJournalState state) {
  journal_.Execute("UPDATE JournalEntry SET State = ? WHERE Id = ?",
                   {TValue::Text(std::string(StateName(state))), TValue::Integer(id_)});
}

std::string JournalSourceText(const TJournalEntry& entry) {
  std::string text = std::filesystem::path(entry.workbook).filename().string();
  std::vector<std::string> notes;
  if (!entry.textEncoding.empty()) {
    notes.push_back(entry.textEncoding);
    if (const std::optional<char> separator = SeparatorOfName(entry.textSeparator)) {
      notes.emplace_back(SeparatorName(*separator));
    }
  } else if (!entry.sheet.empty() && !EqualNoCaseAscii(entry.sheet, "sheet1")) {
    notes.push_back(FormatMessage("工作表「%s」", {entry.sheet}));
  }
  if (entry.titleRow > 1) notes.push_back(FormatMessage("標題在第 %d 列", {entry.titleRow}));
  if (notes.empty()) return text;
  text += "（";
  for (std::size_t i = 0; i < notes.size(); ++i) text += (i > 0 ? "，" : "") + notes[i];
  return text + "）";
}

std::string SameWorkbookText(const TJournalEntry& earlier) {
  // To the minute: the seconds tell the imports of one file apart no better.
  return FormatMessage("此檔案已於 #%d（%s）匯入過", {earlier.id, earlier.startedAt.substr(0, 16)});
}

std::vector<TSkippedRow> TImportJournal::SkippedRows(int importId) {
  TStatement statement(db_,
                       "SELECT SheetRow, Code, ColumnTitle, Cause FROM JournalSkipped WHERE EntryId = ? "
                       "ORDER BY SheetRow");
  statement.Bind({TValue::Integer(importId)});
  std::vector<TSkippedRow> rows;
  while (statement.Step()) {
    TSkippedRow& row = rows.emplace_back();
    row.sheetRow = statement.Int(0);
    row.code = statement.Text(1);
    row.column = statement.Text(2);
    row.cause = statement.Text(3);
  }
  return rows;
}

TJournaledImportResult ImportTabSheetJournaled(TQuery& openSheet, TConnection& database, TDatabaseKind kind,
                                               TMasterTable table, const std::string& workbookPath,
                                               std::string_view programFolder, const TCoverSetting& cover,
                                               TImportOptions options, const std::string& rejectsPath) {
  const std::string databaseIdentity = DatabaseIdentity(kind, programFolder);
  TImportJournal journal(programFolder);
  // Before this import changes records an undo killed after its commit
  // would be judged by.
  SettleUnfinishedUndos(journal, database, databaseIdentity);
  const std::string workbookSha256 = FileSha256Hex(workbookPath);
  TJournalImportInfo info{kind, databaseIdentity, table, workbookPath, workbookSha256, cover.text};
  const TSheetSource source = SheetSourceOf(openSheet);
  info.sheet = source.sheet;
  info.titleRow = source.titleRow;
  if (source.text) {
    info.textEncoding = TextEncodingName(source.text->encoding);
    info.textSeparator = SeparatorKeyword(source.text->separator);
  }
  info.mapping = MappingText(SheetMappingOf(openSheet));
  TJournaledImport entry(journal, info);
  options.cover = cover.mode;
  options.recorder = &entry;
  try {
    const TImportCounts counts = ImportTabSheet(openSheet, database, kind, table, options);
    entry.Finish(TJournalState::jsDone);
    TJournaledImportResult result{counts, journal.NewestImportOf(workbookSha256, entry.Id()), {}};
    if (options.skipped != nullptr && !options.skipped->empty()) {
      result.rejectsPath = rejectsPath.empty() ? DefaultRejectsPath(workbookPath) : rejectsPath;
      WriteRejectsFile(openSheet, *options.skipped, result.rejectsPath);
      entry.SetRejects(result.rejectsPath);
    }
    return result;
  } catch (const TImportCancelled&) {
    entry.Finish(TJournalState::jsCancelled);
    throw;
  } catch (...) {
    entry.Finish(TJournalState::jsFailed);
    throw;
  }
}

}  // namespace tabrin
