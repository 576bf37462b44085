#include "import/import_undo.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <utility>

#include "db/query.h"
#include "import/import_tabs.h"
#include "text/error.h"
#include "text/format.h"

namespace tabrin {
namespace {

std::string_view TableOf(TMasterTable table) {
  switch (table) {
    case TMasterTable::mtClassify: return "Classify";
    case TMasterTable::mtItem: return "Item";
    case TMasterTable::mtSupplier: return "Supplier";
    case TMasterTable::mtCustomer: return "Customer";
  }
  return {};
}

// Whether the looked-up record holds the given value in every field.
bool Holds(TQuery& record, const std::vector<TFieldChange>& fields, TValue TFieldChange::*value) {
  return std::all_of(fields.begin(), fields.end(), [&](const TFieldChange& field) {
    return SameStoredValue(record.FieldByName(field.field).Value(), field.*value);
  });
}

// One journaled record, taken back when it is still as the import left it.
class TRecordUndo {
 public:
  TRecordUndo(TConnection& database, const TImporterDef& importer, TMasterTable table)
      : database_(database),
        importer_(importer),
        target_(*importer.target, database),
        // Bare names, as the lookup spells them: a server folds them to its own case.
        deleteSql_("DELETE FROM " + std::string(TableOf(table)) + " WHERE " + std::string(importer.codeField) +
                   " = ?") {}

  void Undo(const TJournalRow& row, TUndoResult& result) {
    const TRowChange& change = row.change;
    if (change.action == TRowAction::raLeft) return;
    const int found = Find(change.code);

    if (change.action == TRowAction::raAppended) {
      if (found == 0) return;  // never committed, or deleted since: as before the import
      if (found > 1 || !Holds(target_, change.fields, &TFieldChange::after)) {
        result.conflicts.push_back({change.code, false});
        return;
      }
      const std::vector<TValue> code = {TValue::Text(change.code)};
      database_.Execute(deleteSql_, code);
      ++result.deleted;
      return;
    }
    if (found == 0) {
      result.conflicts.push_back({change.code, true});
      return;
    }
    if (found == 1 && Holds(target_, change.fields, &TFieldChange::after)) {
      if (change.Same()) {  // the import stored what the record held: nothing to restore
        ++result.same;
        return;
      }
      target_.Edit();
      for (const TFieldChange& field : change.fields) target_.FieldByName(field.field).SetValue(field.before);
      target_.Post();
      ++result.restored;
      return;
    }
    if (found == 1 && Holds(target_, change.fields, &TFieldChange::before)) return;  // never committed
    result.conflicts.push_back({change.code, false});
  }

  // Whether the record is as it was before the import: an appended code
  // absent, an overwritten record holding its earlier values.  row is the
  // first the import wrote for its code.
  bool AsBefore(const TJournalRow& row) {
    const int found = Find(row.change.code);
    if (row.change.action == TRowAction::raAppended) return found == 0;
    return found == 1 && Holds(target_, row.change.fields, &TFieldChange::before);
  }

 private:
  // Looks the code up; the records found are target_'s.
  int Find(const std::string& code) {
    target_.Close();
    target_.SetSql(importer_.lookupSql);
    target_.SetParameters({TValue::Text(code)});
    target_.Open();
    return target_.RecordCount();
  }

