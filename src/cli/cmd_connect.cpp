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

int RunConnect(const std::string& code, CliStreams& streams) {
  const auto kind = DatabaseKindFromCode(code);
  TConnection connection("ADOConnection");
  try {
    const TConnectResult result = ConnectDatabase(connection, *kind, ProgramFolder());
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
  auto code = std::make_shared<std::string>();
  sub->add_option("kind", *code, "1: ORVELLAPOS (Database.mdb), 2: KESTAPOS, 3: KESTAPLUS (Database.ini)")
      ->required()
      ->check(CLI::IsMember({"1", "2", "3"}));
  context.AddAction(sub, [code, &context] { return RunConnect(*code, context.streams); });
}

}  // namespace tabrin::cli
