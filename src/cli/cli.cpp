#include "cli/cli.h"

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <filesystem>
#include <ostream>

#include "cli/exit_status.h"
#include "cli/help_all.h"
#include "config/program_folder.h"
#include "import/workbook_backend.h"
#include "text/error.h"
#include "text/format.h"

namespace tabrin::cli {

namespace {

// Set while the program's static data are set up, which is as close to the
// start of the process as the program itself can see.
const std::chrono::steady_clock::time_point kProcessStart = std::chrono::steady_clock::now();

// A command line that cannot run: what is wrong with it, prefixed with the
// program and verb as the user typed them, and the help that shows how.
int UsageError(CLI::App& app, const std::string& what, std::ostream& err) {
  const std::vector<CLI::App*> chosen = app.get_subcommands();
  const std::string command = chosen.empty() ? app.get_name() : app.get_name() + " " + chosen.front()->get_name();
  err << command << ": " << what << "\nTry '" << command << " --help' for more information.\n";
  return kExitUsage;
}

// What a run without a verb prints: how a command line looks and the verbs.
int NoVerb(CLI::App& app, std::ostream& err) {
  std::string verbs;
  for (const CLI::App* verb : app.get_subcommands([](CLI::App*) { return true; })) {
    verbs += (verbs.empty() ? "" : ", ") + verb->get_name();
  }
  err << "Usage: " << app.get_name() << " [--home DIR] VERB [OPTIONS] [ARGUMENTS]\nVerbs: " << verbs << "\nTry '"
      << app.get_name() << " --help' for more information.\n";
  return kExitUsage;
}

}  // namespace

std::chrono::steady_clock::time_point ProcessStart() { return kProcessStart; }

int RunCli(const std::vector<std::string>& args, CliStreams streams) {
  CLI::App app{"Tabrin: moves master data between Excel workbooks (.xls, .xlsx) and the point-of-sale database.",
               "tabrin-cli"};
  app.require_subcommand(0, 1);
  app.set_version_flag("--version", "tabrin-cli " TABRIN_VERSION, "Print the program's name and version and exit");
  THelpReader helpReader = THelpReader::hrPerson;
  app.add_flag_callback("--help-all", [] { throw CLI::CallForAllHelp(); },
                        "Print the help of every verb, the exit statuses, the files and examples, and exit")
      ->trigger_on_parse();
  // The same for help2man, which makes the manual page of it.
  app.add_flag_callback("--help-man",
                        [&helpReader] {
                          helpReader = THelpReader::hrHelp2man;
                          throw CLI::CallForAllHelp();
                        })
      ->trigger_on_parse()
      ->group("");
  std::string home;
  app.add_option("--home", home,
                 "Program folder holding Config.ini, SETUP.ini, Database.ini and Database.mdb "
                 "(default: $TABRIN_HOME, else the executable's folder when it is writable, "
                 "else $XDG_DATA_HOME/tabrin; see the verb where)");
  // Workbooks open through the data layer like databases do; the reader
  // registers itself once for every verb.
  RegisterWorkbookReader();
  CommandContext context{streams, {}};
  RegisterCommands(app, context);
  // After the verbs, which would take it over.
  app.footer("Every verb's options, the exit statuses, the files and examples: tabrin-cli --help-all");
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
    if (app.get_subcommands().empty()) return NoVerb(app, streams.err);
    // A mistyped folder would quietly show and use the defaults of files
    // that are not there.
    if (!home.empty() && !std::filesystem::is_directory(home)) {
      throw TabrinError(FormatMessage("The program folder '%s' does not exist", {home}));
    }
    InitProgramFolder(home);
    for (auto& [subcommand, action] : context.actions) {
      if (subcommand->parsed()) return action();
    }
  } catch (const CLI::CallForAllHelp&) {
    streams.out << HelpAllText(app, helpReader);
    return kExitDone;
  } catch (const CLI::ParseError& e) {
    // --help and --version end the parse with status 0.
    if (e.get_exit_code() == kExitDone) return app.exit(e, streams.out, streams.err);
    return UsageError(app, e.what(), streams.err);
  } catch (const std::exception& e) {
    streams.err << ErrorBoxText(e.what()) << "\n";
    return kExitFailed;
  }
  return kExitDone;
}

}  // namespace tabrin::cli
