#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"

namespace tabrin::cli {
namespace {

struct CliRun {
  int status;
  std::string out, err;
};

CliRun RunArgs(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = RunCli(args, {out, err});
  return {status, out.str(), err.str()};
}

TEST(Cli, HelpListsTheProgramFolderOption) {
  const CliRun help = RunArgs({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--home"), std::string::npos);
}

// Every help that names the workbooks a verb reads names both kinds.
TEST(Cli, HelpNamesBothKindsOfWorkbook) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--help"}, {"preview", "--help"}, {"import", "--help"}}) {
    SCOPED_TRACE(args.front());
    const CliRun help = RunArgs(args);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.find("97-2003 workbook"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find(".xlsx"), std::string::npos) << help.out;
  }
  EXPECT_NE(RunArgs({"preview", "--help"}).out.find("Workbook to read: Excel 97-2003 (.xls) or 2007+ (.xlsx)"),
            std::string::npos);
}

TEST(Cli, VersionNamesTheProgramAndItsVersion) {
  const CliRun version = RunArgs({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "tabrin-cli " TABRIN_VERSION "\n");
  EXPECT_EQ(version.err, "");
}

// A command line that cannot run says why in one line, names the help that
// shows how, and exits with 2.
TEST(Cli, WrongUsageSaysWhyAndNamesTheHelp) {
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"no-such-verb"},
       "tabrin-cli: The following argument was not expected: no-such-verb\n"
       "Try 'tabrin-cli --help' for more information.\n"},
      {{"import", "cls", "x.xls"},
       "tabrin-cli import: --kind is required\nTry 'tabrin-cli import --help' for more information.\n"},
      {{"export", "--kind", "4", "cls", "x.xls"},
       "tabrin-cli export: --kind: '4' is not a database kind; use 1 (ORVELLAPOS), 2 (KESTAPOS) or 3 (KESTAPLUS)\n"
       "Try 'tabrin-cli export --help' for more information.\n"},
      {{"import", "--kind", "abc", "cls", "x.xls"},
       "tabrin-cli import: --kind: 'abc' is not a database kind; use 1 (ORVELLAPOS), 2 (KESTAPOS) or 3 (KESTAPLUS)\n"
       "Try 'tabrin-cli import --help' for more information.\n"},
      {{"undo", "abc"},
       "tabrin-cli undo: 'abc' is not an import number; see 'tabrin-cli history'\n"
       "Try 'tabrin-cli undo --help' for more information.\n"},
      {{"undo", "0"},
       "tabrin-cli undo: '0' is not an import number; see 'tabrin-cli history'\n"
       "Try 'tabrin-cli undo --help' for more information.\n"},
      {{"connect"}, "tabrin-cli connect: kind is required\nTry 'tabrin-cli connect --help' for more information.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.front());
    const CliRun run = RunArgs(c.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.out, "");
  }
}

// No verb at all is wrong usage too: a short usage on standard error.
TEST(Cli, NoVerbPrintsAShortUsageAndExitsWithTwo) {
  const std::string usage =
      "Usage: tabrin-cli [--home DIR] VERB [OPTIONS] [ARGUMENTS]\n"
      "Verbs: export, preview, import, settings, init-db, connect, where, history, undo, mappings, template\n"
      "Try 'tabrin-cli --help' for more information.\n";
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"--home", "/tmp"}}) {
    const CliRun run = RunArgs(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, usage);
  }
}

// --help-all is what a person works from (and what the manual page is made
// of): every verb with its options, the exit statuses, files and examples.
TEST(Cli, HelpAllShowsEveryVerbsOptionsTheExitStatusesFilesAndExamples) {
  const CliRun all = RunArgs({"--help-all"});
  ASSERT_EQ(all.status, 0);
  for (const char* verb : {"export", "preview", "import", "settings", "init-db", "connect", "where", "history", "undo"}) {
    EXPECT_NE(all.out.find(std::string("  tabrin-cli [--home DIR] ") + verb), std::string::npos) << verb;
  }
  for (const char* option : {"--kind", "--verbose", "--dry-run", "--report", "--cover", "--force", "--sample"}) {
    EXPECT_NE(all.out.find(std::string("\n    ") + option + " "), std::string::npos) << option;
  }
  for (const char* heading : {"\nExit status:\n", "\nFiles:\n", "\nEnvironment:\n", "\nExamples:\n"}) {
    EXPECT_NE(all.out.find(heading), std::string::npos) << heading;
  }
  EXPECT_NE(all.out.find("\n  4    import --dry-run found rows that the import would stop at\n"), std::string::npos) << all.out;
  EXPECT_NE(all.out.find("\n  5    import --skip-errors left failing rows out"), std::string::npos) << all.out;
  for (const char* option : {"--skip-errors", "--rejects", "--update-only", "--keep-blanks"}) {
    EXPECT_NE(all.out.find(std::string("\n    ") + option + " "), std::string::npos) << option;
  }
  for (const char* file : {"Database.mdb", "Database.ini", "Config.ini", "SETUP.ini", "Journal.db"}) {
    EXPECT_NE(all.out.find(std::string("\n  ") + file), std::string::npos) << file;
  }
}

}  // namespace
}  // namespace tabrin::cli
