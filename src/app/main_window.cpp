#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "app/app_look.h"
#include "app/dialogs.h"
#include "app/error_box.h"
#include "app/mapping_dialog.h"
#include "app/setup_dialog.h"
#include "app/sheet_choice_dialog.h"
#include "config/program_folder.h"
#include "db/database_connection.h"
#include "export/export_command.h"
#include "export/import_template.h"
#include "import/cover_setting.h"
#include "import/import_journal.h"
#include "import/import_loop.h"
#include "import/import_plan.h"
#include "import/import_tabs.h"
#include "import/import_undo.h"
#include "import/rejects_file.h"
#include "import/workbook_preview_columns.h"
#include "text/format.h"
#include "import/saved_mappings.h"
#include "import/tab_mapping.h"
#include "xls/workbook_file_name.h"

namespace tabrin::app {

namespace {

constexpr int kToolBarHeight = 57;
constexpr int kButtonWidth = 105;
constexpr int kButtonHeight = 55;
// The toolbars keep a 2-pixel edge above their buttons.
constexpr int kButtonTop = 2;

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// A filter written as "description|pattern|description|pattern" as the
// entries of Qt's file dialog, "description (pattern)" each.
QStringList QtFilterEntries(std::string_view filter) {
  const QStringList parts = Utf8(filter).split(QLatin1Char('|'));
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) entries << parts[i] + QStringLiteral(" (") + parts[i + 1] + ')';
  return entries;
}

// A flat button of a toolbar: picture above the caption, 105 x 55, at left.
QToolButton* CommandButton(QWidget* toolBar, const char* name, const QString& caption, const QString& picture,
                           int left) {
  auto* button = new QToolButton(toolBar);
  button->setObjectName(QString::fromLatin1(name));
  StyleCommandButton(*button, caption, picture);
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setAutoRaise(true);
  button->setIconSize(QSize(32, 32));
  button->setGeometry(left, kButtonTop, kButtonWidth, kButtonHeight);
  return button;
}

QWidget* ToolBarWidget(QWidget* parent, const char* name) {
  auto* bar = new QWidget(parent);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setFixedHeight(kToolBarHeight);
  return bar;
}

struct TTabNames {
  const char* sheet;
  const char* grid;
  const char* toolBar;
  const char* xlsBtn;
  const char* importBtn;
  const char* exportBtn;
  const char* templateBtn;
};

// In tab order: 小分類, 商品檔, 廠商資料, 會員資料.
constexpr TTabNames kTabNames[] = {
    {"TabSheet1", "gwDBGridCLS", "ToolBar4", "ClsXlsBtn", "ClsImportBtn", "ClsExportBtn", "ClsTemplateBtn"},
    {"TabSheet2", "gwDBGrid2", "ToolBar3", "ItemXlsBtn", "ITEMImportBtn", "ItemExportBtn", "ItemTemplateBtn"},
    {"TabSheet3", "gwDBGrid1", "ToolBar2", "SupplierXlsBtn", "SupplierImportBtn", "SupplierExportBtn", "SupplierTemplateBtn"},
    {"TabSheet4", "gwDBGrid3", "ToolBar1", "CustXlsBtn", "CustImportBtn", "CustomerExportBtn", "CustomerTemplateBtn"},
};

// The design-time connection stored with the window: the kind-1 database of
// the program folder, as user Admin without a password.
std::string StoredConnectionString() {
  return "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=" + ProgramFile("Database.mdb") +
         ";Mode=Share Deny None;Persist Security Info=False";
}

}  // namespace

TFMTabrin::TFMTabrin(TDialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs) {
  setObjectName(QStringLiteral("FMTabrin"));
  setWindowTitle(QStringLiteral("Excel 資料匯入公用程式"));
  setGeometry(219, 113, 870, 500);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  CreateToolBar();
  layout->addWidget(ToolBar);
  CreateTabs();
  layout->addWidget(PageControl1, 1);
  CreateConnectMenu();
  ApplyHostExportSettings(ferran3Xls_);

  OpenStoredConnection();
  ReportErrors(dialogs_, [this] { FormCreate(); });
  UpdateUndoButton();
  fmsetup_ = new TFmsetup(dialogs_, this);
  fmsetup_->setWindowFlag(Qt::Dialog);
}

