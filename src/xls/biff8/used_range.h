#pragma once
// The sheet entries of one workbook output (one per sheet written, in export
// order): where the sheet stands in the workbook stream and which cells it
// uses.  The writer widens the used range with every cell record it writes;
// FinishWorkbook turns the used ranges into DIMENSIONS records and the
// positions into BOUNDSHEET records.
#include <cstdint>
#include <string>
#include <vector>

namespace tabrin {

struct TxlsBoundSheet {
  int SheetIndex = 0;
  std::string Title;  // UTF-8
  std::uint64_t BofPosition = 0;
  std::uint64_t BoundSheetPosition = 0;  // inside the globals tail
  std::uint64_t DimensionsPosition = 0;
  std::int32_t FirstRow = -1, LastRow = -1, FirstCol = -1, LastCol = -1;

  bool HasCells() const { return FirstRow >= 0 && LastRow >= 0 && FirstCol >= 0 && LastCol >= 0; }
  void Widen(int row, int col);
};

class TxlsBoundSheetList {
 public:
  TxlsBoundSheet& Add(TxlsBoundSheet sheet);
  TxlsBoundSheet* Find(int sheetIndex);
  std::size_t Count() const { return sheets_.size(); }
  TxlsBoundSheet& operator[](std::size_t i) { return sheets_[i]; }
  const TxlsBoundSheet& operator[](std::size_t i) const { return sheets_[i]; }
  auto begin() { return sheets_.begin(); }
  auto end() { return sheets_.end(); }
  auto begin() const { return sheets_.begin(); }
  auto end() const { return sheets_.end(); }

 private:
  std::vector<TxlsBoundSheet> sheets_;
};

}  // namespace tabrin
