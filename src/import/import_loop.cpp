#include "import/import_loop.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <functional>
#include <unordered_map>
#include <vector>

#include "import/item_number.h"
#include "text/encoding.h"
#include "text/format.h"
#include "text/messages.h"
#include "text/translation.h"

namespace tabrin {
namespace {

using TClock = std::chrono::steady_clock;

enum class TRowOutcome {
  roSkipped,
  roBlankRow,
  roAppended,
  roOverwritten,
  roOverwrittenSame,
  roUnchanged,
  roNotAppended
};

// Write: post every record.  Plan: work every row out as far as the post and
// drop the record instead (the import plan).
enum class TRowMode { rmWrite, rmPlan };

void Count(TRowOutcome outcome, TImportCounts& counts) {
  switch (outcome) {
    case TRowOutcome::roAppended: ++counts.appended; break;
    case TRowOutcome::roOverwrittenSame: ++counts.same; [[fallthrough]];
    case TRowOutcome::roOverwritten: ++counts.overwritten; break;
    case TRowOutcome::roUnchanged: ++counts.unchanged; break;
    case TRowOutcome::roNotAppended: ++counts.notAppended; break;
    case TRowOutcome::roBlankRow: ++counts.blankRows; break;
    case TRowOutcome::roSkipped: break;
  }
}

const TFieldDef& DeclaredField(const TQueryDef& query, std::string_view name) {
  for (const TFieldDef& field : query.fields) {
    if (field.name == name) return field;
  }
  throw TabrinError(FormatMessage("%s: %s", {query.name, FieldNotFoundMessage(name)}));
}

// A code as an error message quotes it: a cell may hold thousands of
// characters, of which the first few say enough.
std::string QuotableCode(const std::string& code) {
  constexpr std::size_t kShown = 30;
  if (Utf16Length(code) <= kShown) return code;
  return CutToUtf16Units(code, kShown) + "…";
}

// One sheet row at a time: read, look up, write.  Remembers the column being
// read so that an error can name it.
class TRowImporter {
 public:
  TRowImporter(TQuery& sheet, TConnection& connection, const TImporterDef& importer, const TImportOptions& options,
               TRowMode mode = TRowMode::rmWrite)
      : sheet_(sheet),
        target_(*importer.target, connection),
        importer_(importer),
        codeField_(DeclaredField(*importer.target, importer.codeField)),
        overwrite_(options.cover == TCoverMode::cmOverwrite),
        updateOnly_(options.updateOnly),
        keepBlanks_(options.keepBlanks),
        mode_(mode) {
    written_.assign(importer.fields.size(), true);
    for (const TFieldMapping& mapping : importer.fields) {
      const TFieldDef& def = DeclaredField(*importer.target, mapping.field);
      titles_.push_back(def.title.empty() ? def.name : def.title);
    }
  }

  // Write mode: what each row did goes to the recorder (the journal).
  void SetRecorder(TImportRecorder* recorder, std::function<int(int)> sheetRowOf) {
    recorder_ = recorder;
    sheetRowOf_ = std::move(sheetRowOf);
  }

  TRowOutcome ImportCurrentRow() {
    databaseFailed_ = false;
    column_ = importer_.codeColumn;
    currentCode_.clear();
    currentCode_ = CellView(importer_.codeColumn);
    const std::string raw = currentCode_;
    if (raw.empty()) {
      // A row with no cell filled is no data (a used range that runs past
      // the rows, as spreadsheet programs leave it); a row with other cells
      // but no code names no record to store.
      if (RowIsBlank()) return TRowOutcome::roBlankRow;
      if (importer_.skipEmptyCode) return TRowOutcome::roSkipped;
      throw TabrinError(Tr("The code is blank"));
    }
    const std::string code = importer_.completeItemNumber ? CompleteItemNumber(raw) : raw;
    currentCode_ = code;
    CheckCodeWidth(code);

    column_ = {};
    target_.Close();
    target_.SetSql(importer_.lookupSql);
    target_.SetParameter(0, TValue::Text(code));  // the lookup's only marker
    OnDatabase([&] { target_.Open(); });

    const TPlannedRecord* planned = PlannedRecord(code);
    if (target_.RecordCount() == 0 && planned == nullptr) {
      if (updateOnly_) return Leave(TRowAction::raNotAppended, code, TRowOutcome::roNotAppended);
      target_.Append();
      WriteFields(code, &TFieldMapping::newRecord);
      return Store(TRowAction::raAppended, code, &TFieldMapping::newRecord, nullptr);
    }
    if (!overwrite_) return Leave(TRowAction::raLeft, code, TRowOutcome::roUnchanged);
    if (target_.RecordCount() > 0) {
      target_.Edit();
    } else {
      target_.Append();  // a record only an earlier row of the plan appends; never posted
    }
    WriteFields(code, &TFieldMapping::overwrite);
    return Store(TRowAction::raOverwritten, code, &TFieldMapping::overwrite, planned);
  }

