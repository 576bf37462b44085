#pragma once
// The import loop the four importers share: for every sheet row read the code
// cell, look the code up in the target table with a bound parameter, append a
// record when it is absent, overwrite the first record found when the cover
// mode says so, else leave it.
//
//   TImportOptions options;
//   options.cover = ReadCoverSetting(ProgramFolder()).mode;
//   TImportCounts n = ImportSheet(sheet, connection, ItemImporter(kind), options);
//
// Posts are committed in batches (every batchRows rows or batchMillis
// milliseconds, at the end and on an error), so the table always holds a
// prefix of the sheet: after an error every earlier row is stored and the
// failing one is not; a killed process leaves the rows of the batches
// committed so far, and importing the same sheet again completes it.
// When the connection is already in a transaction the caller's transaction is
// used as it is and nothing is committed here.
//
// Progress and cancellation go through options.control: progress is reported
// after every row (done = sheet rows handled, total = rows of the sheet
// query) on the thread that runs the import; a cancel request, from any
// thread, stops the import after the row it is on, with the same guarantee
// as an error: every earlier row is stored (and committed), and
// TImportCancelled says how many.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "db/backend.h"
#include "db/connection.h"
#include "db/query.h"
#include "import/cover_mode.h"
#include "import/import_mapping.h"
#include "import/import_recorder.h"
#include "text/error.h"
#include "text/work_control.h"

namespace tabrin {

// What every importer shows when it has run through the whole sheet.
inline constexpr std::string_view kImportDoneMessage = "匯入完畢";

struct TImportCounts {
  int appended = 0;
  int overwritten = 0;
  int unchanged = 0;    // existing codes left alone (TCoverMode::cmKeep)
  int same = 0;         // of the overwritten, those that already held what was stored
  int notAppended = 0;  // new codes left out (TImportOptions::updateOnly)
  int skipped = 0;      // failing rows left out (TImportOptions::skipped)
  int blankRows = 0;    // rows with no cell filled, passed over
  int Rows() const { return appended + overwritten + unchanged; }
  friend bool operator==(const TImportCounts&, const TImportCounts&) = default;
};

// "新增 1 筆，覆蓋 1 筆，內容相同 19 筆，未變更 0 筆": an import's counts split
// as the plan's legend splits them, the overwrites that changed nothing
// apart.  Every front end shows an import's counts in these words.
std::string ImportCountsText(const TImportCounts& counts);

// A row an import that goes on past failing rows left out: where it is,
// its code as far as it was read, and the error that stopped it (with the
// column being read, maybe empty).
struct TSkippedRow {
  int recordIndex = 0;  // of the sheet query
  int sheetRow = 0;
  std::string code;
  std::string column;
  std::string cause;
  // "工作表第 5 列，欄位「售價」：<cause>", as the dry run lists a failing row.
  std::string Reason() const;
};

struct TImportOptions {
  // What becomes of a record whose code the table already holds.
  TCoverMode cover = TCoverMode::cmOverwrite;
  // Update only: a code the table does not hold is not appended (counted as
  // notAppended, planned as "未新增").
  bool updateOnly = false;
  // An overwrite leaves a field alone where the sheet's cell is blank
  // (instead of storing the empty text, 0 or null).
  bool keepBlanks = false;
  // When set, a row that fails (a bad cell, a code too long, a record the
  // database refuses) is left out, listed here in sheet order and counted
  // as skipped, and the import goes on; the stored rows are every other
  // row.  An error of the database as a whole still stops the import, and
  // so does a refused record inside a transaction of the caller's own.
  std::vector<TSkippedRow>* skipped = nullptr;
  // The time bound is what limits the work a killed import loses; the row
  // bound only keeps a fast import's batch (and its journal) from growing
  // without end.  Each commit waits for the disk, twice with a journal, so
  // a small row bound made a fast import pay for a dozen syncs.
  int batchRows = 50000;
  int batchMillis = 250;
  // Sheet row number (1 = the title row) of the query's 0-based record.
  // Default: the record's position + 2, right for a query with every row.
  std::function<int(int recordIndex)> sheetRowOf;
  // Progress after every row and once at the end; the cancel request.
  TWorkControl control;
  // When set, kept up to date with the counts so far before each progress
  // report (for a front end that shows them beside the bar).
  TImportCounts* liveCounts = nullptr;
  // When set, told of every row and of every batch before it is committed
  // (see import_recorder.h): the journal that lets the import be undone.
  TImportRecorder* recorder = nullptr;
};

// What an import's counts line adds for the choices in force and the rows
// passed over: "，未新增 2 筆" with update-only, "，略過 3 列" when failing
// rows are left out, "，空白列 4 列" for rows with no cell filled; empty
// without them.
std::string ChoiceCountsText(const TImportOptions& options, const TImportCounts& counts);

// An error that stopped an import: the message as the failing step raised
// it, then a line naming the sheet row and, when one was being read, the
// column title.  An error of the database as a whole (locked by another
// program, not writable) has no such line and SheetRow() 0.  counts are the
// rows stored before it.
class TImportError : public TabrinError {
 public:
  TImportError(const std::string& cause, int sheetRow, std::string column, TImportCounts counts);
  const std::string& Cause() const { return cause_; }
  int SheetRow() const { return sheetRow_; }
  const std::string& Column() const { return column_; }
  const TImportCounts& Counts() const { return counts_; }

 private:
  std::string cause_;
  int sheetRow_;
  std::string column_;
  TImportCounts counts_;
};

// An import stopped by its cancel request after the row it was on; counts
// are the rows stored, lastSheetRow the sheet row handled last (0 = none).
class TImportCancelled : public TWorkCancelled {
 public:
  TImportCancelled(int lastSheetRow, TImportCounts counts);
  int LastSheetRow() const { return lastSheetRow_; }
  const TImportCounts& Counts() const { return counts_; }

 private:
  int lastSheetRow_;
  TImportCounts counts_;
};

// "工作表第 37 列，欄位「售價」" (or without the column).
std::string SheetRowLine(int sheetRow, std::string_view column);

// Imports every row of the open sheet query into the importer's table.
// Raises TImportError on the first failing row, TImportCancelled when its
// cancel request stopped it.
TImportCounts ImportSheet(TQuery& sheet, TConnection& connection, const TImporterDef& importer,
                          const TImportOptions& options);

namespace detail {

// One row of a walk through the sheet that writes nothing: its sheet row
// and either what the import would do with it or the error it would stop at
// (with the column being read, maybe empty).
struct TRowWalkStep {
  int sheetRow = 0;
  const TRowChange* change = nullptr;
  const std::string* error = nullptr;
  std::string_view column;
  std::string_view code;  // with an error: the code as far as it was read, maybe empty
  bool blankRow = false;  // a row with no cell filled, passed over (no change, no error)
};

// Works out every row of the open sheet query exactly as ImportSheet does,
// up to the post, and drops each record instead of posting it; later rows
// see the records earlier rows would have written (a code twice in one
// sheet).  Unlike the import it goes on past a failing row.  Uses
// cover, updateOnly, keepBlanks, sheetRowOf and control (progress; a cancel raises
// TWorkCancelled) of options.  An error of the database as a whole raises
// TImportError without a sheet row.
void WalkSheetWithoutWriting(TQuery& sheet, TConnection& connection, const TImporterDef& importer,
                             const TImportOptions& options, const std::function<void(const TRowWalkStep&)>& visit);

}  // namespace detail

}  // namespace tabrin
