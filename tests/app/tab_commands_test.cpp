// The tab buttons: Open, Import and Export, with real workbooks and the
// embedded database.
#include <QAbstractItemModel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>

#include <filesystem>

#include "app/setup_dialog.h"
#include "app_test_support.h"


namespace tabrin::app {
namespace {

const std::vector<std::string> kItemTitles = {"管理貨號", "品名", "售價"};

class TabCommandsTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    CreateEmptyDatabase();
    MakeWindow();
    ConnectKind1();
    ASSERT_TRUE(dialogs_.errors.empty());
  }

  // Opens the file on the tab through its Open button.
  void Open(TMasterTable table, const std::string& path) {
    dialogs_.openNames.push_back(QString::fromStdString(path));
    window_->Tab(table).xlsBtn->click();
  }

  QString LastError() const { return dialogs_.errors.empty() ? QString() : dialogs_.errors.back().text; }
};

TEST_F(TabCommandsTest, OpenOnItemTabEnablesImportOnlyForRowsWithItemNumber) {
  TTabPage& item = window_->Tab(TMasterTable::mtItem);
  struct Case {
    const char* name;
    std::vector<std::vector<TCell>> rows;
    bool importEnabled;
    int records;
  } const cases[] = {
      {"two rows", {{std::string("10000106"), std::string("綠茶"), 25.0}, {std::string("10000205"), std::string("紅茶"), 30.0}}, true, 2},
      {"title row only", {}, false, 0},
      {"item numbers all blank", {{TCell{}, std::string("綠茶"), 25.0}, {std::string(""), std::string("紅茶"), 1.0}}, false, 0},
      {"one row again", {{std::string("10000106"), std::string("綠茶"), 25.0}}, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = File(std::string("items-") + c.name + ".xls");
    WriteWorkbook(path, kItemTitles, c.rows);
    Open(TMasterTable::mtItem, path);
    EXPECT_TRUE(dialogs_.errors.empty()) << LastError().toStdString();
    EXPECT_TRUE(item.sheetQuery->Active());
    EXPECT_EQ(item.sheetQuery->RecordCount(), c.records);
    EXPECT_EQ(item.importBtn->isEnabled(), c.importEnabled);
    EXPECT_EQ(item.grid->View()->model()->rowCount(), c.records);
  }

  // The same blank item numbers count as rows on another tab.
  const std::string blanks = File("blanks.xls");
  WriteWorkbook(blanks, {"小分類代碼", "小分類名稱", "管理貨號"}, {{std::string("001"), std::string("飲料"), TCell{}}});
  Open(TMasterTable::mtClassify, blanks);
  EXPECT_TRUE(window_->Tab(TMasterTable::mtClassify).importBtn->isEnabled());
  // The item tab keeps the rows it read from the workbook closed since.
  EXPECT_TRUE(item.importBtn->isEnabled());
  EXPECT_EQ(item.sheetQuery->RecordCount(), 1);
}

TEST_F(TabCommandsTest, OpenFailuresLeaveTabAsItWas) {
  TTabPage& item = window_->Tab(TMasterTable::mtItem);
  const std::string good = File("good.xls");
  WriteWorkbook(good, kItemTitles, {{std::string("10000106"), std::string("綠茶"), 25.0}});
  Open(TMasterTable::mtItem, good);
  ASSERT_TRUE(item.importBtn->isEnabled());

  // Cancelled dialog: nothing happens.
  window_->Tab(TMasterTable::mtItem).xlsBtn->click();
  EXPECT_TRUE(dialogs_.errors.empty());
  EXPECT_TRUE(window_->ADOXLSConnect().Connected());

  // Not a workbook: the connection stays closed, the tab untouched.
  WriteFile("notes.dat", "not a workbook\n");
  Open(TMasterTable::mtItem, File("notes.dat"));
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_EQ(dialogs_.errors[0].caption, Q(kTestTitle));
  EXPECT_FALSE(window_->ADOXLSConnect().Connected());
  EXPECT_TRUE(item.sheetQuery->Active());
  EXPECT_TRUE(item.importBtn->isEnabled());

  // No "管理貨號" column: the workbook stays open, the sheet query closed, the
  // Import button as it was; Import then reports the closed sheet.
  const std::string noNumber = File("no-number.xls");
  WriteWorkbook(noNumber, {"品名", "售價"}, {{std::string("綠茶"), 25.0}});
  Open(TMasterTable::mtItem, noNumber);
  ASSERT_EQ(dialogs_.errors.size(), 2u);
  EXPECT_TRUE(LastError().contains(Q("管理貨號"))) << LastError().toStdString();
  EXPECT_TRUE(window_->ADOXLSConnect().Connected());
  EXPECT_FALSE(item.sheetQuery->Active());
  EXPECT_TRUE(item.importBtn->isEnabled());

  item.importBtn->click();
  ASSERT_EQ(dialogs_.errors.size(), 3u);
  EXPECT_EQ(LastError(), Q("ADOItemQuery: Cannot perform this operation on a closed dataset."));
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(TabCommandsTest, ImportThenExportTheSameTabReadsBackTheRows) {
  TTabPage& customer = window_->Tab(TMasterTable::mtCustomer);
  const std::vector<std::string> titles = {"顧客編號", "身分證字號", "姓名", "性別", "電話1", "地址", "會員等級"};
  const std::string sheet = File("customers.xls");
  WriteWorkbook(sheet, titles,
                {{std::string("C0001"), std::string("A123456789"), std::string("王大明"), std::string("男"),
                  std::string("02-1234"), std::string("台北市"), std::string("VIP")},
                 {std::string("C0002"), TCell{}, std::string("陳美麗"), std::string("女"), TCell{},
                  std::string("新竹市"), std::string("一般")}});
  Open(TMasterTable::mtCustomer, sheet);
  ASSERT_TRUE(customer.importBtn->isEnabled());

  customer.importBtn->click();
  ASSERT_TRUE(dialogs_.errors.empty()) << LastError().toStdString();
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].caption, Q(kTestTitle));
  EXPECT_EQ(dialogs_.messages[0].text, Q("匯入完畢\n新增 2 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆"));
  EXPECT_EQ(Rows("SELECT CustNo, Name, Address FROM Customer ORDER BY CustNo"),
            (std::vector<std::string>{"C0001\t王大明\t台北市", "C0002\t陳美麗\t新竹市"}));
  EXPECT_TRUE(customer.importBtn->isEnabled());  // the same sheet can be imported again
  EXPECT_FALSE(window_->Busy());

  dialogs_.saveNames.push_back(QString::fromStdString(File("back.txt")));
  customer.exportBtn->click();
  ASSERT_TRUE(dialogs_.errors.empty()) << LastError().toStdString();
  ASSERT_EQ(dialogs_.saveDialogs.size(), 1u);
  EXPECT_EQ(dialogs_.saveDialogs[0].title, Q("匯出資料  "));
  EXPECT_EQ(dialogs_.saveDialogs[0].filters, (QStringList{Q("活頁簿(*.xls) (*.xls)"), Q("活頁簿(*.xlsx) (*.xlsx)")}));
  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_EQ(dialogs_.messages[1].text, Q("匯出完畢"));
  EXPECT_EQ(dialogs_.messages[1].caption, Q(kTestTitle));

  const std::vector<std::string> back = ReadWorkbook(File("back.xls"));
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[0], "顧客編號\t身分證字號\t姓名\t性別\t電話1\t地址\t會員等級");
  EXPECT_EQ(back[1], "C0001\tA123456789\t王大明\t男\t02-1234\t台北市\tVIP");
  EXPECT_EQ(back[2], "C0002\t\t陳美麗\t女\t\t新竹市\t一般");

  // Cancelled save dialog: nothing is written or shown.
  customer.exportBtn->click();
  EXPECT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_TRUE(dialogs_.errors.empty());
}

