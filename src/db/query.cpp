#include "db/query.h"

#include <algorithm>
#include <cctype>

#include "db/connection.h"
#include "db/sql_shape.h"
#include "text/ascii.h"
#include "text/error.h"
#include "text/format.h"

namespace tabrin {
namespace {

// The hidden column that carries a row's identity (SQLite's rowid).
constexpr std::string_view kLocatorAlias = "tabrin_row_locator_";

const TValue kNull;

}  // namespace

TQuery::TQuery(std::string name, TConnection* connection) : name_(std::move(name)), connection_(connection) {}

TQuery::TQuery(const TQueryDef& def, TConnection& connection) : name_(def.name), connection_(&connection) {
  declared_.assign(def.fields.begin(), def.fields.end());
  sql_ = std::string(def.sql);
}

TQuery::~TQuery() = default;

void TQuery::Fail(const std::string& message) const { throw TabrinError(name_ + ": " + message); }

void TQuery::SetConnection(TConnection* connection) {
  if (Active()) Fail("Operation is not allowed when the object is open");
  connection_ = connection;
}

void TQuery::SetDeclaredFields(std::span<const TFieldDef> fields) {
  if (Active()) Fail("Operation is not allowed when the object is open");
  declared_.assign(fields.begin(), fields.end());
  fields_.clear();
  boundColumns_.clear();
}

void TQuery::ClearSql() { sql_.clear(); }

void TQuery::AddSql(std::string_view line) {
  if (!sql_.empty()) sql_ += '\n';
  sql_ += line;
}

void TQuery::SetSql(std::string_view sql) { sql_ = std::string(sql); }

void TQuery::SetParameter(std::size_t index, TValue value) {
  if (params_.size() <= index) params_.resize(index + 1);
  params_[index] = std::move(value);
}

void TQuery::CheckActive() const {
  if (!Active()) Fail("Cannot perform this operation on a closed dataset");
}

void TQuery::Open() {
  if (Active()) return;
  if (connection_ == nullptr) Fail("Missing Connection or ConnectionString");
  if (sql_.find_first_not_of(" \t\r\n") == std::string::npos) Fail("Command text was not set for the command object");
  connection_->Open();

  if (sql_ != analysedSql_) {
    const detail::TSqlShape shape = detail::AnalyseSql(sql_);
    analysedSql_ = sql_;
    analysedTable_ = shape.table;
    analysedSelectAt_ = shape.selectListAt;
    runSql_.clear();
  }
  table_.clear();
  locatorColumn_ = -1;
  if (!analysedTable_.empty()) {
    const TTableInfo& info = connection_->TableInfo(analysedTable_);
    if (info.exists) {
      table_ = analysedTable_;
      if (!info.rowLocator.empty()) {
        if (runSql_.empty()) {
          runSql_ = sql_;
          runSql_.insert(analysedSelectAt_, " " + info.rowLocator + " AS " + std::string(kLocatorAlias) + ",");
        }
        locatorColumn_ = 0;
      }
    }
  }
  const std::string& runSql = locatorColumn_ >= 0 ? runSql_ : sql_;

  // Opened again with the same SQL (a lookup per imported row), the held
  // statement runs at once and, while its columns stay the same, the fields
  // bound to them stay as they are.
  bool sameColumns = false;
  try {
    sameColumns = connection_->RunHeld(openHold_, runSql, params_, result_);
  } catch (const TQueryStatementError& error) {
    Fail(error.what());
  }
  if (columns_.empty()) Fail("CommandText does not return a result set");
  decodedRow_ = -1;
  if (!sameColumns || boundColumns_.empty()) BindFields();
  state_ = TDataSetState::dsBrowse;
  current_ = 0;
  eof_ = rows_.empty();
}

void TQuery::BindFields() {
  // Re-running the same statement gives the same columns: keep the fields.
  const bool sameColumns =
      !fields_.empty() && boundColumns_.size() == columns_.size() &&
      std::equal(columns_.begin(), columns_.end(), boundColumns_.begin(),
                 [](const TColumnInfo& a, const TColumnInfo& b) { return a.name == b.name && a.type == b.type; });
  if (sameColumns) return;
  fields_.clear();
  fieldIndex_.clear();
  boundColumns_.clear();
  insertMask_.clear();
  insertSql_.clear();
  updateMask_.clear();
  updateAssignments_.clear();

  std::unordered_map<std::string, int> columnByName;
  for (int i = 0; i < static_cast<int>(columns_.size()); ++i) {
    if (i == locatorColumn_) continue;
    columnByName.emplace(LowerAscii(columns_[static_cast<std::size_t>(i)].name), i);
  }
  std::vector<std::unique_ptr<TField>> fields;
  if (declared_.empty()) {
    for (int i = 0; i < static_cast<int>(columns_.size()); ++i) {
      if (i == locatorColumn_) continue;
      const TColumnInfo& column = columns_[static_cast<std::size_t>(i)];
      fields.push_back(std::make_unique<TField>(*this, i, column.name, column.type, column.size));
    }
  } else {
    for (const TFieldDef& def : declared_) {
      const std::string label(def.title.empty() ? def.name : def.title);
      auto found = columnByName.find(LowerAscii(def.name));
      if (found == columnByName.end()) Fail(FormatMessage("Field '%s' not found", {label}));
      const TColumnInfo& column = columns_[static_cast<std::size_t>(found->second)];
      if (!KindMatchesColumn(def.kind, column.type)) {
        Fail(FormatMessage("Type mismatch for field '%s', expecting: %s actual: %s",
                           {label, FieldTypeName(FieldTypeOfKind(def.kind)), FieldTypeName(column.type)}));
      }
      fields.push_back(std::make_unique<TField>(*this, found->second, def));
    }
  }
  fields_ = std::move(fields);
  ++fieldsVersion_;
  for (int i = 0; i < static_cast<int>(fields_.size()); ++i) {
    fieldIndex_.emplace(LowerAscii(fields_[static_cast<std::size_t>(i)]->FieldName()), i);
  }
  boundColumns_ = columns_;
}

void TQuery::Close() {
  state_ = TDataSetState::dsInactive;
  rows_.clear();
  decodedRow_ = -1;
  currentRow_.clear();
  editBuffer_.clear();
  modified_.clear();
  current_ = 0;
  eof_ = true;
}

void TQuery::CheckBrowseMode() {
  CheckActive();
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) Post();
}

