#include "cli/cli.h"

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string_view>
#include <utility>

#include "cli/exit_status.h"
#include "cli/help_all.h"
#include "config/program_folder.h"
#include "import/workbook_backend.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"

namespace tabrin::cli {

namespace {

// Set while the program's static data are set up, which is as close to the
// start of the process as the program itself can see.
const std::chrono::steady_clock::time_point kProcessStart = std::chrono::steady_clock::now();

// The text after `prefix`, or nothing when `text` does not start with it.
std::optional<std::string> After(std::string_view text, std::string_view prefix) {
  if (!text.starts_with(prefix)) return std::nullopt;
  return std::string(text.substr(prefix.size()));
}

// The two sides of the last `separator` in `text`, or nothing without one.
std::optional<std::pair<std::string, std::string>> Around(std::string_view text, std::string_view separator) {
  const std::size_t at = text.rfind(separator);
  if (at == std::string_view::npos) return std::nullopt;
  return std::pair{std::string(text.substr(0, at)), std::string(text.substr(at + separator.size()))};
}

// CLI11's own messages in the user's language: each error class builds its
// text from the names and values the user typed around fixed English words;
// those words are matched and the pieces said again in the program's own
// (translated) words.  A text of another shape (CLI11's rarer errors, the
// program's own checks, already translated) is shown as it is.
std::string ParseErrorText(const CLI::ParseError& error) {
  const std::string what = error.what();
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    if (auto args = After(what, "The following argument was not expected: ")) {
      return FormatMessage(Tr("The following argument was not expected: %s"), {*args});
    }
    if (auto args = After(what, "The following arguments were not expected: ")) {
      return FormatMessage(Tr("The following arguments were not expected: %s"), {*args});
    }
  } else if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
    if (auto name = Around(what, " is required"); name && name->second.empty()) {
      return FormatMessage(Tr("%s is required"), {name->first});
    }
  } else if (dynamic_cast<const CLI::RequiresError*>(&error) != nullptr) {
    if (auto sides = Around(what, " requires ")) {
      return FormatMessage(Tr("%s requires %s"), {sides->first, sides->second});
    }
  } else if (dynamic_cast<const CLI::ExcludesError*>(&error) != nullptr) {
    if (auto sides = Around(what, " excludes ")) {
      return FormatMessage(Tr("%s excludes %s"), {sides->first, sides->second});
    }
  } else if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr) {
    // "table: x not in {cls,item,supplier,customer}"
    const std::size_t colon = what.find(": ");
    if (colon != std::string::npos) {
      if (auto sides = Around(std::string_view(what).substr(colon + 2), " not in ")) {
        return FormatMessage(Tr("%s: %s not in %s"), {what.substr(0, colon), sides->first, sides->second});
      }
    }
  } else if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
    // "--home: At Most 1 required but received 2": an option given twice.
    if (auto name = Around(what, ": At Most "); name) {
      if (auto counts = Around(name->second, " required but received ")) {
        return FormatMessage(Tr("%s: At Most %s required but received %s"),
                             {name->first, counts->first, counts->second});
      }
    }
    // "--kind: 1 required TEXT missing": an option without its value.
    if (auto sides = Around(what, ": 1 required "); sides && sides->second.ends_with(" missing")) {
      const std::string type = sides->second.substr(0, sides->second.size() - std::string_view(" missing").size());
      return FormatMessage(Tr("%s: 1 required %s missing"), {sides->first, type});
    }
  }
  return what;
}

// A command line that cannot run: what is wrong with it, prefixed with the
// program and verb as the user typed them, and the help that shows how.
int UsageError(CLI::App& app, const std::string& what, std::ostream& err) {
  const std::vector<CLI::App*> chosen = app.get_subcommands();
  const std::string command = chosen.empty() ? app.get_name() : app.get_name() + " " + chosen.front()->get_name();
  err << command << ": " << what << "\n" << FormatMessage(Tr("Try '%s --help' for more information."), {command})
      << "\n";
  return kExitUsage;
}

// What a run without a verb prints: how a command line looks and the verbs.
int NoVerb(CLI::App& app, std::ostream& err) {
  std::string verbs;
  for (const CLI::App* verb : app.get_subcommands([](CLI::App*) { return true; })) {
    verbs += (verbs.empty() ? "" : ", ") + verb->get_name();
  }
  err << FormatMessage(Tr("Usage: %s [--home DIR] VERB [OPTIONS] [ARGUMENTS]"), {app.get_name()}) << "\n"
      << FormatMessage(Tr("Verbs: %s"), {verbs}) << "\n"
      << FormatMessage(Tr("Try '%s --help' for more information."), {app.get_name()}) << "\n";
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
      throw TabrinError(FormatMessage(Tr("The program folder '%s' does not exist"), {home}));
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
    return UsageError(app, ParseErrorText(e), streams.err);
  } catch (const std::exception& e) {
    streams.err << ErrorBoxText(e.what()) << "\n";
    return kExitFailed;
  }
  return kExitDone;
}

}  // namespace tabrin::cli
