#include "db/query.h"

#include <algorithm>
#include <cctype>

#include "db/connection.h"
#include "db/sql_shape.h"
#include "text/ascii.h"
#include "text/error.h"
#include "text/format.h"
#include "text/messages.h"
#include "text/translation.h"

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
  if (Active()) Fail(Tr("Operation is not allowed when the object is open"));
  connection_ = connection;
  runSqlBuilt_ = false;  // another connection's table may have other columns
}

void TQuery::SetDeclaredFields(std::span<const TFieldDef> fields) {
  if (Active()) Fail(Tr("Operation is not allowed when the object is open"));
  declared_.assign(fields.begin(), fields.end());
  fields_.clear();
  boundColumns_.clear();
  runSqlBuilt_ = false;  // the columns named instead of "*" follow the fields
}

void TQuery::ClearSql() { sql_.clear(); }

void TQuery::AddSql(std::string_view line) {
  if (!sql_.empty()) sql_ += '\n';
  sql_ += line;
}

// Assigned in place: a lookup is given the same SQL again for every row.
void TQuery::SetSql(std::string_view sql) { sql_.assign(sql); }

void TQuery::SetParameter(std::size_t index, TValue value) {
  if (params_.size() <= index) params_.resize(index + 1);
  params_[index] = std::move(value);
}

void TQuery::CheckActive() const {
  if (!Active()) Fail("Cannot perform this operation on a closed dataset");
}

void TQuery::Open() {
  if (Active()) return;
  if (connection_ == nullptr) Fail(Tr("Missing Connection or ConnectionString"));
  if (sql_.find_first_not_of(" \t\r\n") == std::string::npos) Fail(Tr("Command text was not set for the command object"));
  connection_->Open();

  FindWriteTarget();

  // Opened again with the same SQL (a lookup per imported row), the held
  // statement runs at once and, while its columns stay the same, the fields
  // bound to them stay as they are.
  bool sameColumns = false;
  bool ran = false;
  if (!narrowSql_.empty()) {
    try {
      sameColumns = connection_->RunHeld(openHold_, narrowSql_, params_, result_.Fill());
      ran = true;
    } catch (const TDatabaseUnavailableError&) {
      throw;
    } catch (const TabrinError&) {
      // The table has changed since it was described: the SQL as written
      // runs instead, so a missing field fails with the database's message.
      narrowSql_.clear();
    }
  }
  if (!ran) {
    try {
      sameColumns = connection_->RunHeld(openHold_, locatorColumn_ >= 0 ? runSql_ : sql_, params_, result_.Fill());
    } catch (const TQueryStatementError& error) {
      Fail(error.what());
    }
  }
  result_.Rewind();
  if (result_.Columns().empty()) Fail(Tr("CommandText does not return a result set"));
  if (!sameColumns || boundColumns_.empty()) BindFields();
  state_ = TDataSetState::dsBrowse;
}

// The table a post writes to, when the SQL reads one table that exists, and
// the hidden column that carries a row's identity where the table has one.
void TQuery::FindWriteTarget() {
  if (sql_ != analysedSql_) {
    const detail::TSqlShape shape = detail::AnalyseSql(sql_);
    analysedSql_ = sql_;
    analysedTable_ = shape.table;
    analysedSelectAt_ = shape.selectListAt;
    runSqlBuilt_ = false;
  }
  table_.clear();
  locatorColumn_ = -1;
  if (analysedTable_.empty()) return;
  const TTableInfo& info = connection_->TableInfo(analysedTable_);
  if (!info.exists) return;
  table_ = analysedTable_;
  if (!info.rowLocator.empty()) locatorColumn_ = 0;
  if (runSqlBuilt_) return;
  runSqlBuilt_ = true;
  runSql_.clear();
  if (locatorColumn_ >= 0) {
    runSql_ = sql_;
    runSql_.insert(analysedSelectAt_, " " + info.rowLocator + " AS " + std::string(kLocatorAlias) + ",");
  }
  NarrowSelectList(info);
}

