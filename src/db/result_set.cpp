#include "db/result_set.h"

namespace tabrin {

void TResultSet::Rewind() {
  current_ = 0;
  eof_ = result_.rows.empty();
  decodedRow_ = -1;
}

void TResultSet::Clear() {
  result_.rows.clear();
  currentRow_.clear();
  Rewind();
}

void TResultSet::Next() {
  if (eof_) return;
  if (current_ + 1 < RowCount()) {
    ++current_;
  } else {
    eof_ = true;
  }
}

void TResultSet::MoveTo(int row) {
  const int count = RowCount();
  if (row < 0) row = 0;
  if (row >= count) {
    current_ = count > 0 ? count - 1 : 0;
    eof_ = true;
    return;
  }
  current_ = row;
  eof_ = false;
}

const TRow& TResultSet::CurrentRow() const {
  if (decodedRow_ != current_) {
    result_.rows.Decode(static_cast<std::size_t>(current_), currentRow_);
    decodedRow_ = current_;
  }
  return currentRow_;
}

void TResultSet::AppendRow(const TRow& row) {
  result_.rows.push_back(row);
  current_ = RowCount() - 1;
  eof_ = false;
  decodedRow_ = -1;
}

void TResultSet::ReplaceCurrentRow(const TRow& row) {
  result_.rows.Replace(static_cast<std::size_t>(current_), row);
  decodedRow_ = -1;
}

}  // namespace tabrin
