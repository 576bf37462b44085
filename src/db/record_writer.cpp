#include "db/record_writer.h"

#include <algorithm>

#include "db/field_type.h"
#include "text/ascii.h"
#include "text/translation.h"

namespace tabrin {
namespace {

bool SameColumns(const std::vector<TColumnInfo>& a, const std::vector<TColumnInfo>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const TColumnInfo& x, const TColumnInfo& y) { return x.name == y.name && x.type == y.type; });
}

}  // namespace

void TRecordWriter::Target(TConnection& connection, const std::string& table, const std::vector<TColumnInfo>& columns,
                           int locatorColumn) {
  const bool same = connection_ == &connection && table_ == table && locatorColumn_ == locatorColumn &&
                    SameColumns(columns_, columns);
  connection_ = &connection;
  if (same) return;
  table_ = table;
  columns_ = columns;
  locatorColumn_ = locatorColumn;
  insertMask_.clear();
  insertSql_.clear();
  updateMask_.clear();
  updateAssignments_.clear();
  updateSql_.clear();
}

TValue TRecordWriter::Insert(const TRow& values, const TColumnFlags& modified) {
  // The parameters are the written values themselves, picked out of the
  // record where they are: an import inserts a record a row.
  insertParams_.clear();
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (modified[i]) insertParams_.push_back(&values[i]);
  }
  if (modified != insertMask_ || insertSql_.empty()) {
    TBackend& backend = connection_->Backend();
    std::string names;
    std::string markers;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (!modified[i]) continue;
      if (!names.empty()) {
        names += ", ";
        markers += ", ";
      }
      names += backend.QuoteIdentifier(columns_[i].name);
      markers += '?';
    }
    insertSql_ = "INSERT INTO " + table_ +
                 (names.empty() ? std::string(" DEFAULT VALUES") : " (" + names + ") VALUES (" + markers + ")");
    insertMask_ = modified;
  }
  connection_->RunHeld(insertHold_, insertSql_, insertParams_, writeResult_);
  if (writeResult_.rowsAffected == 0) throw TRecordWriteError(Tr("The record was not added"));
  return writeResult_.insertedRowLocator;
}

// The condition that finds the record again: its primary key, else its row
// identity, else every value it was read with.  Returns false when only the
// values can identify it.
bool TRecordWriter::RecordCondition(const TRow& original, std::string& where, std::vector<TValue>& params) const {
  TBackend& backend = connection_->Backend();
  const TTableInfo& info = connection_->TableInfo(table_);

  std::vector<std::size_t> keyColumns;
  for (const std::string& key : info.keyColumns) {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (static_cast<int>(i) != locatorColumn_ && EqualNoCaseAscii(columns_[i].name, key)) {
        keyColumns.push_back(i);
        break;
      }
    }
  }
  auto addCondition = [&](const std::string& column, const TValue& value) {
    if (!where.empty()) where += " AND ";
    if (value.IsNull()) {
      where += column + " IS NULL";
    } else {
      where += column + " = ?";
      params.push_back(value);
    }
  };
  if (!info.keyColumns.empty() && keyColumns.size() == info.keyColumns.size()) {
    for (std::size_t i : keyColumns) addCondition(backend.QuoteIdentifier(columns_[i].name), original[i]);
    return true;
  }
  if (locatorColumn_ >= 0 && !original[static_cast<std::size_t>(locatorColumn_)].IsNull()) {
    addCondition(info.rowLocator, original[static_cast<std::size_t>(locatorColumn_)]);
    return true;
  }
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (static_cast<int>(i) == locatorColumn_ || IsBlobType(columns_[i].type)) continue;
    addCondition(backend.QuoteIdentifier(columns_[i].name), original[i]);
  }
  return false;
}

bool TRecordWriter::Update(const TRow& original, const TRow& values, const TColumnFlags& modified) {
  std::vector<TValue> params;
  params.reserve(columns_.size() + 1);
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (modified[i]) params.push_back(values[i]);
  }
  if (modified != updateMask_) {
    TBackend& backend = connection_->Backend();
    updateAssignments_.clear();
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (!modified[i]) continue;
      if (!updateAssignments_.empty()) updateAssignments_ += ", ";
      updateAssignments_ += backend.QuoteIdentifier(columns_[i].name) + " = ?";
    }
    updateMask_ = modified;
    updateSql_.clear();
  }
  if (updateAssignments_.empty()) return false;  // nothing to write, nothing to find

  std::string where;
  std::vector<TValue> whereParams;
  if (!RecordCondition(original, where, whereParams)) {
    // Only the values tell the record: refuse when they fit several.
    TStatementResult count = connection_->Run("SELECT COUNT(*) FROM " + table_ + " WHERE " + where, whereParams);
    const double matches = count.rows.empty() || count.rows[0].empty() ? 0 : count.rows[0][0].Number();
    if (matches > 1) throw TRecordWriteError(Tr("Insufficient key column information for updating or refreshing"));
  }
  params.insert(params.end(), whereParams.begin(), whereParams.end());
  // Records of one table are found again the same way, so the statement
  // text repeats: build it only when its parts change.
  if (where != updateWhere_ || updateSql_.empty()) {
    updateWhere_ = where;
    updateSql_ = "UPDATE " + table_ + " SET " + updateAssignments_ + " WHERE " + where;
  }
  connection_->RunHeld(updateHold_, updateSql_, params, writeResult_);
  if (writeResult_.rowsAffected == 0) {
    throw TRecordWriteError(Tr("Row cannot be located for updating. Some values may have been changed since it was last read"));
  }
  if (writeResult_.rowsAffected > 1) throw TRecordWriteError(Tr("Insufficient key column information for updating or refreshing"));
  return true;
}

}  // namespace tabrin