// Only the declared fields are visible, yet "SELECT *" of a wide table makes
// the database produce, and the result hold, every column of every row: the
// export of 19 item fields read 46.  Where the table shows it has every
// declared field, the SQL names just those, and the columns that find a
// record again for a post (the row identity or the primary key).  Otherwise
// "*" stays, so that a missing field is reported by the query itself.
void TQuery::NarrowSelectList(const TTableInfo& info) {
  narrowSql_.clear();
  if (declared_.empty() || info.columns.empty()) return;
  // Without a row identity or a key, a post finds its record by every value
  // it was read with, so every column must be read.
  if (info.rowLocator.empty() && info.keyColumns.empty()) return;
  std::size_t at = sql_.find_first_not_of(" \t\r\n", analysedSelectAt_);
  if (at == std::string::npos || sql_[at] != '*') return;
  const std::size_t afterStar = at + 1;
  at = sql_.find_first_not_of(" \t\r\n", afterStar);
  if (at == afterStar || at == std::string::npos || !StartsWithNoCaseAscii(std::string_view(sql_).substr(at), "from")) {
    return;
  }
  if (at + 4 < sql_.size() && (std::isalnum(static_cast<unsigned char>(sql_[at + 4])) || sql_[at + 4] == '_')) return;

  auto tableSpelling = [&](std::string_view name) -> const std::string* {
    for (const std::string& column : info.columns) {
      if (EqualNoCaseAscii(column, name)) return &column;
    }
    return nullptr;
  };
  std::vector<const std::string*> named;
  auto add = [&](const std::string* column) {
    if (std::find(named.begin(), named.end(), column) == named.end()) named.push_back(column);
  };
  for (const TFieldDef& def : declared_) {
    const std::string* column = tableSpelling(def.name);
    if (column == nullptr) return;
    add(column);
  }
  for (const std::string& key : info.keyColumns) {
    const std::string* column = tableSpelling(key);
    if (column == nullptr) return;
    add(column);
  }

  const TBackend& backend = connection_->Backend();
  std::string list;
  if (locatorColumn_ >= 0) list = info.rowLocator + " AS " + std::string(kLocatorAlias);
  for (const std::string* column : named) {
    if (!list.empty()) list += ", ";
    list += backend.QuoteIdentifier(*column);
  }
  narrowSql_ = sql_.substr(0, analysedSelectAt_) + " " + list + " " + sql_.substr(afterStar);
}

void TQuery::BindFields() {
  const std::vector<TColumnInfo>& columns = result_.Columns();
  // Re-running the same statement gives the same columns: keep the fields.
  const bool sameColumns =
      !fields_.empty() && boundColumns_.size() == columns.size() &&
      std::equal(columns.begin(), columns.end(), boundColumns_.begin(),
                 [](const TColumnInfo& a, const TColumnInfo& b) { return a.name == b.name && a.type == b.type; });
  if (sameColumns) return;
  fields_.clear();
  fieldIndex_.clear();
  boundColumns_.clear();

  std::unordered_map<std::string, int> columnByName;
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    if (i == locatorColumn_) continue;
    columnByName.emplace(LowerAscii(columns[static_cast<std::size_t>(i)].name), i);
  }
  std::vector<std::unique_ptr<TField>> fields;
  if (declared_.empty()) {
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
      if (i == locatorColumn_) continue;
      const TColumnInfo& column = columns[static_cast<std::size_t>(i)];
      fields.push_back(std::make_unique<TField>(*this, i, column.name, column.type, column.size));
    }
  } else {
    for (const TFieldDef& def : declared_) {
      const std::string label(def.title.empty() ? def.name : def.title);
      auto found = columnByName.find(LowerAscii(def.name));
      if (found == columnByName.end()) Fail(FieldNotFoundMessage(label));
      const TColumnInfo& column = columns[static_cast<std::size_t>(found->second)];
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
  boundColumns_ = columns;
}

void TQuery::Close() {
  state_ = TDataSetState::dsInactive;
  result_.Clear();
  editBuffer_.clear();
  modified_.clear();
}

void TQuery::CheckBrowseMode() {
  CheckActive();
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) Post();
}

void TQuery::First() {
  CheckBrowseMode();
  result_.MoveTo(0);
}

void TQuery::Next() {
  CheckBrowseMode();
  result_.Next();
}

void TQuery::MoveTo(int recNo) {
  CheckBrowseMode();
  result_.MoveTo(recNo);
}

bool TQuery::Eof() const {
  CheckActive();
  return result_.Eof();
}

