#include "text/messages.h"

#include <gtest/gtest.h>

#include <string>

namespace tabrin {
namespace {

// The texts users and their scripts know; a name or reason is put in as it
// is, quotes and per cent signs included.
TEST(Messages, TextsAreFixed) {
  EXPECT_EQ(std::string(kWriteErrorMessage), "Error writing output file");
  EXPECT_EQ(DamagedFileMessage("商品.xls", "the sheet 'A' ends early"),
            "'商品.xls' is damaged and cannot be read: the sheet 'A' ends early");
  EXPECT_EQ(NotAnIntegerMessage("12%s"), "'12%s' is not a valid integer value");
  EXPECT_EQ(NotAnIntegerMessage(""), "'' is not a valid integer value");
  EXPECT_EQ(FieldNotFoundMessage("管理貨號"), "Field '管理貨號' not found");
}

}  // namespace
}  // namespace tabrin
