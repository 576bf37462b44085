#include "export/custom_source.h"

#include "export/string_list.h"
#include "text/format.h"
#include "text/regional.h"

namespace tabrin {

std::string CustomValueText(const TCustomValue& value) {
  struct Visitor {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(bool b) const { return b ? "True" : "False"; }
    std::string operator()(std::int64_t n) const { return std::to_string(n); }
    std::string operator()(double d) const { return TRegionalFormats::System().FloatToText(d); }
    std::string operator()(const std::string& s) const { return s; }
  };
  return std::visit(Visitor{}, value);
}

TfrCustomColumn::TfrCustomColumn(TfrCustomColumns& owner) : owner_(owner) {
  for (int n = 0;; ++n) {
    std::string candidate = "Column" + std::to_string(n);
    if (owner_.IndexOfName(candidate) < 0) {
      columnName_ = candidate;
      break;
    }
  }
  Caption = columnName_;
}

void TfrCustomColumn::SetColumnName(std::string_view name) {
  if (name.empty()) return;
  const int existing = owner_.IndexOfName(name);
  if (existing >= 0) return;  // also when it is this column's own name in another case
  columnName_ = std::string(name);
}

TfrCustomColumn& TfrCustomColumns::Add() {
  auto column = std::make_unique<TfrCustomColumn>(*this);
  items_.push_back(std::move(column));
  return *items_.back();
}

int TfrCustomColumns::IndexOfName(std::string_view name) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (SameText(items_[i]->ColumnName(), name)) return static_cast<int>(i);
  }
  return -1;
}

void TfrCustomSource::First() {
  recNo_ = 1;
  eof_ = false;
}

void TfrCustomSource::Next() {
  if (eof_) return;
  bool eof = false;
  if (OnGetNextRecord) OnGetNextRecord(*this, recNo_, eof);
  if (eof) {
    eof_ = true;
  } else {
    ++recNo_;
  }
}

std::string TfrCustomSource::ValueText(const TfrCustomColumn& column) {
  if (!OnGetColumnValue) return {};
  TCustomValue value;
  OnGetColumnValue(*this, recNo_, column, value);
  return CustomValueText(value);
}

}  // namespace tabrin
