// tabrin-cli history
// Lists the imports and undos of the journal Journal.db in the program
// folder, newest first, one line each (an undo killed after its database
// committed is finished first, see SettleUnfinishedUndos):
//
//   #2  2026/12/10 17:20:01  復原 #1  KESTAPOS  小分類  cls.xls  刪除 1 筆，還原 1 筆，衝突 0 筆
//   #1  2026/12/10 17:19:40  匯入  KESTAPOS  小分類  cls.xls  新增 1 筆，覆蓋 1 筆，內容相同 0 筆，未變更 0 筆  已由 #2 復原
#include <CLI/CLI.hpp>

#include <filesystem>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "cli/journal_text.h"
#include "config/program_folder.h"
#include "import/import_journal.h"
#include "import/import_undo.h"

namespace tabrin::cli {

void AddHistoryCommand(CLI::App& app, CommandContext& context) {
  CLI::App* sub = app.add_subcommand("history", "List the imports and undos of the import journal, newest first");
  context.AddAction(sub, [&context] {
    TImportJournal journal(ProgramFolder());
    // An undo killed after its database committed is listed as done.
    SettleUnfinishedUndos(journal, ProgramFolder());
    const std::vector<TJournalEntry> entries = journal.History();
    if (entries.empty()) context.streams.out << "還沒有匯入紀錄\n";
    for (const TJournalEntry& entry : entries) context.streams.out << JournalEntryLine(entry) << "\n";
    return 0;
  });
}

}  // namespace tabrin::cli
