#pragma once
// A test of tabrin-cli run in process on a fresh program folder of its own.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace tabrin::cli {

class CliHomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "tabrin-cli-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    home_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(home_); }

  // Runs the command with "--home <folder>" in front; out_ and err_ hold
  // what this run printed.
  int Run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    args.insert(args.begin(), {"--home", home_});
    return RunCli(args, {out_, err_});
  }

  std::string home_;
  std::ostringstream out_, err_;
};

}  // namespace tabrin::cli
