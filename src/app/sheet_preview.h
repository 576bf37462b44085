#pragma once
// A plain table view of a tab's open sheet query: the tab's grid columns
// that the sheet has, one line per record.  It has the calls the tabs make on
// their grid, so the tabs do not depend on which grid they hold.
#include <QString>
#include <QTableView>

#include <memory>

#include "db/master_table.h"

namespace tabrin {
class TQuery;
}

namespace tabrin::app {

class TSheetPreviewModel;

class TSheetPreview : public QTableView {
  Q_OBJECT
 public:
  explicit TSheetPreview(TMasterTable table, QWidget* parent = nullptr);
  ~TSheetPreview() override;

  // Shows the open query's rows; nullptr shows the titles over no rows.
  void SetSheet(TQuery* openSheet, const QString& fileName = {});
  // While true the view does not read the query (another thread moves it).
  void SetSuspended(bool suspended);

 private:
  std::unique_ptr<TSheetPreviewModel> model_;
};

}  // namespace tabrin::app
