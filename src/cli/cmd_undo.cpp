// tabrin-cli undo [ID]
// Takes back the newest import of the journal that changed records and is
// not yet undone (or import ID, as `history` numbers them; an undo killed
// after its database committed counts as done, see ImportToUndo): deletes
// the records it appended and restores the values it overwrote, each only
// while the record is still as the import left it, in one transaction on
// the database the import wrote.
// Prints what was done and one line per record left alone because it was
// changed or deleted since:
//
//   已復原匯入 #1（2026/12/10 17:19:40，cls.xls，新增 1 筆，覆蓋 1 筆，內容相同 0 筆，未變更 0 筆）
//   刪除 1 筆，還原 0 筆，內容相同 0 筆，衝突 1 筆
//   代碼 A01：匯入後已被修改，沒有復原
//
// Exit status 0 when everything was taken back, 3 when records were left as
// conflicts, 1 when nothing could be undone (the message says why), 2 for
// an ID that is no import number.
#include <CLI/CLI.hpp>

#include <charconv>
#include <memory>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "cli/exit_status.h"
#include "config/program_folder.h"
#include "db/connection.h"
#include "db/database_connection.h"
#include "import/import_undo.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"

namespace tabrin::cli {
namespace {

// An import number is a whole number from 1 up, as `history` shows them.
// Anything else is refused in the user's words, without the option's name
// the parser would put in front of a message a check returns.
std::string CheckImportNumber(const std::string& text) {
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || number < 1) {
    throw CLI::ParseError(FormatMessage(Tr("'%s' is not an import number; see 'tabrin-cli history'"), {text}), kExitUsage);
  }
  return {};
}

int RunUndo(int id, CliStreams& streams) {
  TImportJournal journal(ProgramFolder());
  TJournalEntry import;
  TDatabaseKind kind{};
  try {
    import = ImportToUndo(journal, id, ProgramFolder());
    kind = UndoDatabaseKind(import, ProgramFolder());
  } catch (const TabrinError& e) {
    streams.err << e.what() << "\n";
    return 1;
  }
  TConnection connection("ADOConnection");
  ConnectDatabase(connection, kind, ProgramFolder());
  const TUndoResult result = UndoImport(journal, import, connection);
  for (const std::string& line : UndoResultLines(import, result)) streams.out << line << "\n";
  return result.conflicts.empty() ? kExitDone : kExitConflicts;
}

}  // namespace

void AddUndoCommand(CLI::App& app, CommandContext& context) {
  CLI::App* sub = app.add_subcommand(
      "undo",
      "Take back the newest import not yet undone (or import ID of `history`): delete the records it appended and "
      "restore the values it overwrote, except records changed since (exit code 3 when such records were left)");
  auto id = std::make_shared<int>(0);
  sub->add_option("id", *id, "Number of the import, as `history` lists it")->check(CheckImportNumber);
  context.AddAction(sub, [id, &context] { return RunUndo(*id, context.streams); });
}

}  // namespace tabrin::cli