  TConnection& database_;
  const TImporterDef& importer_;
  TQuery target_;
  std::string deleteSql_;
};

std::string AlreadyUndoneText(int importId, int undoId) {
  return FormatMessage("匯入 #%d 已經復原過了（#%d）", {importId, undoId});
}

// Whether the undo's changes are all in the database: every record of the
// import as it was before it (the first row the import wrote for a code
// tells how), but those the undo left as conflicts.
bool UndoIsInDatabase(TImportJournal& journal, const TJournalEntry& import, const TJournalEntry& undo,
                      TConnection& database) {
  std::set<std::string> passed;
  for (const TJournalRow& conflict : journal.Rows(undo.id)) passed.insert(conflict.change.code);
  TRecordUndo records(database, ImporterFor(import.table, import.Kind()), import.table);
  for (const TJournalRow& row : journal.Rows(import.id)) {
    if (!passed.insert(row.change.code).second) continue;
    if (!records.AsBefore(row)) return false;
  }
  return true;
}

}  // namespace

std::string ConflictText(const TUndoConflict& conflict) {
  return FormatMessage(conflict.deleted ? "代碼 %s：匯入後已被刪除，沒有復原" : "代碼 %s：匯入後已被修改，沒有復原",
                       {conflict.code});
}

std::string ImportSummary(const TJournalEntry& import) {
  return FormatMessage("%s，%s，%s", {import.startedAt, std::filesystem::path(import.workbook).filename().string(),
                                     ImportCountsText(import.counts)});
}

std::vector<std::string> UndoResultLines(const TJournalEntry& import, const TUndoResult& result) {
  std::vector<std::string> lines{
      FormatMessage("已復原匯入 #%d（%s）", {import.id, ImportSummary(import)}),
      FormatMessage("刪除 %d 筆，還原 %d 筆，內容相同 %d 筆，衝突 %d 筆",
                    {result.deleted, result.restored, result.same, static_cast<int>(result.conflicts.size())})};
  for (const TUndoConflict& conflict : result.conflicts) lines.push_back(ConflictText(conflict));
  return lines;
}

TDatabaseKind UndoDatabaseKind(const TJournalEntry& import, std::string_view programFolder) {
  const std::optional<TDatabaseKind> kind = import.Kind();
  if (!kind) throw TabrinError(FormatMessage("匯入 #%d 的資料庫種類 '%s' 不明", {import.id, import.kindCode}));
  const std::string now = DatabaseIdentity(*kind, programFolder);
  if (now != import.database) {
    throw TabrinError(FormatMessage("匯入 #%d 寫入的是 %s，目前的設定連到 %s；沒有復原", {import.id, import.database, now}));
  }
  return *kind;
}

TJournalEntry UndoableImport(TImportJournal& journal, int id) {
  if (id == 0) {
    std::optional<TJournalEntry> newest = journal.NewestUndoable();
    if (!newest) throw TabrinError("沒有可以復原的匯入");
    return *newest;
  }
  std::optional<TJournalEntry> entry = journal.Entry(id);
  if (!entry) throw TabrinError(FormatMessage("找不到匯入紀錄 #%d", {id}));
  if (entry->isUndo) throw TabrinError(FormatMessage("#%d 是一次復原，不是匯入", {id}));
  if (entry->undoneBy != 0) throw TabrinError(AlreadyUndoneText(id, entry->undoneBy));
  return *entry;
}

std::vector<TJournalEntry> SettleUnfinishedUndos(TImportJournal& journal, TConnection& database,
                                                 std::string_view databaseIdentity) {
  std::vector<TJournalEntry> settled;
  for (const TJournalEntry& undo : journal.UnfinishedUndos()) {
    if (undo.database != databaseIdentity) continue;
    const std::optional<TJournalEntry> import = journal.Entry(undo.undoOf);
    // An import undone since by another undo keeps that one.
    if (!import || import->isUndo || import->undoneBy != 0) continue;
    if (!UndoIsInDatabase(journal, *import, undo, database)) continue;
    journal.MarkUndone(undo.id, import->id);
    settled.push_back(undo);
  }
  return settled;
}

std::vector<TJournalEntry> SettleUnfinishedUndos(TImportJournal& journal, std::string_view programFolder) {
  std::vector<TJournalEntry> settled;
  std::set<std::pair<std::string, std::string>> tried;  // kind code, database
  for (const TJournalEntry& undo : journal.UnfinishedUndos()) {
    if (!tried.insert({undo.kindCode, undo.database}).second) continue;
    const std::optional<TDatabaseKind> kind = DatabaseKindFromCode(undo.kindCode);
    if (!kind || DatabaseIdentity(*kind, programFolder) != undo.database) continue;
    try {
      TConnection database("JournalCheck");
      ConnectDatabase(database, *kind, programFolder);
      for (TJournalEntry& entry : SettleUnfinishedUndos(journal, database, undo.database)) {
        settled.push_back(std::move(entry));
      }
    } catch (const std::exception&) {
      // A database that cannot be reached now is looked at on a later run.
    }
  }
  return settled;
}

TJournalEntry ImportToUndo(TImportJournal& journal, int id, std::string_view programFolder) {
  const std::vector<TJournalEntry> settled = SettleUnfinishedUndos(journal, programFolder);
  // The user asked again for an undo that did happen: say so rather than
  // take back an older import.
  if (id == 0 && !settled.empty()) throw TabrinError(AlreadyUndoneText(settled.front().undoOf, settled.front().id));
  return UndoableImport(journal, id);
}

TUndoResult UndoImport(TImportJournal& journal, const TJournalEntry& import, TConnection& database) {
  const std::vector<TJournalRow> rows = journal.Rows(import.id);
  TUndoResult result;
  TRecordUndo undo(database, ImporterFor(import.table, import.Kind()), import.table);

  database.BeginTransaction();
  try {
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) undo.Undo(*row, result);

    // The undo's entry is on disk, "running", before the database commits:
    // a kill before the commit leaves the import to undo again; a kill
    // after it leaves the entry for SettleUnfinishedUndos to finish.
    TJournalEntry entry;
    entry.isUndo = true;
    entry.kindCode = import.kindCode;
    entry.database = import.database;
    entry.table = import.table;
    entry.workbook = import.workbook;
    entry.workbookSha256 = import.workbookSha256;
    entry.coverText = import.coverText;
    entry.sheet = import.sheet;
    entry.titleRow = import.titleRow;
    entry.textEncoding = import.textEncoding;
    entry.textSeparator = import.textSeparator;
    entry.undoOf = import.id;
    journal.Begin();
    try {
      result.undoId = journal.AddEntry(entry);
      journal.Execute("UPDATE JournalEntry SET Deleted = ?, Restored = ?, Conflicts = ? WHERE Id = ?",
                      {TValue::Integer(result.deleted), TValue::Integer(result.restored),
                       TValue::Integer(static_cast<std::int64_t>(result.conflicts.size())),
                       TValue::Integer(result.undoId)});
      std::string records;
      for (const TUndoConflict& conflict : result.conflicts) {
        AppendJournalRecord(records, 0, conflict.code, TRowAction::raLeft, {});
      }
      if (!records.empty()) journal.AddRecords(result.undoId, 1, records);
      journal.Commit();
    } catch (...) {
      journal.Rollback();
      throw;
    }
    database.Commit();
  } catch (...) {
    try {
      database.Rollback();
    } catch (...) {  // the connection is gone; nothing was committed
    }
    if (result.undoId != 0) {
      journal.Execute("UPDATE JournalEntry SET State = 'failed' WHERE Id = ?", {TValue::Integer(result.undoId)});
    }
    throw;
  }
  journal.MarkUndone(result.undoId, import.id);
  return result;
}

}  // namespace tabrin
