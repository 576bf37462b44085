// tabrin-cli on a Traditional-Chinese desktop (LANG=zh_TW.UTF-8): the
// command line's errors, result lines and the messages of the core it
// prints are Chinese; no English sentence of the program's own is left.
// The help texts stay English.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_home_test.h"
#include "support/chinese_locale.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin::cli {
namespace {

const std::string kData = TABRIN_TEST_DATA;

// Texts that are English in every language: the words of the ODBC driver
// and the verbs' names.
const std::vector<std::string> kKeptEnglish = {
    "Unable to connect: Adaptive Server is unavailable or does not exist; Unable to connect to data source",
    "export, preview, import, settings, init-db, connect, where, history, undo"};

void WriteClassifySheet(const std::string& path, const std::vector<std::vector<std::string>>& rows) {
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path);
  writer.BeginWorkbook();
  writer.BeginSheet(TxlsSheetHead{});
  writer.WriteLabelSst(0, 0, "小分類代碼", kDefaultXfIndex);
  writer.WriteLabelSst(0, 1, "小分類名稱", kDefaultXfIndex);
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    for (int c = 0; c < 2; ++c) {
      writer.WriteLabelSst(r + 1, c, rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)], kDefaultXfIndex);
    }
  }
  writer.EndSheet();
  writer.FinishWorkbook();
  writer.CloseWorkbookFile();
}

// A port on loopback that nobody listens on.
int ClosedPort() {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(listener);
  return port;
}

class CliInChinese : public CliHomeTest {
 protected:
  void SetUp() override {
    if (!locale_.Ok()) GTEST_SKIP() << test::TChineseLocale::kMissing;
    CliHomeTest::SetUp();
  }

  // Runs the command line and checks what it printed: `expected` in it, and
  // no English sentence.
  void Check(const std::vector<std::string>& args, int status, const std::string& expected) {
    const int exitStatus = Run(args);
    const std::string shown = out_.str() + err_.str();
    SCOPED_TRACE(shown);
    EXPECT_EQ(exitStatus, status);
    EXPECT_NE(shown.find(expected), std::string::npos);
    EXPECT_EQ(test::EnglishSentences(shown, kKeptEnglish), std::vector<std::string>{});
  }

  test::TChineseLocale locale_;
};

// Each failure a clerk can meet on the command line, in Chinese, with what
// to do where there is something to do.
TEST_F(CliInChinese, FailuresSayWhatIsWrongInChinese) {
  const std::string cut = home_ + "/cut.xls";
  {
    std::ifstream in(kData + "/item_basic.xls", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, 3000);
  }
  const std::string longCode = home_ + "/long_code.xls";
  WriteClassifySheet(longCode, {{"022", "茶"}, {"0220", "咖啡"}});
  const std::string port = std::to_string(ClosedPort());
  const struct {
    std::vector<std::string> args;
    int status;
    std::string expected;
  } cases[] = {
      {{}, 2, "用法請看「tabrin-cli --help」。"},
      {{"no-such-verb"}, 2, "多了一個不認得的參數：no-such-verb。"},
      {{"import", "cls", "x.xls"}, 2, "缺少 --kind，這是必要的。"},
      {{"export", "--kind", "4", "cls", "x.xls"}, 2, "--kind：「4」不是資料庫種類"},
      {{"import", "--kind", "1", "nosuch", "x.xls"}, 2, "「nosuch」不是可用的值"},
      {{"import", "--kind", "1", "--report", "r.csv", "cls", "x.xls"}, 2, "--report 必須和 --dry-run 一起使用。"},
      {{"import", "cls", "x.xls", "--kind"}, 2, "--kind 後面需要一個值（TEXT）。"},
      {{"undo", "abc"}, 2, "「abc」不是匯入編號"},
      {{"connect", "1"}, 1, "可以用「tabrin-cli init-db」建立。"},
      {{"undo"}, 1, "沒有可以復原的匯入"},
      {{"--home", "/tmp", "where"}, 2, "--home 最多只能給 1 個，卻給了 2 個。"},
      {{"preview", "cls", home_ + "/missing.xls"}, 1, "無法開啟檔案"},
      {{"preview", "cls", kData + "/plain_text.xls"}, 1, "不是 Excel 活頁簿（.xls、.xlsx）"},
      {{"preview", "cls", kData + "/spreadsheet.ods"}, 1, "是 OpenDocument 試算表（.ods）"},
      {{"preview", "cls", kData + "/password.xls"}, 1, "有密碼保護；請在 Excel 中移除密碼"},
      {{"preview", "cls", cut}, 1, "已損壞，無法讀取：檔案在第 9 個磁區之前就結束了"},
      {{"preview", "cls", kData + "/no_sheet1.xls"}, 1, "沒有工作表「sheet1」"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(no verb)" : c.args.front());
    Check(c.args, c.status, c.expected);
  }

  ASSERT_EQ(Run({"init-db"}), 0) << err_.str();
  Check({"init-db"}, 1, "已經存在；要取代它，請加上 --force");
  Check({"import", "--kind", "1", "--dry-run", "cls", longCode}, 4,
        "代碼「0220」超過欄位「小分類代碼」的長度（最多 3 個位元組）；請在活頁簿中縮短這個代碼");
  Check({"import", "--kind", "1", "cls", longCode}, 1, "請在活頁簿中縮短這個代碼\n工作表第 3 列，欄位「小分類代碼」。\n");

  std::ofstream(home_ + "/Database.ini") << "[Database]\nHost=127.0.0.1\nPort=" << port << "\n";
  Check({"connect", "2"}, 1, "伺服器：Host=127.0.0.1");
  // The program folder named by the command line itself.
  std::ostringstream out, err;
  EXPECT_EQ(RunCli({"--home", home_ + "/no-such-folder", "where"}, {out, err}), 1);
  EXPECT_NE(err.str().find("程式資料夾「" + home_ + "/no-such-folder」不存在；請先建立它"), std::string::npos) << err.str();
  EXPECT_EQ(test::EnglishSentences(err.str()), std::vector<std::string>{});
}

// The normal job, from a fresh folder to an undone import.
TEST_F(CliInChinese, TheDaysWorkIsInChinese) {
  const std::string cls = home_ + "/cls.xls";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string expected;
  } steps[] = {
      {{"init-db", "--sample"}, 0, "已建立資料庫"},
      {{"connect", "1"}, 0, "連線資料庫 : Orvella"},
      {{"export", "--kind", "1", "cls", cls}, 0, "匯出完畢"},
      {{"preview", "cls", cls}, 0, "共 20 筆"},
      {{"import", "--kind", "1", "--dry-run", "cls", cls}, 0, "試算匯入，沒有寫入資料庫"},
      {{"import", "--kind", "1", "cls", cls}, 0, "匯入完畢"},
      {{"history"}, 0, "匯入"},
      {{"undo"}, 0, "已復原匯入 #1"},
      {{"settings"}, 0, "重複資料是否覆蓋"},
      {{"where"}, 0, "由 --home 指定"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.args.front());
    Check(step.args, step.status, step.expected);
  }
}

}  // namespace
}  // namespace tabrin::cli
