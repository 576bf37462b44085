// The program's messages in the user's language: the catalogue of the build
// tree under zh_TW.UTF-8, the messages as written under the C locale.
#include <gtest/gtest.h>

#include "support/chinese_locale.h"
#include "text/error.h"
#include "text/format.h"
#include "text/messages.h"
#include "text/translation.h"

namespace tabrin {
namespace {

TEST(Translation, TheCLocaleReadsTheMessagesAsWritten) {
  BindTranslations(TABRIN_LOCALE_DIR);
  EXPECT_STREQ(Tr("Cannot read file '%s'"), "Cannot read file '%s'");
  EXPECT_EQ(ErrorBoxText("已取消匯出，沒有寫入任何檔案"), "已取消匯出，沒有寫入任何檔案.");
}

TEST(Translation, ATaiwaneseDesktopReadsThemInTraditionalChinese) {
  const test::TChineseLocale chinese;
  if (!chinese.Ok()) GTEST_SKIP() << test::TChineseLocale::kMissing;
  EXPECT_EQ(FormatMessage(Tr("Cannot read file '%s'"), {"/tmp/a.xls"}), "無法讀取檔案「/tmp/a.xls」");
  EXPECT_EQ(DamagedFileMessage("商品.xls", Tr("the workbook stream is empty")),
            "「商品.xls」已損壞，無法讀取：活頁簿資料流是空的；請用 Excel 開啟後另存新檔，或向提供者要一份完好的檔案");
  // The data layer's fixed English stays, and keeps its English full stop.
  EXPECT_EQ(FieldNotFoundMessage("售價"), "Field '售價' not found");
  EXPECT_EQ(ErrorBoxText(FieldNotFoundMessage("售價")), "Field '售價' not found.");
  // A Chinese sentence ends with the Chinese full stop, once.
  EXPECT_EQ(ErrorBoxText("已取消匯出，沒有寫入任何檔案"), "已取消匯出，沒有寫入任何檔案。");
  EXPECT_EQ(ErrorBoxText("已處理。"), "已處理。");
}

// Hong Kong reads the same traditional characters.
TEST(Translation, AHongKongDesktopReadsTheTaiwaneseCatalogue) {
  const test::TChineseLocale chinese("zh_HK.UTF-8");
  if (!chinese.Ok()) GTEST_SKIP() << test::TChineseLocale::kMissing;
  EXPECT_STREQ(Tr("Unknown error."), "不明的錯誤。");
}

}  // namespace
}  // namespace tabrin
