#include "export/source_kinds.h"

#include <algorithm>
#include <optional>

#include "db/query.h"
#include "export/custom_source.h"
#include "export/dataset_source.h"
#include "export/ferran_formats.h"
#include "export/string_list.h"
#include "export/table_models.h"
#include "text/ascii.h"
#include "text/integer_text.h"

namespace tabrin::detail {
namespace {

// How many records a walk over `available` records reaches.
int WalkLimit(int available, const TFerranWalkState& walk) {
  int count = available - walk.SkipRecCount;
  if (walk.ExportRecCount > 0) count = std::min(count, walk.ExportRecCount);
  return std::max(0, count);
}

int PerChar(int pixels, int charWidth) { return charWidth > 0 ? pixels / charWidth : 0; }

class TDataSetSource final : public TExportSource {
 public:
  explicit TDataSetSource(TQuery* dataSet) : dataSet_(dataSet) {}

  bool Assigned() const override { return dataSet_ != nullptr; }
  bool Active() const override { return DataSetActive(*dataSet_); }
  bool IsEmpty() const override { return DataSetEmpty(*dataSet_); }
  void Suspend() const override {
    if (dataSet_ != nullptr) DataSetDisableControls(*dataSet_);
  }
  void Resume() const override {
    if (dataSet_ != nullptr) DataSetEnableControls(*dataSet_);
  }
  void First() const override { DataSetFirst(*dataSet_); }
  void Next() const override { DataSetNext(*dataSet_); }
  bool Eof(const TFerranWalkState&) const override { return DataSetEof(*dataSet_); }
  int KnownRecordCount() const override { return dataSet_->RecordCount(); }

  int ColumnCount() const override { return dataSet_ != nullptr ? DataSetFieldCount(*dataSet_) : 0; }
  int IndexOfName(std::string_view name, bool onlyVisible) const override {
    if (dataSet_ == nullptr) return -1;
    const int index = DataSetFieldIndex(*dataSet_, name);
    if (onlyVisible && !DataSetFieldVisible(*dataSet_, index)) return -1;
    return index;
  }
  int IndexAtPosition(int i, bool allowBlob, bool onlyVisible) const override {
    if (dataSet_ == nullptr || i < 0 || i >= DataSetFieldCount(*dataSet_)) return -1;
    if (!allowBlob && DataSetFieldIsBlob(*dataSet_, i)) return -1;
    if (onlyVisible && !DataSetFieldVisible(*dataSet_, i)) return -1;
    return i;
  }
  std::string ColumnName(int index) const override { return DataSetFieldName(*dataSet_, index); }
  TFerranColType ColumnKind(int index, bool, const TFerranFormats*) const override {
    return DataSetFieldKind(*dataSet_, index);
  }
  std::string ColumnCaption(int index, int) const override { return DataSetFieldLabel(*dataSet_, index); }
  int ColumnWidth(int index) const override { return DataSetFieldWidth(*dataSet_, index); }
  std::string ValueText(int index, const TFerranWalkState&) const override {
    return DataSetFieldText(*dataSet_, index);
  }
  const TValue* Value(int index) const override { return &DataSetFieldValue(*dataSet_, index); }

 private:
  TQuery* dataSet_;
};

// Items are read by record number; the walk does not move the list.
class TListViewSource final : public TExportSource {
 public:
  explicit TListViewSource(TListViewModel* list) : list_(list) {}

  bool Assigned() const override { return list_ != nullptr; }
  bool IsEmpty() const override { return list_->ItemCount() == 0; }
  void Suspend() const override {
    if (list_ != nullptr) list_->BeginUpdate();
  }
  void Resume() const override {
    if (list_ != nullptr) list_->EndUpdate();
  }
  void First() const override { list_->SelectItem(0); }
  void Next() const override {}
  bool Eof(const TFerranWalkState& walk) const override {
    return walk.RecordCounter == WalkLimit(list_->ItemCount(), walk);
  }
  int ItemCount() const override { return list_ != nullptr ? list_->ItemCount() : 0; }
  int KnownRecordCount() const override { return list_->ItemCount(); }

