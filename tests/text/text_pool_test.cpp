#include "text/text_pool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tabrin {
namespace {

// Texts of every size, added whole or built in place, read back by number
// wherever the pool had to start a new chunk for them.
TEST(TextPool, EveryTextReadsBackByItsNumberAcrossChunks) {
  TTextPool pool;
  std::vector<std::string> texts;
  for (int i = 0; i < 20000; ++i) {
    std::string text = i % 1000 == 7 ? std::string(300000, static_cast<char>('a' + i % 26))  // longer than a chunk
                       : i % 5 == 0  ? std::string()
                                     : "第" + std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), 'x');
    std::uint32_t number = 0;
    if (i % 2) {
      number = pool.Add(text);
    } else {
      pool.Buffer() += text.substr(0, text.size() / 2);
      pool.Buffer() += text.substr(text.size() / 2);
      number = pool.Seal();
    }
    ASSERT_EQ(number, static_cast<std::uint32_t>(i));
    texts.push_back(std::move(text));
  }
  ASSERT_EQ(pool.Count(), texts.size());
  for (std::uint32_t i = 0; i < pool.Count(); ++i) ASSERT_EQ(pool.At(i), texts[i]) << "text " << i;
}

TEST(TextPool, ReservedRoomKeepsTheNumbering) {
  TTextPool pool;
  pool.Add("前");
  pool.Reserve(3, 5 << 20);
  for (int i = 0; i < 3; ++i) pool.Add(std::string(2 << 20, 'z'));
  pool.Add("後");
  EXPECT_EQ(pool.Count(), 5u);
  EXPECT_EQ(pool.At(0), "前");
  EXPECT_EQ(pool.At(3), std::string(2 << 20, 'z'));
  EXPECT_EQ(pool.At(4), "後");
}

}  // namespace
}  // namespace tabrin
