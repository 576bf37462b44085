#pragma once
// TRecordWriter: writes back the records of one table that a query read,
// through statements with bound parameters that it keeps for the next record
// with the same fields (an import writes the same fields on every row).
//
//   TRecordWriter writer;
//   writer.Target(connection, "Classify", columns, /*locatorColumn=*/0);
//   TValue locator = writer.Insert(values, modified);   // only modified fields
//   writer.Update(asRead, values, modified);            // finds the record again
//
// A record is found again by the table's primary key, else by its row
// identity (the hidden locator column, SQLite's rowid), else by every value
// it was read with; each write must change exactly one row.  The writer's
// own refusals are TRecordWriteError; the database's errors pass through.
#include <cstdint>
#include <string>
#include <vector>

#include "db/backend.h"
#include "db/connection.h"
#include "db/row_store.h"
#include "db/value.h"
#include "text/error.h"

namespace tabrin {

class TRecordWriteError : public TabrinError {
 public:
  using TabrinError::TabrinError;
};

// Which columns of a record were written: one flag a column, a byte each
// rather than a bit, so that comparing a record's flags with those a kept
// statement was built for is one memory comparison, not a loop over bits.
using TColumnFlags = std::vector<unsigned char>;

class TRecordWriter {
 public:
  // The table written and the columns of the rows given; locatorColumn is
  // the hidden row identity column, or -1.  Kept statements are dropped
  // when the table or the columns change.
  void Target(TConnection& connection, const std::string& table, const std::vector<TColumnInfo>& columns,
              int locatorColumn);
  const std::string& Table() const { return table_; }
  const TConnection* Connection() const { return connection_; }

  // Inserts the values whose modified flag is set (the others get the
  // table's defaults); gives the new row's identity, or null.
  TValue Insert(const TRow& values, const TColumnFlags& modified);
  // Writes the modified values into the record that read as `original`;
  // false when no value was modified, so that nothing was written.
  bool Update(const TRow& original, const TRow& values, const TColumnFlags& modified);

 private:
  bool RecordCondition(const TRow& original, std::string& where, std::vector<TValue>& params) const;

  TConnection* connection_ = nullptr;
  std::string table_;
  std::vector<TColumnInfo> columns_;
  int locatorColumn_ = -1;

  // The kept statements: the flags and the text they were built for.
  TColumnFlags insertMask_;
  std::string insertSql_;
  TStatementHold insertHold_;
  // Where the values an insert binds are, in the record being inserted.
  std::vector<const TValue*> insertParams_;
  TColumnFlags updateMask_;
  std::string updateAssignments_;
  std::string updateWhere_;
  std::string updateSql_;
  TStatementHold updateHold_;
  TStatementResult writeResult_;
};

}  // namespace tabrin