  int ColumnCount() const override { return list_ != nullptr ? list_->ColumnCount() : 0; }
  int IndexOfName(std::string_view name, bool) const override {
    if (list_ == nullptr) return -1;
    int found = -1;
    for (int i = 0; i < list_->ColumnCount(); ++i) {
      if (SameText(list_->ColumnCaption(i), name)) found = i;
    }
    return found;
  }
  std::string ColumnName(int index) const override { return list_->ColumnCaption(index); }
  TFerranColType ColumnKind(int index, bool autoCalcStrType, const TFerranFormats* formats) const override {
    if (!autoCalcStrType) return ectString;
    // With no item to look at there is nothing to guess from.
    if (list_->ItemCount() == 0) return ectInteger;
    return GuessColType(index == 0 ? list_->ItemCaption(0) : list_->SubItem(0, index - 1), formats);
  }
  std::string ColumnCaption(int index, int) const override { return list_->ColumnCaption(index); }
  int ColumnWidth(int index) const override { return list_->ColumnPixelWidth(index) / 8; }
  std::string ValueText(int index, const TFerranWalkState& walk) const override {
    const int item = walk.SkipRecCount + walk.RecordCounter;
    return index == 0 ? list_->ItemCaption(item) : list_->SubItem(item, index - 1);
  }

 private:
  TListViewModel* list_;
};

// A grid's columns over the fields of its data set.
class TDataGridSource final : public TExportSource {
 public:
  explicit TDataGridSource(TDataGridModel* grid) : grid_(grid) {}

  bool Assigned() const override { return DataSet() != nullptr; }
  bool Active() const override { return DataSetActive(*DataSet()); }
  bool IsEmpty() const override { return DataSetEmpty(*DataSet()); }
  void Suspend() const override {
    if (DataSet() != nullptr) DataSetDisableControls(*DataSet());
  }
  void Resume() const override {
    if (DataSet() != nullptr) DataSetEnableControls(*DataSet());
  }
  void First() const override {
    if (DataSetActive(*DataSet())) DataSetFirst(*DataSet());
  }
  void Next() const override { DataSetNext(*DataSet()); }
  bool Eof(const TFerranWalkState&) const override { return DataSetEof(*DataSet()); }
  int KnownRecordCount() const override { return DataSet()->RecordCount(); }

  int ColumnCount() const override { return grid_ != nullptr ? grid_->ColumnCount() : 0; }
  int IndexOfName(std::string_view name, bool onlyVisible) const override {
    if (DataSet() == nullptr) return -1;
    int found = -1;
    for (int i = 0; i < grid_->ColumnCount(); ++i) {
      const int field = FieldOfColumn(i);
      if (field < 0 || !SameText(DataSetFieldName(*DataSet(), field), name)) continue;
      if (!onlyVisible || DataSetFieldVisible(*DataSet(), field)) found = i;
    }
    return found;
  }
  int IndexAtPosition(int i, bool allowBlob, bool onlyVisible) const override {
    if (DataSet() == nullptr) return -1;
    const int field = FieldOfColumn(i);
    if (field < 0) return -1;
    if (!allowBlob && DataSetFieldIsBlob(*DataSet(), field)) return -1;
    if (onlyVisible && !DataSetFieldVisible(*DataSet(), field)) return -1;
    return i;
  }
  std::string ColumnName(int index) const override {
    const int field = FieldOfColumn(index);
    return field >= 0 ? DataSetFieldName(*DataSet(), field) : std::string();
  }
  TFerranColType ColumnKind(int index, bool, const TFerranFormats*) const override {
    const int field = FieldOfColumn(index);
    return field >= 0 ? DataSetFieldKind(*DataSet(), field) : ectUnknown;
  }
  std::string ColumnCaption(int index, int) const override { return grid_->ColumnTitle(index); }
  int ColumnWidth(int index) const override { return PerChar(grid_->ColumnPixelWidth(index), grid_->CharPixelWidth()); }
  std::string ValueText(int index, const TFerranWalkState&) const override {
    const int field = FieldOfColumn(index);
    return field >= 0 ? DataSetFieldText(*DataSet(), field) : std::string();
  }

 private:
  // The grid's data set as it is now, or null.
  TQuery* DataSet() const { return grid_ != nullptr ? grid_->DataSet() : nullptr; }
  int FieldOfColumn(int column) const { return DataSetFindFieldIndex(*DataSet(), grid_->ColumnFieldName(column)); }

