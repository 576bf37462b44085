#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "config/program_folder_choice.h"
#include "text/translation.h"

int main(int argc, char** argv) {
  tabrin::InitTranslation(tabrin::InstalledLocaleFolder(tabrin::ExecutableFolder()));
  std::vector<std::string> args(argv + 1, argv + argc);
  tabrin::cli::CliStreams streams{std::cout, std::cerr, isatty(STDERR_FILENO) != 0};
  return tabrin::cli::RunCli(args, streams);
}
