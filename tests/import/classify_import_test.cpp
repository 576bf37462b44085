// Sub-category import end to end: workbook file -> sheet query -> Classify,
// on the embedded database and on PostgreSQL.
#include <gtest/gtest.h>

#include "import/cover_setting.h"
#include "import_test_support.h"

namespace tabrin::test {
namespace {

using Table = std::vector<std::vector<std::string>>;
const std::vector<std::string> kTitles = {"小分類代碼", "小分類名稱"};

class ClassifyImport : public ImportTest {
 protected:
  Table Stored() { return Rows("SELECT ClsNo, ClsName, Flag, Void FROM Classify ORDER BY ClsNo"); }
};

TEST_P(ClassifyImport, NewCodesAreAppendedWithFlagFalseAndEmptyVoid) {
  const TImportCounts counts = Import(TMasterTable::mtClassify, kTitles, {{"A01", "飲料"}, {"B02", "零食"}});
  EXPECT_EQ(counts, (TImportCounts{2, 0, 0}));
  EXPECT_EQ(Stored(), (Table{{"A01", "飲料", "False", ""}, {"B02", "零食", "False", ""}}));
}

TEST_P(ClassifyImport, ExistingCodesAreOverwrittenOnlyWithCoverExactlyZero) {
  const struct {
    const char* cover;
    bool overwrites;
  } cases[] = {{"0", true}, {"1", false}, {"00", false}, {"-1", false}, {"", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("cover '") + c.cover + "'");
    files.Write("SETUP.ini", std::string("[Setting]\nCover=") + c.cover + "\n");
    const TCoverMode cover = ReadCoverSetting(files.Path()).mode;
    Exec("DELETE FROM Classify");
    Exec("INSERT INTO Classify (ClsNo, ClsName, Flag, Void) VALUES ('A01', '舊名', ?, 'X')", {TValue::Boolean(true)});
    const TImportCounts counts = Import(TMasterTable::mtClassify, kTitles, {{"A01", "新名"}, {"C03", "雜貨"}}, cover);
    if (c.overwrites) {
      EXPECT_EQ(counts, (TImportCounts{1, 1, 0}));
      EXPECT_EQ(Stored(), (Table{{"A01", "新名", "False", ""}, {"C03", "雜貨", "False", ""}}));
    } else {
      EXPECT_EQ(counts, (TImportCounts{1, 0, 1}));
      EXPECT_EQ(Stored(), (Table{{"A01", "舊名", "True", "X"}, {"C03", "雜貨", "False", ""}}));
    }
  }
}

TEST_P(ClassifyImport, ACodeTwiceInOneSheetIsStoredOnceAndTheLastRowWinsWithCoverZero) {
  const SheetRows rows = {{"A01", "第一"}, {"A01", "第二"}};
  Import(TMasterTable::mtClassify, kTitles, rows, TCoverMode::cmOverwrite);
  EXPECT_EQ(Stored(), (Table{{"A01", "第二", "False", ""}}));
  Exec("DELETE FROM Classify");
  Import(TMasterTable::mtClassify, kTitles, rows, TCoverMode::cmKeep);
  EXPECT_EQ(Stored(), (Table{{"A01", "第一", "False", ""}}));
}

TEST_P(ClassifyImport, ACodeWithAQuoteIsLookedUpExactly) {
  const SheetRows rows = {{"A'1", "引號"}, {"'--", "注入"}};
  EXPECT_EQ(Import(TMasterTable::mtClassify, kTitles, rows), (TImportCounts{2, 0, 0}));
  EXPECT_EQ(Import(TMasterTable::mtClassify, kTitles, rows, TCoverMode::cmKeep), (TImportCounts{0, 0, 2}));
  EXPECT_EQ(Stored(), (Table{{"'--", "注入", "False", ""}, {"A'1", "引號", "False", ""}}));
}

TEST_P(ClassifyImport, BlankCellsGiveEmptyTextsAndOtherColumnsAreIgnored) {
  Import(TMasterTable::mtClassify, {"備註", "小分類名稱", "小分類代碼"}, {{"x", Cell(), "Z9"}});
  EXPECT_EQ(Stored(), (Table{{"Z9", "", "False", ""}}));
}

// A row with cells but no code names no record: it stops the import there
// instead of storing a record whose code is empty.
TEST_P(ClassifyImport, ARowWithABlankCodeStopsTheImport) {
  const TImportError error =
      ImportFailing(TMasterTable::mtClassify, {"備註", "小分類名稱", "小分類代碼"}, {{"x", "飲料", "A01"}, {"y", "空碼"}});
  EXPECT_STREQ(error.what(), "The code is blank\n工作表第 3 列，欄位「小分類代碼」");
  EXPECT_EQ(Stored(), (Table{{"A01", "飲料", "False", ""}}));
}

TEST_P(ClassifyImport, ALongNameKeepsItsFirstFortyBytes) {
  const std::string name = "一二三四五六七八九十一二三四五六七八九十一";  // 21 characters, 42 bytes
  Import(TMasterTable::mtClassify, kTitles, {{"A01", name}});
  EXPECT_EQ(Stored()[0][1], "一二三四五六七八九十一二三四五六七八九十");
}

TEST_P(ClassifyImport, AMissingColumnStopsAtTheFirstRowThatReadsIt) {
  const TImportError error = ImportFailing(TMasterTable::mtClassify, {"小分類代碼"}, {{"A01"}});
  EXPECT_STREQ(error.what(), "ADOCLSQuery: Field '小分類名稱' not found\n工作表第 2 列，欄位「小分類名稱」");
  EXPECT_TRUE(Stored().empty());
}

TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(ClassifyImport);

}  // namespace
}  // namespace tabrin::test
