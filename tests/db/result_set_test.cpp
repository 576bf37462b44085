// A result whose rows come from a backend's row source reads like one whose
// rows are in the store, and keeps every row when it is written to.
#include "db/result_set.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace tabrin {
namespace {

// Row i holds i and "row i".
class TCountingSource : public TRowSource {
 public:
  explicit TCountingSource(std::size_t size) : TRowSource(size) {}
  void Decode(std::size_t index, TRow& out) const override {
    if (index >= Size()) throw std::out_of_range("no such row");
    out.resize(2);
    out[0] = TValue::Integer(static_cast<std::int64_t>(index));
    out[1].AssignText("row " + std::to_string(index));
  }
};

TRow Expected(int i) { return TRow{TValue::Integer(i), TValue::Text("row " + std::to_string(i))}; }

TResultSet FromSource(std::size_t rows) {
  TResultSet result;
  TStatementResult& fill = result.Fill();
  fill.columns = {{"n", TFieldType::ftInteger, 0}, {"t", TFieldType::ftWideString, 20}};
  fill.rowSource = std::make_shared<TCountingSource>(rows);
  result.Rewind();
  return result;
}

TEST(ResultSet, RowsOfASourceReadInOrderAndByPosition) {
  TResultSet result = FromSource(5);
  ASSERT_EQ(result.RowCount(), 5);
  int seen = 0;
  for (; !result.Eof(); result.Next()) EXPECT_EQ(result.CurrentRow(), Expected(seen++));
  EXPECT_EQ(seen, 5);
  result.MoveTo(3);
  EXPECT_EQ(result.CurrentRow(), Expected(3));

  TResultSet empty = FromSource(0);
  EXPECT_TRUE(empty.Eof());
  EXPECT_TRUE(empty.Empty());
}

TEST(ResultSet, WritingToASourcesRowsKeepsTheOthers) {
  TResultSet appended = FromSource(3);
  appended.MoveTo(1);
  (void)appended.CurrentRow();
  TRow added{TValue::Integer(99), TValue::Text("new")};
  appended.AppendRow(std::move(added));
  ASSERT_EQ(appended.RowCount(), 4);
  EXPECT_EQ(appended.CurrentRow(), (TRow{TValue::Integer(99), TValue::Text("new")}));
  for (int i = 0; i < 3; ++i) {
    appended.MoveTo(i);
    EXPECT_EQ(appended.CurrentRow(), Expected(i));
  }

  TResultSet replaced = FromSource(3);
  replaced.MoveTo(2);
  replaced.ReplaceCurrentRow(TRow{TValue::Integer(7), TValue::Text("seven")});
  replaced.MoveTo(0);
  EXPECT_EQ(replaced.CurrentRow(), Expected(0));
  replaced.MoveTo(2);
  EXPECT_EQ(replaced.CurrentRow(), (TRow{TValue::Integer(7), TValue::Text("seven")}));
  EXPECT_EQ(replaced.RowCount(), 3);

  replaced.Clear();
  EXPECT_EQ(replaced.RowCount(), 0);
  EXPECT_TRUE(replaced.Eof());
}

}  // namespace
}  // namespace tabrin
