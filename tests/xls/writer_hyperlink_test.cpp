// Hyperlinks: the title cell, HLINK of both link styles and QUICKTIP, byte
// for byte; the short form of local paths.
#include <gtest/gtest.h>

#include "xls/biff8/drawing/short_path.h"
#include "xls/biff8/workbook_writer.h"
#include "xls/writer_test_util.h"

namespace tabrin {
namespace {

using test::B;
using test::Bytes;
using test::Record;

Bytes Utf16Z(std::u16string_view text, bool terminator = true) {
  Bytes out;
  for (char16_t c : text) {
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  if (terminator) out.insert(out.end(), {0, 0});
  return out;
}

void Append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

Bytes U32(std::uint32_t v) { return B({int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF), int(v >> 24)}); }

const Bytes kStdLink = B({0xD0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11, 0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B});
const Bytes kUrlMoniker = B({0xE0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11, 0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B});
const Bytes kFileMoniker = B({0x03, 0x03, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46});

class WriterHyperlinks : public ::testing::Test {
 protected:
  void SetUp() override { writer.CreateWorkbookFile((folder / "book.xls").string()); }

  // One sheet holding the links; returns the sheet's records.
  std::vector<Record> WriteSheet(const std::vector<TxlsHyperlink>& links) {
    writer.BeginWorkbook();
    writer.BeginSheet(TxlsSheetHead{});
    TxlsSheetTail tail;
    for (const TxlsHyperlink& link : links) tail.Hyperlinks.push_back({&link, 21});
    writer.EndSheet(tail);
    return test::SplitRecords(writer.Stream().Bytes());
  }

