#pragma once
// TResultSet: the fetched result of a query, its columns and every row, with
// a position on one row.  The current row is decoded from the compact row
// store when the position moves, once.
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
  TStatementResult& Fill() { return result_; }
  const std::vector<TColumnInfo>& Columns() const { return result_.columns; }

  // Back on the first row (Eof when there is none).
  void Rewind();
  void Clear();
  int RowCount() const { return static_cast<int>(result_.rows.size()); }
  bool Empty() const { return result_.rows.empty(); }

  int Position() const { return current_; }
  bool Eof() const { return eof_; }
  void Next();
  // Positions on the 0-based row; past the last row the set is at Eof, on
  // the last row.
  void MoveTo(int row);
  const TRow& CurrentRow() const;

  // A row written to the database: added and made current, or put in place
  // of the current one.
  void AppendRow(const TRow& row);
  void ReplaceCurrentRow(const TRow& row);

 private:
  TStatementResult result_;
  int current_ = 0;
  bool eof_ = true;
  mutable TRow currentRow_;
  mutable int decodedRow_ = -1;
};

}  // namespace tabrin
