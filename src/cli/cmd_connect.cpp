// tabrin-cli connect 1|2|3
// Connects to a database kind as the connect menu does (1 ORVELLAPOS, the
// embedded Database.mdb; 2 KESTAPOS and 3 KESTAPLUS, servers named in
// Database.ini) and prints the status text.  A failure prints the error and
// exits with 1.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "config/program_folder.h"
#include "db/database_connection.h"
#include "text/error.h"

namespace tabrin::cli {
namespace {

int RunConnect(TDatabaseKind kind, CliStreams& streams) {
  TConnection connection("ADOConnection");
  try {
    const TConnectResult result = ConnectDatabase(connection, kind, ProgramFolder());
    streams.out << result.statusText << "\n";
    return 0;
  } catch (const TabrinError& error) {
    streams.err << ErrorBoxText(error.what()) << "\n";
    return 1;
  }
}

}  // namespace

void AddConnectCommand(CLI::App& app, CommandContext& context) {
  CLI::App* sub = app.add_subcommand("connect", "Connect to a database kind and show its status text");
  auto kind = std::make_shared<TDatabaseKind>();
  // The kind's code exactly as DatabaseKindInfo spells it.
  sub->add_option_function<std::string>(
         "kind", [kind](const std::string& code) { *kind = *DatabaseKindFromCode(code); },
         "1: ORVELLAPOS (Database.mdb), 2: KESTAPOS, 3: KESTAPLUS (Database.ini)")
      ->required()
      ->check(CLI::IsMember({"1", "2", "3"}));
  context.AddAction(sub, [kind, &context] { return RunConnect(*kind, context.streams); });
}

}  // namespace tabrin::cli
