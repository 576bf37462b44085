#include "cli/journal_text.h"

#include <filesystem>

#include "import/import_tabs.h"
#include "text/format.h"

namespace tabrin::cli {
namespace {

// An unknown kind shows as the journal holds it.
std::string KindCaption(const TJournalEntry& entry) {
  const std::optional<TDatabaseKind> kind = entry.Kind();
  return kind ? std::string(DatabaseKindInfo(*kind).menuCaption) : entry.kindCode;
}

std::string StateNote(const TJournalEntry& entry) {
  switch (entry.state) {
    case TJournalState::jsRunning: return "未完成";
    case TJournalState::jsFailed: return entry.ChangedRecords() ? "中途出錯" : "失敗，沒有寫入任何資料";
    case TJournalState::jsCancelled: return "已取消";
    case TJournalState::jsDone: break;
  }
  return {};
}

}  // namespace

std::string JournalEntryLine(const TJournalEntry& entry) {
  std::string line = FormatMessage("#%d  %s  ", {entry.id, entry.startedAt});
  line += entry.isUndo ? FormatMessage("復原 #%d", {entry.undoOf}) : std::string("匯入");
  line += "  " + KindCaption(entry) + "  " + std::string(ImportTab(entry.table).caption) + "  " +
          JournalSourceText(entry) + "  ";
  if (entry.isUndo) {
    line += FormatMessage("刪除 %d 筆，還原 %d 筆，衝突 %d 筆", {entry.deleted, entry.restored, entry.conflicts});
  } else {
    line += ImportCountsText(entry.counts);
    if (entry.counts.notAppended > 0) line += FormatMessage("，未新增 %d 筆", {entry.counts.notAppended});
    if (entry.counts.skipped > 0) line += FormatMessage("，略過 %d 列", {entry.counts.skipped});
  }
  std::string note = StateNote(entry);
  if (!entry.isUndo && entry.undoneBy != 0) note = FormatMessage("已由 #%d 復原", {entry.undoneBy});
  if (!note.empty()) line += "  " + note;
  if (!entry.mapping.empty()) line += "  欄位對應：" + entry.mapping;
  return line;
}

}  // namespace tabrin::cli
