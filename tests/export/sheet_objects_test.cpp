// Adding notes, hyperlinks and images to the exporter: the defaults a new
// item takes from its owner.
#include <gtest/gtest.h>

#include "export/ferran3_xls.h"
#include "export/sheet_objects_add.h"

namespace tabrin {
namespace {

TEST(SheetObjects, NewItemsTakeTheirOwnersFormatsAndFreeTitles) {
  TFerran3XLS exporter;
  exporter.Options.NoteFormat.Font.Size = 11;
  exporter.Options.HyperlinkFormat.Font.Color = clrRed;
  EXPECT_EQ(AddNote(exporter).Format.Font.Size, 11);
  EXPECT_EQ(AddHyperlink(exporter).Format.Font.Color, clrRed);
  EXPECT_EQ(AddHyperlink(exporter).Format.Font.Underline, fulSingle);

  TxlsSheet& sheet = exporter.Sheets.Add();
  sheet.Options.NoteFormat.Transparency = 40;
  EXPECT_EQ(AddNote(sheet).Format.Transparency, 40);
  EXPECT_EQ(exporter.Notes.size(), 1u);

  EXPECT_EQ(AddImage(exporter).Title, "Image_0");
  EXPECT_EQ(AddImage(exporter).Title, "Image_1");
  exporter.Images[0].Title = "Logo";
  EXPECT_EQ(AddImage(exporter).Title, "Image_0");
}

TEST(SheetObjects, DefaultNoteLook) {
  const TxlsNoteFormat format;
  EXPECT_EQ(format.Font.Name, "Tahoma");
  EXPECT_EQ(format.Font.Size, 8);
  EXPECT_TRUE(format.Font.Has(xfsBold));
  EXPECT_EQ(format.Alignment.Horizontal, halLeft);
  EXPECT_EQ(format.Alignment.Vertical, valTop);
  EXPECT_EQ(format.ForegroundColor, (TxlsRgb{0xFF, 0xFF, 0xE1}));
  EXPECT_EQ(format.FillType, nftSolid);
}

}  // namespace
}  // namespace tabrin
