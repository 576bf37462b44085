// Pictures and images: names, kinds, sizes, the picture store in the drawing
// group, image shapes and their anchors; the sheet background bitmap.
#include <gtest/gtest.h>

#include <stb_image_write.h>

#include <fstream>

#include "xls/biff8/drawing/image_anchor.h"
#include "xls/biff8/drawing/md4.h"
#include "xls/biff8/drawing/picture_file.h"
#include "xls/biff8/workbook_writer.h"
#include "xls/writer_test_util.h"

namespace tabrin {
namespace {

using test::B;
using test::Bytes;
using test::Record;

// A transparent 1 x 1 GIF.
const Bytes kGif1x1 = B({0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00, 0x00,
                         0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x2C,
                         0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B});

void Save(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

// Pixels of a width x height picture: red to the right, green downwards.
TxlsRgbaImage Gradient(int width, int height) {
  TxlsRgbaImage image{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.Pixels.insert(image.Pixels.end(), {static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1)),
                                               static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1)), 0x40, 0xFF});
    }
  }
  return image;
}

void AppendTo(void* context, void* data, int size) {
  auto* out = static_cast<Bytes*>(context);
  out->insert(out->end(), static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
}

Bytes Bmp(const TxlsRgbaImage& image) {
  Bytes out;
  stbi_write_bmp_to_func(AppendTo, &out, image.Width, image.Height, 4, image.Pixels.data());
  return out;
}

Bytes Jpeg(const TxlsRgbaImage& image) {
  Bytes out;
  stbi_write_jpg_to_func(AppendTo, &out, image.Width, image.Height, 4, image.Pixels.data(), 90);
  return out;
}

TEST(Md4, PublishedTestVectors) {
  const auto hex = [](const std::string& text) {
    const auto digest = Md4Digest(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    std::string out;
    for (std::uint8_t b : digest) out += test::Hex(b, 2);
    return out;
  };
  EXPECT_EQ(hex(""), "31D6CFE0D16AE931B73C59D7E0C089C0");
  EXPECT_EQ(hex("abc"), "A448017AAF21D8525FC10AE87AA6729D");
  EXPECT_EQ(hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "E33B4DDC9C38F2199C3E7B164FCC0536");
}

TEST(Pictures, NamesAreUniqueWithoutRegardToCaseAndNeverEmpty) {
  TxlsPictures pictures;
  EXPECT_EQ(pictures.Add("a.png").Name(), "Picture_0");
  EXPECT_EQ(pictures.Add("b.png").Name(), "Picture_1");
  pictures.SetName(0, "Logo");
  EXPECT_EQ(pictures.Add().Name(), "Picture_0");  // the smallest free number
  try {
    pictures.SetName(1, "");
    FAIL();
  } catch (const TabrinError& e) {
    EXPECT_STREQ(e.what(), "A picture name cannot be empty");
  }
  try {
    pictures.SetName(1, "LOGO");
    FAIL();
  } catch (const TabrinError& e) {
    EXPECT_STREQ(e.what(), "A picture LOGO already exists");
  }
  pictures.SetName(0, "LOGO");  // its own name in another case
  EXPECT_EQ(pictures[0].Name(), "LOGO");
  EXPECT_EQ(pictures.IndexOf("logo"), 0);
  EXPECT_EQ(pictures[1].Name(), "Picture_1");
}

TEST(Pictures, KindsFollowTheExtension) {
  const struct {
    const char* file;
    TxlsPictureKind kind;
    std::uint8_t blip;
  } cases[] = {
      {"a.jpg", TxlsPictureKind::Jpeg, 5}, {"a.JPEG", TxlsPictureKind::Jpeg, 5}, {"a.png", TxlsPictureKind::Png, 6},
      {"a.Gif", TxlsPictureKind::Gif, 6},  {"a.bmp", TxlsPictureKind::Bmp, 7},   {"a.wmf", TxlsPictureKind::Wmf, 0},
      {"a.emf", TxlsPictureKind::Emf, 0},  {"a.ico", TxlsPictureKind::Ico, 0},   {"a.tif", TxlsPictureKind::Unknown, 0},
      {"dir.png/a", TxlsPictureKind::Unknown, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PictureKindOfFile(c.file), c.kind) << c.file;
    EXPECT_EQ(StoreBlipType(c.kind), c.blip) << c.file;
  }
}

TEST(Pictures, SizesComeFromTheFiles) {
  test::TempFolder folder;
  EXPECT_EQ(PictureSize(TxlsPictureKind::Gif, B({'G', 'I', 'F', '8', '9', 'a', 0x40, 0x01, 0xC8, 0x00}), "x.gif").Width, 320);
  EXPECT_EQ(PictureSize(TxlsPictureKind::Gif, B({'G', 'I', 'F', '8', '9', 'a', 0x40, 0x01, 0xC8, 0x00}), "x.gif").Height, 200);
  EXPECT_EQ(PictureSize(TxlsPictureKind::Png, EncodePng(Gradient(37, 11)), "x.png").Width, 37);
  EXPECT_EQ(PictureSize(TxlsPictureKind::Jpeg, Jpeg(Gradient(20, 30)), "x.jpg").Height, 30);
  EXPECT_EQ(PictureSize(TxlsPictureKind::Bmp, Bmp(Gradient(5, 3)), "x.bmp").Width, 5);
  try {
    PictureSize(TxlsPictureKind::Wmf, B({1, 2, 3}), "drawing.wmf");
    FAIL();
  } catch (const TabrinError& e) {
    EXPECT_NE(std::string(e.what()).find("WMF"), std::string::npos) << e.what();
  }
  EXPECT_THROW(PictureSize(TxlsPictureKind::Png, B({1, 2, 3}), "broken.png"), TabrinError);
}

TEST(ImageAnchor, WalksColumnWidthsAndRowHeights) {
  const std::vector<int> widths = {10, 20};  // 78 and 148 pixels with "0" 7 pixels wide
  const std::map<int, int> heights = {{2, 600}};
  TxlsSheetGrid grid;
  grid.ColumnWidths = &widths;
  grid.StartDataCol = 1;
  grid.DefColWidth = 8;  // 64 pixels
  grid.DefRowHeightTwips = 255;
  grid.RowHeights = &heights;
  grid.ZeroWidth = 7;
  EXPECT_EQ(grid.ColumnPixels(0), 64);
  EXPECT_EQ(grid.ColumnPixels(1), 78);
  EXPECT_EQ(grid.ColumnPixels(2), 148);
  EXPECT_EQ(grid.ColumnPixels(3), 64);
  const struct {
    int row, col, width, height;
    std::uint16_t lastCol, colOffset, lastRow, rowOffset;
  } cases[] = {
      // 100 pixels from column 1: 78 of column 1, 22 of column 2's 148.
      {0, 1, 100, 17, 2, 152, 1, 0},
      // 17 pixels = 255 twips: row 0 exactly, the end is on row 1's top.
      {0, 0, 32, 17, 0, 512, 1, 0},
      // 30 pixels = 450 twips from row 1: 255 of row 1, 195 of row 2's 600.
      {1, 0, 64, 30, 1, 0, 2, 83},
  };
  for (const auto& c : cases) {
    const TxlsClientAnchor a = ImageAnchor(grid, c.row, c.col, c.width, c.height);
    SCOPED_TRACE(c.width);
    EXPECT_EQ(a.Flags, 2);
    EXPECT_EQ(a.FirstCol, c.col);
    EXPECT_EQ(a.FirstRow, c.row);
    EXPECT_EQ(a.LastCol, c.lastCol);
    EXPECT_EQ(a.LastColOffset, c.colOffset);
    EXPECT_EQ(a.LastRow, c.lastRow);
    EXPECT_EQ(a.LastRowOffset, c.rowOffset);
  }
}

class WriterImages : public ::testing::Test {
 protected:
  void SetUp() override { writer.CreateWorkbookFile((folder / "book.xls").string()); }

  std::vector<Record> Finish(const std::vector<TxlsImage>& images, TxlsSheetHead head = {}) {
    writer.BeginWorkbook();
    writer.SetPictures(pictures);
    writer.BeginSheet(head);
    TxlsSheetTail tail;
    for (const TxlsImage& image : images) tail.Images.push_back(&image);
    writer.EndSheet(tail);
    writer.FinishWorkbook();
    return test::SplitRecords(writer.Stream().Bytes());
  }

  TxlsImage Image(std::string picture, std::uint16_t row, std::uint16_t col, std::string title) {
    TxlsImage image;
    image.PictureName = std::move(picture);
    image.Row = row;
    image.Col = col;
    image.Title = std::move(title);
    return image;
  }

  test::TempFolder folder;
  TxlsPictures pictures;
  TxlsWorkbookWriter writer;
};

// The drawing group body, reassembled from MSODRAWINGGROUP and CONTINUE.
Bytes DrawingGroup(const std::vector<Record>& records) {
  Bytes out;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (records[i].id != 0x00EB) continue;
    out = records[i].body;
    for (std::size_t k = i + 1; k < records.size() && records[k].id == 0x003C; ++k) {
      out.insert(out.end(), records[k].body.begin(), records[k].body.end());
    }
  }
  return out;
}

TEST_F(WriterImages, PictureStoreHoldsEachPictureOnceWithItsDigest) {
  const Bytes png = EncodePng(Gradient(40, 20));
  Save(folder / "logo.png", png);
  Save(folder / "dot.gif", kGif1x1);
  Bytes bmp = Bmp(Gradient(3, 2));
  Save(folder / "tiny.bmp", bmp);
  pictures.Add((folder / "logo.png").string());
  pictures.Add((folder / "missing.png").string());  // not stored
  pictures.Add((folder / "dot.gif").string());
  pictures.Add((folder / "tiny.bmp").string());
  const auto records = Finish({Image("Picture_0", 1, 1, "Logo"), Image("picture_0", 5, 1, "Again"),
                               Image("Picture_3", 9, 1, "Tiny")});
  const Bytes group = DrawingGroup(records);
  ASSERT_GT(group.size(), 48u);
  // After the 32-byte cluster atom: the store with three entries.
  std::size_t at = 8 + 32;
  EXPECT_SAME_BYTES(B({0x3F, 0, 0x01, 0xF0}), Bytes(group.begin() + static_cast<long>(at), group.begin() + static_cast<long>(at + 4)));
  at += 8;
  // PNG: entry, its picture record (instance 0x6E0), the file unchanged.
  const auto uid = Md4Digest(png.data(), png.size());
  Bytes entry = B({0x62, 0, 0x07, 0xF0});
  const std::uint32_t blipSize = 8 + 17 + static_cast<std::uint32_t>(png.size());
  for (int i = 0; i < 4; ++i) entry.push_back(static_cast<std::uint8_t>((36 + blipSize) >> (8 * i)));
  entry.insert(entry.end(), {6, 6});
  entry.insert(entry.end(), uid.begin(), uid.end());
  entry.insert(entry.end(), {0xFF, 0});
  for (int i = 0; i < 4; ++i) entry.push_back(static_cast<std::uint8_t>(blipSize >> (8 * i)));
  entry.insert(entry.end(), {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});  // two images show it
  entry.insert(entry.end(), {0x00, 0x6E, 0x1E, 0xF0});
  for (int i = 0; i < 4; ++i) entry.push_back(static_cast<std::uint8_t>((17 + png.size()) >> (8 * i)));
  entry.insert(entry.end(), uid.begin(), uid.end());
  entry.push_back(0xFF);
  entry.insert(entry.end(), png.begin(), png.end());
  EXPECT_SAME_BYTES(entry, Bytes(group.begin() + static_cast<long>(at), group.begin() + static_cast<long>(at + entry.size())));
  at += entry.size();
  // The GIF is stored as a PNG of its one pixel.
  EXPECT_EQ(group[at], 0x62);
  EXPECT_EQ(group[at + 8], 6);
  const std::size_t gifBlip = at + 44;
  EXPECT_EQ(GetU16(&group[gifBlip]), 0x6E00);
  EXPECT_SAME_BYTES(B({0x89, 'P', 'N', 'G'}), Bytes(group.begin() + static_cast<long>(gifBlip + 25), group.begin() + static_cast<long>(gifBlip + 29)));
  at += 8 + GetU32(&group[at + 4]);
  // The BMP as its bitmap without the file header.
  EXPECT_EQ(group[at], 0x72);
  EXPECT_EQ(GetU16(&group[at + 44]), 0x7A80);
  EXPECT_EQ(GetU32(&group[at + 44 + 4]), 17 + bmp.size() - 14);

  // Image shapes: picture frames pointing at store entries 1, 1 and 3.
  const auto drawings = test::RecordsWithId(records, 0x00EC);
  ASSERT_EQ(drawings.size(), 3u);
  const std::size_t blipProperty[] = {1, 1, 3};
  for (std::size_t i = 0; i < 3; ++i) {
    const Bytes& d = drawings[i].body;
    bool found = false;
    for (std::size_t k = 0; k + 6 <= d.size(); ++k) {
      if (GetU16(&d[k]) == 0x4104) {
        EXPECT_EQ(GetU32(&d[k + 2]), blipProperty[i]);
        found = true;
        break;
      }
    }
    EXPECT_TRUE(found);
  }
  // OBJ of a picture, ids after each other; the clipboard format says
  // "bitmap" for a BMP and "neither bitmap nor metafile" for the others.
  const auto objs = test::RecordsWithId(records, 0x005D);
  ASSERT_EQ(objs.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    Bytes obj = B({0x15, 0, 18, 0, 8, 0, static_cast<int>(i + 1), 0, 0x11, 0});
    obj.resize(22, 0);
    const int format = i == 2 ? 0x0009 : 0xFFFF;
    obj.insert(obj.end(), {7, 0, 2, 0, static_cast<std::uint8_t>(format), static_cast<std::uint8_t>(format >> 8),
                           8, 0, 2, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_SAME_BYTES(obj, objs[i].body);
  }
}

TEST_F(WriterImages, ImageShapeNamesItselfAndIsAnchoredAtItsCell) {
  Save(folder / "logo.png", EncodePng(Gradient(100, 34)));
  pictures.Add((folder / "logo.png").string());
  TxlsImage image = Image("Picture_0", 2, 2, "Logo");
  image.Zoom = 50;  // 50 x 17 pixels
  const auto records = Finish({image});
  const auto drawings = test::RecordsWithId(records, 0x00EC);
  ASSERT_EQ(drawings.size(), 1u);
  const Bytes& d = drawings[0].body;
  const std::size_t shape = 8 + 16 + 8 + 48;  // after the drawing and group heads
  EXPECT_SAME_BYTES(B({0xB2, 0x04, 0x0A, 0xF0, 8, 0, 0, 0, 0x01, 0x04, 0, 0, 0, 0x0A, 0, 0}),
                    Bytes(d.begin() + static_cast<long>(shape + 8), d.begin() + static_cast<long>(shape + 24)));
  const Bytes title = B({'L', 0, 'o', 0, 'g', 0, 'o', 0, 0, 0});
  Bytes properties = B({0x73, 0, 0x0B, 0xF0, 62, 0, 0, 0,
                        0x7F, 0, 0, 0, 0x80, 0, 0x04, 0x41, 1, 0, 0, 0, 0x05, 0xC1, 10, 0, 0, 0,
                        0xBF, 0x01, 0, 0, 1, 0, 0x3F, 0x03, 0, 0, 0x10, 0, 0x80, 0xC3, 10, 0, 0, 0,
                        0xBF, 0x03, 0, 0, 8, 0});
  properties.insert(properties.end(), title.begin(), title.end());
  properties.insert(properties.end(), title.begin(), title.end());
  const std::size_t opt = shape + 24;
  EXPECT_SAME_BYTES(properties, Bytes(d.begin() + static_cast<long>(opt), d.begin() + static_cast<long>(opt + properties.size())));
  // Row 2, column 2 is the cell (1, 1); 50 pixels end inside column 1 (64
  // wide), 17 pixels = 255 twips fill row 1 exactly.
  const std::size_t anchor = opt + properties.size();
  EXPECT_SAME_BYTES(B({0x00, 0, 0x10, 0xF0, 18, 0, 0, 0, 2, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0x20, 0x03, 2, 0, 0, 0}),
                    Bytes(d.begin() + static_cast<long>(anchor), d.begin() + static_cast<long>(anchor + 26)));
}

TEST_F(WriterImages, AnImageOfAMissingOrUnknownPictureStopsTheExport) {
  pictures.Add((folder / "missing.png").string());
  Save(folder / "drawing.wmf", B({0xD7, 0xCD, 0xC6, 0x9A}));
  pictures.Add((folder / "drawing.wmf").string());
  const struct {
    const char* picture;
    const char* words;
  } cases[] = {{"Picture_0", "does not exist"}, {"Picture_1", "WMF"}, {"Nothing", "not in the workbook"}};
  for (const auto& c : cases) {
    TxlsWorkbookWriter w;
    w.CreateWorkbookFile((folder / "other.xls").string());
    w.BeginWorkbook();
    w.SetPictures(pictures);
    w.BeginSheet(TxlsSheetHead{});
    const TxlsImage image = Image(c.picture, 1, 1, "Image_0");
    TxlsSheetTail tail;
    tail.Images.push_back(&image);
    try {
      w.EndSheet(tail);
      ADD_FAILURE() << c.picture;
    } catch (const TabrinError& e) {
      EXPECT_NE(std::string(e.what()).find(c.words), std::string::npos) << e.what();
    }
  }
}

class WriterBackground : public WriterImages {
 protected:
  std::vector<Record> SheetWithBackground(const std::string& file) {
    TxlsSheetHead head;
    head.Background = file;
    writer.BeginWorkbook();
    writer.BeginSheet(head);
    writer.EndSheet();
    return test::SplitRecords(writer.Stream().Bytes());
  }
};

TEST_F(WriterBackground, BitmapHeaderThenPixelsContinuedAt8200And8212Bytes) {
  // 100 x 30 pixels: rows of 300 bytes, 9000 pixel bytes in all.
  const TxlsRgbaImage image = Gradient(100, 30);
  Save(folder / "paper.bmp", Bmp(image));
  const auto records = SheetWithBackground((folder / "paper.bmp").string());
  std::size_t at = 0;
  while (at < records.size() && records[at].id != 0x00E9) ++at;
  ASSERT_LT(at + 1, records.size());
  const Bytes& body = records[at].body;
  ASSERT_EQ(body.size(), 20u + 8200);
  EXPECT_SAME_BYTES(B({9, 0, 1, 0, 0x34, 0x23, 0, 0, 12, 0, 0, 0, 100, 0, 30, 0, 1, 0, 24, 0}),
                    Bytes(body.begin(), body.begin() + 20));
  // The first row written is the bottom row, blue-green-red.
  EXPECT_EQ(body[20 + 0], 0x40);
  EXPECT_EQ(body[20 + 1], 0xFF);
  EXPECT_EQ(body[20 + 2], 0x00);
  EXPECT_EQ(records[at + 1].id, 0x003C);
  EXPECT_EQ(records[at + 1].body.size(), 800u);
  EXPECT_EQ(records[at + 2].id, 0x0200);  // DIMENSIONS follows
}

TEST_F(WriterBackground, LargePicturesContinueIn8212ByteRecords) {
  // 64 x 128 pixels: 192-byte rows, 24576 bytes = 8200 + 8212 + 8164.
  Save(folder / "big.jpg", Jpeg(Gradient(64, 128)));
  const auto records = SheetWithBackground((folder / "big.jpg").string());
  std::size_t at = 0;
  while (at < records.size() && records[at].id != 0x00E9) ++at;
  ASSERT_LT(at + 2, records.size());
  EXPECT_EQ(records[at].body.size(), 8220u);
  EXPECT_EQ(records[at + 1].body.size(), 8212u);
  EXPECT_EQ(records[at + 2].body.size(), 8164u);
  EXPECT_EQ(GetU32(&records[at].body[4]), 24576u + 12);
}

TEST_F(WriterBackground, PngIsNotTakenAndDrawingsStopWithTheirKind) {
  Save(folder / "paper.png", EncodePng(Gradient(4, 4)));
  EXPECT_TRUE(test::RecordsWithId(SheetWithBackground((folder / "paper.png").string()), 0x00E9).empty());

  Save(folder / "paper.emf", B({1, 0, 0, 0}));
  TxlsWorkbookWriter w;
  w.CreateWorkbookFile((folder / "other.xls").string());
  w.BeginWorkbook();
  TxlsSheetHead head;
  head.Background = (folder / "paper.emf").string();
  try {
    w.BeginSheet(head);
    FAIL();
  } catch (const TabrinError& e) {
    EXPECT_NE(std::string(e.what()).find("EMF"), std::string::npos) << e.what();
  }
}

TEST_F(WriterBackground, IconEntriesAreDecodedBottomRowFirst) {
  // A 2 x 2 icon of 32-bit pixels (rows bottom-up: blue, green; red, white)
  // and its transparency mask.
  Bytes ico = B({0, 0, 1, 0, 1, 0, 2, 2, 0, 0, 1, 0, 32, 0, 64, 0, 0, 0, 22, 0, 0, 0});
  const Bytes info = B({40, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  ico.insert(ico.end(), info.begin(), info.end());
  for (int v : {0xFF, 0, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}) ico.push_back(static_cast<std::uint8_t>(v));
  ico.resize(ico.size() + 8, 0);
  Save(folder / "mark.ico", ico);
  const auto bitmaps = test::RecordsWithId(SheetWithBackground((folder / "mark.ico").string()), 0x00E9);
  ASSERT_EQ(bitmaps.size(), 1u);
  EXPECT_SAME_BYTES(B({9, 0, 1, 0, 28, 0, 0, 0, 12, 0, 0, 0, 2, 0, 2, 0, 1, 0, 24, 0,
                       0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}),
                    bitmaps[0].body);
}

TEST_F(WriterBackground, GifsAreDrawnOverWhite) {
  Save(folder / "dot.gif", kGif1x1);  // its one pixel is transparent
  const auto records = SheetWithBackground((folder / "dot.gif").string());
  const auto bitmaps = test::RecordsWithId(records, 0x00E9);
  ASSERT_EQ(bitmaps.size(), 1u);
  EXPECT_SAME_BYTES(B({9, 0, 1, 0, 16, 0, 0, 0, 12, 0, 0, 0, 1, 0, 1, 0, 1, 0, 24, 0, 0xFF, 0xFF, 0xFF, 0}),
                    bitmaps[0].body);
}

}  // namespace
}  // namespace tabrin

namespace tabrin {
namespace {

TEST_F(WriterImages, RowsWithLargerFontsPushTheImageEndUp) {
  // A 40-pixel (600-twip) picture at row 1: over default rows (255 twips)
  // it ends in the third row (index 2); with a 20-point font measured in the
  // second row, that row is taller than the 345 twips left, so it ends there.
  Save(folder / "logo.png", EncodePng(Gradient(10, 40)));
  pictures.Add((folder / "logo.png").string());
  writer.BeginWorkbook();
  writer.SetPictures(pictures);
  writer.BeginSheet(TxlsSheetHead{});
  TxlsCellFormatRequest big;
  big.Font = TxlsFont();
  big.Font->Size = 20;
  const std::uint16_t xf = writer.Formats().GetOrCreate(big);
  writer.WriteLabelSst(1, 0, std::string_view("big"), xf);
  writer.MeasureRowHeight(xf, 1);
  writer.MeasureRowHeight(kDefaultXfIndex, 2);  // arial 10: not noted
  ASSERT_EQ(writer.RowHeights().size(), 1u);
  const int tall = writer.RowHeights().at(1);
  EXPECT_GT(tall, 255);
  const TxlsImage image = Image("Picture_0", 1, 1, "Logo");
  TxlsSheetTail tail;
  tail.Images.push_back(&image);
  writer.EndSheet(tail);
  const auto drawings = test::RecordsWithId(test::SplitRecords(writer.Stream().Bytes()), 0x00EC);
  ASSERT_EQ(drawings.size(), 1u);
  const Bytes& d = drawings[0].body;
  const std::size_t anchor = d.size() - 8 - 18;  // before the empty client data
  const std::uint16_t lastRow = GetU16(&d[anchor + 14]);
  EXPECT_GT(tall, 345);
  EXPECT_EQ(lastRow, 1);

  // The next sheet starts with no measured rows.
  writer.BeginSheet(test::Head(1, "Two"));
  EXPECT_TRUE(writer.RowHeights().empty());
  writer.EndSheet();
}

}  // namespace
}  // namespace tabrin