  // Plan mode: room for the codes of this many rows.
  void ReservePlanned(int rows) { planned_.reserve(static_cast<std::size_t>(rows)); }

  // What the last row did, when a recorder follows the import or in plan mode.
  const TRowChange& Change() const { return change_; }

  // The code of the last row as far as it was read (a failed row's too).
  const std::string& CurrentCode() const { return currentCode_; }

  // The column title being read when the last row failed, else empty.
  std::string_view CurrentColumn() const { return column_; }

  // Drops a record left half-written by a failed row.
  void CancelEdit() { target_.Cancel(); }

  // Whether the last row failed in a statement the database ran (its
  // lookup or its post) rather than on a cell: a failed statement can leave
  // the transaction unusable.
  bool DatabaseFailed() const { return databaseFailed_; }

 private:
  template <typename Statement>
  void OnDatabase(const Statement& statement) {
    try {
      statement();
    } catch (...) {
      databaseFailed_ = true;
      throw;
    }
  }

  // A row that writes nothing: an existing code left, a new one not appended.
  TRowOutcome Leave(TRowAction action, const std::string& code, TRowOutcome outcome) {
    if (Follows()) Follow(action, code, nullptr, nullptr);
    if (recorder_ != nullptr && mode_ == TRowMode::rmWrite) recorder_->RowDone(sheetRowOf_(sheet_.RecNo()), change_);
    return outcome;
  }

  bool RowIsBlank() {
    for (int i = 0; i < sheet_.FieldCount(); ++i) {
      const TValue& value = sheet_.Fields(i).Value();
      if (!value.IsNull() && !(value.Type() == TValueType::vtText && value.Text().empty())) return false;
    }
    return true;
  }

  // A cell as the keep-blanks choice sees it: no value or the empty text.
  bool BlankCell(std::string_view column) {
    const TValue& value = Cell(column).Value();
    return value.IsNull() || (value.Type() == TValueType::vtText && value.Text().empty());
  }

  static bool ReadsCell(TCellRule rule) {
    return rule == TCellRule::crText || rule == TCellRule::crTextCut || rule == TCellRule::crDate ||
           rule == TCellRule::crNumber;
  }

  // A code longer than its field could never be found again (the field keeps
  // only its first bytes), so every import would append another cut copy.
  void CheckCodeWidth(const std::string& code) const {
    const bool bytes = codeField_.kind == TFieldKind::fkText8;
    const std::size_t length = bytes ? Big5Length(code) : Utf16Length(code);
    if (length <= static_cast<std::size_t>(codeField_.width)) return;
    const std::string_view fieldName = codeField_.title.empty() ? codeField_.name : codeField_.title;
    throw TabrinError(FormatMessage(bytes ? Tr("Code '%s' is too long for field '%s' (at most %d bytes)")
                                          : Tr("Code '%s' is too long for field '%s' (at most %d characters)"),
                                    {QuotableCode(code), fieldName, codeField_.width}));
  }

