#include "app/tab_plan.h"

#include <unordered_map>

#include "import/import_tabs.h"
#include "import/tab_mapping.h"

namespace tabrin::app {

namespace {

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The labels once each: the model asks for one per drawn cell.
const QString& OutcomeLabel(TPlannedOutcome outcome) {
  static const QString labels[] = {
      Utf8(PlannedOutcomeText(TPlannedOutcome::poAppend)), Utf8(PlannedOutcomeText(TPlannedOutcome::poOverwrite)),
      Utf8(PlannedOutcomeText(TPlannedOutcome::poSame)), Utf8(PlannedOutcomeText(TPlannedOutcome::poLeft)),
      Utf8(PlannedOutcomeText(TPlannedOutcome::poError)), Utf8(PlannedOutcomeText(TPlannedOutcome::poNotAppended))};
  return labels[static_cast<int>(outcome)];
}

}  // namespace

TTabPlan::TTabPlan(TImportPlan plan, const TQuery& sheet) : plan_(std::move(plan)) {
  // The planner numbers rows as the workbook does; the grid counts the
  // query's records (the item tab leaves out rows without an item number).
  std::unordered_map<int, int> bySheetRow;
  bySheetRow.reserve(plan_.rows.size());
  for (std::size_t i = 0; i < plan_.rows.size(); ++i) bySheetRow.emplace(plan_.rows[i].sheetRow, static_cast<int>(i));
  const int records = sheet.Active() ? sheet.RecordCount() : 0;
  const auto sheetRowOf = detail::SheetRowsOf(sheet);
  planRowOfRecord_.assign(static_cast<std::size_t>(records), -1);
  for (int record = 0; record < records; ++record) {
    const auto found = bySheetRow.find(sheetRowOf(record));
    if (found != bySheetRow.end()) planRowOfRecord_[static_cast<std::size_t>(record)] = found->second;
  }
}

const TPlannedRow* TTabPlan::RowOf(int record) const {
  if (record < 0 || record >= static_cast<int>(planRowOfRecord_.size())) return nullptr;
  const int index = planRowOfRecord_[static_cast<std::size_t>(record)];
  return index < 0 ? nullptr : &plan_.rows[static_cast<std::size_t>(index)];
}

QString TTabPlan::Label(int record) const {
  const TPlannedRow* row = RowOf(record);
  return row ? OutcomeLabel(row->outcome) : QString();
}

QString TTabPlan::Tip(int record) const {
  const TPlannedRow* row = RowOf(record);
  if (!row) return {};
  QString tip = OutcomeLabel(row->outcome);
  const std::string kept = KeptBlanksText(*row);
  switch (row->outcome) {
    case TPlannedOutcome::poOverwrite:
      if (!row->code.empty()) tip += QLatin1Char(' ') + Utf8(row->code);
      for (const TFieldChange& change : row->changes) {
        tip += QLatin1Char('\n') + Utf8(change.title) + QStringLiteral("：") + Utf8(ValueText(change.before)) +
               QStringLiteral(" → ") + Utf8(ValueText(change.after));
      }
      if (!kept.empty()) tip += QLatin1Char('\n') + Utf8(kept);
      return tip;
    case TPlannedOutcome::poSame:
      if (kept.empty()) return {};
      return tip + QLatin1Char(' ') + Utf8(row->code) + QLatin1Char('\n') + Utf8(kept);
    case TPlannedOutcome::poError:
      // As the dry run of the command line lists it.
      return tip + QLatin1Char('\n') + Utf8(SheetRowLine(row->sheetRow, row->column)) + QStringLiteral("：") +
             Utf8(row->error);
    default: return {};
  }
}

QString TTabPlan::Legend() const {
  const TPlanCounts counts = plan_.Counts();
  // The import counts an overwrite without a change among its overwrites; the
  // grid shows them apart, and so does the legend.
  const std::pair<TPlannedOutcome, int> parts[] = {{TPlannedOutcome::poAppend, counts.appended},
                                                   {TPlannedOutcome::poOverwrite, counts.overwritten - counts.same},
                                                   {TPlannedOutcome::poSame, counts.same},
                                                   {TPlannedOutcome::poLeft, counts.left},
                                                   {TPlannedOutcome::poError, counts.errors}};
  QString legend = QStringLiteral("匯入試算：");
  for (const auto& [outcome, count] : parts) {
    if (outcome != TPlannedOutcome::poAppend) legend += QStringLiteral("　");
    legend += OutcomeLabel(outcome) + QLatin1Char(' ') + QString::number(count);
  }
  if (counts.notAppended > 0) {
    legend += QStringLiteral("　") + OutcomeLabel(TPlannedOutcome::poNotAppended) + QLatin1Char(' ') +
              QString::number(counts.notAppended);
  }
  if (counts.blankRows > 0) legend += QStringLiteral("　空白列 ") + QString::number(counts.blankRows);
  // The columns the import reads from other titles or leaves alone, or
  // those it would miss, on a line of their own.
  if (!plan_.mappingText.empty()) legend += QStringLiteral("\n欄位對應：") + QString::fromStdString(plan_.mappingText);
  if (!plan_.missingColumns.empty()) {
    legend += QLatin1Char('\n') + QString::fromStdString(MissingColumnsText(plan_.missingColumns));
  }
  return legend;
}

grid::TRowNotes TTabPlan::RowNotes() const {
  grid::TRowNotes notes;
  notes.title = QStringLiteral("試算");
  notes.widthInCharacters = 9;  // "內容相同"
  notes.label = [this](int row) { return Label(row); };
  notes.tip = [this](int row) { return Tip(row); };
  return notes;
}

}  // namespace tabrin::app