  test::TempFolder folder;
  TxlsWorkbookWriter writer;
};

TxlsHyperlink Link(std::uint16_t row, std::uint16_t col, std::string title, std::string target,
                   TxlsHyperlinkStyle style = hlsURL, std::string tip = "") {
  TxlsHyperlink link;
  link.Row = row;
  link.Col = col;
  link.Title = std::move(title);
  link.Target = std::move(target);
  link.Style = style;
  link.ScreenTip = std::move(tip);
  return link;
}

TEST_F(WriterHyperlinks, UrlLinkIsItsTitleCellThenHlinkAndQuickTipAfterTheWindow) {
  const auto records = WriteSheet({Link(3, 2, "Site", "http://a.b/", hlsURL, "Open it")});
  const auto hlinks = test::RecordsWithId(records, 0x01B8);
  ASSERT_EQ(hlinks.size(), 1u);
  // 60 + 2t + 2u with t = 4 and u = 11.
  Bytes expected = B({2, 0, 2, 0, 1, 0, 1, 0});
  Append(expected, kStdLink);
  Append(expected, U32(2));
  Append(expected, U32(0x17));
  Append(expected, U32(5));
  Append(expected, Utf16Z(u"Site"));
  Append(expected, kUrlMoniker);
  Append(expected, U32(24));
  Append(expected, Utf16Z(u"http://a.b/"));
  EXPECT_EQ(expected.size(), 60u + 2 * 4 + 2 * 11);
  EXPECT_SAME_BYTES(expected, hlinks[0].body);

  const auto tips = test::RecordsWithId(records, 0x0800);
  ASSERT_EQ(tips.size(), 1u);
  Bytes tip = B({0x00, 0x08, 2, 0, 2, 0, 1, 0, 1, 0});
  Append(tip, Utf16Z(u"Open it"));
  EXPECT_EQ(tip.size(), 12u + 2 * 7);
  EXPECT_SAME_BYTES(tip, tips[0].body);

  // The title cell (row 2, col 1, the resolved XF) comes before WINDOW2, the
  // link records after SELECTION, directly followed by QUICKTIP.
  std::size_t label = 0, selection = 0, hlink = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (records[i].id == 0x00FD) label = i;
    if (records[i].id == 0x001D) selection = i;
    if (records[i].id == 0x01B8) hlink = i;
  }
  EXPECT_EQ(records[label].body[0], 2);
  EXPECT_EQ(records[label].body[2], 1);
  EXPECT_EQ(records[label].body[4], 21);
  EXPECT_LT(label, selection);
  EXPECT_EQ(hlink, selection + 1);
  EXPECT_EQ(records[hlink + 1].id, 0x0800);
}

TEST_F(WriterHyperlinks, LocalFileLinkCarriesTheShortAndTheFullPath) {
  const std::string path = "C:\\Reports\\Monthly sales.xls";
  const auto records = WriteSheet({Link(1, 1, "Sales", path, hlsLocalFile)});
  const auto hlinks = test::RecordsWithId(records, 0x01B8);
  ASSERT_EQ(hlinks.size(), 1u);
  const std::string shortPath = "C:\\Reports\\MONTHL~1.XLS";
  Bytes expected = B({0, 0, 0, 0, 0, 0, 0, 0});
  Append(expected, kStdLink);
  Append(expected, U32(2));
  Append(expected, U32(0x17));
  Append(expected, U32(6));
  Append(expected, Utf16Z(u"Sales"));
  Append(expected, kFileMoniker);
  Append(expected, B({0, 0}));
  Append(expected, U32(static_cast<std::uint32_t>(shortPath.size() + 1)));
  for (char c : shortPath) expected.push_back(static_cast<std::uint8_t>(c));
  expected.push_back(0);
  Append(expected, B({0xFF, 0xFF, 0xAD, 0xDE}));
  expected.resize(expected.size() + 20, 0);
  const std::u16string wide(path.begin(), path.end());
  Append(expected, U32(static_cast<std::uint32_t>(2 * wide.size() + 6)));
  Append(expected, U32(static_cast<std::uint32_t>(2 * wide.size())));
  Append(expected, B({3, 0}));
  Append(expected, Utf16Z(wide, false));
  EXPECT_EQ(expected.size(), 95u + 2 * 5 + shortPath.size() + 2 * wide.size());
  EXPECT_SAME_BYTES(expected, hlinks[0].body);
  EXPECT_TRUE(test::RecordsWithId(records, 0x0800).empty());
}

TEST_F(WriterHyperlinks, InvalidLinksAreNeitherCellNorHlink) {
  const auto records = WriteSheet({
      Link(1, 1, "", "http://x/"),       // no title
      Link(1, 1, "x", ""),               // no target
      Link(0, 1, "x", "http://x/"),      // no row
      Link(1, 0, "x", "http://x/"),      // no column
      Link(1, 257, "x", "http://x/"),    // past the last column
      Link(2, 256, "ok", "http://x/"),   // the last column is fine
  });
  const auto hlinks = test::RecordsWithId(records, 0x01B8);
  ASSERT_EQ(hlinks.size(), 1u);
  EXPECT_EQ(hlinks[0].body[4], 255);
  EXPECT_EQ(test::RecordsWithId(records, 0x00FD).size(), 1u);
}

TEST_F(WriterHyperlinks, ALinkTooLongForOneRecordIsRefused) {
  writer.BeginWorkbook();
  writer.BeginSheet(TxlsSheetHead{});
  const TxlsHyperlink link = Link(1, 1, "t", "http://x/" + std::string(4100, 'a'));
  TxlsSheetTail tail;
  tail.Hyperlinks.push_back({&link, 15});
  EXPECT_THROW(writer.EndSheet(tail), TabrinError);
}

TEST(ShortPath, KeepsShortNamesAndShortensTheOthers) {
  const struct {
    const char* path;
    const char* expected;
  } cases[] = {
      {"C:\\DOCS\\A.TXT", "C:\\DOCS\\A.TXT"},
      {"C:\\docs\\readme.txt", "C:\\docs\\readme.txt"},           // already short: kept as written
      {"C:\\Program Files\\x.doc", "C:\\PROGRA~1\\x.doc"},
      {"/home/lin/report.html", "/home/lin/REPORT~1.HTM"},
      {"..\\a.b.c", "..\\AB~1.C"},
      {"C:\\name+x.txt", "C:\\NAME_X~1.TXT"},
  };
  for (const auto& c : cases) EXPECT_EQ(ShortPathBytes(c.path), c.expected) << c.path;
  // Big5 bytes: two per Chinese character, counted as bytes for the 8.3 rule.
  EXPECT_EQ(ShortPathBytes("報表.xls"), "\xb3\xf8\xaa\xed.xls");
  EXPECT_EQ(ShortPathBytes("每月銷售報表.xls"), "\xa8\x43\xa4\xeb\xbe\x50~1.XLS");
  // A character Big5 lacks cannot stay: the name is shortened with "_".
  EXPECT_EQ(ShortPathBytes("a\u00e9.txt"), "A_~1.TXT");
}

}  // namespace
}  // namespace tabrin