  void WriteFields(const std::string& code, TCellSource TFieldMapping::*branch) {
    const bool keepBlanks = keepBlanks_ && branch == &TFieldMapping::overwrite;
    if (keepBlanks_) std::fill(written_.begin(), written_.end(), true);
    for (const TFieldMapping& mapping : importer_.fields) {
      const TCellSource& source = mapping.*branch;
      if (source.rule == TCellRule::crNotWritten) continue;
      column_ = source.column;
      if (keepBlanks) {
        const bool kept = ReadsCell(source.rule) && BlankCell(source.column);
        written_[static_cast<std::size_t>(&mapping - importer_.fields.data())] = !kept;
        if (kept) continue;
      }
      TField& field = TargetField(mapping);
      switch (source.rule) {
        case TCellRule::crCode: field.SetAsString(code); break;
        case TCellRule::crText: field.SetAsString(CellView(source.column)); break;
        case TCellRule::crTextCut: field.SetAsString(Big5Prefix(CellView(source.column), source.cutBytes)); break;
        case TCellRule::crDate: field.SetAsString(CellView(source.column)); break;
        case TCellRule::crNumber: field.SetAsFloat(CellNumber(source.column, source.blankValue)); break;
        case TCellRule::crFalse: field.SetAsBoolean(false); break;
        case TCellRule::crEmptyText: field.SetAsString(""); break;
        case TCellRule::crNotWritten: break;
      }
    }
  }

  // The target's fields stay the same while its lookups return the same
  // columns, so each is looked up by name once per field set.  mapping is
  // one of importer_.fields.
  TField& TargetField(const TFieldMapping& mapping) {
    if (targetFieldsVersion_ != target_.FieldsVersion()) {
      targetFields_.assign(importer_.fields.size(), nullptr);
      targetFieldsVersion_ = target_.FieldsVersion();
    }
    TField*& slot = targetFields_[static_cast<std::size_t>(&mapping - importer_.fields.data())];
    if (slot == nullptr) slot = &target_.FieldByName(mapping.field);
    return *slot;
  }

  void Post() {
    column_ = {};
    OnDatabase([&] { target_.Post(); });
  }

  // The values an earlier row of the plan left in a record, by mapping.
  using TPlannedRecord = TRow;

  // Kept compactly: a plan remembers every code of the sheet, and only a
  // code that comes again reads its record back.
  const TPlannedRecord* PlannedRecord(const std::string& code) {
    if (mode_ != TRowMode::rmPlan) return nullptr;
    auto found = planned_.find(code);
    if (found == planned_.end()) return nullptr;
    plannedRecords_.Decode(found->second, plannedRecord_);
    return &plannedRecord_;
  }

  // A field the row leaves alone keeps what an earlier row planned.
  void RememberPlanned(const std::string& code, const TPlannedRecord* planned) {
    TRow record = planned != nullptr ? *planned : TRow(importer_.fields.size());
    for (std::size_t i = 0; i < change_.fields.size(); ++i) record[writtenIndex_[i]] = change_.fields[i].after;
    planned_[code] = plannedRecords_.size();
    plannedRecords_.push_back(record);
  }

  bool Follows() const { return mode_ == TRowMode::rmPlan || recorder_ != nullptr; }

  // Posts the record written, or in plan mode drops it and remembers what it
  // would hold for the rows after.
  TRowOutcome Store(TRowAction action, const std::string& code, TCellSource TFieldMapping::*branch,
                    const TPlannedRecord* planned) {
    if (Follows()) Follow(action, code, branch, planned);
    const bool same =
        action == TRowAction::raOverwritten && (Follows() ? change_.Same() : WritesWhatItHolds(branch));
    if (mode_ == TRowMode::rmPlan) {
      column_ = {};
      target_.Cancel();
      RememberPlanned(code, planned);
    } else {
      Post();
      if (recorder_ != nullptr) recorder_->RowDone(sheetRowOf_(sheet_.RecNo()), change_);
    }
    if (action == TRowAction::raAppended) return TRowOutcome::roAppended;
    return same ? TRowOutcome::roOverwrittenSame : TRowOutcome::roOverwritten;
  }

