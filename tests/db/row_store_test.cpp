#include "db/row_store.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

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

// Rows that name texts of pools hold numbers, not copies: the texts read
// back from the pools, which the store keeps alive after their owner lets go.
TEST(RowStore, PooledTextsReadFromTheirPools) {
  auto shared = std::make_shared<TTextPool>();
  shared->Add("共用文字一");
  shared->Add(std::string(40000, 's'));
  auto own = std::make_shared<TTextPool>();
  own->Add("自己的文字");
  TRowStore store;
  const std::uint32_t firstShared = store.AddTextPool(shared);
  EXPECT_EQ(store.AddTextPool(nullptr), 2u);  // adds no numbers
  EXPECT_EQ(store.AddTextPool(std::make_shared<TTextPool>()), 2u);
  const std::uint32_t firstOwn = store.AddTextPool(own);
  EXPECT_EQ(firstShared, 0u);
  EXPECT_EQ(firstOwn, 2u);
  shared.reset();
  own.reset();

  const std::vector<std::uint32_t> pooled{TRowStore::kNotPooled, firstShared + 1, firstOwn};
  for (int i = 0; i < 1000; ++i) store.push_back(TRow{TValue::Integer(i), TValue(), TValue()}, pooled);
  store.push_back(TRow{TValue::Text("末")}, std::vector<std::uint32_t>{firstShared});
  EXPECT_EQ(store[999], (TRow{TValue::Integer(999), TValue::Text(std::string(40000, 's')), TValue::Text("自己的文字")}));
  EXPECT_EQ(store[1000], TRow{TValue::Text("共用文字一")});

  // A rewritten row keeps its texts as values of its own.
  TRow changed = store[3];
  changed[0] = TValue::Integer(-3);
  store.Replace(3, changed);
  EXPECT_EQ(store[3], changed);

  EXPECT_THROW(store.push_back(TRow{TValue()}, std::vector<std::uint32_t>{3}), std::out_of_range);
}

// A backend adds a result value by value; the rows read as pushed ones do,
// also when one row vector is decoded into again and again (texts reusing
// the room of earlier texts, values changing kind).
TEST(RowStore, RowsAddedValueByValueReadAsPushedRows) {  // pooled texts too
  const TRow mixed{TValue(),
                   TValue::Text(""),
                   TValue::Text(std::string(40, 'y')),
                   TValue::Integer(-9007199254740993LL),
                   TValue::Float(-0.5),
                   TValue::DateTime(38412.75),
                   TValue::Boolean(true),
                   TValue::Boolean(false)};
  auto pool = std::make_shared<TTextPool>();
  pool->Add("first pooled text");
  pool->Add(std::string(300, 'p'));
  TRowStore pushed;
  TRowStore added;
  ASSERT_EQ(pushed.AddTextPool(pool), added.AddTextPool(pool));
  for (int i = 0; i < 3000; ++i) {
    const TRow row = i % 3 == 0 ? mixed : TRow{TValue::Integer(i), TValue::Text(std::to_string(i)), TValue()};
    added.BeginRow(row.size() + 1);
    for (const TValue& value : row) added.AddValue(value);
    added.AddPooledText(static_cast<std::uint32_t>(i % 2));
    added.EndRow();
    TRow withPooled = row;
    withPooled.resize(row.size() + 1);  // a null where the pooled text goes
    std::vector<std::uint32_t> pooled(withPooled.size(), TRowStore::kNotPooled);
    pooled.back() = static_cast<std::uint32_t>(i % 2);
    pushed.push_back(withPooled, pooled);
  }
  EXPECT_THROW(added.AddPooledText(2), std::out_of_range);
  ASSERT_EQ(added.size(), pushed.size());
  TRow reused;
  for (std::size_t i = 0; i < added.size(); ++i) {
    added.Decode(i, reused);
    ASSERT_EQ(reused, pushed[i]) << "row " << i;
  }
}

}  // namespace
}  // namespace tabrin