// The save dialog's entry decides the kind of workbook, whatever the name
// typed; each file written reads back with the table's rows.
TEST_F(TabCommandsTest, ExportWritesTheKindOfWorkbookChosenInTheSaveDialog) {
  TTabPage& cls = window_->Tab(TMasterTable::mtClassify);
  const std::string sheet = File("cls.xls");
  WriteWorkbook(sheet, {"小分類代碼", "小分類名稱"},
                {{std::string("001"), std::string("飲料")}, {std::string("002"), std::string("零食")}});
  Open(TMasterTable::mtClassify, sheet);
  cls.importBtn->click();
  ASSERT_EQ(dialogs_.messages.size(), 1u);

  const int xls = 0, xlsx = 1;  // the entries of the dialog's filter
  const struct {
    const char* typed;
    int entry;
    const char* written;
    const char* notWritten;
  } cases[] = {
      {"a", xlsx, "a.xlsx", "a.xls"},
      {"b.txt", xlsx, "b.xlsx", "b.xls"},
      {"c.xls", xlsx, "c.xlsx", "c.xls"},
      {"d.xlsx", xls, "d.xlsx", "d.xls"},
      {"e", xls, "e.xls", "e.xlsx"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    dialogs_.saveNames.push_back(QString::fromStdString(File(c.typed)));
    dialogs_.saveEntries.push_back(c.entry);
    cls.exportBtn->click();
    ASSERT_TRUE(dialogs_.errors.empty()) << LastError().toStdString();
    EXPECT_EQ(dialogs_.messages.back().text, Q("匯出完畢"));
    ASSERT_TRUE(std::filesystem::exists(File(c.written)));
    EXPECT_FALSE(std::filesystem::exists(File(c.notWritten)));
    // An Excel 2007+ workbook is a ZIP package, an Excel 97-2003 one a
    // compound file.
    const std::string head = ReadFile(c.written).substr(0, 2);
    EXPECT_EQ(head == "PK", std::string(c.written).ends_with(".xlsx"));
    EXPECT_EQ(ReadWorkbook(File(c.written)), (std::vector<std::string>{"小分類代碼\t小分類名稱", "001\t飲料", "002\t零食"}));
  }
  EXPECT_EQ(dialogs_.saveDialogs.size(), std::size(cases));
}

TEST_F(TabCommandsTest, ImportErrorReachesTheErrorBoxWithItsSheetRow) {
  TTabPage& supplier = window_->Tab(TMasterTable::mtSupplier);
  const std::vector<std::string> titles = {"廠商代號", "廠商姓名", "地址",   "負責人", "聯絡電話1", "聯絡電話2", "訂貨電話",
                                           "傳真電話", "給予折扣", "稅別", "聯絡人", "交易別",    "備註"};
  auto row = [](const char* code, TCell discount) {
    return std::vector<TCell>{std::string(code), std::string("廠商"), TCell{}, TCell{}, TCell{}, TCell{}, TCell{},
                              TCell{},            discount,           TCell{}, TCell{}, TCell{}, TCell{}};
  };
  const std::string sheet = File("suppliers.xls");
  WriteWorkbook(sheet, titles, {row("S001", 95.0), row("S002", std::string("九五折")), row("S003", 90.0)});
  Open(TMasterTable::mtSupplier, sheet);

  supplier.importBtn->click();
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  const QString text = dialogs_.errors[0].text;
  EXPECT_EQ(dialogs_.errors[0].caption, Q(kTestTitle));
  EXPECT_TRUE(text.contains(Q("'九五折' is not a valid floating point value"))) << text.toStdString();
  EXPECT_TRUE(text.contains(Q("工作表第 3 列"))) << text.toStdString();
  EXPECT_TRUE(text.contains(Q("給予折扣"))) << text.toStdString();
  EXPECT_TRUE(text.endsWith('.'));
  EXPECT_TRUE(dialogs_.messages.empty());
  // The row before stays stored; the window stays usable.
  EXPECT_EQ(Rows("SELECT FactNo FROM Supplier"), (std::vector<std::string>{"S001"}));
  EXPECT_FALSE(window_->Busy());
  EXPECT_TRUE(supplier.importBtn->isEnabled());
  EXPECT_TRUE(supplier.exportBtn->isEnabled());
}

// Cancel pressed as soon as the progress dialog exists.
void CancelAtOnce(TFMTabrin& window) {
  window.SetProgressObserver([](QProgressDialog& dialog, const TWorkProgress&) { dialog.cancel(); });
}

TEST_F(TabCommandsTest, CancelledImportSaysWhatWasKept) {
  TTabPage& cls = window_->Tab(TMasterTable::mtClassify);
  const std::string sheet = File("cls.xls");
  WriteWorkbook(sheet, {"小分類代碼", "小分類名稱"},
                {{std::string("001"), std::string("飲料")}, {std::string("002"), std::string("零食")},
                 {std::string("003"), std::string("日用")}});
  Open(TMasterTable::mtClassify, sheet);

  CancelAtOnce(*window_);
  cls.importBtn->click();
  // What the clerk asked for: no error, a box like the one after an import.
  EXPECT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.back().text.toStdString();
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].caption, Q(kTestTitle));
  const QStringList lines = dialogs_.messages[0].text.split('\n');
  ASSERT_EQ(lines.size(), 2) << dialogs_.messages[0].text.toStdString();
  EXPECT_TRUE(lines[0].startsWith(Q("已取消匯入"))) << lines[0].toStdString();
  EXPECT_FALSE(window_->Busy());
  // What the box says was stored is what the table holds.
  const std::size_t kept = Rows("SELECT ClsNo FROM Classify").size();
  EXPECT_LT(kept, 3u);
  EXPECT_EQ(lines[0].contains(Q("沒有處理任何資料列")), kept == 0) << lines[0].toStdString();
  EXPECT_EQ(lines[1].toStdString(), "新增 " + std::to_string(kept) + " 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆");

  // The next import runs to the end.
  window_->SetProgressObserver({});
  cls.importBtn->click();
  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_EQ(Rows("SELECT ClsNo FROM Classify ORDER BY ClsNo"), (std::vector<std::string>{"001", "002", "003"}));
}