  // Whether the record being written holds, in every field the branch
  // writes, what it held before (TRowChange::Same without following).
  bool WritesWhatItHolds(TCellSource TFieldMapping::*branch) {
    for (const TFieldMapping& mapping : importer_.fields) {
      if ((mapping.*branch).rule == TCellRule::crNotWritten) continue;
      const TField& field = TargetField(mapping);
      if (!SameStoredValue(field.OldValue(), field.Value())) return false;
    }
    return true;
  }

  // Fills change_ while the record is being written: the values before (as
  // the record was read, or as planned by an earlier row) and the values now
  // in the record's fields.
  void Follow(TRowAction action, const std::string& code, TCellSource TFieldMapping::*branch,
              const TPlannedRecord* planned) {
    change_.action = action;
    change_.code = code;
    writtenIndex_.clear();
    change_.keptBlanks.clear();
    std::size_t count = 0;
    if (branch != nullptr) {
      // The entries are written over in place: a row costs no allocation
      // for the entries themselves.
      change_.fields.resize(importer_.fields.size());
      for (std::size_t i = 0; i < importer_.fields.size(); ++i) {
        const TFieldMapping& mapping = importer_.fields[i];
        if ((mapping.*branch).rule == TCellRule::crNotWritten) continue;
        if (!written_[i]) {
          const TValue& stored = planned != nullptr ? (*planned)[i] : TargetField(mapping).OldValue();
          if (!SameStoredValue(stored, TValue())) change_.keptBlanks.push_back(titles_[i]);
          continue;
        }
        TFieldChange& entry = change_.fields[count++];
        entry.field = mapping.field;
        entry.title = titles_[i];
        TField& field = TargetField(mapping);
        if (action == TRowAction::raOverwritten) {
          entry.before = planned != nullptr ? (*planned)[i] : field.OldValue();
        } else {
          entry.before = TValue();
        }
        entry.after = field.Value();
        writtenIndex_.push_back(i);
      }
    }
    change_.fields.resize(count);
  }

  // The sheet's fields stay the same while it is open: each column title is
  // looked up once.  A missing column is looked up (and reported) every time.
  // The titles asked for are the importer's own, the same few texts row
  // after row, so they are told apart by where they are held before their
  // letters are compared: hashing and comparing them for every cell cost
  // more than a twentieth of an import.  They come in the same order in
  // every row, so the entry after the one found last is tried first.
  TField& Cell(std::string_view column) {
    const auto same = [&](const std::pair<std::string_view, TField*>& cell) {
      return cell.first.data() == column.data() && cell.first.size() == column.size();
    };
    const std::size_t next = lastCell_ + 1 < cells_.size() ? lastCell_ + 1 : 0;
    if (next < cells_.size() && same(cells_[next])) {
      lastCell_ = next;
      return *cells_[next].second;
    }
    for (std::size_t i = 0; i < cells_.size(); ++i) {
      if (same(cells_[i])) {
        lastCell_ = i;
        return *cells_[i].second;
      }
    }
    for (const auto& [title, field] : cells_) {
      if (title == column) return *field;
    }
    TField& field = sheet_.FieldByName(column);
    lastCell_ = cells_.size();
    cells_.emplace_back(column, &field);
    return field;
  }

  std::string CellText(std::string_view column) { return Cell(column).AsString(); }

  // The cell's text as CellText gives it, without a copy when the cell holds
  // a text; valid until the sheet moves or the next call.
  std::string_view CellView(std::string_view column) {
    const TField& cell = Cell(column);
    const TValue& value = cell.Value();
    if (value.Type() == TValueType::vtText) return value.Text();
    cellText_ = cell.AsString();
    return cellText_;
  }

  double CellNumber(std::string_view column, double blankValue) {
    TField& cell = Cell(column);
    const TValue& value = cell.Value();
    // Only a blank cell or an empty text is "empty": a number cell is read as
    // it is, without a detour through its text form.
    if (value.IsNull() || (value.Type() == TValueType::vtText && value.Text().empty())) return blankValue;
    return cell.AsFloat();
  }

