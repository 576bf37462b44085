#include "cli/kind_option.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <string>

#include "cli/exit_status.h"
#include "text/format.h"
#include "text/translation.h"

namespace tabrin::cli {
namespace {

// A kind is a number, so that "02" is kind 2.  Anything else is refused in
// the user's words, naming the kinds there are.
TDatabaseKind ParseKind(const std::string& text) {
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  std::optional<TDatabaseKind> kind;
  if (!text.empty() && error == std::errc() && end == text.data() + text.size()) {
    kind = DatabaseKindFromCode(std::to_string(number));
  }
  if (!kind) {
    throw CLI::ParseError(
        FormatMessage(Tr("--kind: '%s' is not a database kind; use 1 (ORVELLAPOS), 2 (KESTAPOS) or 3 (KESTAPLUS)"),
                      {text}),
        kExitUsage);
  }
  return *kind;
}

}  // namespace

CLI::Option* AddKindOption(CLI::App& command, TDatabaseKind& kind) {
  return command
      .add_option_function<std::string>(
          "--kind", [&kind](const std::string& text) { kind = ParseKind(text); },
          "Database kind: 1 ORVELLAPOS, 2 KESTAPOS, 3 KESTAPLUS")
      ->required();
}

}  // namespace tabrin::cli
