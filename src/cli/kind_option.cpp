#include "cli/kind_option.h"

#include <CLI/CLI.hpp>

#include <string>

namespace tabrin::cli {

CLI::Option* AddKindOption(CLI::App& command, TDatabaseKind& kind) {
  // Read as a number, so that "02" is kind 2; checked before it is stored.
  return command
      .add_option_function<int>(
          "--kind", [&kind](const int& number) { kind = *DatabaseKindFromCode(std::to_string(number)); },
          "Database kind: 1 ORVELLAPOS, 2 KESTAPOS, 3 KESTAPLUS")
      ->required()
      ->check(CLI::IsMember({1, 2, 3}));
}

}  // namespace tabrin::cli
