// tabrin-cli where: the program folder of the run and why it is that one.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <sstream>

#include "cli/cli.h"
#include "cli/cli_home_test.h"

namespace tabrin::cli {
namespace {

class CliWhere : public CliHomeTest {};

TEST_F(CliWhere, NamesTheFolderAndWhereItCameFrom) {
  ASSERT_EQ(Run({"where"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), home_ + "/\nnamed by --home\n");

  setenv("TABRIN_HOME", home_.c_str(), 1);
  std::ostringstream out, err;
  ASSERT_EQ(RunCli({"where"}, {out, err}), 0) << err.str();
  EXPECT_EQ(out.str(), home_ + "/\nnamed by the environment variable TABRIN_HOME\n");
  unsetenv("TABRIN_HOME");
}

}  // namespace
}  // namespace tabrin::cli