TEST_F(TabCommandsTest, CancelledExportWritesNoFile) {
  TTabPage& cls = window_->Tab(TMasterTable::mtClassify);
  const std::string sheet = File("cls.xls");
  WriteWorkbook(sheet, {"小分類代碼", "小分類名稱"}, {{std::string("001"), std::string("飲料")}});
  Open(TMasterTable::mtClassify, sheet);
  cls.importBtn->click();
  ASSERT_EQ(dialogs_.messages.size(), 1u);

  WriteFile("out.xls", "an earlier file");
  CancelAtOnce(*window_);
  dialogs_.saveNames.push_back(QString::fromStdString(File("out.xls")));
  cls.exportBtn->click();
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_EQ(dialogs_.errors[0].text, Q("已取消匯出，沒有寫入任何檔案."));
  EXPECT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_FALSE(window_->Busy());
  EXPECT_EQ(ReadFile("out.xls"), "an earlier file");

  // The next export runs to the end and replaces the file without a question.
  window_->SetProgressObserver({});
  dialogs_.saveNames.push_back(QString::fromStdString(File("out.xls")));
  cls.exportBtn->click();
  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_EQ(ReadWorkbook(File("out.xls")), (std::vector<std::string>{"小分類代碼\t小分類名稱", "001\t飲料"}));
}

