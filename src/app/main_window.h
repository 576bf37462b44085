#pragma once
// The main window "Excel 資料匯入公用程式": the toolbar with the connect,
// settings and exit commands, the status box and the undo of the last
// import, and one tab per master table, each with its grid and its Open,
// Import and Export buttons.  A tab's grid shows what importing each row of
// its sheet would do (the core's import plan) while a database is connected.  The
// window owns the database and workbook connections, the sheet and export
// queries, the exporter and the settings dialog for the whole run, and holds
// the database kind (set by a successful connect command) and the cover
// setting (read once at start).
#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "app/long_work.h"
#include "app/tab_grid.h"
#include "app/tab_plan.h"
#include "db/connection.h"
#include "db/database_connection.h"
#include "db/master_table.h"
#include "db/query.h"
#include "export/ferran3_xls.h"
#include "import/column_mapping.h"
#include "import/cover_setting.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QTabWidget;
class QToolButton;

namespace tabrin::app {

class TDialogs;
class TFmsetup;

// One tab: its page, grid, sheet query, export query and three buttons, the
// workbook its sheet was read from and the plan of importing it.
struct TTabPage {
  TMasterTable table{};
  QWidget* page = nullptr;
  TTabGrid* grid = nullptr;
  QWidget* toolBar = nullptr;
  QToolButton* xlsBtn = nullptr;
  QToolButton* importBtn = nullptr;
  QToolButton* exportBtn = nullptr;
  QToolButton* templateBtn = nullptr;  // 範本: the import template for the connected kind
  QLabel* planLegend = nullptr;  // the plan's counts, or why there is none
  std::unique_ptr<TQuery> sheetQuery;
  std::unique_ptr<TQuery> exportQuery;
  std::string workbookPath;
  // What was read beyond the tab's defaults (a text file's encoding, a
  // chosen sheet), shown before the plan's legend; empty for none.
  QString sourceNote;
  std::unique_ptr<TTabPlan> plan;  // the grid's notes point into it
  // The column mapping the sheet was opened under; the tabs share one
  // workbook connection, so it is set on it again before the tab's plan
  // and import.
  TColumnMapping mapping;
};

class TFMTabrin : public QWidget {
  Q_OBJECT
 public:
  // Creates the window and its components, opens the stored design-time
  // connection, runs FormCreate, then creates the settings dialog.  Errors
  // on the way are shown in the error box and creation goes on.
  explicit TFMTabrin(TDialogs& dialogs, QWidget* parent = nullptr);
  ~TFMTabrin() override;

  // None until a connect command succeeds (the stored connection opened at
  // start does not say which kind it is).
  const std::optional<TDatabaseKind>& DBKind() const { return dbKind_; }
  const TCoverSetting& Cover() const { return cover_; }
  // Update only and blanks keeping the stored value: read at start, and
  // from the settings dialog's OK on.
  const TImportChoices& ImportChoices() const { return choices_; }
  TFmsetup& Fmsetup() { return *fmsetup_; }
  TConnection& ADOConnection() { return adoConnection_; }
  TConnection& ADOXLSConnect() { return adoXlsConnect_; }
  TTabPage& Tab(TMasterTable table) { return tabs_[static_cast<std::size_t>(table)]; }
  // True while an import or export runs; every command is refused then.
  bool Busy() const { return busy_; }
  // Watches the progress dialog of long work (tests press Cancel with it).
  void SetProgressObserver(TProgressObserver observer) { progressObserver_ = std::move(observer); }

  QWidget* ToolBar = nullptr;
  QToolButton* dbconnButton = nullptr;
  QToolButton* inisetupButton = nullptr;
  QToolButton* sbClose = nullptr;
  QLineEdit* Databaseinfo = nullptr;
  QToolButton* undoButton = nullptr;  // 復原上次匯入: enabled while the journal has an import to undo
  QTabWidget* PageControl1 = nullptr;
  QMenu* mnuDB = nullptr;
  QAction* mnuOrvella = nullptr;
  QAction* mnuKESTAPOS = nullptr;
  QAction* mnuKESTAPLUS = nullptr;

 public slots:
  void FormCreate();
  void dbconnButtonClick();
  void inisetupButtonClick();
  void sbCloseClick();
  void undoButtonClick();
  void mnuOrvellaClick();
  void mnuKESTAPOSClick();
  void mnuKESTAPLUSClick();
  void ClsXlsBtnClick();
  void ItemXlsBtnClick();
  void SupplierXlsBtnClick();
  void CustXlsBtnClick();
  void ClsImportBtnClick();
  void ITEMImportBtnClick();
  void SupplierImportBtnClick();
  void CustImportBtnClick();
  void ClsExportBtnClick();
  void ItemExportBtnClick();
  void SupplierExportBtnClick();
  void CustomerExportBtnClick();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateToolBar();
  void CreateTabs();
  void CreateConnectMenu();
  void OpenStoredConnection();
  // Runs a command unless another one is running; its error goes to the
  // error box.
  void Command(const std::function<void()>& command);
  void Connect(TDatabaseKind kind);
  void OpenWorkbookOn(TTabPage& tab);
  // Opens the tab's sheet query on the open workbook; when the workbook has
  // no sheet "sheet1", or the sheet lacks the item number or every column
  // the tab shows, asks which sheet and title row to read (TSheetChoiceDialog)
  // until one opens, and gives the choice it opened on.  Cancel leaves the
  // query as the tab's own query leaves it, its error raised.
  TSheetChoice OpenTabSheetOrAsk(TTabPage& tab);
  void SetLegend(TTabPage& tab, const QString& legend);
  // Works out the tab's plan against the connected database and the cover
  // setting and shows it; without a connection or an open sheet, none.
  void PlanTab(TTabPage& tab);
  // The mapping dialog for a sheet that lacks columns: the mapping accepted
  // (saved for the next sheet with these titles), or none.
  std::optional<TColumnMapping> AskMapping(const TTabPage& tab, const std::vector<std::string>& titles,
                                           const TColumnMapping& proposed);
  // The tab's mapping on the shared workbook connection.
  void UseTabMapping(const TTabPage& tab);
  void UpdateUndoButton();
  // Long work on the tab's sheet query off the window's thread: every
  // command is refused and the grid leaves the query alone meanwhile.
  void RunOnSheet(TTabPage& tab, const QString& what, const std::function<void(const TWorkControl&)>& work);
  void ImportInto(TTabPage& tab);
  // The options every plan and import of the window starts from.
  TImportOptions BaseImportOptions() const;
  // When the tab's plan has failing rows: whether to import the other rows
  // and where to save the failed ones.  Empty to import as usual (stopping
  // at the first failing row); nullopt when the clerk cancelled the save.
  std::optional<std::string> AskForRejectsFile(const TTabPage& tab);
  void ExportFrom(TTabPage& tab);
  // Asks for a file name as the export does and writes the tab's import
  // template there for the connected kind.
  void WriteTemplateFor(TTabPage& tab);

  TDialogs& dialogs_;
  std::optional<TDatabaseKind> dbKind_;
  TCoverSetting cover_;
  TImportChoices choices_;
  bool busy_ = false;
  TProgressObserver progressObserver_;

  TConnection adoConnection_{"ADOConnection"};
  TConnection adoXlsConnect_{"ADOXLSConnect"};
  TFerran3XLS ferran3Xls_;
  std::array<TTabPage, 4> tabs_;
  TFmsetup* fmsetup_ = nullptr;
};

}  // namespace tabrin::app
