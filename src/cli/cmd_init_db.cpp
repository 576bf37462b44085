// tabrin-cli init-db [--force] [--sample]
// Creates the embedded ORVELLAPOS database (Database.mdb, an SQLite file) in
// the program folder.  The program itself never creates tables, so this is
// how a fresh installation gets its database.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "config/program_folder.h"
#include "db/database_connection.h"
#include "db/embedded_database.h"
#include "db/query.h"

namespace tabrin::cli {
namespace {

struct InitDbOptions {
  bool force = false;
  bool sample = false;
};

int CountRows(TConnection& connection, const std::string& table) {
  TQuery query("CountQuery", connection);
  query.SetSql("SELECT COUNT(*) FROM " + table);
  query.Open();
  return static_cast<int>(query.Fields(0).AsInteger());
}

int RunInitDb(const InitDbOptions& options, CliStreams& streams) {
  const std::string path = ProgramFile("Database.mdb");
  CreateEmbeddedDatabase(path, {.overwrite = options.force, .sample = options.sample});
  streams.out << "已建立資料庫 " << path << "\n";
  if (options.sample) {
    TConnection connection("ADOConnection");
    ConnectDatabase(connection, TDatabaseKind::dkOrvella, ProgramFolder());
    streams.out << "範例資料：小分類 " << CountRows(connection, "Classify") << " 筆、商品 "
                << CountRows(connection, "Item") << " 筆、廠商 " << CountRows(connection, "Supplier") << " 筆、會員 "
                << CountRows(connection, "Customer") << " 筆\n";
  }
  return 0;
}

}  // namespace

void AddInitDbCommand(CLI::App& app, CommandContext& context) {
  CLI::App* sub = app.add_subcommand("init-db", "Create the ORVELLAPOS database (Database.mdb) in the program folder");
  auto options = std::make_shared<InitDbOptions>();
  sub->add_flag("--force", options->force, "Replace an existing Database.mdb");
  sub->add_flag("--sample", options->sample,
                "Fill it with sample master data (sub-categories, items, suppliers, customers)");
  context.AddAction(sub, [options, &context] { return RunInitDb(*options, context.streams); });
}

}  // namespace tabrin::cli
