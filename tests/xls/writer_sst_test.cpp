// The shared string table: indices, counts and the split into records.
#include <gtest/gtest.h>

#include "xls/writer_test_util.h"
#include "xls/biff8/sst_strings.h"

namespace tabrin {
namespace {

using test::Bytes;
using test::Record;

std::vector<Record> Saved(TsstStrings& table) {
  TxlsMemoryStream out;
  table.SaveToStream(out);
  return test::SplitRecords(out.Bytes());
}

// Reassembles the texts of an SST the way a reader does: a text that goes on
// in a CONTINUE record resumes after an option byte.
std::vector<std::u16string> ReadBack(const std::vector<Record>& records, std::uint32_t unique) {
  std::vector<std::u16string> texts;
  std::size_t r = 0, at = 8;
  auto next = [&] {
    ++r;
    at = 0;
  };
  while (texts.size() < unique) {
    if (at >= records[r].body.size()) next();
    const Bytes& body = records[r].body;
    const std::size_t count = GetU16(&body[at]);
    EXPECT_EQ(body[at + 2], 1);
    at += 3;
    std::u16string text;
    while (text.size() < count) {
      if (at >= records[r].body.size()) {
        next();
        EXPECT_EQ(records[r].body[0], 1) << "option byte of a continued text";
        at = 1;
      }
      text.push_back(GetU16(&records[r].body[at]));
      at += 2;
    }
    texts.push_back(text);
  }
  return texts;
}

TEST(WriterSst, EqualTextsShareAnEntry) {
  TsstStrings table;
  for (int i = 0; i < 1000; ++i) EXPECT_EQ(table.AddString(u"same"), 0u);
  EXPECT_EQ(table.AddString(u"abc"), 1u);
  EXPECT_EQ(table.AddString(u"ABC"), 2u);
  EXPECT_EQ(table.AddString(u"ab"), 3u);
  EXPECT_EQ(table.AddString(u""), 4u);
  EXPECT_EQ(table.AddString(u"abc"), 1u);
  EXPECT_EQ(table.TotalCount(), 1005u);
  EXPECT_EQ(table.UniqueCount(), 5u);
  EXPECT_EQ(table.Entry(0).RefCount, 1000);
  const auto records = Saved(table);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].id, 0x00FC);
  EXPECT_EQ(GetU32(&records[0].body[0]), 1005u);
  EXPECT_EQ(GetU32(&records[0].body[4]), 5u);
  EXPECT_EQ(records[0].body.size(), 8u + (3 + 8) + 3 * (3 + 6) - 2 + 3);
  EXPECT_EQ(ReadBack(records, 5), (std::vector<std::u16string>{u"same", u"abc", u"ABC", u"ab", u""}));
}

TEST(WriterSst, EmptyTable) {
  TsstStrings table;
  const auto records = Saved(table);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].body, Bytes(8, 0));
}

// Entries of 3 + 2c bytes around the 8224-byte limit of a record.
TEST(WriterSst, EntriesStartTheNextRecordWholeAtTheLimit) {
  struct Case {
    const char* name;
    std::vector<std::u16string> texts;
    std::vector<std::size_t> recordSizes;  // empty: only the general rules
  };
  std::vector<std::u16string> many;
  for (int i = 0; i < 2000; ++i) {
    const std::string digits = std::to_string(100000 + i);
    many.push_back(std::u16string(digits.begin(), digits.end()));
  }
  const Case cases[] = {
      // 8 + 8213 + 3 = 8224 exactly: one record.
      {"exact fit", {std::u16string(4105, u'a'), u""}, {8224}},
      // 8 + 8213 + 5 = 8226: the second entry starts a CONTINUE record.
      {"one byte over", {std::u16string(4105, u'a'), u"b"}, {8221, 5}},
      // The longest text that is never split: 3 + 8220 = 8223 bytes.
      {"longest whole text", {std::u16string(10, u'a'), std::u16string(4110, u'b')}, {31, 8223}},
      // 15-byte entries: 547 fit after the SST header, 548 in a CONTINUE.
      {"many small", many, {8 + 547 * 15, 548 * 15, 548 * 15, (2000 - 547 - 2 * 548) * 15}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TsstStrings table;
    for (const auto& text : c.texts) table.AddString(text);
    const auto records = Saved(table);
    std::vector<std::size_t> sizes;
    for (const Record& r : records) sizes.push_back(r.body.size());
    EXPECT_EQ(sizes, c.recordSizes);
    for (std::size_t i = 0; i < records.size(); ++i) {
      EXPECT_EQ(records[i].id, i == 0 ? 0x00FC : 0x003C);
      EXPECT_EQ(static_cast<std::int32_t>(records[i].body.size()), table.RecordLengths()[i]);
    }
    EXPECT_EQ(ReadBack(records, table.UniqueCount()), c.texts);
  }
}

TEST(WriterSst, LongTextIsSplitOnCharacterBoundaries) {
  struct Case {
    const char* name;
    std::u16string text;
    std::vector<std::size_t> recordSizes;
  };
  std::u16string pairs = u"a";  // then 3000 surrogate pairs: 6001 units
  for (int i = 0; i < 3000; ++i) pairs += u"\U00020000";
  const Case cases[] = {
      {"5000 characters", std::u16string(5000, u'中'), {8, 8223, 1 + 2 * 890 + 3 + 2}},
      {"4111 characters", std::u16string(4111, u'x'), {8, 8223, 3 + 3 + 2}},
      {"20000 characters", std::u16string(20000, u'x'),
       {8, 8223, 8223, 8223, 8223, 1 + 2 * (20000 - 4110 - 3 * 4111) + 5}},
      // 4110 units would end inside a pair: the first piece takes 4109.
      {"surrogate pairs", pairs, {8, 3 + 2 * 4109, 1 + 2 * (6001 - 4109) + 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TsstStrings table;
    table.AddString(c.text);
    table.AddString(u"z");
    const auto records = Saved(table);
    std::vector<std::size_t> sizes;
    for (const Record& r : records) sizes.push_back(r.body.size());
    EXPECT_EQ(sizes, c.recordSizes);
    for (std::size_t i = 0; i < records.size(); ++i) {
      EXPECT_EQ(static_cast<std::int32_t>(records[i].body.size()), table.RecordLengths()[i]);
    }
    EXPECT_EQ(ReadBack(records, 2), (std::vector<std::u16string>{c.text, u"z"}));
  }
}

}  // namespace
}  // namespace tabrin
