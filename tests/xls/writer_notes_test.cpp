// Notes: the drawing container and the shape of each note, its OBJ, TXO and
// text records, the NOTE records after all of them, and the drawing group.
#include <gtest/gtest.h>

#include "xls/biff8/workbook_writer.h"
#include "xls/writer_test_util.h"

namespace tabrin {
namespace {

using test::B;
using test::Bytes;
using test::Record;

TxlsNote Note(std::uint16_t row, std::uint16_t col, std::vector<std::string> lines) {
  TxlsNote note;
  note.Row = row;
  note.Col = col;
  note.Lines = std::move(lines);
  return note;
}

// Property id -> value of the property table inside a shape container.
std::vector<std::pair<std::uint16_t, std::uint32_t>> Properties(const Bytes& drawing) {
  for (std::size_t at = 0; at + 8 <= drawing.size(); ++at) {
    if (GetU16(&drawing[at + 2]) == 0xF00B && (drawing[at] & 0x0F) == 3) {
      const std::size_t count = GetU16(&drawing[at]) >> 4;
      std::vector<std::pair<std::uint16_t, std::uint32_t>> out;
      for (std::size_t i = 0; i < count; ++i) {
        out.emplace_back(GetU16(&drawing[at + 8 + 6 * i]), GetU32(&drawing[at + 10 + 6 * i]));
      }
      return out;
    }
  }
  return {};
}

// The 18 bytes of the client anchor in a shape container.
Bytes Anchor(const Bytes& drawing) {
  for (std::size_t at = 0; at + 26 <= drawing.size(); ++at) {
    if (GetU16(&drawing[at + 2]) == 0xF010 && GetU32(&drawing[at + 4]) == 18) {
      return Bytes(drawing.begin() + static_cast<long>(at + 8), drawing.begin() + static_cast<long>(at + 26));
    }
  }
  return {};
}

class WriterNotes : public ::testing::Test {
 protected:
  void SetUp() override { writer.CreateWorkbookFile((folder / "book.xls").string()); }

  // The records of one sheet holding the notes (the workbook unfinished).
  std::vector<Record> WriteSheet(const std::vector<TxlsNote>& notes) {
    writer.BeginWorkbook();
    writer.BeginSheet(TxlsSheetHead{});
    TxlsSheetTail tail;
    for (const TxlsNote& note : notes) tail.Notes.push_back(&note);
    writer.EndSheet(tail);
    return test::SplitRecords(writer.Stream().Bytes());
  }

