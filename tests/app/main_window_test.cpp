// The main window from start to exit: start state, the stored connection,
// the connect menu, the exit button.
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>

#include "app/setup_dialog.h"
#include "app_test_support.h"
#include "config/program_folder.h"


namespace tabrin::app {
namespace {

std::vector<QToolButton*> TabButtons(TFMTabrin& window) {
  std::vector<QToolButton*> buttons;
  for (TMasterTable table : kMasterTables) {
    TTabPage& tab = window.Tab(table);
    buttons.insert(buttons.end(), {tab.xlsBtn, tab.importBtn, tab.exportBtn});
  }
  return buttons;
}

TEST_F(AppTest, StartsInItsStartStateWithoutStoredDatabase) {
  TFMTabrin& window = MakeWindow();

  // The stored design-time database is missing: one error box, then the
  // window as at every start.
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_EQ(dialogs_.errors[0].caption, Q(kTestTitle));
  EXPECT_TRUE(dialogs_.errors[0].text.endsWith('.'));
  EXPECT_FALSE(window.ADOConnection().Connected());

  EXPECT_EQ(window.objectName(), "FMTabrin");
  EXPECT_EQ(window.windowTitle(), Q("Excel 資料匯入公用程式"));
  EXPECT_EQ(window.size(), QSize(870, 500));
  EXPECT_EQ(window.ToolBar->height(), 57);
  ASSERT_EQ(window.PageControl1->count(), 4);
  const char* captions[] = {"小分類", "商品檔", "廠商資料", "會員資料"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(window.PageControl1->tabText(i), Q(captions[i]));
  EXPECT_EQ(window.PageControl1->currentIndex(), 1);

  struct {
    QToolButton* button;
    const char* caption;
    int left;
  } const top[] = {{window.dbconnButton, "資料庫連線", 0},
                   {window.inisetupButton, "參數設定", 105},
                   {window.sbClose, "離開", 210}};
  for (const auto& [button, caption, left] : top) {
    EXPECT_TRUE(button->isEnabled()) << caption;
    EXPECT_EQ(button->text(), Q(caption));
    EXPECT_EQ(button->geometry(), QRect(left, 2, 105, 55)) << caption;
    EXPECT_FALSE(button->icon().isNull()) << caption;
  }
  EXPECT_EQ(window.Databaseinfo->geometry(), QRect(315, 2, 215, 55));
  EXPECT_FALSE(window.Databaseinfo->isEnabled());
  EXPECT_TRUE(window.Databaseinfo->font().bold());
  EXPECT_TRUE(window.Databaseinfo->text().isEmpty());

  for (QToolButton* button : TabButtons(window)) EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
  EXPECT_EQ(window.Tab(TMasterTable::mtItem).xlsBtn->text(), Q("開啟 EXCEL 檔"));
  EXPECT_EQ(window.Tab(TMasterTable::mtCustomer).exportBtn->objectName(), "CustomerExportBtn");
  EXPECT_EQ(window.DBKind(), std::nullopt);
  EXPECT_EQ(window.Cover().text, "0");
  EXPECT_EQ(window.Cover().mode, TCoverMode::cmOverwrite);
  EXPECT_FALSE(window.Fmsetup().isVisible());
}

TEST_F(AppTest, OpensTheStoredDatabaseQuietlyAndReadsCoverFlagOnce) {
  CreateEmptyDatabase();
  WriteFile("setup.ini", "[Setting]\ncover=1\n");
  TFMTabrin& window = MakeWindow();

  EXPECT_TRUE(dialogs_.errors.empty());
  EXPECT_TRUE(window.ADOConnection().Connected());
  // Open, but nothing says so: no status, no kind, connect still offered.
  EXPECT_TRUE(window.Databaseinfo->text().isEmpty());
  EXPECT_EQ(window.DBKind(), std::nullopt);
  EXPECT_TRUE(window.dbconnButton->isEnabled());
  EXPECT_EQ(window.Cover().text, "1");
  EXPECT_EQ(window.Cover().mode, TCoverMode::cmKeep);

  WriteFile("setup.ini", "[Setting]\ncover=0\n");
  ConnectKind1();
  EXPECT_EQ(window.Cover().text, "1");
  EXPECT_EQ(window.Cover().mode, TCoverMode::cmKeep);
}

TEST_F(AppTest, FailedThenSuccessfulConnectOfKind1) {
  TFMTabrin& window = MakeWindow();
  dialogs_.errors.clear();

  ConnectKind1();  // no Database.mdb yet
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_EQ(dialogs_.errors[0].caption, Q(kTestTitle));
  EXPECT_TRUE(dialogs_.errors[0].text.contains(Q("Database.mdb"))) << dialogs_.errors[0].text.toStdString();
  EXPECT_TRUE(window.dbconnButton->isEnabled());
  for (QToolButton* button : TabButtons(window)) EXPECT_FALSE(button->isEnabled());
  EXPECT_TRUE(window.Databaseinfo->text().isEmpty());
  EXPECT_EQ(window.DBKind(), std::nullopt);

  CreateEmptyDatabase();
  ConnectKind1();
  EXPECT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_FALSE(window.dbconnButton->isEnabled());
  for (TMasterTable table : kMasterTables) {
    TTabPage& tab = window.Tab(table);
    EXPECT_TRUE(tab.xlsBtn->isEnabled());
    EXPECT_TRUE(tab.exportBtn->isEnabled());
    EXPECT_FALSE(tab.importBtn->isEnabled());
  }
  EXPECT_EQ(window.Databaseinfo->text(), Q("連線資料庫 : Orvella"));
  EXPECT_EQ(window.DBKind(), TDatabaseKind::dkOrvella);
  EXPECT_TRUE(window.ADOConnection().Connected());
}

// The connect menu's choice runs once: one error box, then the window as it
// was.
TEST_F(AppTest, FailedConnectShowsOneErrorBox) {
  TFMTabrin& window = MakeWindow();
  dialogs_.errors.clear();
  ConnectKind1();  // no Database.mdb
  EXPECT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_TRUE(window.dbconnButton->isEnabled());
  EXPECT_FALSE(window.ADOConnection().Connected());
  EXPECT_FALSE(window.DBKind().has_value());
}

// Without its database the window says where the file belongs and how a
// clerk gets it, at start and when kind 1 is chosen; the command line's
// init-db is no advice for a clerk.
TEST_F(AppTest, MissingDatabaseBoxSaysWhereTheFileBelongs) {
  const std::string expected = "Could not find file '" + File("Database.mdb") +
                               "'; the database must be in the program folder " + home_.substr(0, home_.size() - 1) +
                               ": copy the store's Database.mdb there, or ask IT for it.";
  MakeWindow();
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_EQ(dialogs_.errors[0].text.toStdString(), expected);
  ConnectKind1();
  ASSERT_EQ(dialogs_.errors.size(), 2u);
  EXPECT_EQ(dialogs_.errors[1].text.toStdString(), expected);
}

TEST_F(AppTest, ConnectMenuOpensUnderTheButtonsBottomLeftCorner) {
  TFMTabrin& window = MakeWindow();
  window.move(300, 200);
  window.show();

  dialogs_.menuChoice.reset();  // dismissed
  window.dbconnButton->click();
  ASSERT_EQ(dialogs_.menuPositions.size(), 1u);
  EXPECT_EQ(dialogs_.menuPositions[0], window.mapToGlobal(QPoint(0, 57)));
  EXPECT_EQ(dialogs_.menuItems[0], (QStringList{"ORVELLAPOS", "KESTAPOS", "KESTAPLUS"}));
  EXPECT_EQ(window.DBKind(), std::nullopt);
  EXPECT_TRUE(window.dbconnButton->isEnabled());
}

TEST_F(AppTest, KestaposWithoutServerShowsTheDriversErrorAndChangesNothing) {
  // Database.ini names a server on a port where nothing listens.
  WriteFile("Database.ini", "[database]\nhost=127.0.0.1\nPort=1\nLogin=nobody\n");
  TFMTabrin& window = MakeWindow();
  dialogs_.errors.clear();
  dialogs_.menuChoice = QStringLiteral("KESTAPOS");
  window.dbconnButton->click();
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_TRUE(window.dbconnButton->isEnabled());
  EXPECT_EQ(window.DBKind(), std::nullopt);
  EXPECT_FALSE(window.ADOConnection().Connected());
}

TEST_F(AppTest, ExitClosesTheWindowWithAndWithoutConnection) {
  for (bool connected : {false, true}) {
    SCOPED_TRACE(connected ? "connected" : "not connected");
    if (connected) CreateEmptyDatabase();
    dialogs_.errors.clear();
    TFMTabrin& window = MakeWindow();
    window.show();
    if (connected) ConnectKind1();
    dialogs_.errors.clear();

    window.sbClose->click();
    EXPECT_TRUE(dialogs_.errors.empty());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.ADOConnection().Connected());
    EXPECT_FALSE(window.ADOXLSConnect().Connected());
  }
}

}  // namespace
}  // namespace tabrin::app
