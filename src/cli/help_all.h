#pragma once
// The whole help of tabrin-cli, which a person works from and the manual
// page is made of (help2man reads it): the program's help, every verb's
// help as `VERB --help` prints it, the exit statuses, the environment, the
// files of the program folder and examples.  Made from the same option
// definitions as --help, so the two never disagree.
#include <string>

namespace CLI {
class App;
}

namespace tabrin::cli {

enum class THelpReader {
  hrPerson,   // plain headings ("Exit status:")
  hrHelp2man  // headings help2man makes sections of ("*Exit status*")
};

std::string HelpAllText(CLI::App& app, THelpReader reader);

}  // namespace tabrin::cli