TEST_F(TabCommandsTest, ItemImportErrorNamesTheRowAsTheWorkbookNumbersIt) {
  TTabPage& item = window_->Tab(TMasterTable::mtItem);
  const std::vector<std::string> titles = {"管理貨號", "國際碼",   "自訂碼",   "品名",     "規格",     "應商代號",
                                           "廠商代號", "稅別",     "建檔日期", "最新進價", "單位",     "安全庫存",
                                           "最低訂貨量", "庫存量", "貨架",     "平均成本", "產品分類", "售價",
                                           "會員價格", "VIP價格",  "健康捐"};
  auto row = [&](TCell number, const char* name, TCell price) {
    std::vector<TCell> cells(titles.size());
    cells[0] = number;
    cells[3] = std::string(name);
    cells[17] = price;
    return cells;
  };
  const std::string sheet = File("items.xls");
  // Sheet row 3 has no item number: the tab's query leaves it out.
  WriteWorkbook(sheet, titles,
                {row(std::string("10000106"), "綠茶", 25.0), row(TCell{}, "說明列", TCell{}),
                 row(std::string("10000205"), "紅茶", std::string("abc"))});
  Open(TMasterTable::mtItem, sheet);
  ASSERT_EQ(item.sheetQuery->RecordCount(), 2);

  item.importBtn->click();
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  const QString text = dialogs_.errors[0].text;
  EXPECT_TRUE(text.contains(Q("'abc' is not a valid floating point value"))) << text.toStdString();
  EXPECT_TRUE(text.contains(Q("工作表第 4 列"))) << text.toStdString();
  EXPECT_TRUE(text.contains(Q("售價"))) << text.toStdString();
  EXPECT_EQ(Rows("SELECT ItemNo FROM Item"), (std::vector<std::string>{"10000106"}));
}

