#include "import/import_undo.h"

#include <algorithm>
#include <filesystem>

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
    target_.Close();
    target_.SetSql(importer_.lookupSql);
    target_.SetParameters({TValue::Text(change.code)});
    target_.Open();
    const int found = target_.RecordCount();

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
      target_.Edit();
      for (const TFieldChange& field : change.fields) target_.FieldByName(field.field).SetValue(field.before);
      target_.Post();
      ++result.restored;
      return;
    }
    if (found == 1 && Holds(target_, change.fields, &TFieldChange::before)) return;  // never committed
    result.conflicts.push_back({change.code, false});
  }

 private:
  TConnection& database_;
  const TImporterDef& importer_;
  TQuery target_;
  std::string deleteSql_;
};

}  // namespace

std::string ConflictText(const TUndoConflict& conflict) {
  return FormatMessage(conflict.deleted ? "代碼 %s：匯入後已被刪除，沒有復原" : "代碼 %s：匯入後已被修改，沒有復原",
                       {conflict.code});
}

std::string ImportSummary(const TJournalEntry& import) {
  return FormatMessage("%s，%s，新增 %d 筆，覆蓋 %d 筆",
                       {import.startedAt, std::filesystem::path(import.workbook).filename().string(),
                        import.counts.appended, import.counts.overwritten});
}

std::vector<std::string> UndoResultLines(const TJournalEntry& import, const TUndoResult& result) {
  std::vector<std::string> lines{
      FormatMessage("已復原匯入 #%d（%s）", {import.id, ImportSummary(import)}),
      FormatMessage("刪除 %d 筆，還原 %d 筆，衝突 %d 筆",
                    {result.deleted, result.restored, static_cast<int>(result.conflicts.size())})};
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
  if (entry->undoneBy != 0) throw TabrinError(FormatMessage("匯入 #%d 已經復原過了（#%d）", {id, entry->undoneBy}));
  return *entry;
}

TUndoResult UndoImport(TImportJournal& journal, const TJournalEntry& import, TConnection& database) {
  const std::vector<TJournalRow> rows = journal.Rows(import.id);
  TUndoResult result;
  TRecordUndo undo(database, ImporterFor(import.table, import.Kind()), import.table);

  database.BeginTransaction();
  try {
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) undo.Undo(*row, result);

    // The undo's entry is on disk, "running", before the database commits:
    // a kill in between leaves an import that may be undone again, which
    // then finds its records as they were before and changes nothing.
    TJournalEntry entry;
    entry.isUndo = true;
    entry.kindCode = import.kindCode;
    entry.database = import.database;
    entry.table = import.table;
    entry.workbook = import.workbook;
    entry.workbookSha256 = import.workbookSha256;
    entry.coverText = import.coverText;
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
  journal.Begin();
  try {
    journal.Execute("UPDATE JournalEntry SET State = 'done' WHERE Id = ?", {TValue::Integer(result.undoId)});
    journal.Execute("UPDATE JournalEntry SET UndoneBy = ? WHERE Id = ?",
                    {TValue::Integer(result.undoId), TValue::Integer(import.id)});
    journal.Commit();
  } catch (...) {
    journal.Rollback();
    throw;
  }
  return result;
}

}  // namespace tabrin
