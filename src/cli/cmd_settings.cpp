// tabrin-cli settings [--cover 0|1]
// Shows the import setting of SETUP.ini (section "Setting", key "Cover"), or
// stores a new one as the settings dialog does.  Like the dialog, a stored
// value governs the imports that start after it.
#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "config/program_folder.h"
#include "import/cover_setting.h"

namespace tabrin::cli {

namespace {

struct SettingsCommandOptions {
  std::optional<TCoverMode> cover;
};

// "Cover=0 (重複資料覆蓋：是)": the text as stored, and what imports do.
void ShowCover(std::ostream& out, const TCoverSetting& cover) {
  out << "Cover=" << cover.text << " (重複資料是否覆蓋："
      << (cover.mode == TCoverMode::cmOverwrite ? "是" : "否") << ")\n";
}

int RunSettings(const SettingsCommandOptions& options, CliStreams& streams) {
  if (options.cover) WriteCoverChoice(ProgramFolder(), *options.cover);
  ShowCover(streams.out, ReadCoverSetting(ProgramFolder()));
  return 0;
}

}  // namespace

void AddSettingsCommand(CLI::App& app, CommandContext& context) {
  CLI::App* sub = app.add_subcommand("settings", "Show or change the import setting (SETUP.ini, \"Cover\")");
  auto options = std::make_shared<SettingsCommandOptions>();
  sub->add_option_function<int>(
         "--cover",
         [options](const int& number) {
           options->cover = number == 0 ? TCoverMode::cmOverwrite : TCoverMode::cmKeep;
         },
         "0: imports overwrite existing records (是); 1: they leave them (否)")
      ->check(CLI::IsMember({0, 1}));
  context.AddAction(sub, [options, &context] { return RunSettings(*options, context.streams); });
}

}  // namespace tabrin::cli
