#pragma once
// The import journal: Journal.db, an SQLite file in the program folder (never
// in the store's database, whose layout other programs rely on), that
// records every import and every undo: when, which database kind, database,
// table and workbook (name and SHA-256), the cover setting, the column
// mapping, the counts, each
// appended code with the values it was given, and the earlier and the new
// values of every overwritten record.
//
//   TImportJournal journal(ProgramFolder());
//   TJournaledImport entry(journal, info);     // the entry, "running"
//   options.recorder = &entry;
//   TImportCounts n = ImportWorkbookFile(...);
//   entry.Finish(TJournalState::jsDone);
//
// The rows of each batch are written and synced (SQLite's full synchronous
// commit) before the import commits that batch to the database, so a killed
// import leaves a journal that covers at least everything committed; its
// entry stays "running".  Several programs may use the file at once.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/database_connection.h"
#include "db/master_table.h"
#include "import/cover_setting.h"
#include "import/import_loop.h"
#include "import/import_recorder.h"

struct sqlite3;

namespace tabrin {

enum class TJournalState { jsRunning, jsDone, jsFailed, jsCancelled };

// What an import works on, as the journal names it.
struct TJournalImportInfo {
  TDatabaseKind kind = TDatabaseKind::dkOrvella;
  std::string database;  // DatabaseIdentity
  TMasterTable table = TMasterTable::mtClassify;
  std::string workbook;  // full path
  std::string workbookSha256;
  std::string coverText;  // TCoverSetting::text, recorded as SETUP.ini holds it
  // What was read of the workbook: the sheet and title row as its sheet
  // query names them (0: the first row of the used range) and, for a text
  // file, its encoding and separator (TextEncodingName, SeparatorKeyword).
  std::string sheet{};
  int titleRow = 0;
  std::string textEncoding{};
  std::string textSeparator{};
  std::string mapping = {};  // the sheet's column mapping as MappingText gives it, empty for none
};

// The database a kind connects to with the program folder's settings:
// "Database.mdb" for kind 1, "<host>[:<port>]/<database>" for a server.
std::string DatabaseIdentity(TDatabaseKind kind, std::string_view programFolder);

// One entry of the journal: an import, or the undo of one.
struct TJournalEntry {
  int id = 0;
  bool isUndo = false;
  std::string startedAt;  // local time, "2026/12/10 17:20:01"
  // The column Kind as stored: the code of the database kind ("1", "2", "3";
  // see DatabaseKindInfo), which messages about an unknown one repeat.
  std::string kindCode;
  std::string database;
  TMasterTable table = TMasterTable::mtClassify;
  std::string workbook;
  std::string workbookSha256;
  std::string coverText;  // the cover setting's text when the import ran
  std::string sheet;      // as TJournalImportInfo; empty in entries made before the journal kept it
  int titleRow = 0;
  std::string textEncoding;
  std::string textSeparator;
  std::string mapping;    // an import: its column mapping (MappingText), empty for none
  TImportCounts counts;  // an import: what it stored (committed), the rows it left out included
  std::string rejects;   // an import that left out failing rows: the file they were written to
  int deleted = 0;       // an undo: records deleted, restored and left as conflicts
  int restored = 0;
  int conflicts = 0;
  TJournalState state = TJournalState::jsRunning;
  int undoOf = 0;    // an undo: the import it took back
  int undoneBy = 0;  // an import: the undo that took it back, 0 = none

  // The database kind kindCode names; none for a code this program does not
  // know.
  std::optional<TDatabaseKind> Kind() const { return DatabaseKindFromCode(kindCode); }

  // An import that appended or overwrote records (an undo has something to
  // take back); one that failed or was cancelled before its first batch, or
  // left every row as it was, did not.
  bool ChangedRecords() const { return counts.appended + counts.overwritten > 0; }
};

// One appended or overwritten record of an import.
struct TJournalRow {
  int sheetRow = 0;
  TRowChange change;  // raAppended or raOverwritten; fields with before and after
};

class TImportJournal {
 public:
  // Opens Journal.db in the folder, creating it when missing.  Raises
  // "Cannot open the import journal '%s': %s".
  explicit TImportJournal(std::string_view programFolder);
  ~TImportJournal();
  TImportJournal(const TImportJournal&) = delete;
  TImportJournal& operator=(const TImportJournal&) = delete;

  const std::string& Path() const { return path_; }

