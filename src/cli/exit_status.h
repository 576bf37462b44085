#pragma once
// The exit statuses of tabrin-cli: one meaning each, the same for every
// verb, so that a script can tell what happened without reading messages.
#include "cli/interrupt.h"

namespace tabrin::cli {

inline constexpr int kExitDone = 0;
// The work could not be done (a file, the database, an import that stopped
// at a row); the message on standard error says why.
inline constexpr int kExitFailed = 1;
// A command line that cannot run: an unknown verb or option, a missing or
// wrong value, no verb at all.
inline constexpr int kExitUsage = 2;
// undo took the import back but left records changed since, and named them.
inline constexpr int kExitConflicts = 3;
// import --dry-run found rows that the import would stop at.
inline constexpr int kExitRowsWouldFail = 4;
// import --skip-errors left failing rows out (the others are stored, the
// failed ones written to the rejects workbook).
inline constexpr int kExitRowsSkipped = 5;
// Ctrl-C stopped the work: kInterruptedExitCode (130), as shells report it.

}  // namespace tabrin::cli
