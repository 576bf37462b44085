#include "grid/sheet_table_model.h"

#include <QStringDecoder>

#include <algorithm>
#include <exception>
#include <optional>
#include <string_view>

#include "db/field.h"
#include "db/field_type.h"

namespace tabrin::grid {

bool IsNumberField(const TField& field) {
  const TFieldType type = field.DataType();
  return IsFloatType(type) || IsSmallIntegerType(type) || type == TFieldType::ftLargeint;
}

namespace {

struct TQueryPosition {
  int recNo;
  bool eof;
};

std::optional<TQueryPosition> PositionOf(const TQuery* query) {
  if (!query || query->State() != TDataSetState::dsBrowse) return std::nullopt;
  return TQueryPosition{query->RecNo(), query->Eof()};
}

void Restore(TQuery& query, const TQueryPosition& position) {
  query.MoveTo(position.eof ? query.RecordCount() : position.recNo);
}

}  // namespace

TSheetTableModel::TSheetTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void TSheetTableModel::ShowTitles(std::vector<TShownColumn> columns) {
  beginResetModel();
  columns_ = std::move(columns);
  notes_ = {};
  sheet_ = nullptr;
  rows_ = 0;
  snapshot_.clear();
  snapshotRows_ = 0;
  endResetModel();
}

void TSheetTableModel::ShowSheet(TQuery& sheet, std::vector<TShownColumn> columns) {
  beginResetModel();
  columns_ = std::move(columns);
  notes_ = {};
  sheet_ = &sheet;
  rows_ = sheet.RecordCount();
  fieldsVersion_ = sheet.FieldsVersion();
  snapshot_.clear();
  snapshotRows_ = 0;
  endResetModel();
}

void TSheetTableModel::SetRowNotes(TRowNotes notes) {
  beginResetModel();
  if (!columns_.empty() && columns_.front().note) columns_.erase(columns_.begin());
  notes_ = std::move(notes);
  if (notes_.label) {
    TShownColumn column;
    column.title = notes_.title;
    column.widthInCharacters = notes_.widthInCharacters;
    column.note = true;
    columns_.insert(columns_.begin(), std::move(column));
  }
  // A suspended model keeps texts by column: the columns moved.
  snapshot_.clear();
  snapshotRows_ = 0;
  endResetModel();
}

void TSheetTableModel::Suspend(int firstRow, int lastRow) {
  if (suspended_) return;
  firstRow = std::max(firstRow, 0);
  lastRow = std::min(lastRow, rows_ - 1);
  snapshot_.clear();
  snapshotFirstRow_ = firstRow;
  snapshotRows_ = std::max(lastRow - firstRow + 1, 0);
  snapshot_.reserve(static_cast<std::size_t>(snapshotRows_) * columns_.size());
  // Whoever takes the query over finds it on the record it was on.
  const std::optional<TQueryPosition> position = PositionOf(sheet_);
  for (int row = firstRow; row <= lastRow; ++row) {
    for (int column = 0; column < static_cast<int>(columns_.size()); ++column) {
      snapshot_.push_back(ReadCell(row, column));
    }
  }
  if (position) Restore(*sheet_, *position);
  suspended_ = true;
}

void TSheetTableModel::Resume() {
  suspended_ = false;
  snapshot_.clear();
  snapshotRows_ = 0;
}

int TSheetTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TSheetTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TSheetTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const TShownColumn& column = columns_[static_cast<std::size_t>(index.column())];
  switch (role) {
    case Qt::DisplayRole: return CellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
      return int((column.number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
    case Qt::ToolTipRole: {
      if (!notes_.tip || index.row() >= rows_) return {};
      const QString tip = notes_.tip(index.row());
      return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    default: return {};
  }
}

QVariant TSheetTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(columns_.size())) return {};
  const TShownColumn& column = columns_[static_cast<std::size_t>(section)];
  switch (role) {
    case Qt::DisplayRole: return column.title;
    case Qt::ToolTipRole:
      if (column.fieldName.isEmpty()) return {};
      return QStringLiteral("工作表欄位「%1」").arg(column.fieldName);
    default: return {};
  }
}

Qt::ItemFlags TSheetTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;  // never editable
}

QString TSheetTableModel::CellText(int row, int column) const {
  QString text;
  CellText(row, column, text);
  return text;
}

void TSheetTableModel::CellText(int row, int column, QString& text) const {
  if (!suspended_) {
    ReadCell(row, column, text);
    return;
  }
  const int offset = row - snapshotFirstRow_;
  if (offset < 0 || offset >= snapshotRows_) {
    text.clear();
    return;
  }
  text = snapshot_[static_cast<std::size_t>(offset) * columns_.size() + static_cast<std::size_t>(column)];
}

QString TSheetTableModel::ReadCell(int row, int column) const {
  QString text;
  ReadCell(row, column, text);
  return text;
}

namespace {

// `utf8` into `text` as QString::fromUtf8 converts it (a leading byte order
// mark kept), reusing the buffer of `text` when it is not shared.
void AssignUtf8(QString& text, std::string_view utf8) {
  text.resize(static_cast<qsizetype>(utf8.size()));  // UTF-16 is never longer
  // Codes, numbers and dates are ASCII: each byte is its character.
  if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    std::transform(utf8.begin(), utf8.end(), text.data(),
                   [](char c) { return QChar(static_cast<char16_t>(static_cast<unsigned char>(c))); });
    return;
  }
  QStringDecoder decoder(QStringDecoder::Utf8,
                         QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  const QChar* end =
      decoder.appendToBuffer(text.data(), QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
  text.resize(end - text.constData());
}

}  // namespace

void TSheetTableModel::ReadCell(int row, int column, QString& text) const {
  text.resize(0);
  const TShownColumn& shown = columns_[static_cast<std::size_t>(column)];
  if (shown.note) {
    if (row < rows_) text = notes_.label(row);
    return;
  }
  TField* field = shown.field;
  if (!sheet_ || !field) return;
  // The query may have been closed, or reopened on other columns, since it
  // was shown; then its fields are not the ones the columns point at.
  if (sheet_->State() != TDataSetState::dsBrowse || sheet_->FieldsVersion() != fieldsVersion_) return;
  try {
    if (row >= sheet_->RecordCount()) return;
    if (sheet_->Eof() || sheet_->RecNo() != row) sheet_->MoveTo(row);
    // A text is the field's text as it stands: converted without a copy.
    const TValue& value = field->Value();
    if (value.Type() == TValueType::vtText) {
      AssignUtf8(text, value.Text());
    } else {
      AssignUtf8(text, field->AsString());
    }
  } catch (const std::exception&) {
    text.resize(0);  // a paint must never throw
  }
}

}  // namespace tabrin::grid