int TQuery::RecordCount() const {
  CheckActive();
  return result_.RowCount();
}

int TQuery::FieldCount() const { return static_cast<int>(fields_.size()); }

TField& TQuery::Fields(int index) {
  if (index < 0 || index >= FieldCount()) Fail(FormatMessage(Tr("Field index out of range: %d"), {index}));
  return *fields_[static_cast<std::size_t>(index)];
}

TField* TQuery::FindField(std::string_view name) {
  auto found = fieldIndex_.find(LowerAscii(name));
  return found == fieldIndex_.end() ? nullptr : fields_[static_cast<std::size_t>(found->second)].get();
}

TField& TQuery::FieldByName(std::string_view name) {
  if (TField* field = FindField(name)) return *field;
  Fail(FieldNotFoundMessage(name));
}

const TValue& TQuery::CurrentValue(int column) const {
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) {
    return editBuffer_[static_cast<std::size_t>(column)];
  }
  if (state_ == TDataSetState::dsInactive || result_.Empty()) return kNull;
  return result_.CurrentRow()[static_cast<std::size_t>(column)];
}

const TValue& TQuery::StoredValue(int column) const {
  if (state_ == TDataSetState::dsInactive || state_ == TDataSetState::dsInsert || result_.Empty()) return kNull;
  return result_.CurrentRow()[static_cast<std::size_t>(column)];
}

void TQuery::CheckEditing() const {
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) {
    CheckActive();
    Fail(Tr("Dataset not in edit or insert mode"));
  }
}

void TQuery::StoreValue(int column, TValue value) {
  CheckEditing();
  editBuffer_[static_cast<std::size_t>(column)] = std::move(value);
  modified_[static_cast<std::size_t>(column)] = true;
}

void TQuery::StoreText(int column, std::string_view text) {
  CheckEditing();
  editBuffer_[static_cast<std::size_t>(column)].AssignText(text);
  modified_[static_cast<std::size_t>(column)] = true;
}

void TQuery::CheckWritable() const {
  if (table_.empty()) Fail(Tr("Cannot modify a read-only dataset"));
}

void TQuery::Append() {
  CheckBrowseMode();
  CheckWritable();
  // Emptied in place: an import appends a record a row, and most of the
  // buffer's values are null already.
  editBuffer_.resize(result_.Columns().size());
  for (TValue& value : editBuffer_) {
    if (!value.IsNull()) value = TValue();
  }
  modified_.assign(result_.Columns().size(), false);
  state_ = TDataSetState::dsInsert;
}

void TQuery::Edit() {
  CheckActive();
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) return;
  CheckWritable();
  if (result_.Empty()) {
    Fail(Tr("Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current record"));
  }
  editBuffer_ = result_.CurrentRow();
  modified_.assign(result_.Columns().size(), false);
  state_ = TDataSetState::dsEdit;
}

void TQuery::Cancel() {
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) state_ = TDataSetState::dsBrowse;
  editBuffer_.clear();
  modified_.clear();
}

void TQuery::Post() {
  CheckActive();
  if (state_ != TDataSetState::dsInsert && state_ != TDataSetState::dsEdit) return;
  // The writer compares the columns it is given with the last ones; the
  // fields' version says the same for less on the importers' row-by-row path.
  if (writerFieldsVersion_ != fieldsVersion_ || writer_.Table() != table_ || writer_.Connection() != connection_) {
    writer_.Target(*connection_, table_, result_.Columns(), locatorColumn_);
    writerFieldsVersion_ = fieldsVersion_;
  }
  try {
    if (state_ == TDataSetState::dsInsert) {
      TValue locator = writer_.Insert(editBuffer_, modified_);
      if (locatorColumn_ >= 0) editBuffer_[static_cast<std::size_t>(locatorColumn_)] = std::move(locator);
      result_.AppendRow(std::move(editBuffer_));
    } else if (writer_.Update(result_.CurrentRow(), editBuffer_, modified_)) {
      result_.ReplaceCurrentRow(editBuffer_);
    }
  } catch (const TRecordWriteError& error) {
    Fail(error.what());
  }
  editBuffer_.clear();
  modified_.clear();
  state_ = TDataSetState::dsBrowse;
}

}  // namespace tabrin
