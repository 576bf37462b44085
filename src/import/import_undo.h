#pragma once
// Taking an import back with its journal: the records it appended are
// deleted and the values it overwrote are restored, each only while the
// record is still as that import left it; a record changed (or deleted)
// since is left alone and reported as a conflict with its code.  All in one
// transaction on the database; the undo is journaled too, and an import
// that was undone cannot be undone again.
//
//   TImportJournal journal(ProgramFolder());
//   const TJournalEntry entry = *journal.NewestUndoable();
//   TConnection database; ConnectDatabase(database, kind, ProgramFolder());
//   TUndoResult r = UndoImport(journal, entry.id, database);
//
// Records are visited from the last written to the first, so a code the
// import appended and then overwrote (twice in one sheet) is restored and
// then deleted.  A record the import's journal holds but that was never
// committed (the import was killed before its batch) is found as it was
// before and left as it is.
#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"
#include "db/database_connection.h"
#include "import/import_journal.h"

namespace tabrin {

struct TUndoConflict {
  std::string code;
  bool deleted = false;  // the record is gone; else it was changed
};

struct TUndoResult {
  int undoId = 0;  // the undo's own journal entry
  int deleted = 0;
  int restored = 0;
  int same = 0;  // overwrites that stored what the record held: nothing to restore
  std::vector<TUndoConflict> conflicts;
};

// "代碼 A01：匯入後已被修改，沒有復原" / "代碼 A01：匯入後已被刪除，沒有復原".
std::string ConflictText(const TUndoConflict& conflict);

// "2026/12/10 17:19:40，cls.xls，新增 1 筆，覆蓋 1 筆，內容相同 0 筆，未變更 0 筆":
// when, which file, what it did (ImportCountsText).  The command line and the
// window name an import to undo by it.
std::string ImportSummary(const TJournalEntry& import);

// What an undo did, one line each, as the command line prints it and the
// window shows it:
//   已復原匯入 #1（2026/12/10 17:19:40，cls.xls，新增 1 筆，覆蓋 1 筆，內容相同 0 筆，未變更 0 筆）
//   刪除 1 筆，還原 0 筆，內容相同 0 筆，衝突 1 筆
//   代碼 A01：匯入後已被修改，沒有復原
std::vector<std::string> UndoResultLines(const TJournalEntry& import, const TUndoResult& result);

// Raises "匯入 #%d 的資料庫種類 '%s' 不明" or "匯入 #%d 寫入的是 %s，目前的設定連到
// %s；沒有復原" unless the program folder's settings connect the import's
// kind to the database it wrote; else that kind.
TDatabaseKind UndoDatabaseKind(const TJournalEntry& import, std::string_view programFolder);

// The import that `undo` takes back: the named one, else the newest not yet
// undone that changed records (an import that stored nothing is passed
// over).  Raises "沒有可以復原的匯入", "找不到匯入紀錄 #%d", "#%d 是一次復原，不是匯入",
// "匯入 #%d 已經復原過了（#%d）".
TJournalEntry UndoableImport(TImportJournal& journal, int id /* 0 = the newest */);

// An undo stopped (killed) after the database committed it but before the
// journal said so stays "running" and leaves its import undoable; undoing
// it again would report a second undo that changed nothing.  This finishes
// the entries of such undos of the database the connection is open on
// (databaseIdentity, as DatabaseIdentity names it): one whose changes are
// all in the database (every record of its import as it was before, but
// those the undo left as conflicts) is marked done and its import undone by
// it.  An undo whose changes are not there never committed, or is at work
// now, and stays as it is.  Returns the undos finished.
std::vector<TJournalEntry> SettleUnfinishedUndos(TImportJournal& journal, TConnection& database,
                                                 std::string_view databaseIdentity);
// The same for every database of an unfinished undo that the program
// folder's settings still connect its kind to, each on a connection of its
// own; a database that cannot be reached now is passed over.
std::vector<TJournalEntry> SettleUnfinishedUndos(TImportJournal& journal, std::string_view programFolder);

// The import that `undo` and the window's undo take back: UndoableImport,
// once SettleUnfinishedUndos has run; when it finished an undo, a plain undo
// (id 0) raises "匯入 #%d 已經復原過了（#%d）" for that one instead of taking
// back an older import.
TJournalEntry ImportToUndo(TImportJournal& journal, int id, std::string_view programFolder);

// Undoes the import on the open database connection, which must be the
// database the import wrote (the caller connects with the entry's kind).
// Database errors roll everything back and leave the import undoable.
TUndoResult UndoImport(TImportJournal& journal, const TJournalEntry& import, TConnection& database);

}  // namespace tabrin