  test::TempFolder folder;
  TxlsWorkbookWriter writer;
};

TEST(NoteText, LinesJoinedWithLineFeedsWithoutCarriageReturnsAndOuterBlanks) {
  EXPECT_EQ(Note(1, 1, {"a", "b"}).Text(), "a\nb");
  EXPECT_EQ(Note(1, 1, {"  first\r", "second \r\n", ""}).Text(), "first\nsecond");
  EXPECT_EQ(Note(1, 1, {" ", "\r"}).Text(), "");
}

TEST_F(WriterNotes, NoteWithTwoLinesHasTextOfThreeCharactersInTahomaBold) {
  const auto records = WriteSheet({Note(10, 3, {"a", "b"})});
  std::size_t txo = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (records[i].id == 0x01B6) txo = i;
  }
  ASSERT_NE(txo, 0u);
  // Left and top, no rotation, 3 characters, 16 bytes of runs.
  EXPECT_SAME_BYTES(B({0x12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 16, 0, 0, 0, 0, 0}), records[txo].body);
  EXPECT_EQ(records[txo + 1].id, 0x003C);
  EXPECT_SAME_BYTES(B({1, 'a', 0, '\n', 0, 'b', 0}), records[txo + 1].body);
  EXPECT_EQ(records[txo + 2].id, 0x003C);
  // The note's font (Tahoma 8 bold) is the first registered font: index 5.
  EXPECT_SAME_BYTES(B({0, 0, 5, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0}), records[txo + 2].body);
  ASSERT_EQ(writer.Formats().Fonts.Count(), 1u);
  EXPECT_EQ(writer.Formats().Fonts[0].Name, "Tahoma");
}

TEST_F(WriterNotes, AnchorStartsOneColumnRightAndTwoRowsUpNeverAboveTheFirstRow) {
  const auto records = WriteSheet({Note(1, 1, {"x"}), Note(2, 4, {"x"}), Note(10, 2, {"x"})});
  const auto drawings = test::RecordsWithId(records, 0x00EC);
  // Shape, text box, shape, text box, shape, text box.
  ASSERT_EQ(drawings.size(), 6u);
  EXPECT_SAME_BYTES(B({3, 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 5, 0, 0, 0}), Anchor(drawings[0].body));
  EXPECT_SAME_BYTES(B({3, 0, 4, 0, 0, 0, 0, 0, 0, 0, 6, 0, 0, 0, 5, 0, 0, 0}), Anchor(drawings[2].body));
  EXPECT_SAME_BYTES(B({3, 0, 2, 0, 0, 0, 8, 0, 0, 0, 4, 0, 0, 0, 13, 0, 0, 0}), Anchor(drawings[4].body));
}

TEST_F(WriterNotes, TwoNotesGetObjectIdsOneAndTwoAndNoteRecordsComeLast) {
  const auto records = WriteSheet({Note(2, 1, {"first"}), Note(5, 3, {"second"})});
  const auto objs = test::RecordsWithId(records, 0x005D);
  ASSERT_EQ(objs.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    Bytes expected = B({0x15, 0, 18, 0, 25, 0, static_cast<int>(i + 1), 0, 0x11, 0});
    expected.resize(22, 0);
    for (int v : {0x0D, 0, 0, 0, 0, 0, 0, 0}) expected.push_back(static_cast<std::uint8_t>(v));
    EXPECT_SAME_BYTES(expected, objs[i].body);
  }
  std::size_t lastDrawing = 0, firstNote = records.size();
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::uint16_t id = records[i].id;
    if (id == 0x00EC || id == 0x005D || id == 0x01B6 || id == 0x003C) lastDrawing = i;
    if (id == 0x001C) firstNote = std::min(firstNote, i);
  }
  EXPECT_LT(lastDrawing, firstNote);
  const auto notes = test::RecordsWithId(records, 0x001C);
  ASSERT_EQ(notes.size(), 2u);
  // Row, column, hidden, object id, and an empty author.
  EXPECT_SAME_BYTES(B({1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0}), notes[0].body);
  EXPECT_SAME_BYTES(B({4, 0, 2, 0, 0, 0, 2, 0, 0, 0, 0, 0}), notes[1].body);
  EXPECT_EQ(records[records.size() - 1].id, 0x000A);
}

TEST_F(WriterNotes, InvalidNotesAreLeftOut) {
  const auto records = WriteSheet({Note(0, 1, {"x"}), Note(1, 0, {"x"}), Note(1, 256, {"x"}), Note(1, 1, {" "})});
  EXPECT_TRUE(test::RecordsWithId(records, 0x00EC).empty());
  EXPECT_TRUE(test::RecordsWithId(records, 0x001C).empty());
}

