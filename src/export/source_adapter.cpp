#include "export/source_adapter.h"

#include <algorithm>

#include "export/custom_source.h"
#include "export/dataset_source.h"
#include "db/query.h"
#include "export/ferran_formats.h"
#include "export/ferran_locale.h"
#include "export/string_list.h"
#include "export/table_models.h"
#include "text/integer_text.h"
#include "text/regional.h"

namespace tabrin {

using namespace detail;

std::string SourceKindName(TFerranSource kind) {
  switch (kind) {
    case esDataSet: return "DataSet";
    case esListView: return "ListView";
    case esDBGrid: return "DBGrid";
    case esStringGrid: return "StringGrid";
    case esCustom: return "CustomSource";
  }
  return {};
}

void TFerranSourceRefs::Forget(const void* removed) {
  if (removed == nullptr) return;
  if (DataSet == removed) DataSet = nullptr;
  if (CustomSource == removed) CustomSource = nullptr;
  if (ListView == removed) ListView = nullptr;
  if (DBGrid == removed) DBGrid = nullptr;
  if (StringGrid == removed) StringGrid = nullptr;
}

TFerranColType GuessColType(std::string_view text, const TFerranFormats* formats) {
  if (text.empty()) return ectString;
  if (formats != nullptr && (SameText(text, formats->BooleanTrue()) || SameText(text, formats->BooleanFalse()))) {
    return ectBoolean;
  }
  if (ParseInt32(text)) return ectInteger;
  const TRegionalFormats& regional = TRegionalFormats::System();
  if (regional.ParseFloat(text)) return ectFloat;
  if (auto serial = regional.ParseDateTime(text)) {
    const double days = static_cast<double>(static_cast<long long>(*serial));
    if (*serial == days) return ectDate;
    if (days == 0) return ectTime;
    return ectDateTime;
  }
  return ectString;
}

namespace {

// The data set behind a data grid, or null.
TQuery* GridDataSet(const TDataGridModel* grid) { return grid != nullptr ? grid->DataSet() : nullptr; }

int WalkLimit(int available, const TFerranWalkState& walk) {
  int count = available - walk.SkipRecCount;
  if (walk.ExportRecCount > 0) count = std::min(count, walk.ExportRecCount);
  return std::max(0, count);
}

}  // namespace

void TFerranSourceAdapter::CheckAssigned() const {
  bool assigned = false;
  switch (refs_.ExportSource) {
    case esDataSet: assigned = refs_.DataSet != nullptr; break;
    case esListView: assigned = refs_.ListView != nullptr; break;
    case esDBGrid: assigned = GridDataSet(refs_.DBGrid) != nullptr; break;
    case esStringGrid: assigned = refs_.StringGrid != nullptr; break;
    case esCustom: assigned = refs_.CustomSource != nullptr; break;
  }
  if (!assigned) RaiseFerranError(msgSourceNotAssigned, {SourceKindName(refs_.ExportSource)});
}

void TFerranSourceAdapter::CheckActive() const {
  bool active = true;
  switch (refs_.ExportSource) {
    case esDataSet: active = DataSetActive(*refs_.DataSet); break;
    case esDBGrid: active = DataSetActive(*GridDataSet(refs_.DBGrid)); break;
    default: break;
  }
  if (!active) RaiseFerranError(msgSourceClosed, {SourceKindName(refs_.ExportSource)});
}

bool TFerranSourceAdapter::IsEmpty() const {
  switch (refs_.ExportSource) {
    case esDataSet: return DataSetEmpty(*refs_.DataSet);
    case esListView: return refs_.ListView->ItemCount() == 0;
    case esDBGrid: return DataSetEmpty(*GridDataSet(refs_.DBGrid));
    case esStringGrid: return refs_.StringGrid->RowCount() == refs_.StringGrid->FixedRows();
    case esCustom: return true;
  }
  return true;
}

void TFerranSourceAdapter::Suspend() const {
  switch (refs_.ExportSource) {
    case esDataSet:
      if (refs_.DataSet != nullptr) DataSetDisableControls(*refs_.DataSet);
      break;
    case esListView:
      if (refs_.ListView != nullptr) refs_.ListView->BeginUpdate();
      break;
    case esDBGrid:
      if (TQuery* dataSet = GridDataSet(refs_.DBGrid)) DataSetDisableControls(*dataSet);
      break;
    default: break;
  }
}

void TFerranSourceAdapter::Resume() const {
  switch (refs_.ExportSource) {
    case esDataSet:
      if (refs_.DataSet != nullptr) DataSetEnableControls(*refs_.DataSet);
      break;
    case esListView:
      if (refs_.ListView != nullptr) refs_.ListView->EndUpdate();
      break;
    case esDBGrid:
      if (TQuery* dataSet = GridDataSet(refs_.DBGrid)) DataSetEnableControls(*dataSet);
      break;
    default: break;
  }
}

void TFerranSourceAdapter::First() const {
  switch (refs_.ExportSource) {
    case esDataSet: DataSetFirst(*refs_.DataSet); break;
    case esListView: refs_.ListView->SelectItem(0); break;
    case esDBGrid: {
      TQuery* dataSet = GridDataSet(refs_.DBGrid);
      if (DataSetActive(*dataSet)) DataSetFirst(*dataSet);
      break;
    }
    case esStringGrid: refs_.StringGrid->SetCurrentRow(refs_.StringGrid->FixedRows()); break;
    case esCustom: refs_.CustomSource->First(); break;
  }
}

void TFerranSourceAdapter::Next() const {
  switch (refs_.ExportSource) {
    case esDataSet: DataSetNext(*refs_.DataSet); break;
    case esListView: break;  // items are read by record number
    case esDBGrid: DataSetNext(*GridDataSet(refs_.DBGrid)); break;
    case esStringGrid: {
      TStringGridModel& grid = *refs_.StringGrid;
      if (grid.CurrentRow() < grid.RowCount() - 1) grid.SetCurrentRow(grid.CurrentRow() + 1);
      break;
    }
    case esCustom: refs_.CustomSource->Next(); break;
  }
}

bool TFerranSourceAdapter::Eof(const TFerranWalkState& walk) const {
  switch (refs_.ExportSource) {
    case esDataSet: return DataSetEof(*refs_.DataSet);
    case esListView: return walk.RecordCounter == WalkLimit(refs_.ListView->ItemCount(), walk);
    case esDBGrid: return DataSetEof(*GridDataSet(refs_.DBGrid));
    case esStringGrid: {
      const TStringGridModel& grid = *refs_.StringGrid;
      return walk.RecordCounter == WalkLimit(grid.RowCount() - grid.FixedRows(), walk);
    }
    case esCustom: return refs_.CustomSource->Eof();
  }
  return true;
}

int TFerranSourceAdapter::ItemCount() const {
  return refs_.ExportSource == esListView && refs_.ListView != nullptr ? refs_.ListView->ItemCount() : 0;
}

int TFerranSourceAdapter::KnownRecordCount() const {
  switch (refs_.ExportSource) {
    case esDataSet: return refs_.DataSet->RecordCount();
    case esListView: return refs_.ListView->ItemCount();
    case esDBGrid: return GridDataSet(refs_.DBGrid)->RecordCount();
    case esStringGrid: return refs_.StringGrid->RowCount() - refs_.StringGrid->FixedRows();
    case esCustom: return -1;
  }
  return -1;
}

int TFerranSourceAdapter::ColumnCount() const {
  switch (refs_.ExportSource) {
    case esDataSet: return refs_.DataSet != nullptr ? DataSetFieldCount(*refs_.DataSet) : 0;
    case esListView: return refs_.ListView != nullptr ? refs_.ListView->ColumnCount() : 0;
    case esDBGrid: return refs_.DBGrid != nullptr ? refs_.DBGrid->ColumnCount() : 0;
    case esStringGrid: return refs_.StringGrid != nullptr ? refs_.StringGrid->ColCount() : 0;
    case esCustom: return refs_.CustomSource != nullptr ? refs_.CustomSource->Columns.Count() : 0;
  }
  return 0;
}

int TFerranSourceAdapter::IndexOfName(std::string_view name, bool onlyVisible) const {
  switch (refs_.ExportSource) {
    case esDataSet: {
      if (refs_.DataSet == nullptr) return -1;
      const int index = DataSetFieldIndex(*refs_.DataSet, name);
      if (onlyVisible && !DataSetFieldVisible(*refs_.DataSet, index)) return -1;
      return index;
    }
    case esListView: {
      if (refs_.ListView == nullptr) return -1;
      int found = -1;
      for (int i = 0; i < refs_.ListView->ColumnCount(); ++i) {
        if (SameText(refs_.ListView->ColumnCaption(i), name)) found = i;
      }
      return found;
    }
    case esDBGrid: {
      const TDataGridModel* grid = refs_.DBGrid;
      const TQuery* dataSet = GridDataSet(grid);
      if (dataSet == nullptr) return -1;
      int found = -1;
      for (int i = 0; i < grid->ColumnCount(); ++i) {
        const int field = DataSetFindFieldIndex(*dataSet, grid->ColumnFieldName(i));
        if (field < 0 || !SameText(DataSetFieldName(*dataSet, field), name)) continue;
        if (!onlyVisible || DataSetFieldVisible(*dataSet, field)) found = i;
      }
      return found;
    }
    case esStringGrid: {
      if (refs_.StringGrid == nullptr) return -1;
      const std::optional<int> position = ParseInt32(TrimText(name));
      if (!position || *position < 0 || *position >= refs_.StringGrid->ColCount()) return -1;
      return *position;
    }
    case esCustom: return refs_.CustomSource != nullptr ? refs_.CustomSource->Columns.IndexOfName(name) : -1;
  }
  return -1;
}

int TFerranSourceAdapter::IndexAtPosition(int i, bool allowBlob, bool onlyVisible) const {
  switch (refs_.ExportSource) {
    case esDataSet: {
      const TQuery* dataSet = refs_.DataSet;
      if (dataSet == nullptr || i < 0 || i >= DataSetFieldCount(*dataSet)) return -1;
      if (!allowBlob && DataSetFieldIsBlob(*dataSet, i)) return -1;
      if (onlyVisible && !DataSetFieldVisible(*dataSet, i)) return -1;
      return i;
    }
    case esDBGrid: {
      const TQuery* dataSet = GridDataSet(refs_.DBGrid);
      if (dataSet == nullptr) return -1;
      const int field = DataSetFindFieldIndex(*dataSet, refs_.DBGrid->ColumnFieldName(i));
      if (field < 0) return -1;
      if (!allowBlob && DataSetFieldIsBlob(*dataSet, field)) return -1;
      if (onlyVisible && !DataSetFieldVisible(*dataSet, field)) return -1;
      return i;
    }
    default: return i;
  }
}

std::string TFerranSourceAdapter::ColumnName(int index) const {
  switch (refs_.ExportSource) {
    case esDataSet: return DataSetFieldName(*refs_.DataSet, index);
    case esListView: return refs_.ListView->ColumnCaption(index);
    case esDBGrid: {
      const TQuery& dataSet = *GridDataSet(refs_.DBGrid);
      const int field = DataSetFindFieldIndex(dataSet, refs_.DBGrid->ColumnFieldName(index));
      return field >= 0 ? DataSetFieldName(dataSet, field) : std::string();
    }
    case esStringGrid: return std::to_string(index);
    case esCustom: return refs_.CustomSource->Columns.Items(index).ColumnName();
  }
  return {};
}

TFerranColType TFerranSourceAdapter::ColumnKind(int index, bool autoCalcStrType, const TFerranFormats* formats) const {
  switch (refs_.ExportSource) {
    case esDataSet: return DataSetFieldKind(*refs_.DataSet, index);
    case esListView: {
      if (!autoCalcStrType) return ectString;
      const TListViewModel& list = *refs_.ListView;
      // With no item to look at there is nothing to guess from.
      if (list.ItemCount() == 0) return ectInteger;
      return GuessColType(index == 0 ? list.ItemCaption(0) : list.SubItem(0, index - 1), formats);
    }
    case esDBGrid: {
      const TQuery& dataSet = *GridDataSet(refs_.DBGrid);
      const int field = DataSetFindFieldIndex(dataSet, refs_.DBGrid->ColumnFieldName(index));
      return field >= 0 ? DataSetFieldKind(dataSet, field) : ectUnknown;
    }
    case esStringGrid: {
      if (!autoCalcStrType) return ectString;
      const TStringGridModel& grid = *refs_.StringGrid;
      return GuessColType(grid.Cell(index, grid.CurrentRow()), formats);
    }
    case esCustom: return refs_.CustomSource->Columns.Items(index).ColumnType;
  }
  return ectUnknown;
}

std::string TFerranSourceAdapter::ColumnCaption(int index, int captionRow) const {
  switch (refs_.ExportSource) {
    case esDataSet: return DataSetFieldLabel(*refs_.DataSet, index);
    case esListView: return refs_.ListView->ColumnCaption(index);
    case esDBGrid: return refs_.DBGrid->ColumnTitle(index);
    case esStringGrid:
      return captionRow >= 0 ? refs_.StringGrid->Cell(index, captionRow) : "ColNo_" + std::to_string(index);
    case esCustom: return refs_.CustomSource->Columns.Items(index).Caption;
  }
  return {};
}

int TFerranSourceAdapter::ColumnWidth(int index) const {
  const auto perChar = [](int pixels, int charWidth) { return charWidth > 0 ? pixels / charWidth : 0; };
  switch (refs_.ExportSource) {
    case esDataSet: return DataSetFieldWidth(*refs_.DataSet, index);
    case esListView: return refs_.ListView->ColumnPixelWidth(index) / 8;
    case esDBGrid: return perChar(refs_.DBGrid->ColumnPixelWidth(index), refs_.DBGrid->CharPixelWidth());
    case esStringGrid:
      return perChar(refs_.StringGrid->ColPixelWidth(index), refs_.StringGrid->CharPixelWidth());
    case esCustom: return refs_.CustomSource->Columns.Items(index).Width;
  }
  return 0;
}

std::string TFerranSourceAdapter::ValueText(int index, const TFerranWalkState& walk) const {
  switch (refs_.ExportSource) {
    case esDataSet: return DataSetFieldText(*refs_.DataSet, index);
    case esListView: {
      const int item = walk.SkipRecCount + walk.RecordCounter;
      return index == 0 ? refs_.ListView->ItemCaption(item) : refs_.ListView->SubItem(item, index - 1);
    }
    case esDBGrid: {
      const TQuery& dataSet = *GridDataSet(refs_.DBGrid);
      const int field = DataSetFindFieldIndex(dataSet, refs_.DBGrid->ColumnFieldName(index));
      return field >= 0 ? DataSetFieldText(dataSet, field) : std::string();
    }
    case esStringGrid: return refs_.StringGrid->Cell(index, refs_.StringGrid->CurrentRow());
    case esCustom: return refs_.CustomSource->ValueText(refs_.CustomSource->Columns.Items(index));
  }
  return {};
}

}  // namespace tabrin