  TQuery& sheet_;
  TQuery target_;
  std::uint64_t targetFieldsVersion_ = 0;
  std::vector<TField*> targetFields_;  // by mapping
  const TImporterDef& importer_;
  const TFieldDef& codeField_;
  bool overwrite_;
  bool updateOnly_;
  bool keepBlanks_;
  TRowMode mode_;
  bool databaseFailed_ = false;
  std::vector<bool> written_;  // by mapping: false for a field a blank cell left alone
  TImportRecorder* recorder_ = nullptr;
  std::function<int(int)> sheetRowOf_;
  TRowChange change_;
  std::vector<std::size_t> writtenIndex_;  // mapping of each entry of change_.fields
  std::vector<std::string_view> titles_;    // by mapping
  std::unordered_map<std::string, std::size_t> planned_;  // code -> record in plannedRecords_
  TRowStore plannedRecords_;
  TRow plannedRecord_;
  std::string_view column_;
  std::string currentCode_;
  std::vector<std::pair<std::string_view, TField*>> cells_;  // sheet field by column title
  std::size_t lastCell_ = 0;                                  // the entry of cells_ found last
  std::string cellText_;                                      // CellView's text of a non-text cell
};

// The batch transaction: begun, committed when due, rolled back on an error.
// Inactive when the caller runs a transaction of its own.
class TBatchTransaction {
 public:
  TBatchTransaction(TConnection& connection, const TImportOptions& options)
      : connection_(connection), owned_(!connection.InTransaction()), options_(options) {}
  ~TBatchTransaction() {
    if (open_) {
      try {
        connection_.Rollback();
      } catch (...) {  // the connection is gone; nothing was committed
      }
      if (options_.recorder != nullptr) options_.recorder->BatchRolledBack();
    }
  }

  bool Owned() const { return owned_; }

  void Begin() {
    if (!owned_) return;
    connection_.BeginTransaction();
    open_ = true;
    rows_ = 0;
    startedAt_ = TClock::now();
  }

  bool Due() {
    if (!owned_) return false;
    ++rows_;
    return rows_ >= options_.batchRows || TClock::now() - startedAt_ >= std::chrono::milliseconds(options_.batchMillis);
  }

  // The recorder keeps the batch before it is committed (an error there
  // leaves the batch open, to be rolled back).
  void Commit() {
    if (options_.recorder != nullptr && (open_ || !owned_)) options_.recorder->BatchCommitting();
    if (!open_) return;
    open_ = false;
    connection_.Commit();
  }

  // Whether the open batch may go on after a statement in it failed.
  bool SurvivesFailedStatement() { return open_ && connection_.Backend().TransactionSurvivesFailedStatement(); }

  void Rollback() {
    if (!open_) return;
    open_ = false;
    if (options_.recorder != nullptr) options_.recorder->BatchRolledBack();
    connection_.Rollback();
  }

