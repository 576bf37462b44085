// An Excel 2007+ workbook imports exactly as the Excel 97-2003 workbook it
// was saved from: the item export of the sample data (200 rows of texts,
// numbers and dates) as our writer wrote it and as LibreOffice saved it
// again as .xlsx.
#include <gtest/gtest.h>

#include "import/import_tabs.h"
#include "import/import_test_support.h"

namespace tabrin::test {
namespace {

class XlsxImport : public ImportTest {
 protected:
  std::vector<std::vector<std::string>> ImportedItems(const std::string& file) {
    Exec("DELETE FROM Item");
    const TImportCounts counts = ImportWorkbookFile(Connection(), TDatabaseKind::dkKestaPos, TMasterTable::mtItem,
                                                    std::string(TABRIN_TEST_DATA) + "/" + file, TImportOptions{});
    EXPECT_EQ(counts.appended, 200) << file;
    return Rows("SELECT * FROM Item ORDER BY ItemNo");
  }
};

TEST_P(XlsxImport, SameItemsAsFromTheXlsWorkbook) {
  const std::vector<std::vector<std::string>> fromXls = ImportedItems("export_items.xls");
  const std::vector<std::vector<std::string>> fromXlsx = ImportedItems("lo_export_items.xlsx");
  ASSERT_EQ(fromXls.size(), 200u);
  EXPECT_EQ(fromXlsx, fromXls);
}

TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(XlsxImport);

}  // namespace
}  // namespace tabrin::test