  // Newest first.
  std::vector<TJournalEntry> History();
  std::optional<TJournalEntry> Entry(int id);
  // The newest import not yet undone that changed records, if any.
  std::optional<TJournalEntry> NewestUndoable();
  // The newest import before entry beforeId of a workbook with this SHA-256
  // (none for an empty one).
  std::optional<TJournalEntry> NewestImportOf(std::string_view workbookSha256, int beforeId);
  // The appended and overwritten records of an import, in the order written
  // (of an undo: the codes it left as conflicts).
  std::vector<TJournalRow> Rows(int importId);
  // The failing rows an import left out and went on past, in sheet order
  // (recordIndex unknown: 0).
  std::vector<TSkippedRow> SkippedRows(int importId);
  // The undos still "running": at work now, or stopped before the journal
  // said how they ended.  Oldest first.
  std::vector<TJournalEntry> UnfinishedUndos();
  // The end of an undo that the database committed: the undo done, the
  // import undone by it, in one journal transaction.
  void MarkUndone(int undoId, int importId);

  // --- for the writers below ----------------------------------------------
  int AddEntry(const TJournalEntry& entry);
  void Execute(const std::string& sql, const std::vector<TValue>& params = {});
  void Begin();
  void Commit();
  void Rollback();
  // Records as AppendJournalRecord lays them out, one blob per batch: an
  // import writes one statement per batch, not per record.
  void AddRecords(int entryId, int seq, const std::string& records);

 private:
  void AddLaterColumns();
  std::string path_;
  sqlite3* db_ = nullptr;
};

// Appends one record to a batch's records: its sheet row, action, code and
// fields (as the journal encodes them; empty for none).
void AppendJournalRecord(std::string& records, int sheetRow, std::string_view code, TRowAction action,
                         std::string_view fields);

// The journal entry of one running import, fed by the import loop.
class TJournaledImport : public TImportRecorder {
 public:
  TJournaledImport(TImportJournal& journal, const TJournalImportInfo& info);
  int Id() const { return id_; }

  void RowDone(int sheetRow, const TRowChange& change) override;
  void RowSkipped(const TSkippedRow& row) override;
  void BatchCommitting() override;
  void BatchRolledBack() override;

  // The end of the import: its state (the counts are those committed).
  void Finish(TJournalState state);
  // The file the rows the import left out were written to.
  void SetRejects(const std::string& path);

 private:
  TImportJournal& journal_;
  const TImporterDef& importer_;
  int id_ = 0;
  int seq_ = 0;
  std::string pending_;  // the open batch's records, encoded at once
  TImportCounts committed_;
  TImportCounts pendingCounts_;
  std::vector<TSkippedRow> pendingSkipped_;  // the open batch's rows left out
};

// What a journaled import stored, and the newest import before it of the
// same workbook, byte for byte (the same SHA-256), if the journal holds one.
struct TJournaledImportResult {
  TImportCounts counts;
  std::optional<TJournalEntry> sameWorkbook;
  std::string rejectsPath;  // where the rows left out were written; empty when none were
};

// "items.xls", or with what was read beyond the tab's default:
// "items.xls（工作表「工作表1」，標題在第 3 列）", "items.csv（Big5，逗號）".
std::string JournalSourceText(const TJournalEntry& entry);

// "此檔案已於 #4（2026/12/10 17:53）匯入過": the line the command line and the
// window add after an import of a workbook imported before.
std::string SameWorkbookText(const TJournalEntry& earlier);

// Imports a tab's open sheet (as ImportTabSheet) with the import recorded
// in the program folder's journal, so that it can be taken back: the entry
// is made before the first row, so that an import that cannot be journaled
// does not start, and it is closed as done, cancelled or failed by whatever
// ends the import, which is then raised as it was.  The cover setting
// governs the import (options.cover is set from it) and is recorded.  An
// import that went on past failing rows (options.skipped) writes them to
// rejectsPath (default DefaultRejectsPath of the workbook) once it is done,
// and the journal records the file.
TJournaledImportResult ImportTabSheetJournaled(TQuery& openSheet, TConnection& database, TDatabaseKind kind,
                                               TMasterTable table, const std::string& workbookPath,
                                               std::string_view programFolder, const TCoverSetting& cover,
                                               TImportOptions options, const std::string& rejectsPath = {});

}  // namespace tabrin
