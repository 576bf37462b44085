#pragma once
// The command-line front end.  RunCli is the whole program behind main(), with
// its streams injectable so that tests run commands in process.
#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace CLI {
class App;
}

namespace tabrin::cli {

struct CliStreams {
  std::ostream& out;
  std::ostream& err;
  // True when err is a terminal that can show a progress bar.
  bool errIsTerminal = false;
};

int RunCli(const std::vector<std::string>& args, CliStreams streams);

// When the program was loaded (its static data set up, just before main).
std::chrono::steady_clock::time_point ProcessStart();

// Each verb lives in a file of its own (cmd_<verb>.cpp) and adds itself to
// the app in RegisterCommands: it creates its subcommand and its options and
// registers the action to run when that subcommand was chosen.  Actions run
// after parsing, once the program folder is known; an action returns the
// exit code, and an exception it lets through is printed as an error (exit 1).
struct CommandContext {
  CliStreams streams;
  std::vector<std::pair<CLI::App*, std::function<int()>>> actions;

  void AddAction(CLI::App* subcommand, std::function<int()> action) {
    actions.emplace_back(subcommand, std::move(action));
  }
};
void RegisterCommands(CLI::App& app, CommandContext& context);

}  // namespace tabrin::cli
