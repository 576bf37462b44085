// tabrin-cli mappings [--remove NAME]
// Lists the column mappings saved in Mappings.db of the program folder, by
// name, each with its tab, the sheet titles it was made for and its pairs:
//
//   商品檔：管理貨號、國際碼、自訂碼…（19 欄）
//     頁籤：商品檔（item），存於 2026/12/10 17:20:01
//     標題：管理貨號、國際碼、自訂碼、品名、…
//     對應：應商代號 → 廠商代號；健康捐：不匯入
//
// --remove NAME removes one (exit code 1 when there is none of that name).
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "config/program_folder.h"
#include "import/import_tabs.h"
#include "import/saved_mappings.h"

namespace tabrin::cli {
namespace {

std::string TitlesText(const std::vector<std::string>& titles) {
  std::string text;
  for (const std::string& title : titles) text += (text.empty() ? "" : "、") + title;
  return text;
}

int RunMappings(const std::string& remove, CliStreams& streams) {
  TMappingStore store(ProgramFolder());
  if (!remove.empty()) {
    if (!store.Remove(remove)) {
      streams.err << "沒有名為「" << remove << "」的欄位對應\n";
      return 1;
    }
    streams.out << "已刪除欄位對應「" << remove << "」\n";
    return 0;
  }
  const std::vector<TSavedMapping> list = store.List();
  if (list.empty()) streams.out << "還沒有存下的欄位對應\n";
  for (const TSavedMapping& saved : list) {
    streams.out << saved.name << "\n"
                << "  頁籤：" << ImportTab(saved.table).caption << "（" << MasterTableName(saved.table) << "），存於 "
                << saved.savedAt << "\n"
                << "  標題：" << TitlesText(saved.titles) << "\n"
                << "  對應：" << MappingText(saved.mapping) << "\n";
  }
  return 0;
}

}  // namespace

void AddMappingsCommand(CLI::App& app, CommandContext& context) {
  CLI::App* sub = app.add_subcommand(
      "mappings", "List the saved column mappings (made in the window or used with --mapping), or remove one");
  auto remove = std::make_shared<std::string>();
  sub->add_option("--remove", *remove, "Remove the saved column mapping of this name")->type_name("NAME");
  context.AddAction(sub, [remove, &context] { return RunMappings(*remove, context.streams); });
}

}  // namespace tabrin::cli