 private:
  TConnection& connection_;
  bool owned_;
  const TImportOptions& options_;
  bool open_ = false;
  int rows_ = 0;
  TClock::time_point startedAt_;
};

// Where the open batch began: the record index of its first row and the
// counts of the rows committed before it.
struct TBatchStart {
  int recordIndex = 0;
  TImportCounts counts;
};

// A row of the batch that failed while the batch was written again.
struct TReplayFailure {
  std::string cause;
  int recordIndex;
  std::string column;
};

// Stores the rows of the open batch that came before a failed row, so that
// the table ends up holding every sheet row before the failing one.
//
// Why not simply commit what the batch holds: a failed statement can leave the
// transaction unusable (PostgreSQL refuses every further statement in it), so
// the rows already written in it cannot be trusted to commit.  Instead:
//   1. roll the whole batch back: the table holds the earlier batches only;
//   2. move the sheet to the batch's first row and import its rows again up
//      to, not including, the failing one.  They succeeded a moment ago on the
//      same table, so they give the same records and the same counts;
//   3. commit them, and leave the sheet on the failing row.
// Returns the counts of every row stored.  Throws TReplayFailure when a row
// fails again on the way (the server went away): that batch is then rolled
// back and lost, and only the earlier batches stay stored.
TImportCounts ReplayBatchBefore(int failedIndex, TQuery& sheet, TRowImporter& rows, TBatchTransaction& batch,
                                const TBatchStart& batchStart) {
  batch.Rollback();
  TImportCounts counts = batchStart.counts;
  int index = batchStart.recordIndex;
  try {
    batch.Begin();
    for (sheet.MoveTo(index); index < failedIndex && !sheet.Eof(); sheet.Next(), index = sheet.RecNo()) {
      Count(rows.ImportCurrentRow(), counts);
    }
    batch.Commit();
  } catch (const std::exception& replay) {
    rows.CancelEdit();
    batch.Rollback();
    throw TReplayFailure{replay.what(), index, std::string(rows.CurrentColumn())};
  }
  sheet.MoveTo(failedIndex);
  return counts;
}

}  // namespace

std::string ImportCountsText(const TImportCounts& counts) {
  return FormatMessage("新增 %d 筆，覆蓋 %d 筆，內容相同 %d 筆，未變更 %d 筆",
                       {counts.appended, counts.overwritten - counts.same, counts.same, counts.unchanged});
}

std::string TSkippedRow::Reason() const { return SheetRowLine(sheetRow, column) + "：" + cause; }

std::string ChoiceCountsText(const TImportOptions& options, const TImportCounts& counts) {
  std::string text;
  if (options.updateOnly) text += FormatMessage("，未新增 %d 筆", {counts.notAppended});
  if (options.skipped != nullptr) text += FormatMessage("，略過 %d 列", {counts.skipped});
  if (counts.blankRows > 0) text += FormatMessage("，空白列 %d 列", {counts.blankRows});
  return text;
}

std::string SheetRowLine(int sheetRow, std::string_view column) {
  if (column.empty()) return FormatMessage("工作表第 %d 列", {sheetRow});
  return FormatMessage("工作表第 %d 列，欄位「%s」", {sheetRow, column});
}

TImportError::TImportError(const std::string& cause, int sheetRow, std::string column, TImportCounts counts)
    : TabrinError(sheetRow > 0 ? cause + "\n" + SheetRowLine(sheetRow, column) : cause),
      cause_(cause),
      sheetRow_(sheetRow),
      column_(std::move(column)),
      counts_(counts) {}

TImportCancelled::TImportCancelled(int lastSheetRow, TImportCounts counts)
    : TWorkCancelled(lastSheetRow > 0 ? FormatMessage(Tr("已取消匯入，%s及之前的資料列已處理"), {SheetRowLine(lastSheetRow, {})})
                                      : std::string(Tr("已取消匯入，沒有處理任何資料列"))),
      lastSheetRow_(lastSheetRow),
      counts_(counts) {}

namespace {

// One import of a sheet: its rows in batches, each batch committed when it
// is due, and the way it ends (done, cancelled, a failing row, the database
// gone) with the counts of exactly the rows stored.
class TSheetImport {
 public:
  TSheetImport(TQuery& sheet, TConnection& connection, const TImporterDef& importer, const TImportOptions& options)
      : sheet_(sheet),
        options_(options),
        rows_(sheet, connection, importer, options),
        batch_(connection, options) {
    if (options.recorder != nullptr) {
      rows_.SetRecorder(options.recorder, [this](int recordIndex) { return SheetRowOf(recordIndex); });
    }
  }

  TImportCounts Run() {
    sheet_.First();
    totalRows_ = sheet_.RecordCount();
    BeginFirstBatch();
    while (!sheet_.Eof()) {
      const int index = sheet_.RecNo();
      // Between rows: every row so far is complete, so stopping here keeps
      // exactly the rows handled, as an error at this row would.
      if (options_.control.CancelRequested()) {
        CommitBatch();
        throw TImportCancelled(index > 0 ? SheetRowOf(index - 1) : 0, counts_);
      }
      ImportRow(index);
      sheet_.Next();
      if (batch_.Due()) {
        CommitBatch();
        batchStart_ = {index + 1, counts_};
        batchSkippedFrom_ = SkippedSoFar();
        BeginNextBatch();
      }
      Report(index + 1);
    }
    CommitBatch();
    Report(totalRows_);
    return counts_;
  }

