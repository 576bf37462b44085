#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"

namespace tabrin::cli {
namespace {

TEST(Cli, HelpListsTheProgramFolderOption) {
  std::ostringstream out, err;
  EXPECT_EQ(RunCli({"--help"}, {out, err}), 0);
  EXPECT_NE(out.str().find("--home"), std::string::npos);
  EXPECT_EQ(RunCli({}, {out, err}), 0);
}

// Every help that names the workbooks a verb reads names both kinds.
TEST(Cli, HelpNamesBothKindsOfWorkbook) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--help"}, {"preview", "--help"}, {"import", "--help"}}) {
    SCOPED_TRACE(args.front());
    std::ostringstream out, err;
    EXPECT_EQ(RunCli(args, {out, err}), 0);
    EXPECT_EQ(out.str().find("97-2003 workbook"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find(".xlsx"), std::string::npos) << out.str();
  }
  std::ostringstream out, err;
  RunCli({"preview", "--help"}, {out, err});
  EXPECT_NE(out.str().find("Workbook to read: Excel 97-2003 (.xls) or 2007+ (.xlsx)"), std::string::npos);
}

TEST(Cli, VersionNamesTheProgramAndItsVersion) {
  std::ostringstream out, err;
  EXPECT_EQ(RunCli({"--version"}, {out, err}), 0);
  EXPECT_EQ(out.str(), "tabrin-cli " TABRIN_VERSION "\n");
  EXPECT_EQ(err.str(), "");
}

TEST(Cli, UnknownVerbFails) {
  std::ostringstream out, err;
  EXPECT_NE(RunCli({"no-such-verb"}, {out, err}), 0);
  EXPECT_FALSE(err.str().empty());
}

}  // namespace
}  // namespace tabrin::cli
