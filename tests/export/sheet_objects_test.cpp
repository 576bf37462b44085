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

#include <fstream>

#include "export/custom_source.h"
#include "export/export_fixture.h"
#include "xls/biff8/drawing/picture_file.h"

namespace tabrin::testing {
namespace {

class SheetObjectsExport : public ExportFixture {
 protected:
  void SetUp() override {
    ExportFixture::SetUp();
    source.Columns.Add().SetColumnName("Code");
    source.OnGetNextRecord = [](TfrCustomSource&, int recNo, bool& eof) { eof = recNo == 2; };
    source.OnGetColumnValue = [](TfrCustomSource&, int recNo, const TfrCustomColumn&, TCustomValue& value) {
      value = "C" + std::to_string(recNo);
    };
    exporter.ExportSource = esCustom;
    exporter.CustomSource = &source;
  }
  TfrCustomSource source;
};

TEST_F(SheetObjectsExport, HyperlinkTitlesAreCellsOfTheSheetBeyondTheData) {
  TxlsHyperlink& link = AddHyperlink(exporter);
  link.Row = 6;
  link.Col = 3;
  link.Title = "Catalogue";
  link.Target = "https://example.com/catalogue";
  exporter.Execute();
  const TWorksheet sheet = ReadBack();
  EXPECT_EQ(TextAt(sheet, 1, 0), "C1");
  EXPECT_EQ(TextAt(sheet, 5, 2), "Catalogue");
  EXPECT_EQ(sheet.LastRow(), 5);
}

TEST_F(SheetObjectsExport, AnImageOfAPictureThatCannotBeReadLeavesTheEarlierFile) {
  {
    std::ofstream(File("out.xls")) << "earlier";
  }
  exporter.Pictures.Add(File("missing.png"));
  TxlsImage& image = AddImage(exporter);
  image.PictureName = "Picture_0";
  image.Row = 1;
  image.Col = 1;
  try {
    exporter.Execute();
    FAIL();
  } catch (const TabrinError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.png"), std::string::npos) << e.what();
  }
  std::ifstream in(File("out.xls"));
  std::string content;
  std::getline(in, content);
  EXPECT_EQ(content, "earlier");
}

}  // namespace
}  // namespace tabrin::testing