TEST_F(TabCommandsTest, ImportsFollowTheCoverSettingReadAtStart) {
  const std::string sheet = File("cls.xls");
  auto importName = [&](const char* name) {
    WriteWorkbook(sheet, {"小分類代碼", "小分類名稱"}, {{std::string("001"), std::string(name)}});
    Open(TMasterTable::mtClassify, sheet);
    window_->Tab(TMasterTable::mtClassify).importBtn->click();
    ASSERT_TRUE(dialogs_.errors.empty()) << LastError().toStdString();
  };
  importName("飲料");

  // "否" saved now governs the next start, not this run: the window started
  // with the default "0" and still overwrites.
  dialogs_.modalScript = [](QDialog& dialog) {
    static_cast<TFmsetup&>(dialog).CoverNo->click();
    static_cast<TFmsetup&>(dialog).bbtnOk->click();
    return dialog.result();
  };
  window_->inisetupButton->click();
  importName("茶飲");
  EXPECT_EQ(Rows("SELECT ClsName FROM Classify"), (std::vector<std::string>{"茶飲"}));

  // After a restart existing records are left alone.
  window_.reset();
  MakeWindow();
  ConnectKind1();
  EXPECT_EQ(window_->Cover().mode, TCoverMode::cmKeep);
  importName("果汁");
  EXPECT_EQ(Rows("SELECT ClsName FROM Classify"), (std::vector<std::string>{"茶飲"}));
}

TEST_F(TabCommandsTest, NoOtherCommandStartsWhileAnImportRuns) {
  TTabPage& cls = window_->Tab(TMasterTable::mtClassify);
  const std::string sheet = File("cls.xls");
  WriteWorkbook(sheet, {"小分類代碼", "小分類名稱"}, {{std::string("001"), std::string("飲料")}});
  Open(TMasterTable::mtClassify, sheet);
  window_->show();

  bool tried = false;
  window_->SetProgressObserver([&](QProgressDialog&, const TWorkProgress&) {
    if (tried) return;
    tried = true;
    EXPECT_TRUE(window_->Busy());
    dialogs_.saveNames.push_back(QString::fromStdString(File("never.xls")));
    dialogs_.openNames.push_back(QString::fromStdString(sheet));
    cls.exportBtn->click();
    cls.xlsBtn->click();
    cls.importBtn->click();
    window_->inisetupButton->click();
    window_->sbClose->click();
    window_->close();
  });
  cls.importBtn->click();
  ASSERT_TRUE(tried);
  EXPECT_TRUE(dialogs_.saveDialogs.empty());
  EXPECT_EQ(dialogs_.saveNames.size(), 1u);
  EXPECT_EQ(dialogs_.openNames.size(), 1u);
  ASSERT_EQ(dialogs_.messages.size(), 1u);  // the one import's 匯入完畢
  EXPECT_TRUE(dialogs_.errors.empty());
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(window_->ADOConnection().Connected());
  EXPECT_FALSE(window_->Busy());
}

}  // namespace
}  // namespace tabrin::app
