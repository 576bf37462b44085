#pragma once
// Small shared vocabulary of the export component: value kinds of columns,
// kinds of sources and the name a message gives each source kind.
#include <string>

namespace tabrin {

// Value kind of an export column (values 0-9, persisted as such).
enum TFerranColType {
  ectInteger,
  ectBigint,
  ectFloat,
  ectCurrency,
  ectDate,
  ectTime,
  ectDateTime,
  ectString,
  ectBoolean,
  ectUnknown
};

// Kind of source an export reads (values 0-4).
enum TFerranSource { esDataSet, esListView, esDBGrid, esStringGrid, esCustom };

// "DataSet", "ListView", ... as the error messages name the kinds; empty for
// a value outside the enumeration.
std::string SourceKindName(TFerranSource kind);

}  // namespace tabrin
