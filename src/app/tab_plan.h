#pragma once
// What importing a tab's open sheet would do, as the tab shows it: the
// core's import plan (PlanTabSheet) with each record of the sheet query
// pointing at its planned row, so that the grid looks an outcome up by row
// when it draws or shows a tip, and a legend with the counts for the tab.
//
//   TTabPlan plan(PlanTabSheet(sheet, database, kind, table, options), sheet);
//   grid.SetRowNotes(plan.RowNotes());   // the grid keeps a pointer: plan outlives it
#include <QString>

#include <vector>

#include "db/query.h"
#include "grid/sheet_table_model.h"
#include "import/import_plan.h"

namespace tabrin::app {

class TTabPlan {
 public:
  // The plan of the open sheet query (rows numbered as PlanTabSheet numbers
  // them).
  TTabPlan(TImportPlan plan, const TQuery& sheet);

  // "新增", "覆蓋", "內容相同", "未變更", "錯誤", "未新增"; empty for a record
  // without a plan.
  QString Label(int record) const;
  // An overwrite: "覆蓋 A01" and one line a changed field, "品名：舊 → 新";
  // an error: "錯誤" and "工作表第 4 列，欄位「售價」：" with the message the
  // import would raise.  With keep-blanks an overwrite (also one that stays
  // the same) ends with "空白保留：品名、售價".  Empty for the other outcomes.
  QString Tip(int record) const;
  // "匯入試算：新增 1　覆蓋 1　內容相同 1　未變更 0　錯誤 1", and "　未新增 2"
  // when update only leaves new codes out.
  QString Legend() const;
  TPlanCounts Counts() const { return plan_.Counts(); }
  // The grid's notes over this plan, which must outlive them.
  grid::TRowNotes RowNotes() const;

 private:
  const TPlannedRow* RowOf(int record) const;

  TImportPlan plan_;
  std::vector<int> planRowOfRecord_;  // -1: no planned row
};

}  // namespace tabrin::app
