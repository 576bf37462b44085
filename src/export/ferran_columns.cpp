#include "export/ferran_columns.h"

#include <algorithm>

#include "export/ferran_formats.h"
#include "text/ascii.h"
#include "text/integer_text.h"

namespace tabrin {

namespace {

std::string FormatOfKind(TFerranColType kind, const TFerranFormats& formats) {
  switch (kind) {
    case ectInteger:
    case ectBigint: return formats.IntegerFormat();
    case ectFloat: return formats.FloatFormat();
    case ectCurrency: return formats.CurrencyFormat();
    case ectDate: return formats.DateFormat();
    case ectTime: return formats.TimeFormat();
    case ectDateTime: return formats.DateTimeFormat();
    default: return {};
  }
}

}  // namespace

void TFerranColumns::Build(bool allowBlob) {
  settings_ = holder_.HolderSettings();
  const TFerranSourceAdapter source(settings_.Sources);
  const bool byName = settings_.ExportedFields != nullptr && !settings_.ExportedFields->empty();
  const int n = byName ? static_cast<int>(settings_.ExportedFields->size()) : source.ColumnCount();

  const std::size_t firstNew = items_.size();
  for (int i = 0; i < n; ++i) {
    const int index = byName
                          ? source.IndexOfName((*settings_.ExportedFields)[static_cast<std::size_t>(i)],
                                               settings_.OnlyVisibleFields)
                          : source.IndexAtPosition(i, allowBlob, settings_.OnlyVisibleFields);
    if (index == -1) continue;
    TFerranColumn column;
    column.SourceIndex = index;
    items_.push_back(std::move(column));
  }
  for (std::size_t i = firstNew; i < items_.size(); ++i) FillAttributes(items_[i], source);
}

void TFerranColumns::FillAttributes(TFerranColumn& column, const TFerranSourceAdapter& source) const {
  const int index = column.SourceIndex;
  column.Name = source.ColumnName(index);
  column.Kind = source.ColumnKind(index, settings_.AutoCalcStrType, settings_.Formats);

  std::optional<std::string> caption;
  if (settings_.Captions != nullptr) caption = FindValue(*settings_.Captions, column.Name);
  column.Caption = caption ? *caption : source.ColumnCaption(index, settings_.CaptionRow);

  std::optional<std::string> width;
  if (settings_.ColumnsWidth != nullptr) width = FindValue(*settings_.ColumnsWidth, column.Name);
  column.Width = width ? ParseInt32(TrimAscii(*width, kControlOrSpace)).value_or(0) : source.ColumnWidth(index);

  column.Format.clear();
  if (settings_.Formats != nullptr) column.Format = FormatOfKind(column.Kind, *settings_.Formats);
  if (settings_.UserFormats != nullptr) {
    if (auto userFormat = FindValue(*settings_.UserFormats, column.Name)) column.Format = *userFormat;
  }
}

int TFerranColumns::IndexOfName(std::string_view name) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (SameText(items_[i].Name, name)) return static_cast<int>(i);
  }
  return -1;
}

void TFerranRow::Clear() {
  cells_.clear();
  nameIndex_.clear();
}

void TFerranRow::Add(std::string_view name, int columnIndex) {
  cells_.push_back(TFerranCol{std::string(TrimAscii(name, kControlOrSpace)), std::string(), columnIndex});
}

void TFerranRow::Build(const TFerranColumns& columns) {
  Clear();
  for (int i = 0; i < columns.Count(); ++i) {
    Add(columns.Items(i).Name, i);
    nameIndex_.emplace_back(columns.Items(i).Name, i);
  }
  std::stable_sort(nameIndex_.begin(), nameIndex_.end(),
                   [](const auto& a, const auto& b) { return TextLess(a.first, b.first); });
}

void TFerranRow::SetValue(std::string_view name, std::string_view value) {
  auto it = std::lower_bound(nameIndex_.begin(), nameIndex_.end(), name,
                             [](const auto& entry, std::string_view key) { return TextLess(entry.first, key); });
  // A column exported twice under one name gets the value in every cell, not
  // only in the first one the index finds.
  for (; it != nameIndex_.end() && SameText(it->first, name); ++it) {
    cells_[static_cast<std::size_t>(it->second)].Value = TrimAscii(value, kControlOrSpace);
  }
}

void TFerranRow::SetValueAt(int position, std::string_view value) {
  cells_.at(static_cast<std::size_t>(position)).Value = TrimAscii(value, kControlOrSpace);
}

}  // namespace tabrin