TEST_F(WriterNotes, DrawingContainerLengthsCountEveryPiece) {
  const auto records = WriteSheet({Note(3, 1, {"x"}), Note(4, 1, {"y"})});
  const auto drawings = test::RecordsWithId(records, 0x00EC);
  ASSERT_EQ(drawings.size(), 4u);
  const Bytes& first = drawings[0].body;
  std::size_t all = 0;
  for (const Record& d : drawings) all += d.body.size();
  // Drawing container (0xF002), its drawing atom: 3 shapes, last id 1026.
  EXPECT_SAME_BYTES(B({0x0F, 0, 0x02, 0xF0}), Bytes(first.begin(), first.begin() + 4));
  EXPECT_EQ(GetU32(&first[4]), all - 8);
  EXPECT_SAME_BYTES(B({0x10, 0, 0x08, 0xF0, 8, 0, 0, 0, 3, 0, 0, 0, 0x02, 0x04, 0, 0}),
                    Bytes(first.begin() + 8, first.begin() + 24));
  // The group container holds the rest; its first shape is the group.
  EXPECT_SAME_BYTES(B({0x0F, 0, 0x03, 0xF0}), Bytes(first.begin() + 24, first.begin() + 28));
  EXPECT_EQ(GetU32(&first[28]), all - 32);
  const Bytes group = B({0x0F, 0, 0x04, 0xF0, 40, 0, 0, 0, 0x01, 0, 0x09, 0xF0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                         0, 0, 0, 0, 0, 0, 0, 0, 0x02, 0, 0x0A, 0xF0, 8, 0, 0, 0, 0x00, 0x04, 0, 0, 5, 0, 0, 0});
  EXPECT_SAME_BYTES(group, Bytes(first.begin() + 32, first.begin() + 32 + static_cast<long>(group.size())));
  // Each note's shape: type 202, ids 1025 and 1026, container length
  // counting its text box.
  const Bytes& second = drawings[2].body;
  EXPECT_SAME_BYTES(B({0x0F, 0, 0x04, 0xF0}), Bytes(second.begin(), second.begin() + 4));
  EXPECT_EQ(GetU32(&second[4]), second.size() - 8 + 8);
  EXPECT_SAME_BYTES(B({0xA2, 0x0C, 0x0A, 0xF0, 8, 0, 0, 0, 0x02, 0x04, 0, 0, 0, 0x0A, 0, 0}),
                    Bytes(second.begin() + 8, second.begin() + 24));
  EXPECT_SAME_BYTES(B({0, 0, 0x0D, 0xF0, 0, 0, 0, 0}), drawings[3].body);
}

TEST_F(WriterNotes, PropertyTablesOfSolidAndGradientFills) {
  const std::uint32_t fg = 0x00E1FFFF, bg = 0x00332211;
  using Props = std::vector<std::pair<std::uint16_t, std::uint32_t>>;
  const Props head = {{0x007F, 0x00040004}, {0x0080, 1}, {0x00BF, 0x00080008}, {0x0158, 0}};
  const Props tail = {{0x01BF, 0x00110010}, {0x0201, 0}, {0x023F, 0x00030003}, {0x03BF, 0x000A0002}};
  const struct {
    TxlsNoteFillType fill;
    TxlsNoteGradient gradient;
    int transparency;
    Props fillProperties;
  } cases[] = {
      {nftSolid, ngrHorizontal, 0, {{0x0181, fg}}},
      {nftSolid, ngrHorizontal, 50, {{0x0181, fg}, {0x0182, 65537 - 50 * 656}}},
      {nftSolid, ngrHorizontal, 100, {{0x0181, fg}, {0x0182, 0}}},
      {nftGradient, ngrHorizontal, 0, {{0x0180, 7}, {0x0181, fg}, {0x0183, bg}, {0x018C, 100}, {0x0196, 0x009D0000}}},
      {nftGradient, ngrVertical, 0,
       {{0x0180, 7}, {0x0181, fg}, {0x0183, bg}, {0x018B, 0xFFA60000}, {0x018C, 100}, {0x0196, 0x009D0000}}},
      {nftGradient, ngrDiagonalUp, 10,
       {{0x0180, 7}, {0x0181, fg}, {0x0182, 65537 - 6560}, {0x0183, bg}, {0x018B, 0xFF790000}, {0x018C, 100},
        {0x0196, 0x009D0000}}},
      {nftGradient, ngrDiagonalDown, 0,
       {{0x0180, 7}, {0x0181, fg}, {0x0183, bg}, {0x018B, 0xFFD30000}, {0x018C, 100}, {0x0196, 0x009D0000}}},
      {nftGradient, ngrFromCorner, 0,
       {{0x0180, 5}, {0x0181, fg}, {0x0183, bg}, {0x018B, 0xFFD30000}, {0x018C, 100}, {0x0196, 0x009D0000}}},
      {nftGradient, ngrFromCenter, 0,
       {{0x0180, 6}, {0x0181, fg}, {0x0183, bg}, {0x018B, 0xFFD30000}, {0x018C, 100}, {0x018D, 0x8000},
        {0x018E, 0x8000}, {0x018F, 0x8000}, {0x0190, 0x8000}, {0x0196, 0x009D0000}}},
  };
  std::vector<TxlsNote> notes;
  for (const auto& c : cases) {
    TxlsNote note = Note(1, 1, {"x"});
    note.Format.FillType = c.fill;
    note.Format.Gradient = c.gradient;
    note.Format.Transparency = c.transparency;
    note.Format.BackgroundColor = {0x11, 0x22, 0x33};
    notes.push_back(note);
  }
  const auto drawings = test::RecordsWithId(WriteSheet(notes), 0x00EC);
  ASSERT_EQ(drawings.size(), 2 * std::size(cases));
  for (std::size_t k = 0; k < std::size(cases); ++k) {
    SCOPED_TRACE(k);
    Props expected = head;
    expected[1].second = static_cast<std::uint32_t>(k + 1);
    expected.insert(expected.end(), cases[k].fillProperties.begin(), cases[k].fillProperties.end());
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(Properties(drawings[2 * k].body), expected);
  }
}