void TQuery::First() {
  CheckBrowseMode();
  current_ = 0;
  eof_ = rows_.empty();
}

void TQuery::Next() {
  CheckBrowseMode();
  if (eof_) return;
  if (current_ + 1 < static_cast<int>(rows_.size())) {
    ++current_;
  } else {
    eof_ = true;
  }
}

void TQuery::MoveTo(int recNo) {
  CheckBrowseMode();
  const int count = static_cast<int>(rows_.size());
  if (recNo < 0) recNo = 0;
  if (recNo >= count) {
    current_ = count > 0 ? count - 1 : 0;
    eof_ = true;
    return;
  }
  current_ = recNo;
  eof_ = false;
}

bool TQuery::Eof() const {
  CheckActive();
  return eof_;
}

int TQuery::RecordCount() const {
  CheckActive();
  return static_cast<int>(rows_.size());
}

int TQuery::FieldCount() const { return static_cast<int>(fields_.size()); }

TField& TQuery::Fields(int index) {
  if (index < 0 || index >= FieldCount()) Fail(FormatMessage("Field index out of range: %d", {index}));
  return *fields_[static_cast<std::size_t>(index)];
}

TField* TQuery::FindField(std::string_view name) {
  auto found = fieldIndex_.find(LowerAscii(name));
  return found == fieldIndex_.end() ? nullptr : fields_[static_cast<std::size_t>(found->second)].get();
}

TField& TQuery::FieldByName(std::string_view name) {
  if (TField* field = FindField(name)) return *field;
  Fail(FormatMessage("Field '%s' not found", {name}));
}

const TValue& TQuery::CurrentValue(int column) const {
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) {
    return editBuffer_[static_cast<std::size_t>(column)];
  }
  if (state_ == TDataSetState::dsInactive || rows_.empty()) return kNull;
  return CurrentRow()[static_cast<std::size_t>(column)];
}

const TRow& TQuery::CurrentRow() const {
  if (decodedRow_ != current_) {
    rows_.Decode(static_cast<std::size_t>(current_), currentRow_);
    decodedRow_ = current_;
  }
  return currentRow_;
}

void TQuery::StoreValue(int column, TValue value) {
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) {
    CheckActive();
    Fail("Dataset not in edit or insert mode");
  }
  editBuffer_[static_cast<std::size_t>(column)] = std::move(value);
  modified_[static_cast<std::size_t>(column)] = true;
}

void TQuery::CheckWritable() const {
  if (table_.empty()) Fail("Cannot modify a read-only dataset");
}

void TQuery::Append() {
  CheckBrowseMode();
  CheckWritable();
  editBuffer_.assign(columns_.size(), TValue());
  modified_.assign(columns_.size(), false);
  state_ = TDataSetState::dsInsert;
}

void TQuery::Edit() {
  CheckActive();
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) return;
  CheckWritable();
  if (rows_.empty()) {
    Fail("Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current record");
  }
  editBuffer_ = CurrentRow();
  modified_.assign(columns_.size(), false);
  state_ = TDataSetState::dsEdit;
}

void TQuery::Cancel() {
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) state_ = TDataSetState::dsBrowse;
  editBuffer_.clear();
  modified_.clear();
}

void TQuery::Post() {
  CheckActive();
  if (state_ == TDataSetState::dsInsert) {
    PostInsert();
  } else if (state_ == TDataSetState::dsEdit) {
    PostUpdate();
  }
}

