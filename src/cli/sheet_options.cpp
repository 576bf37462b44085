#include "cli/sheet_options.h"

#include <CLI/CLI.hpp>

#include <string>

namespace tabrin::cli {

void AddSheetOptions(CLI::App& command, TSheetChoice& choice) {
  command.add_option("--sheet", choice.sheet,
                     "Read this sheet of the workbook (letter case aside) instead of \"sheet1\"");
  command.add_option("--header-row", choice.titleRow,
                     "The row (1 = the first) holding the column titles; the rows above it are not read")
      ->check(CLI::Range(1, 1048576));
  command
      .add_option_function<std::string>(
          "--encoding", [&choice](const std::string& name) { choice.text.encoding = TextEncodingOfName(name); },
          "Encoding of a .csv or .txt file: utf-8, big5, utf-16le or utf-16be (default: from its byte-order mark, "
          "else UTF-8 when the bytes are valid UTF-8, else Big5)")
      ->check(CLI::IsMember({"utf-8", "utf8", "big5", "cp950", "utf-16le", "utf-16be"}, CLI::ignore_case));
  command
      .add_option_function<std::string>(
          "--separator", [&choice](const std::string& name) { choice.text.separator = SeparatorOfName(name); },
          "Field separator of a .csv or .txt file: comma, tab or semicolon (default: the one its first lines use "
          "most)")
      ->check(CLI::IsMember({"comma", "tab", "semicolon", ",", ";"}, CLI::ignore_case));
}

}  // namespace tabrin::cli
