#include "cli/help_all.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

#include "cli/exit_status.h"

namespace tabrin::cli {
namespace {

struct TExitStatus {
  int code;
  std::string_view meaning;
};

// Those a verb returns.
constexpr TExitStatus kExitStatuses[] = {
    {kExitDone, "done"},
    {kExitFailed, "failed: the work could not be done (a file, the database, an import stopped at a row); the "
                  "message on standard error says why"},
    {kExitUsage, "wrong usage: an unknown verb or option, a missing or wrong value, no verb at all"},
    {kExitConflicts, "undo took the import back but left records changed since, and named them"},
    {kExitRowsWouldFail, "import --dry-run found rows that the import would stop at"},
    {kExitRowsSkipped, "import --skip-errors left failing rows out: the other rows are stored, the failed ones are "
                       "in the rejects workbook"},
    {kInterruptedExitCode, "interrupted: Ctrl-C stopped an import (the rows before it are kept) or an export "
                           "(no file written)"},
};

constexpr std::string_view kEnvironment =
    "  TABRIN_HOME    the program folder, when --home is not given\n"
    "  XDG_DATA_HOME  the user's data folder (default ~/.local/share); an installed copy, whose programs are in\n"
    "                 the read-only /usr/bin, keeps its program folder in $XDG_DATA_HOME/tabrin\n"
    "  LANG, LC_ALL, LC_MESSAGES, LANGUAGE\n"
    "                 the language of the messages: Traditional Chinese for zh_TW and zh_HK, English otherwise\n"
    "                 (the help stays English)\n";

constexpr std::string_view kFiles =
    "  The program folder (see 'tabrin-cli where') holds, names matched without regard to letter case:\n"
    "\n"
    "  Database.mdb   the embedded database of kind 1 (ORVELLAPOS), made by init-db\n"
    "  Database.ini   the server of kinds 2 (KESTAPOS) and 3 (KESTAPLUS): section [Database], keys Host, Port,\n"
    "                 Login, Password, DatabaseName, Driver (an ODBC driver; default FreeTDS) and Timeout\n"
    "                 (seconds; default 15)\n"
    "  SETUP.ini      the import setting: section [Setting], key Cover (\"0\": an import overwrites existing\n"
    "                 codes); see settings.  Beside it UpdateOnly and KeepBlanks (\"1\": on; see import\n"
    "                 --update-only and --keep-blanks)\n"
    "  Config.ini     the site configuration; its Title names the program in the window\n"
    "  Journal.db     the import journal, made by the first import: every import and undo with what they\n"
    "                 changed; see history and undo\n"
    "  Mappings.db    the saved column mappings, each under its name with the tab and the sheet titles it was\n"
    "                 made for; see mappings, --mapping and --save-mapping\n";

constexpr std::string_view kExamples =
    "  Create the embedded database with sample data and export its items to an Excel 2007+ workbook:\n"
    "    $ tabrin-cli init-db --sample\n"
    "    $ tabrin-cli export --kind 1 item items.xlsx\n"
    "\n"
    "  See what importing sub-categories would do, with every row's outcome in plan.csv, then import them:\n"
    "    $ tabrin-cli import --kind 1 --dry-run --report plan.csv cls cls.xls\n"
    "    $ tabrin-cli import --kind 1 cls cls.xls\n"
    "\n"
    "  Import the good rows of a price list into existing items only, the failed rows to fix.xls:\n"
    "    $ tabrin-cli import --kind 1 --update-only --keep-blanks --skip-errors --rejects fix.xls item prices.xls\n"
    "\n"
    "  List the imports and take back the newest one:\n"
    "    $ tabrin-cli history\n"
    "    $ tabrin-cli undo\n"
    "\n"
    "  Import items exported from the embedded database, whose sheet has the supplier column under its display\n"
    "  title and no column 健康捐: the import names the missing columns and the options that map them; save the\n"
    "  mapping once and the next workbook with the same titles uses it:\n"
    "    $ tabrin-cli import --kind 1 --map '應商代號=廠商代號' --leave 健康捐 --save-mapping 商品匯出 item items.xls\n"
    "    $ tabrin-cli mappings\n"
    "\n"
    "  Write an empty item workbook with exactly the titles the kind-1 import reads, fill it in, import it:\n"
    "    $ tabrin-cli template --kind 1 item new-items.xlsx\n"
    "    $ tabrin-cli import --kind 1 item new-items.xlsx\n";

// What an option takes, as its help names it: the choices of a checked
// set ("INT:{1,2,3}" gives "1|2|3"), else the type ("TEXT"); nothing for a
// flag.
std::string ValueName(const CLI::Option& option) {
  if (option.get_type_size() == 0) return {};
  std::string type = option.get_type_name();
  const std::size_t open = type.find(":{");
  if (open == std::string::npos || type.back() != '}') return type;
  std::string choices = type.substr(open + 2, type.size() - open - 3);
  for (char& c : choices) {
    if (c == ',') c = '|';
  }
  return choices;
}

// The options of a verb (but its --help), then its arguments, each in the
// order the verb defines them.
std::vector<const CLI::Option*> OptionsOf(const CLI::App& verb) {
  std::vector<const CLI::Option*> options;
  for (const CLI::Option* option : verb.get_options()) {
    if (option != verb.get_help_ptr()) options.push_back(option);
  }
  std::stable_partition(options.begin(), options.end(),
                        [](const CLI::Option* option) { return !option->get_positional(); });
  return options;
}

// "export:", the command line ("tabrin-cli [--home DIR] export --kind 1|2|3
// [--verbose] cls|item|supplier|customer file", options before arguments),
// the verb's description and one line per option and argument.
std::string VerbText(const CLI::App& app, const CLI::App& verb) {
  std::string usage = app.get_name() + " [--home DIR] " + verb.get_name();
  std::string arguments;
  std::string list;
  for (const CLI::Option* option : OptionsOf(verb)) {
    const std::string value = ValueName(*option);
    if (option->get_positional()) {
      const std::string shown = value.find('|') != std::string::npos ? value : option->get_name();
      arguments += " " + (option->get_required() ? shown : "[" + shown + "]");
    } else {
      const std::string shown = option->get_name() + (value.empty() ? "" : " " + value);
      usage += " " + (option->get_required() ? shown : "[" + shown + "]");
    }
    std::string left = option->get_name() + (option->get_positional() || value.empty() ? "" : " " + value);
    left.resize(std::max<std::size_t>(left.size(), 22), ' ');
    list += "    " + left + "  " + option->get_description() + "\n";
  }
  return verb.get_name() + ":\n  " + usage + arguments + "\n\n  " + verb.get_description() + "\n" +
         (list.empty() ? "" : "\n" + list);
}

std::string Heading(std::string_view name, THelpReader reader) {
  const bool section = reader == THelpReader::hrHelp2man;
  return "\n" + std::string(section ? "*" : "") + std::string(name) + (section ? "*" : ":") + "\n";
}

}  // namespace

std::string HelpAllText(CLI::App& app, THelpReader reader) {
  std::string text = app.help();
  text += Heading("Verbs", reader);
  for (const CLI::App* verb : app.get_subcommands([](CLI::App*) { return true; })) {
    text += "\n" + VerbText(app, *verb);
  }
  text += Heading("Exit status", reader);
  for (const TExitStatus& status : kExitStatuses) {
    char code[16];
    std::snprintf(code, sizeof code, "  %-5d", status.code);
    text += code + std::string(status.meaning) + "\n";
  }
  // help2man knows these headings.
  text += "\nEnvironment:\n" + std::string(kEnvironment);
  text += "\nFiles:\n" + std::string(kFiles);
  text += "\nExamples:\n" + std::string(kExamples);
  return text;
}

}  // namespace tabrin::cli
