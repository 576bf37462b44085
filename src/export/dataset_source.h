#pragma once
// What the export reads of a data set (a query of the data layer), kept in
// one place so that the source adapter stays independent of the query class.
#include <string>
#include <string_view>

#include "export/ferran_types.h"

namespace tabrin {
class TQuery;
class TValue;
}

namespace tabrin::detail {

bool DataSetActive(const TQuery& dataSet);
bool DataSetEmpty(const TQuery& dataSet);
void DataSetDisableControls(TQuery& dataSet);
void DataSetEnableControls(TQuery& dataSet);
void DataSetFirst(TQuery& dataSet);
void DataSetNext(TQuery& dataSet);
bool DataSetEof(const TQuery& dataSet);

int DataSetFieldCount(const TQuery& dataSet);
// Index of the field of that name; raises the data layer's field-not-found
// error when there is none.
int DataSetFieldIndex(const TQuery& dataSet, std::string_view name);
// Index of the field of that name, or -1.
int DataSetFindFieldIndex(const TQuery& dataSet, std::string_view name);
bool DataSetFieldVisible(const TQuery& dataSet, int index);
bool DataSetFieldIsBlob(const TQuery& dataSet, int index);
std::string DataSetFieldName(const TQuery& dataSet, int index);
TFerranColType DataSetFieldKind(const TQuery& dataSet, int index);
std::string DataSetFieldLabel(const TQuery& dataSet, int index);
int DataSetFieldWidth(const TQuery& dataSet, int index);
// The field's text as the data layer renders it; empty for null.
std::string DataSetFieldText(const TQuery& dataSet, int index);
// The field's value as the data layer holds it.
const TValue& DataSetFieldValue(const TQuery& dataSet, int index);

}  // namespace tabrin::detail