TEST_F(WriterNotes, TheNinetyFirstNoteCarriesTheExtraProperty) {
  std::vector<TxlsNote> notes(92, Note(1, 1, {"x"}));
  const auto drawings = test::RecordsWithId(WriteSheet(notes), 0x00EC);
  ASSERT_EQ(drawings.size(), 2 * 92u);
  const auto props90 = Properties(drawings[2 * 90].body);
  ASSERT_GE(props90.size(), 3u);
  EXPECT_EQ(props90[1], (std::pair<std::uint16_t, std::uint32_t>{0x0080, 91}));
  EXPECT_EQ(props90[2], (std::pair<std::uint16_t, std::uint32_t>{0x0085, 1}));
  EXPECT_NE(Properties(drawings[2 * 91].body)[2].first, 0x0085);
}

TEST_F(WriterNotes, DrawingGroupStatesOneDrawingAndItsShapes) {
  writer.BeginWorkbook();
  const TxlsNote note = Note(1, 1, {"x"});
  writer.BeginSheet(TxlsSheetHead{});
  TxlsSheetTail tail;
  tail.Notes.push_back(&note);
  writer.EndSheet(tail);
  writer.FinishWorkbook();
  const auto groups = test::RecordsWithId(test::SplitRecords(writer.Stream().Bytes()), 0x00EB);
  ASSERT_EQ(groups.size(), 1u);
  const Bytes expected = B({
      0x0F, 0, 0x00, 0xF0, 82, 0, 0, 0,                                         // drawing group container
      0, 0, 0x06, 0xF0, 24, 0, 0, 0, 0x02, 0x04, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,  // n + 1025, 2, n + 1
      1, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0,                                       // 1 drawing; cluster 1: n + 1
      0x33, 0, 0x0B, 0xF0, 18, 0, 0, 0, 0xBF, 0, 8, 0, 8, 0, 0x81, 0x01, 9, 0, 0, 8, 0xC0, 0x01, 0x40, 0, 0, 8,
      0x40, 0, 0x1E, 0xF1, 16, 0, 0, 0, 0x0D, 0, 0, 8, 0x0C, 0, 0, 8, 0x17, 0, 0, 8, 0xF7, 0, 0, 0x10,
  });
  EXPECT_SAME_BYTES(expected, groups[0].body);
}