void TQuery::PostInsert() {
  std::vector<TValue> params;
  params.reserve(columns_.size());
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (modified_[i]) params.push_back(editBuffer_[i]);
  }
  if (modified_ != insertMask_ || insertSql_.empty()) {
    TBackend& backend = connection_->Backend();
    std::string names;
    std::string markers;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (!modified_[i]) continue;
      if (!names.empty()) {
        names += ", ";
        markers += ", ";
      }
      names += backend.QuoteIdentifier(columns_[i].name);
      markers += '?';
    }
    insertSql_ = "INSERT INTO " + table_ +
                 (names.empty() ? std::string(" DEFAULT VALUES") : " (" + names + ") VALUES (" + markers + ")");
    insertMask_ = modified_;
  }
  connection_->RunHeld(insertHold_, insertSql_, params, writeResult_);
  if (writeResult_.rowsAffected == 0) Fail("The record was not added");
  if (locatorColumn_ >= 0) editBuffer_[static_cast<std::size_t>(locatorColumn_)] = writeResult_.insertedRowLocator;
  rows_.push_back(editBuffer_);
  current_ = static_cast<int>(rows_.size()) - 1;
  decodedRow_ = -1;
  eof_ = false;
  editBuffer_.clear();
  modified_.clear();
  state_ = TDataSetState::dsBrowse;
}

// The condition that finds the record being edited again: its primary key,
// else its row identity, else every value it was read with.  Returns false
// when only the values can identify it.
bool TQuery::RecordCondition(std::string& where, std::vector<TValue>& params) const {
  TBackend& backend = connection_->Backend();
  const TRow& original = CurrentRow();
  const TTableInfo& info = connection_->TableInfo(table_);

  std::vector<std::size_t> keyColumns;
  for (const std::string& key : info.keyColumns) {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (static_cast<int>(i) != locatorColumn_ && EqualNoCaseAscii(columns_[i].name, key)) {
        keyColumns.push_back(i);
        break;
      }
    }
  }
  auto addCondition = [&](const std::string& column, const TValue& value) {
    if (!where.empty()) where += " AND ";
    if (value.IsNull()) {
      where += column + " IS NULL";
    } else {
      where += column + " = ?";
      params.push_back(value);
    }
  };
  if (!info.keyColumns.empty() && keyColumns.size() == info.keyColumns.size()) {
    for (std::size_t i : keyColumns) addCondition(backend.QuoteIdentifier(columns_[i].name), original[i]);
    return true;
  }
  if (locatorColumn_ >= 0 && !original[static_cast<std::size_t>(locatorColumn_)].IsNull()) {
    addCondition(info.rowLocator, original[static_cast<std::size_t>(locatorColumn_)]);
    return true;
  }
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (static_cast<int>(i) == locatorColumn_ || IsBlobType(columns_[i].type)) continue;
    addCondition(backend.QuoteIdentifier(columns_[i].name), original[i]);
  }
  return false;
}

void TQuery::PostUpdate() {
  std::vector<TValue> params;
  params.reserve(columns_.size() + 1);
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (modified_[i]) params.push_back(editBuffer_[i]);
  }
  if (modified_ != updateMask_) {
    TBackend& backend = connection_->Backend();
    updateAssignments_.clear();
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (!modified_[i]) continue;
      if (!updateAssignments_.empty()) updateAssignments_ += ", ";
      updateAssignments_ += backend.QuoteIdentifier(columns_[i].name) + " = ?";
    }
    updateMask_ = modified_;
  }
  const std::string& assignments = updateAssignments_;
  if (!assignments.empty()) {
    std::string where;
    std::vector<TValue> whereParams;
    const bool identified = RecordCondition(where, whereParams);
    if (!identified) {
      // Only the values tell the record: refuse when they fit several.
      TStatementResult count = connection_->Run("SELECT COUNT(*) FROM " + table_ + " WHERE " + where, whereParams);
      const double matches = count.rows.empty() || count.rows[0].empty() ? 0 : count.rows[0][0].Number();
      if (matches > 1) Fail("Insufficient key column information for updating or refreshing");
    }
    params.insert(params.end(), whereParams.begin(), whereParams.end());
    // Records of one table are found again the same way, so the statement
    // text repeats: build it only when its parts change.
    if (where != updateWhere_ || table_ != updateTable_ || updateSql_.empty() || updateSqlAssignments_ != assignments) {
      updateWhere_ = where;
      updateTable_ = table_;
      updateSqlAssignments_ = assignments;
      updateSql_ = "UPDATE " + table_ + " SET " + assignments + " WHERE " + where;
    }
    connection_->RunHeld(updateHold_, updateSql_, params, writeResult_);
    if (writeResult_.rowsAffected == 0) {
      Fail("Row cannot be located for updating. Some values may have been changed since it was last read");
    }
    if (writeResult_.rowsAffected > 1) Fail("Insufficient key column information for updating or refreshing");
    rows_.Replace(static_cast<std::size_t>(current_), editBuffer_);
    decodedRow_ = -1;
  }
  editBuffer_.clear();
  modified_.clear();
  state_ = TDataSetState::dsBrowse;
}

}  // namespace tabrin
