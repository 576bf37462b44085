#pragma once
// Something that follows an import row by row, in step with its batch
// transactions: the import journal.  The import calls it on its own thread.
//
//   options.recorder = &journalEntry;   // TImportOptions
//   ImportSheet(sheet, database, importer, options);
//
// For every batch the import calls RowDone for each row it handled, then
// BatchCommitting just before the batch is committed to the database, or
// BatchRolledBack when the batch was rolled back instead (its rows may then
// come again).  An exception from BatchCommitting stops the import before
// the commit, so nothing is stored that the recorder did not keep.  With a
// transaction of the caller's own, BatchCommitting comes where a batch of
// the import's own would have been committed, and the caller commits.
#include "import/row_change.h"

namespace tabrin {
struct TSkippedRow;
}

namespace tabrin {

class TImportRecorder {
 public:
  virtual ~TImportRecorder() = default;
  // A row of the open batch was written (appended, overwritten) or left.
  virtual void RowDone(int sheetRow, const TRowChange& change) = 0;
  // A failing row the import left out and went on past (TImportOptions::
  // skipped), in the open batch as the rows are.
  virtual void RowSkipped(const TSkippedRow& /*row*/) {}
  virtual void BatchCommitting() = 0;
  virtual void BatchRolledBack() = 0;
};

}  // namespace tabrin
