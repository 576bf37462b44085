#include "xls/biff8/used_range.h"

namespace tabrin {
namespace {
void Lower(std::int32_t& first, int value) {
  if (first < 0 || value < first) first = value;
}
void Raise(std::int32_t& last, int value) {
  if (last < 0 || value > last) last = value;
}
}  // namespace

void TxlsBoundSheet::Widen(int row, int col) {
  Lower(FirstRow, row);
  Raise(LastRow, row);
  Lower(FirstCol, col);
  Raise(LastCol, col);
}

TxlsBoundSheet& TxlsBoundSheetList::Add(TxlsBoundSheet sheet) {
  sheets_.push_back(std::move(sheet));
  return sheets_.back();
}

TxlsBoundSheet* TxlsBoundSheetList::Find(int sheetIndex) {
  // The sheet being written is nearly always the last one.
  for (auto it = sheets_.rbegin(); it != sheets_.rend(); ++it) {
    if (it->SheetIndex == sheetIndex) return &*it;
  }
  return nullptr;
}

}  // namespace tabrin
