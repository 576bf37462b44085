// tabrin-cli template --kind 1|2|3 cls|item|supplier|customer FILE[.xlsx|.csv]
// Writes the table's import template for the kind (see
// export/import_template.h) and prints "已寫入 <the full path of the file
// written>".  No database is opened: the kind alone decides the layout.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "cli/kind_option.h"
#include "export/import_template.h"
#include "text/translation.h"

namespace tabrin::cli {
namespace {

struct TemplateOptions {
  TDatabaseKind kind{};
  std::string table;
  std::string file;
};

int RunTemplate(const TemplateOptions& options, CliStreams& streams) {
  const std::optional<TMasterTable> table = MasterTableFromName(options.table);
  if (!table) {
    streams.err << Tr("Unknown database kind or table") << "\n";
    return 2;
  }
  // A relative name means the current folder, as everywhere on a command line.
  const std::string file = std::filesystem::absolute(options.file).string();
  streams.out << "已寫入 " << WriteImportTemplate(*table, options.kind, file) << "\n";
  return 0;
}

}  // namespace

void AddTemplateCommand(CLI::App& app, CommandContext& context) {
  CLI::App* sub = app.add_subcommand(
      "template", "Write an empty workbook with exactly the titles the table's import reads for the kind, bold, "
                  "the text columns formatted as text; fill it in and import it without a mapping");
  auto options = std::make_shared<TemplateOptions>();
  AddKindOption(*sub, options->kind);
  sub->add_option("table", options->table, "Table the template is for: cls, item, supplier or customer")
      ->required()
      ->check(CLI::IsMember({"cls", "item", "supplier", "customer"}, CLI::ignore_case));
  sub->add_option("file", options->file, "File to write: a name ending in .xlsx writes an Excel 2007+ workbook; a name ending in .csv comma-separated UTF-8 text with a byte-order mark; any other name gets the extension .xls")->required();
  context.AddAction(sub, [options, &context] { return RunTemplate(*options, context.streams); });
}

}  // namespace tabrin::cli