TFMTabrin::~TFMTabrin() {
  // The grids outlive the queries (they are child widgets); let go first.
  for (TTabPage& tab : tabs_) tab.grid->SetSheet(nullptr);
}

void TFMTabrin::CreateToolBar() {
  ToolBar = ToolBarWidget(this, "ToolBar");
  dbconnButton = CommandButton(ToolBar, "dbconnButton", QStringLiteral("資料庫連線"), QStringLiteral("connect"), 0);
  inisetupButton =
      CommandButton(ToolBar, "inisetupButton", QStringLiteral("參數設定"), QStringLiteral("settings"), kButtonWidth);
  sbClose = CommandButton(ToolBar, "sbClose", QStringLiteral("離開"), QStringLiteral("exit"), 2 * kButtonWidth);
  Databaseinfo = new QLineEdit(ToolBar);
  Databaseinfo->setObjectName(QStringLiteral("Databaseinfo"));
  Databaseinfo->setGeometry(3 * kButtonWidth, kButtonTop, 215, kButtonHeight);
  Databaseinfo->setReadOnly(true);
  Databaseinfo->setEnabled(false);
  QFont bold = Databaseinfo->font();
  bold.setBold(true);
  Databaseinfo->setFont(bold);
  // After the status box, so that the three commands and the box keep their
  // places.
  undoButton = CommandButton(ToolBar, "undoButton", QStringLiteral("復原上次匯入"), QStringLiteral("undo"),
                             3 * kButtonWidth + 215);
  undoButton->setEnabled(false);

  connect(dbconnButton, &QToolButton::clicked, this, &TFMTabrin::dbconnButtonClick);
  connect(inisetupButton, &QToolButton::clicked, this, &TFMTabrin::inisetupButtonClick);
  connect(sbClose, &QToolButton::clicked, this, &TFMTabrin::sbCloseClick);
  connect(undoButton, &QToolButton::clicked, this, &TFMTabrin::undoButtonClick);
}

