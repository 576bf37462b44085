// Finding a sheet by name, as both workbook readers do: letter case aside,
// and a missing one named with the sheets there are.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/error.h"
#include "xls/model/sheet_lookup.h"

namespace tabrin {
namespace {

TEST(SheetLookupTest, TheFirstSheetOfTheNameInAnyLetterCase) {
  const std::vector<std::string> names = {"資料", "Sheet2", "SHEET2"};
  const struct {
    const char* name;
    std::size_t found;
  } kCases[] = {{"資料", 0}, {"Sheet2", 1}, {"sheet2", 1}, {"SHEET2", 1}};
  for (const auto& c : kCases) EXPECT_EQ(detail::FindSheet(names, c.name, "book.xlsx"), c.found) << c.name;
}

TEST(SheetLookupTest, AMissingSheetIsRefusedNamingTheSheetsThereAre) {
  const struct {
    std::vector<std::string> names;
    const char* message;
  } kCases[] = {
      {{"資料", "Sheet2"}, "'book.xlsx' has no sheet \"Sheet 2\"; its sheets are \"資料\", \"Sheet2\""},
      {{}, "'book.xlsx' has no sheet \"Sheet 2\"; it has no worksheets at all"},
  };
  for (const auto& c : kCases) {
    try {
      detail::FindSheet(c.names, "Sheet 2", "book.xlsx");
      ADD_FAILURE() << "found in " << c.names.size() << " sheets";
    } catch (const TabrinError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

}  // namespace
}  // namespace tabrin