 private:
  int SheetRowOf(int recordIndex) const {
    return options_.sheetRowOf ? options_.sheetRowOf(recordIndex) : recordIndex + 2;
  }

  void ImportRow(int index) {
    try {
      Count(rows_.ImportCurrentRow(), counts_);
    } catch (const TDatabaseUnavailableError& e) {
      throw Unavailable(e);
    } catch (const std::exception& e) {
      if (options_.skipped == nullptr || (rows_.DatabaseFailed() && !batch_.Owned())) {
        throw Fail(index, e.what(), std::string(rows_.CurrentColumn()));
      }
      TSkippedRow skipped{index, SheetRowOf(index), rows_.CurrentCode(), std::string(rows_.CurrentColumn()), e.what()};
      rows_.CancelEdit();
      if (rows_.DatabaseFailed() && !batch_.SurvivesFailedStatement()) StoreBatchBefore(index);
      Skip(std::move(skipped));
    }
  }

  std::size_t SkippedSoFar() const { return options_.skipped != nullptr ? options_.skipped->size() : 0; }

  void Skip(TSkippedRow row) {
    ++counts_.skipped;
    if (options_.recorder != nullptr) options_.recorder->RowSkipped(row);
    options_.skipped->push_back(std::move(row));
  }

  // After a row the database refused, when the import goes on past it and
  // the backend cannot say that the transaction survived the refusal
  // (PostgreSQL refuses every further statement in it): the batch is rolled
  // back, its rows before the refused one are written again (leaving out
  // those it skipped) and committed, and a new batch begins at the refused
  // row.  Every row is written again at most once, however many rows the
  // database refuses; each refusal costs a commit.
  void StoreBatchBefore(int refusedIndex) {
    std::vector<TSkippedRow>& skipped = *options_.skipped;
    std::size_t nextSkipped = batchSkippedFrom_;
    int index = batchStart_.recordIndex;
    try {
      batch_.Rollback();
      counts_ = batchStart_.counts;
      batch_.Begin();
      for (sheet_.MoveTo(index); index < refusedIndex && !sheet_.Eof(); sheet_.Next(), index = sheet_.RecNo()) {
        if (nextSkipped < skipped.size() && skipped[nextSkipped].recordIndex == index) {
          ++counts_.skipped;
          if (options_.recorder != nullptr) options_.recorder->RowSkipped(skipped[nextSkipped]);
          ++nextSkipped;
          continue;
        }
        Count(rows_.ImportCurrentRow(), counts_);
      }
      batch_.Commit();
      batchStart_ = {refusedIndex, counts_};
      batchSkippedFrom_ = skipped.size();
      batch_.Begin();
    } catch (const TDatabaseUnavailableError& e) {
      throw Unavailable(e);
    } catch (const std::exception& e) {
      rows_.CancelEdit();
      try {
        batch_.Rollback();
      } catch (const std::exception&) {  // the server is gone; the batch was not stored
      }
      throw TImportError(e.what(), SheetRowOf(index), std::string(rows_.CurrentColumn()), batchStart_.counts);
    }
    sheet_.MoveTo(refusedIndex);
  }

  void BeginFirstBatch() {
    try {
      batch_.Begin();
    } catch (const TDatabaseUnavailableError& e) {
      throw Unavailable(e);
    }
  }

  // A batch after the first begins where the last one ended: a failure to
  // begin names that sheet row.
  void BeginNextBatch() {
    try {
      batch_.Begin();
    } catch (const TDatabaseUnavailableError& e) {
      throw Unavailable(e);
    } catch (const std::exception& e) {
      throw TImportError(e.what(), SheetRowOf(batchStart_.recordIndex), {}, batchStart_.counts);
    }
  }