void TFMTabrin::CreateTabs() {
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  using Slot = void (TFMTabrin::*)();
  const Slot openSlots[] = {&TFMTabrin::ClsXlsBtnClick, &TFMTabrin::ItemXlsBtnClick, &TFMTabrin::SupplierXlsBtnClick,
                            &TFMTabrin::CustXlsBtnClick};
  const Slot importSlots[] = {&TFMTabrin::ClsImportBtnClick, &TFMTabrin::ITEMImportBtnClick,
                              &TFMTabrin::SupplierImportBtnClick, &TFMTabrin::CustImportBtnClick};
  const Slot exportSlots[] = {&TFMTabrin::ClsExportBtnClick, &TFMTabrin::ItemExportBtnClick,
                              &TFMTabrin::SupplierExportBtnClick, &TFMTabrin::CustomerExportBtnClick};

  for (std::size_t i = 0; i < tabs_.size(); ++i) {
    TTabPage& tab = tabs_[i];
    const TTabNames& names = kTabNames[i];
    tab.table = kMasterTables[i];
    const TImportTabInfo& info = ImportTab(tab.table);

    tab.page = new QWidget(PageControl1);
    tab.page->setObjectName(QString::fromLatin1(names.sheet));
    auto* column = new QVBoxLayout(tab.page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    tab.grid = new TTabGrid(tab.table, tab.page);
    tab.grid->setObjectName(QString::fromLatin1(names.grid));
    column->addWidget(tab.grid, 1);
    tab.toolBar = ToolBarWidget(tab.page, names.toolBar);
    column->addWidget(tab.toolBar);
    tab.xlsBtn = CommandButton(tab.toolBar, names.xlsBtn, QStringLiteral("開啟 EXCEL 檔"), QStringLiteral("open"), 0);
    tab.importBtn =
        CommandButton(tab.toolBar, names.importBtn, QStringLiteral("匯入"), QStringLiteral("import"), kButtonWidth);
    tab.exportBtn =
        CommandButton(tab.toolBar, names.exportBtn, QStringLiteral("匯出"), QStringLiteral("export"), 2 * kButtonWidth);
    tab.templateBtn = CommandButton(tab.toolBar, names.templateBtn, QStringLiteral("範本"), QStringLiteral("template"),
                                    3 * kButtonWidth);
    tab.templateBtn->setToolTip(QStringLiteral("存一個空白的匯入範本：標題就是這一頁匯入讀取的欄位，填好即可匯入"));
    for (QToolButton* button : {tab.xlsBtn, tab.importBtn, tab.exportBtn, tab.templateBtn}) button->setEnabled(false);
    tab.planLegend = new QLabel(tab.toolBar);
    tab.planLegend->setObjectName(QStringLiteral("PlanLegend"));
    tab.planLegend->setTextFormat(Qt::PlainText);
    tab.planLegend->setWordWrap(true);
    tab.planLegend->setGeometry(4 * kButtonWidth + 8, kButtonTop, 435, kButtonHeight);
    tab.planLegend->setToolTip(QStringLiteral("表格第一欄「試算」是匯入每一列會做的事；"
                                              "停在一列上可看到要覆蓋的欄位（舊 → 新）或錯誤"));
    connect(tab.xlsBtn, &QToolButton::clicked, this, openSlots[i]);
    connect(tab.importBtn, &QToolButton::clicked, this, importSlots[i]);
    connect(tab.exportBtn, &QToolButton::clicked, this, exportSlots[i]);
    connect(tab.templateBtn, &QToolButton::clicked, this, [this, &tab] { WriteTemplateFor(tab); });

    tab.sheetQuery = std::make_unique<TQuery>(std::string(info.sheetQueryName), adoXlsConnect_);
    tab.exportQuery = std::make_unique<TQuery>(ExportQueryDef(tab.table), adoConnection_);
    tab.grid->SetSheet(nullptr);
    PageControl1->addTab(tab.page, Utf8(info.caption));
  }
  PageControl1->setCurrentIndex(1);  // 商品檔
}

void TFMTabrin::CreateConnectMenu() {
  mnuDB = new QMenu(this);
  mnuDB->setObjectName(QStringLiteral("mnuDB"));
  mnuOrvella = mnuDB->addAction(QStringLiteral("ORVELLAPOS"));
  mnuOrvella->setObjectName(QStringLiteral("mnuOrvella"));
  mnuKESTAPOS = mnuDB->addAction(QStringLiteral("KESTAPOS"));
  mnuKESTAPOS->setObjectName(QStringLiteral("mnuKESTAPOS"));
  mnuKESTAPLUS = mnuDB->addAction(QStringLiteral("KESTAPLUS"));
  mnuKESTAPLUS->setObjectName(QStringLiteral("mnuKESTAPLUS"));
  connect(mnuOrvella, &QAction::triggered, this, &TFMTabrin::mnuOrvellaClick);
  connect(mnuKESTAPOS, &QAction::triggered, this, &TFMTabrin::mnuKESTAPOSClick);
  connect(mnuKESTAPLUS, &QAction::triggered, this, &TFMTabrin::mnuKESTAPLUSClick);
}

// The window is stored with its database connection open; creating it opens
// that connection once.  When it fails the error is shown and start-up goes
// on; when it succeeds the connection just stays open until a connect command
// replaces it.
void TFMTabrin::OpenStoredConnection() {
  ReportErrors(dialogs_, [this] {
    adoConnection_.SetConnectionString(StoredConnectionString());
    adoConnection_.Open();
  });
}

void TFMTabrin::FormCreate() {
  cover_ = ReadCoverSetting(ProgramFolder());
  choices_ = ReadImportChoices(ProgramFolder());
}

void TFMTabrin::Command(const std::function<void()>& command) {
  if (busy_) return;
  ReportErrors(dialogs_, command);
}

void TFMTabrin::closeEvent(QCloseEvent* event) {
  // The work thread uses the connection; the window waits for it to end.
  if (busy_) {
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

// --- toolbar ------------------------------------------------------------------

// The menu opens under the connect button's bottom-left corner, wherever the
// button was clicked; the item chosen runs its command from the menu.
void TFMTabrin::dbconnButtonClick() {
  Command([this] {
    const QPoint underButton(dbconnButton->x(), ToolBar->y() + dbconnButton->y() + dbconnButton->height());
    dialogs_.PopupMenu(*mnuDB, mapToGlobal(underButton));
  });
}

void TFMTabrin::inisetupButtonClick() {
  Command([this] {
    std::optional<TCoverMode> choice;
    if (!fmsetup_->AskCover(choice)) return;
    WriteCoverChoice(ProgramFolder(), choice);
    // Cover() keeps the setting read at start: the new one governs imports
    // from the next start.  The boxes below it take effect at once (a clerk
    // who ticks update only expects the next import to append nothing), and
    // the file is left as it is when they are unchanged.
    const TImportChoices chosen = fmsetup_->ImportChoices();
    if (chosen == choices_ && chosen == ReadImportChoices(ProgramFolder())) return;
    WriteImportChoices(ProgramFolder(), chosen);
    choices_ = chosen;
    for (TTabPage& tab : tabs_) {
      if (tab.plan) PlanTab(tab);
    }
  });
}

// The newest import the journal can take back; the journal is not created
// just to find that there is none.
void TFMTabrin::UpdateUndoButton() {
  bool undoable = false;
  ReportErrors(dialogs_, [&] {
    if (!std::filesystem::exists(ProgramFile("Journal.db"))) return;
    TImportJournal journal(ProgramFolder());
    undoable = journal.NewestUndoable().has_value();
  });
  undoButton->setEnabled(undoable);
}

// The undo runs on the window's connection when it is the database the
// import wrote, else on one of its own, as the command line's undo does.
void TFMTabrin::undoButtonClick() {
  Command([this] {
    TImportJournal journal(ProgramFolder());
    const TJournalEntry import = ImportToUndo(journal, 0, ProgramFolder());
    const TDatabaseKind kind = UndoDatabaseKind(import, ProgramFolder());
    const QString question =
        QStringLiteral("要復原匯入 #%1（%2）嗎？\n\n匯入新增的資料會刪除，被覆蓋的資料會還原；"
                       "匯入後又被修改或刪除的資料不會變動。")
            .arg(import.id)
            .arg(Utf8(ImportSummary(import)));
    if (!dialogs_.Ask(ApplicationTitle(), question)) return;
    TConnection own("ADOConnection");
    TConnection* database = &adoConnection_;
    if (!adoConnection_.Connected() || dbKind_ != kind) {
      ConnectDatabase(own, kind, ProgramFolder());
      database = &own;
    }
    const TUndoResult result = UndoImport(journal, import, *database);
    UpdateUndoButton();
    QStringList lines;
    for (const std::string& line : UndoResultLines(import, result)) lines << Utf8(line);
    for (TTabPage& tab : tabs_) {
      if (tab.table == import.table && tab.plan) PlanTab(tab);
    }
    dialogs_.ShowMessage(ApplicationTitle(), lines.join(QLatin1Char('\n')));
  });
}

void TFMTabrin::sbCloseClick() {
  Command([this] {
    adoXlsConnect_.Close();
    adoConnection_.Close();
    close();
  });
}

// --- connect menu ---------------------------------------------------------------

void TFMTabrin::mnuOrvellaClick() { Connect(TDatabaseKind::dkOrvella); }
void TFMTabrin::mnuKESTAPOSClick() { Connect(TDatabaseKind::dkKestaPos); }
void TFMTabrin::mnuKESTAPLUSClick() { Connect(TDatabaseKind::dkKestaPlus); }

void TFMTabrin::Connect(TDatabaseKind kind) {
  Command([this, kind] {
    const TConnectResult result = ConnectDatabase(adoConnection_, kind, ProgramFolder());
    if (!adoConnection_.Connected()) return;
    dbconnButton->setEnabled(false);
    for (TTabPage& tab : tabs_) {
      tab.xlsBtn->setEnabled(true);
      tab.exportBtn->setEnabled(true);
      tab.templateBtn->setEnabled(true);
    }
    Databaseinfo->setText(QString::fromStdString(result.statusText));
    dbKind_ = result.kind;
  });
}

// --- Open -------------------------------------------------------------------------

void TFMTabrin::ClsXlsBtnClick() { OpenWorkbookOn(Tab(TMasterTable::mtClassify)); }
void TFMTabrin::ItemXlsBtnClick() { OpenWorkbookOn(Tab(TMasterTable::mtItem)); }
void TFMTabrin::SupplierXlsBtnClick() { OpenWorkbookOn(Tab(TMasterTable::mtSupplier)); }
void TFMTabrin::CustXlsBtnClick() { OpenWorkbookOn(Tab(TMasterTable::mtCustomer)); }

// One workbook is open at a time: opening one on any tab closes the one
// before.  The other tabs keep the rows they read.
void TFMTabrin::OpenWorkbookOn(TTabPage& tab) {
  Command([this, &tab] {
    const std::optional<QString> file = dialogs_.GetOpenFileName(this);
    if (!file) return;
    {
      QApplication::setOverrideCursor(Qt::WaitCursor);
      struct RestoreCursor {
        ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
      } restore;
      OpenWorkbook(adoXlsConnect_, file->toStdString());
    }
    TQuery& sheet = *tab.sheetQuery;
    tab.grid->SetSheet(nullptr);
    tab.plan.reset();
    tab.planLegend->clear();
    tab.workbookPath = std::filesystem::absolute(file->toStdString()).string();
    tab.sourceNote.clear();
    tab.mapping = {};
    UseTabMapping(tab);
    const TSheetChoice choice = OpenTabSheetOrAsk(tab);
    // A sheet that lacks columns the import reads opens under the mapping
    // saved for its titles, else under the one the clerk accepts.
    if (!TabMissingColumns(sheet, tab.table, dbKind_, cover_.mode).empty()) {
      tab.mapping = OpenTabSheetMapped(sheet, adoXlsConnect_, tab.table, dbKind_, cover_.mode, {}, ProgramFolder(),
                                       [&](const std::vector<std::string>& titles, const TColumnMapping& proposed) {
                                         return AskMapping(tab, titles, proposed);
                                       },
                                       choice)
                        .mapping;
    }
    if (const std::optional<TCsvLayout> text = SheetSourceOf(sheet).text) {
      tab.sourceNote = Utf8(FormatMessage("文字檔：%s，%s分隔",
                                          {TextEncodingName(text->encoding), SeparatorName(text->separator)}));
    }
    tab.grid->SetSheet(&sheet, *file);
    tab.importBtn->setEnabled(sheet.RecordCount() > 0);
    PlanTab(tab);
  });
}

TSheetChoice TFMTabrin::OpenTabSheetOrAsk(TTabPage& tab) {
  TQuery& sheet = *tab.sheetQuery;
  std::string reason;
  // Whether the query opens on the choice with a column the tab shows; else
  // why not.  The tab's own query raises errors other than a missing item
  // number as they are; a chosen sheet's are a reason to ask again.
  const auto opensWithColumns = [&](const TSheetChoice& choice, bool chosen) {
    try {
      OpenTabSheetQuery(sheet, adoXlsConnect_, tab.table, choice);
    } catch (const TabrinError& e) {
      if (!chosen && !IsMissingFilterColumnError(tab.table, e)) throw;
      reason = e.what();
      return false;
    }
    if (!GridColumnsPresent(GridColumnList(tab.table), sheet).empty()) return true;
    reason = FormatMessage("工作表沒有「%s」頁籤顯示的任何欄位；標題若不在第一列，請指出在第幾列",
                           {ImportTab(tab.table).caption});
    return false;
  };
  if (!HasTabSheet(adoXlsConnect_)) {
    reason = "活頁簿沒有工作表「sheet1」，請選擇要讀的工作表";
  } else if (opensWithColumns({}, false)) {
    return {};
  }
  QStringList sheets;
  for (const std::string& name : WorkbookSheetNames(adoXlsConnect_)) sheets << Utf8(name);
  for (;;) {
    TSheetChoiceDialog dialog(Utf8(reason), sheets, this);
    if (dialogs_.RunModal(dialog) != QDialog::Accepted) {
      // As the tab's own query leaves it: open, or closed with its error.
      OpenTabSheetQuery(sheet, adoXlsConnect_, tab.table);
      return {};
    }
    const TSheetChoice choice = dialog.Choice();
    if (opensWithColumns(choice, true)) {
      tab.sourceNote = Utf8(FormatMessage("工作表「%s」，標題在第 %d 列", {choice.sheet, choice.titleRow}));
      return choice;
    }
  }
}

void TFMTabrin::SetLegend(TTabPage& tab, const QString& legend) {
  if (tab.sourceNote.isEmpty() || legend.isEmpty()) {
    tab.planLegend->setText(legend.isEmpty() ? tab.sourceNote : legend);
    return;
  }
  tab.planLegend->setText(tab.sourceNote + QStringLiteral("｜") + legend);
}

std::optional<TColumnMapping> TFMTabrin::AskMapping(const TTabPage& tab, const std::vector<std::string>& titles,
                                                    const TColumnMapping& proposed) {
  TMappingDialog dialog(tab.table, ColumnsRead(ImporterFor(tab.table, dbKind_), cover_.mode), titles, proposed, this);
  if (dialogs_.RunModal(dialog) != QDialog::Accepted) return std::nullopt;
  const TColumnMapping mapping = dialog.Mapping();
  if (!mapping.Empty()) TMappingStore(ProgramFolder()).Save({dialog.Name(), tab.table, titles, mapping, {}});
  return mapping;
}

void TFMTabrin::UseTabMapping(const TTabPage& tab) {
  if (adoXlsConnect_.Connected()) SetSheetMapping(adoXlsConnect_, tab.mapping);
}

void TFMTabrin::RunOnSheet(TTabPage& tab, const QString& what,
                           const std::function<void(const TWorkControl&)>& work) {
  busy_ = true;
  tab.grid->SetSuspended(true);
  struct EndWork {
    TFMTabrin& window;
    TTabPage& tab;
    ~EndWork() {
      tab.grid->SetSuspended(false);
      window.busy_ = false;
    }
  } endWork{*this, tab};
  RunLongWork(this, ApplicationTitle(), what, work, progressObserver_);
}

void TFMTabrin::PlanTab(TTabPage& tab) {
  tab.grid->SetRowNotes({});
  tab.plan.reset();
  SetLegend(tab, {});
  TQuery& sheet = *tab.sheetQuery;
  if (!sheet.Active() || !adoConnection_.Connected() || !dbKind_) return;
  TImportOptions options = BaseImportOptions();
  UseTabMapping(tab);
  std::optional<TImportPlan> plan;
  try {
    // A second or two on a full sheet: the same progress as an import.
    RunOnSheet(tab, QStringLiteral("試算中"), [&](const TWorkControl& control) {
      options.control = control;
      plan = PlanTabSheet(sheet, adoConnection_, *dbKind_, tab.table, options);
    });
  } catch (const std::exception& e) {
    // The sheet can still be imported; the tab says why it shows no plan.
    SetLegend(tab, QStringLiteral("沒有試算：") + QString::fromUtf8(e.what()));
    return;
  }
  tab.plan = std::make_unique<TTabPlan>(std::move(*plan), sheet);
  tab.grid->SetRowNotes(tab.plan->RowNotes());
  SetLegend(tab, tab.plan->Legend());
}

// --- Import -------------------------------------------------------------------------

void TFMTabrin::ClsImportBtnClick() { ImportInto(Tab(TMasterTable::mtClassify)); }
void TFMTabrin::ITEMImportBtnClick() { ImportInto(Tab(TMasterTable::mtItem)); }
void TFMTabrin::SupplierImportBtnClick() { ImportInto(Tab(TMasterTable::mtSupplier)); }
void TFMTabrin::CustImportBtnClick() { ImportInto(Tab(TMasterTable::mtCustomer)); }

TImportOptions TFMTabrin::BaseImportOptions() const {
  TImportOptions options;
  options.cover = cover_.mode;
  options.updateOnly = choices_.updateOnly;
  options.keepBlanks = choices_.keepBlanks;
  return options;
}

std::optional<std::string> TFMTabrin::AskForRejectsFile(const TTabPage& tab) {
  const int errors = tab.plan ? tab.plan->Counts().errors : 0;
  if (errors == 0) return std::string();
  const QString question = QStringLiteral("試算有 %1 列錯誤，匯入會停在第一個錯誤列。\n\n"
                                          "要匯入其他的列，並把這 %1 列連同錯誤原因存成檔案，修正後再匯入嗎？")
                               .arg(errors);
  if (!dialogs_.Ask(ApplicationTitle(), question)) return std::string();
  // The source's kind first, as the file is written when no name is given.
  struct TRejectsEntry {
    QString filter;
    const char* extension;
  };
  std::vector<TRejectsEntry> entries = {{QStringLiteral("Excel 97-2003 活頁簿 (*.xls)"), ".xls"},
                                        {QStringLiteral("Excel 活頁簿 (*.xlsx)"), ".xlsx"},
                                        {QStringLiteral("CSV 文字檔 (*.csv)"), ".csv"}};
  const std::string sourceExtension = std::filesystem::path(DefaultRejectsPath(tab.workbookPath)).extension().string();
  std::stable_partition(entries.begin(), entries.end(),
                        [&](const TRejectsEntry& entry) { return entry.extension == sourceExtension; });
  QStringList filters;
  for (const TRejectsEntry& entry : entries) filters << entry.filter;
  const std::optional<TSaveAnswer> answer = dialogs_.GetSaveFileName(this, QStringLiteral("儲存錯誤的列"), filters);
  if (!answer || answer->name.isEmpty()) return std::nullopt;
  std::string name = answer->name.toStdString();
  if (std::filesystem::path(name).extension().empty()) {
    name += entries[std::clamp(answer->filterEntry, 0, static_cast<int>(entries.size()) - 1)].extension;
  }
  return std::filesystem::absolute(name).string();
}

void TFMTabrin::ImportInto(TTabPage& tab) {
  Command([this, &tab] {
    TQuery& sheet = *tab.sheetQuery;
    sheet.First();  // a sheet whose open failed is closed: the data layer says so
    UseTabMapping(tab);
    const std::optional<std::string> rejects = AskForRejectsFile(tab);
    if (!rejects) return;
    TImportOptions options = BaseImportOptions();
    std::vector<TSkippedRow> skipped;
    if (!rejects->empty()) options.skipped = &skipped;
    TJournaledImportResult result;
    const auto afterImport = [&] {
      UpdateUndoButton();
      PlanTab(tab);
    };
    TImportCounts counts;
    std::optional<TJournalEntry> sameWorkbook;
    try {
      // Journaled, so that it can be taken back; with no database connected
      // nothing can be stored, and the data layer says so.
      RunOnSheet(tab, QStringLiteral("匯入中"), [&](const TWorkControl& control) {
        options.control = control;
        if (dbKind_) {
          result = ImportTabSheetJournaled(sheet, adoConnection_, *dbKind_, tab.table, tab.workbookPath,
                                           ProgramFolder(), cover_, options, *rejects);
          counts = result.counts;
          sameWorkbook = result.sameWorkbook;
        } else {
          counts = ImportTabSheet(sheet, adoConnection_, std::nullopt, tab.table, options);
        }
      });
    } catch (const TImportCancelled& cancelled) {
      // Stopped where the clerk asked: no error, and what was stored is told
      // as after a whole import.
      afterImport();
      dialogs_.ShowMessage(ApplicationTitle(),
                           Utf8(cancelled.what()) + QLatin1Char('\n') + Utf8(ImportCountsText(cancelled.Counts())));
      return;
    } catch (...) {
      // What was committed stays and can be undone; the outcomes changed.
      afterImport();
      throw;
    }
    afterImport();
    std::string message =
        std::string(kImportDoneMessage) + "\n" + ImportCountsText(counts) + ChoiceCountsText(options, counts);
    if (sameWorkbook) message += "\n" + SameWorkbookText(*sameWorkbook);
    if (!result.rejectsPath.empty()) {
      message += "\n" + FormatMessage("略過的列已寫入 %s", {result.rejectsPath});
    }
    dialogs_.ShowMessage(ApplicationTitle(), Utf8(message));
  });
}

// --- Export -------------------------------------------------------------------------

void TFMTabrin::ClsExportBtnClick() { ExportFrom(Tab(TMasterTable::mtClassify)); }
void TFMTabrin::ItemExportBtnClick() { ExportFrom(Tab(TMasterTable::mtItem)); }
void TFMTabrin::SupplierExportBtnClick() { ExportFrom(Tab(TMasterTable::mtSupplier)); }
void TFMTabrin::CustomerExportBtnClick() { ExportFrom(Tab(TMasterTable::mtCustomer)); }

void TFMTabrin::ExportFrom(TTabPage& tab) {
  Command([this, &tab] {
    const std::optional<TSaveAnswer> answer =
        dialogs_.GetSaveFileName(this, QStringLiteral("匯出資料  "), QtFilterEntries(kExportDialogFilter));
    if (!answer) return;
    const int entry = std::clamp(answer->filterEntry, 0, static_cast<int>(std::size(kExportDialogFormats)) - 1);
    const std::string file = ExportFileName(answer->name.toStdString(), kExportDialogFormats[entry]);
    TQuery& query = *tab.exportQuery;
    busy_ = true;
    struct EndWork {
      bool& busy;
      ~EndWork() { busy = false; }
    } endWork{busy_};
    // A cancelled export writes nothing (an earlier file stays) and raises
    // TWorkCancelled, which the error box shows.
    RunLongWork(
        this, ApplicationTitle(), QStringLiteral("匯出中"),
        [&](const TWorkControl& control) { RunExportCommand(ferran3Xls_, query, file, control); },
        progressObserver_);
    dialogs_.ShowMessage(ApplicationTitle(), Utf8(kExportDoneMessage));
  });
}

// --- Import template ----------------------------------------------------------------

void TFMTabrin::WriteTemplateFor(TTabPage& tab) {
  Command([this, &tab] {
    const std::optional<TSaveAnswer> answer =
        dialogs_.GetSaveFileName(this, QStringLiteral("匯入範本  "), QtFilterEntries(kExportDialogFilter));
    if (!answer) return;
    const int entry = std::clamp(answer->filterEntry, 0, static_cast<int>(std::size(kExportDialogFormats)) - 1);
    const std::string file = ExportFileName(answer->name.toStdString(), kExportDialogFormats[entry]);
    const std::string written = WriteImportTemplate(tab.table, dbKind_, file);
    dialogs_.ShowMessage(ApplicationTitle(), QStringLiteral("已寫入 ") + QString::fromStdString(written));
  });
}

}  // namespace tabrin::app
