#include "export/dataset_source.h"

#include "db/query.h"

namespace tabrin::detail {

namespace {

// The query's field objects are reached through a non-const query; reading
// them changes nothing.
TField& FieldAt(const TQuery& dataSet, int index) { return const_cast<TQuery&>(dataSet).Fields(index); }

}  // namespace

bool DataSetActive(const TQuery& dataSet) { return dataSet.Active(); }
bool DataSetEmpty(const TQuery& dataSet) { return dataSet.IsEmpty(); }
void DataSetDisableControls(TQuery& dataSet) { dataSet.DisableControls(); }
void DataSetEnableControls(TQuery& dataSet) { dataSet.EnableControls(); }
void DataSetFirst(TQuery& dataSet) { dataSet.First(); }
void DataSetNext(TQuery& dataSet) { dataSet.Next(); }
bool DataSetEof(const TQuery& dataSet) { return dataSet.Eof(); }

int DataSetFieldCount(const TQuery& dataSet) { return dataSet.FieldCount(); }

int DataSetFieldIndex(const TQuery& dataSet, std::string_view name) {
  TQuery& query = const_cast<TQuery&>(dataSet);
  TField& field = query.FieldByName(name);
  for (int i = 0; i < query.FieldCount(); ++i) {
    if (&query.Fields(i) == &field) return i;
  }
  return -1;
}

int DataSetFindFieldIndex(const TQuery& dataSet, std::string_view name) {
  if (name.empty()) return -1;
  TQuery& query = const_cast<TQuery&>(dataSet);
  const TField* field = query.FindField(name);
  if (field == nullptr) return -1;
  for (int i = 0; i < query.FieldCount(); ++i) {
    if (&query.Fields(i) == field) return i;
  }
  return -1;
}

bool DataSetFieldVisible(const TQuery& dataSet, int index) { return FieldAt(dataSet, index).Visible(); }
bool DataSetFieldIsBlob(const TQuery& dataSet, int index) { return FieldAt(dataSet, index).IsBlob(); }
std::string DataSetFieldName(const TQuery& dataSet, int index) { return FieldAt(dataSet, index).FieldName(); }

TFerranColType DataSetFieldKind(const TQuery& dataSet, int index) {
  switch (FieldAt(dataSet, index).DataType()) {
    case TFieldType::ftString:
    case TFieldType::ftWideString:
    case TFieldType::ftMemo:
    case TFieldType::ftWideMemo:
    case TFieldType::ftBlob: return ectString;
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftAutoInc: return ectInteger;
    case TFieldType::ftLargeint: return ectBigint;
    case TFieldType::ftBoolean: return ectBoolean;
    case TFieldType::ftFloat:
    case TFieldType::ftBCD: return ectFloat;
    case TFieldType::ftCurrency: return ectCurrency;
    case TFieldType::ftDate: return ectDate;
    case TFieldType::ftTime: return ectTime;
    case TFieldType::ftDateTime: return ectDateTime;
    default: return ectUnknown;
  }
}

std::string DataSetFieldLabel(const TQuery& dataSet, int index) { return FieldAt(dataSet, index).DisplayLabel(); }
int DataSetFieldWidth(const TQuery& dataSet, int index) { return FieldAt(dataSet, index).DisplayWidth(); }

std::string DataSetFieldText(const TQuery& dataSet, int index) {
  const TField& field = FieldAt(dataSet, index);
  if (field.IsNull()) return {};
  return field.AsString();
}

const TValue& DataSetFieldValue(const TQuery& dataSet, int index) { return FieldAt(dataSet, index).Value(); }

}  // namespace tabrin::detail
