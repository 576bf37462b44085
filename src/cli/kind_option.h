#pragma once
// The database kind on the command line: 1 ORVELLAPOS, 2 KESTAPOS, 3
// KESTAPLUS (the kinds' codes, see DatabaseKindInfo).
#include "db/database_connection.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace tabrin::cli {

// The required option "--kind 1|2|3", read into kind, which must outlive
// the parse.
CLI::Option* AddKindOption(CLI::App& command, TDatabaseKind& kind);

}  // namespace tabrin::cli
