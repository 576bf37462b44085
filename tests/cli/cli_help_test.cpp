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

TEST(Cli, UnknownVerbFails) {
  std::ostringstream out, err;
  EXPECT_NE(RunCli({"no-such-verb"}, {out, err}), 0);
  EXPECT_FALSE(err.str().empty());
}

}  // namespace
}  // namespace tabrin::cli
