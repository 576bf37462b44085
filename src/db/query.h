#pragma once
// TQuery: a static, fully fetched query on a connection (ADO data set).
//
//   TQuery lookup(schema::DBCLSQuery(), connection);  // declared fields
//   lookup.Close();
//   lookup.SetSql("SELECT * from Classify where ClsNo=?");
//   lookup.SetParameters({TValue::Text(code)});       // bound, never pasted
//   lookup.Open();                                    // runs, fetches all rows
//   if (lookup.RecordCount() == 0) { lookup.Append(); ... lookup.Post(); }
//   else { lookup.Edit(); lookup.FieldByName("ClsName").SetAsString(n); lookup.Post(); }
//
//   TQuery sheet("ADOCLSQuery", xlsConnection);       // no declared fields:
//   sheet.SetSql("SELECT * FROM [sheet1$]  ");        // fields = result columns
//   sheet.Open(); for (sheet.First(); !sheet.Eof(); sheet.Next()) ...
//
// Errors raised on behalf of the query carry "<Name>: " in front
// ("OrvellaItemQuery: Field 'HealthTax' not found").  Opening with a declared
// list binds every declared field to the result column of that name (without
// regard to case) and checks the kind family ("Type mismatch for field '%s',
// expecting: %s actual: %s").  Only declared fields are visible then; other
// columns are neither read nor written.
//
// Writing: Append starts an empty record (only the fields written are
// inserted, so the others get the table's defaults); Edit starts editing the
// current record; Post hands the record to the record writer
// (record_writer.h).  Writes need a query over one table
// ("SELECT ... FROM <table> [WHERE ...]", recognised by sql_shape.h).
//
// TQuery itself is the data set of the window's and the importers' code: its
// state, fields and edit buffer.  The fetched rows and the position on them
// are a TResultSet (result_set.h).
//
// Threads: a connection and everything made on it (its queries, their
// fields and result sets, its prepared statements and statement holds) are
// used by one thread at a time.  They may be handed to another thread and
// back (the window runs an import on a worker thread with its connection
// and sheet query, and touches neither until the work has ended), but two
// threads may never use them at once, not even through const methods only:
// reading a field's value decodes the current row into the result set
// (TResultSet::CurrentRow), and the SQLite connection underneath is opened
// without a mutex of its own.  Separate connections share no state and may
// be used on separate threads.  Safe from any thread: a cancel request
// (TCancelFlag, text/work_control.h) and the registry of backend providers
// (backend.h).
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/backend.h"
#include "db/connection.h"
#include "db/field.h"
#include "db/record_writer.h"
#include "db/result_set.h"
#include "db/schema.h"
#include "db/value.h"

namespace tabrin {

class TConnection;

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

class TQuery {
 public:
  TQuery(std::string name, TConnection* connection = nullptr);
  TQuery(std::string name, TConnection& connection) : TQuery(std::move(name), &connection) {}
  // A table query: name, SQL and declared fields from the definition.
  TQuery(const TQueryDef& def, TConnection& connection);
  ~TQuery();
  TQuery(const TQuery&) = delete;
  TQuery& operator=(const TQuery&) = delete;

  const std::string& Name() const { return name_; }
  void SetConnection(TConnection* connection);  // only while closed
  TConnection* Connection() const { return connection_; }

  // Declared field list (empty span = fields come from the result columns).
  void SetDeclaredFields(std::span<const TFieldDef> fields);  // only while closed

  // SQL text: ClearSql + AddSql (lines joined by a line break), or SetSql.
  void ClearSql();
  void AddSql(std::string_view line);
  void SetSql(std::string_view sql);
  const std::string& Sql() const { return sql_; }
  // Values for the "?" markers, in order.
  void SetParameters(std::vector<TValue> params) { params_ = std::move(params); }
  void SetParameter(std::size_t index, TValue value);
  const std::vector<TValue>& Parameters() const { return params_; }

  void Open();   // positioned on the first row; opening an open query does nothing
  void Close();  // drops an unposted edit
  bool Active() const { return state_ != TDataSetState::dsInactive; }
  TDataSetState State() const { return state_; }

  void First();
  void Next();
  // Positions on the 0-based record (a fetched result is indexed directly);
  // past the last record the query is at Eof.
  void MoveTo(int recNo);
  bool Eof() const;
  int RecordCount() const;
  bool IsEmpty() const { return RecordCount() == 0; }
  int RecNo() const { return result_.Position(); }  // 0-based position of the current row

  // Suspend/resume attached controls (nesting counted).
  void DisableControls() { ++controlsDisabled_; }
  void EnableControls() { if (controlsDisabled_ > 0) --controlsDisabled_; }
  bool ControlsDisabled() const { return controlsDisabled_ > 0; }

  int FieldCount() const;
  TField& Fields(int index);
  // Raises "<Name>: Field '%s' not found".
  TField& FieldByName(std::string_view name);
  // Changes whenever the field objects are made anew (an open whose result
  // has other columns); a caller may keep TField pointers while it is equal.
  std::uint64_t FieldsVersion() const { return fieldsVersion_; }
  TField* FindField(std::string_view name);

  void Append();
  void Edit();
  void Post();
  void Cancel();

 private:
  friend class TField;
  // Raised with "<Name>: " in front.
  [[noreturn]] void Fail(const std::string& message) const;
  void CheckActive() const;
  void CheckEditing() const;  // "Dataset not in edit or insert mode"
  const TValue& CurrentValue(int column) const;
  const TValue& StoredValue(int column) const;  // as read, whatever is being edited
  void StoreValue(int column, TValue value);
  void StoreText(int column, std::string_view text);
  void BindFields();
  void CheckBrowseMode();
  void CheckWritable() const;
  void FindWriteTarget();
  void NarrowSelectList(const TTableInfo& info);

  std::string name_;
  TConnection* connection_ = nullptr;
  std::vector<TFieldDef> declared_;
  std::string sql_;
  std::vector<TValue> params_;

  TDataSetState state_ = TDataSetState::dsInactive;
  // The result of the last open: its columns, every row, the position.
  TResultSet result_;
  TStatementHold openHold_;
  int controlsDisabled_ = 0;
  std::vector<std::unique_ptr<TField>> fields_;
  std::uint64_t fieldsVersion_ = 0;
  std::unordered_map<std::string, int> fieldIndex_;  // lower-case name -> field
  std::vector<TColumnInfo> boundColumns_;            // columns the fields were bound to

  // The last SQL analysed for writing, and what it gave.
  std::string analysedSql_;
  std::string analysedTable_;
  std::size_t analysedSelectAt_ = 0;
  std::string runSql_;  // the SQL as run (with the row identity column)
  // For "SELECT *" with declared fields: the SQL naming only the columns the
  // fields bind to (and those that find a record again); empty when the
  // table does not show that it has them all.
  std::string narrowSql_;
  bool runSqlBuilt_ = false;  // runSql_ and narrowSql_ are those of analysedSql_

  // Write support.
  std::string table_;            // base table, empty when not writable
  int locatorColumn_ = -1;       // hidden row identity column, if any
  TRecordWriter writer_;
  std::uint64_t writerFieldsVersion_ = UINT64_MAX;  // the fields the writer was last given
  TRow editBuffer_;              // record being edited/appended
  TColumnFlags modified_;       // per result column
};

}  // namespace tabrin