  TDataGridModel* grid_;
};

// Rows below the fixed ones are the records; columns are named by number.
class TStringGridSource final : public TExportSource {
 public:
  explicit TStringGridSource(TStringGridModel* grid) : grid_(grid) {}

  bool Assigned() const override { return grid_ != nullptr; }
  bool IsEmpty() const override { return grid_->RowCount() == grid_->FixedRows(); }
  void First() const override { grid_->SetCurrentRow(grid_->FixedRows()); }
  void Next() const override {
    if (grid_->CurrentRow() < grid_->RowCount() - 1) grid_->SetCurrentRow(grid_->CurrentRow() + 1);
  }
  bool Eof(const TFerranWalkState& walk) const override {
    return walk.RecordCounter == WalkLimit(grid_->RowCount() - grid_->FixedRows(), walk);
  }
  int KnownRecordCount() const override { return grid_->RowCount() - grid_->FixedRows(); }

  int ColumnCount() const override { return grid_ != nullptr ? grid_->ColCount() : 0; }
  int IndexOfName(std::string_view name, bool) const override {
    if (grid_ == nullptr) return -1;
    const std::optional<int> position = ParseInt32(TrimAscii(name, kControlOrSpace));
    if (!position || *position < 0 || *position >= grid_->ColCount()) return -1;
    return *position;
  }
  std::string ColumnName(int index) const override { return std::to_string(index); }
  TFerranColType ColumnKind(int index, bool autoCalcStrType, const TFerranFormats* formats) const override {
    if (!autoCalcStrType) return ectString;
    return GuessColType(grid_->Cell(index, grid_->CurrentRow()), formats);
  }
  std::string ColumnCaption(int index, int captionRow) const override {
    return captionRow >= 0 ? grid_->Cell(index, captionRow) : "ColNo_" + std::to_string(index);
  }
  int ColumnWidth(int index) const override { return PerChar(grid_->ColPixelWidth(index), grid_->CharPixelWidth()); }
  std::string ValueText(int index, const TFerranWalkState&) const override {
    return grid_->Cell(index, grid_->CurrentRow());
  }

 private:
  TStringGridModel* grid_;
};

// The custom source cannot tell its size and is never taken for empty.
class TCustomSource final : public TExportSource {
 public:
  explicit TCustomSource(TfrCustomSource* source) : source_(source) {}

  bool Assigned() const override { return source_ != nullptr; }
  bool IsEmpty() const override { return true; }
  void First() const override { source_->First(); }
  void Next() const override { source_->Next(); }
  bool Eof(const TFerranWalkState&) const override { return source_->Eof(); }
  int KnownRecordCount() const override { return -1; }

  int ColumnCount() const override { return source_ != nullptr ? source_->Columns.Count() : 0; }
  int IndexOfName(std::string_view name, bool) const override {
    return source_ != nullptr ? source_->Columns.IndexOfName(name) : -1;
  }
  std::string ColumnName(int index) const override { return source_->Columns.Items(index).ColumnName(); }
  TFerranColType ColumnKind(int index, bool, const TFerranFormats*) const override {
    return source_->Columns.Items(index).ColumnType;
  }
  std::string ColumnCaption(int index, int) const override { return source_->Columns.Items(index).Caption; }
  int ColumnWidth(int index) const override { return source_->Columns.Items(index).Width; }
  std::string ValueText(int index, const TFerranWalkState&) const override {
    return source_->ValueText(source_->Columns.Items(index));
  }

 private:
  TfrCustomSource* source_;
};

}  // namespace

std::unique_ptr<TExportSource> MakeExportSource(const TFerranSourceRefs& refs) {
  switch (refs.ExportSource) {
    case esListView: return std::make_unique<TListViewSource>(refs.ListView);
    case esDBGrid: return std::make_unique<TDataGridSource>(refs.DBGrid);
    case esStringGrid: return std::make_unique<TStringGridSource>(refs.StringGrid);
    case esCustom: return std::make_unique<TCustomSource>(refs.CustomSource);
    case esDataSet: break;
  }
  return std::make_unique<TDataSetSource>(refs.DataSet);
}

}  // namespace tabrin::detail
