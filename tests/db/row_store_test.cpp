#include "db/row_store.h"

#include <gtest/gtest.h>

namespace tabrin {
namespace {

TEST(RowStore, RowsComeBackAsTheyWentIn) {
  const TRow mixed{TValue(),
                   TValue::Text(""),
                   TValue::Text("小分類"),
                   TValue::Integer(-9007199254740993LL),
                   TValue::Float(-0.5),
                   TValue::DateTime(38412.75),
                   TValue::Boolean(true),
                   TValue::Boolean(false)};
  const TRow longText{TValue::Text(std::string(3 << 20, 'x'))};  // larger than one block
  const TRow empty{};
  TRowStore store;
  for (int i = 0; i < 50000; ++i) store.push_back(i % 2 ? mixed : TRow{TValue::Integer(i)});
  store.push_back(longText);
  store.push_back(empty);
  ASSERT_EQ(store.size(), 50002u);
  EXPECT_EQ(store[1], mixed);
  EXPECT_EQ(store[40000], TRow{TValue::Integer(40000)});
  EXPECT_EQ(store[50000], longText);
  EXPECT_EQ(store[50001], empty);
  EXPECT_EQ(store[50001].size(), 0u);
  EXPECT_EQ(store[1][3].Type(), TValueType::vtInteger);
  EXPECT_EQ(store[1][5].Type(), TValueType::vtDateTime);

  store.Replace(1, TRow{TValue::Text("改")});
  EXPECT_EQ(store[1], TRow{TValue::Text("改")});
  EXPECT_EQ(store[3], mixed);
  store.clear();
  EXPECT_TRUE(store.empty());
}

}  // namespace
}  // namespace tabrin
