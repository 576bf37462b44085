#pragma once
// TResultSet: the fetched result of a query, its columns and every row, with
// a position on one row.  The current row is decoded from the compact row
// store when the position moves, once.  A row appended by a post stays
// decoded, as the current row, and goes into the store only when another
// row is made current: an import closes its lookup after every appended
// record, so encoding it into the store would be work for nothing.
// Rows a backend hands over as a row source are decoded from it; the first
// row written takes them into the store.
//
//   TResultSet result;
//   connection.RunHeld(hold, sql, params, result.Fill());
//   result.Rewind();
//   for (; !result.Eof(); result.Next()) use(result.CurrentRow());
#include <vector>

#include "db/backend.h"
#include "db/row_store.h"

namespace tabrin {

class TResultSet {
 public:
  // The result to run a statement into; Rewind() after filling it.
  TStatementResult& Fill() {
    tailPending_ = false;
    return result_;
  }
  const std::vector<TColumnInfo>& Columns() const { return result_.columns; }

  // Back on the first row (Eof when there is none).
  void Rewind();
  void Clear();
  int RowCount() const { return StoredRowCount() + (tailPending_ ? 1 : 0); }
  bool Empty() const { return RowCount() == 0; }

  int Position() const { return current_; }
  bool Eof() const { return eof_; }
  void Next();
  // Positions on the 0-based row; past the last row the set is at Eof, on
  // the last row.
  void MoveTo(int row);
  const TRow& CurrentRow() const;

  // A row written to the database: added and made current, or put in place
  // of the current one.
  // The appended row is taken over; row is left holding room to reuse.
  void AppendRow(TRow&& row);
  void ReplaceCurrentRow(const TRow& row);

 private:
  // Puts an appended row still held only as the current row into the store.
  void StorePendingRow() const;
  int StoredRowCount() const {
    return static_cast<int>(result_.rowSource ? result_.rowSource->Size() : result_.rows.size());
  }
  // Copies a row source's rows into the store, to be written there.
  void TakeRowsFromSource();

  int current_ = 0;
  bool eof_ = true;
  // Changed by the const CurrentRow(), hence mutable: the current row is
  // decoded into currentRow_ when first read after a move, and an appended
  // row held there alone (tailPending_) is put into result_.rows before
  // another row is decoded.  A const result set is therefore no more safe
  // to read from two threads at once than a changing one (see query.h).
  mutable TStatementResult result_;
  mutable TRow currentRow_;
  mutable int decodedRow_ = -1;  // the row currentRow_ holds; -1 = none
  mutable bool tailPending_ = false;  // the last row is currentRow_ alone, not yet in the store
};

}  // namespace tabrin
