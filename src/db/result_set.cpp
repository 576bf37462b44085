#include "db/result_set.h"

namespace tabrin {

void TResultSet::Rewind() {
  current_ = 0;
  eof_ = StoredRowCount() == 0;
  decodedRow_ = -1;
}

void TResultSet::Clear() {
  tailPending_ = false;
  result_.rows.clear();
  result_.rowSource.reset();
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

void TResultSet::StorePendingRow() const {
  if (!tailPending_) return;
  result_.rows.push_back(currentRow_);
  tailPending_ = false;
}

const TRow& TResultSet::CurrentRow() const {
  if (decodedRow_ != current_) {
    StorePendingRow();
    if (result_.rowSource) {
      result_.rowSource->Decode(static_cast<std::size_t>(current_), currentRow_);
    } else {
      result_.rows.Decode(static_cast<std::size_t>(current_), currentRow_);
    }
    decodedRow_ = current_;
  }
  return currentRow_;
}

void TResultSet::TakeRowsFromSource() {
  if (!result_.rowSource) return;
  const std::shared_ptr<const TRowSource> source = std::move(result_.rowSource);
  result_.rows.clear();
  result_.rows.reserve(source->Size());
  TRow row;
  for (std::size_t i = 0; i < source->Size(); ++i) {
    source->Decode(i, row);
    result_.rows.push_back(row);
  }
}

void TResultSet::AppendRow(TRow&& row) {
  TakeRowsFromSource();
  StorePendingRow();
  // Swapped rather than moved, so that the edit buffer gets this row's
  // room back for the next record instead of allocating anew.
  currentRow_.swap(row);
  tailPending_ = true;
  current_ = RowCount() - 1;
  decodedRow_ = current_;
  eof_ = false;
}

void TResultSet::ReplaceCurrentRow(const TRow& row) {
  TakeRowsFromSource();
  if (tailPending_ && current_ == RowCount() - 1) {
    currentRow_ = row;
    decodedRow_ = current_;
    return;
  }
  result_.rows.Replace(static_cast<std::size_t>(current_), row);
  decodedRow_ = -1;
}

}  // namespace tabrin