  void CommitBatch() {
    try {
      batch_.Commit();
    } catch (const TDatabaseUnavailableError& e) {
      throw Unavailable(e);
    } catch (const std::exception& e) {
      throw TImportError(e.what(), SheetRowOf(batchStart_.recordIndex), {}, batchStart_.counts);
    }
  }

  // Stops the import at the failing row: every earlier row stays stored, the
  // failing one does not.  Inside the caller's own transaction nothing is
  // rolled back or committed here; the caller decides.
  TImportError Fail(int failedIndex, const std::string& cause, std::string column) {
    rows_.CancelEdit();
    if (batch_.Owned()) {
      try {
        counts_ = ReplayBatchBefore(failedIndex, sheet_, rows_, batch_, batchStart_);
      } catch (const TReplayFailure& replay) {
        return TImportError(replay.cause, SheetRowOf(replay.recordIndex), replay.column, batchStart_.counts);
      }
    }
    return TImportError(cause, SheetRowOf(failedIndex), std::move(column), counts_);
  }

  // An error of the database as a whole (locked by another program, not
  // writable) is about no sheet row: it names none, and the batch it struck
  // is not stored.
  TImportError Unavailable(const TDatabaseUnavailableError& error) {
    rows_.CancelEdit();
    try {
      batch_.Rollback();
    } catch (const std::exception&) {  // the database is gone; nothing of the batch was stored
    }
    return TImportError(error.what(), 0, {}, batch_.Owned() ? batchStart_.counts : counts_);
  }

  void Report(int done) {
    if (options_.liveCounts != nullptr) *options_.liveCounts = counts_;
    options_.control.Report(done, totalRows_);
  }

  TQuery& sheet_;
  const TImportOptions& options_;
  TRowImporter rows_;
  TBatchTransaction batch_;
  TImportCounts counts_;
  TBatchStart batchStart_;
  std::size_t batchSkippedFrom_ = 0;  // the first entry of options_.skipped in the open batch
  int totalRows_ = 0;
};

}  // namespace

TImportCounts ImportSheet(TQuery& sheet, TConnection& connection, const TImporterDef& importer,
                          const TImportOptions& options) {
  return TSheetImport(sheet, connection, importer, options).Run();
}

namespace detail {

void WalkSheetWithoutWriting(TQuery& sheet, TConnection& connection, const TImporterDef& importer,
                             const TImportOptions& options, const std::function<void(const TRowWalkStep&)>& visit) {
  auto sheetRowOf = [&](int recordIndex) {
    return options.sheetRowOf ? options.sheetRowOf(recordIndex) : recordIndex + 2;
  };
  TRowImporter rows(sheet, connection, importer, options, TRowMode::rmPlan);
  // Every row's lookup in one read transaction where the backend gains by
  // it: the plan sees one state of the database, and SQLite takes its lock
  // once instead of once per row.
  const TReadStretch reads(connection);
  sheet.First();
  const int totalRows = sheet.RecordCount();
  rows.ReservePlanned(totalRows);
  for (; !sheet.Eof(); sheet.Next()) {
    const int index = sheet.RecNo();
    if (options.control.CancelRequested()) throw TWorkCancelled(Tr("已取消匯入計畫"));
    TRowWalkStep step;
    std::string error;
    try {
      const TRowOutcome outcome = rows.ImportCurrentRow();
      if (outcome == TRowOutcome::roSkipped) continue;
      if (outcome == TRowOutcome::roBlankRow) {
        step.blankRow = true;
        visit(step);
        continue;
      }
      step.change = &rows.Change();
    } catch (const TDatabaseUnavailableError& e) {
      rows.CancelEdit();
      throw TImportError(e.what(), 0, {}, {});
    } catch (const std::exception& e) {
      rows.CancelEdit();
      error = e.what();
      step.error = &error;
      step.column = rows.CurrentColumn();
      step.code = rows.CurrentCode();
    }
    step.sheetRow = sheetRowOf(index);
    visit(step);
    options.control.Report(index + 1, totalRows);
  }
  options.control.Report(totalRows, totalRows);
}

}  // namespace detail
}  // namespace tabrin