TEST_F(WriterNotes, ASecondSheetGetsItsOwnDrawingAndShapeIds) {
  writer.BeginWorkbook();
  const TxlsNote note = Note(1, 1, {"x"});
  for (const char* title : {"One", "Two"}) {
    writer.BeginSheet(test::Head(0, title));
    TxlsSheetTail tail;
    tail.Notes.push_back(&note);
    writer.EndSheet(tail);
  }
  writer.FinishWorkbook();
  const auto records = test::SplitRecords(writer.Stream().Bytes());
  const auto drawings = test::RecordsWithId(records, 0x00EC);
  ASSERT_EQ(drawings.size(), 4u);
  // Drawing atom of the second sheet: instance 2, 2 shapes, last id 2049.
  EXPECT_SAME_BYTES(B({0x20, 0, 0x08, 0xF0, 8, 0, 0, 0, 2, 0, 0, 0, 0x01, 0x08, 0, 0}),
                    Bytes(drawings[2].body.begin() + 8, drawings[2].body.begin() + 24));
  const auto groups = test::RecordsWithId(records, 0x00EB);
  ASSERT_EQ(groups.size(), 1u);
  const Bytes& group = groups[0].body;
  // Largest id + 1, 3 clusters, 4 shapes saved, 2 drawings; (1, 2), (2, 2).
  EXPECT_SAME_BYTES(B({0, 0, 0x06, 0xF0, 32, 0, 0, 0, 0x02, 0x08, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0,
                       2, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0}),
                    Bytes(group.begin() + 8, group.begin() + 48));
}

TEST_F(WriterNotes, ASheetWithMoreThan1023NotesTakesTwoIdClusters) {
  writer.BeginWorkbook();
  std::vector<TxlsNote> notes(1100, Note(1, 1, {"x"}));
  const TxlsNote other = Note(1, 1, {"y"});
  writer.BeginSheet(test::Head(0, "Many"));
  TxlsSheetTail tail;
  for (const TxlsNote& note : notes) tail.Notes.push_back(&note);
  writer.EndSheet(tail);
  writer.BeginSheet(test::Head(1, "One"));
  TxlsSheetTail second;
  second.Notes.push_back(&other);
  writer.EndSheet(second);
  writer.FinishWorkbook();
  const auto records = test::SplitRecords(writer.Stream().Bytes());
  const auto drawings = test::RecordsWithId(records, 0x00EC);
  // The last shape of the first sheet is 1024 + 1100; the second sheet's
  // drawing starts at the next free cluster, 3.
  const Bytes& last = drawings[2 * 1099].body;
  EXPECT_EQ(GetU32(&last[16]), 1024u + 1100);
  const Bytes& secondSheet = drawings[2 * 1100].body;
  EXPECT_SAME_BYTES(B({0x20, 0, 0x08, 0xF0, 8, 0, 0, 0, 2, 0, 0, 0, 0x01, 0x0C, 0, 0}),
                    Bytes(secondSheet.begin() + 8, secondSheet.begin() + 24));
  const auto groups = test::RecordsWithId(records, 0x00EB);
  ASSERT_EQ(groups.size(), 1u);
  // Largest id + 1, 4 clusters + 1, 1103 shapes and groups, 2 drawings;
  // clusters (1, 1024), (1, 77), (2, 2).
  EXPECT_SAME_BYTES(B({0, 0, 0x06, 0xF0, 40, 0, 0, 0, 0x02, 0x0C, 0, 0, 4, 0, 0, 0, 0x4F, 0x04, 0, 0, 2, 0, 0, 0,
                       1, 0, 0, 0, 0, 4, 0, 0, 1, 0, 0, 0, 77, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0}),
                    Bytes(groups[0].body.begin() + 8, groups[0].body.begin() + 56));
}

}  // namespace
}  // namespace tabrin
