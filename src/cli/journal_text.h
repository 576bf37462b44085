#pragma once
// How the command line names journal entries (history and undo).
#include <string>

#include "import/import_journal.h"

namespace tabrin::cli {

// "#1  2026/12/10 17:19:40  匯入  KESTAPOS  小分類  cls.xls  新增 1 筆，覆蓋 1 筆，內容相同 0 筆，未變更 0 筆"
// (ImportCountsText) and a note on its state ("已由 #2 復原", "中途出錯", "失敗，沒有寫入任何資料",
// "已取消", "未完成"); an import that left new codes or failing rows out adds "，未新增 2 筆" or
// "，略過 3 列"; an undo "#2  ...  復原 #1  ...  刪除 1 筆，還原 1 筆，衝突 0 筆".
std::string JournalEntryLine(const TJournalEntry& entry);

}  // namespace tabrin::cli
