#include "export/source_adapter.h"

#include "export/ferran_formats.h"
#include "export/ferran_locale.h"
#include "export/source_kinds.h"
#include "export/string_list.h"
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

TFerranSourceAdapter::TFerranSourceAdapter(const TFerranSourceRefs& refs)
    : refs_(refs), source_(MakeExportSource(refs)) {}

TFerranSourceAdapter::~TFerranSourceAdapter() = default;

void TFerranSourceAdapter::CheckAssigned() const {
  if (!source_->Assigned()) RaiseFerranError(msgSourceNotAssigned, {SourceKindName(refs_.ExportSource)});
}

void TFerranSourceAdapter::CheckActive() const {
  if (!source_->Active()) RaiseFerranError(msgSourceClosed, {SourceKindName(refs_.ExportSource)});
}

bool TFerranSourceAdapter::IsEmpty() const { return source_->IsEmpty(); }
void TFerranSourceAdapter::Suspend() const { source_->Suspend(); }
void TFerranSourceAdapter::Resume() const { source_->Resume(); }
void TFerranSourceAdapter::First() const { source_->First(); }
void TFerranSourceAdapter::Next() const { source_->Next(); }
bool TFerranSourceAdapter::Eof(const TFerranWalkState& walk) const { return source_->Eof(walk); }
int TFerranSourceAdapter::ItemCount() const { return source_->ItemCount(); }
int TFerranSourceAdapter::KnownRecordCount() const { return source_->KnownRecordCount(); }
int TFerranSourceAdapter::ColumnCount() const { return source_->ColumnCount(); }

int TFerranSourceAdapter::IndexOfName(std::string_view name, bool onlyVisible) const {
  return source_->IndexOfName(name, onlyVisible);
}

int TFerranSourceAdapter::IndexAtPosition(int i, bool allowBlob, bool onlyVisible) const {
  return source_->IndexAtPosition(i, allowBlob, onlyVisible);
}

std::string TFerranSourceAdapter::ColumnName(int index) const { return source_->ColumnName(index); }

TFerranColType TFerranSourceAdapter::ColumnKind(int index, bool autoCalcStrType, const TFerranFormats* formats) const {
  return source_->ColumnKind(index, autoCalcStrType, formats);
}

std::string TFerranSourceAdapter::ColumnCaption(int index, int captionRow) const {
  return source_->ColumnCaption(index, captionRow);
}

int TFerranSourceAdapter::ColumnWidth(int index) const { return source_->ColumnWidth(index); }

std::string TFerranSourceAdapter::ValueText(int index, const TFerranWalkState& walk) const {
  return source_->ValueText(index, walk);
}

}  // namespace tabrin

namespace tabrin {

const TValue* TFerranSourceAdapter::Value(int index) const { return source_->Value(index); }

}  // namespace tabrin
