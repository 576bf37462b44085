// The format model and its registries; text measurement.
#include <gtest/gtest.h>

#include "xls/model/format_registry.h"
#include "xls/biff8/sst_strings.h"
#include "xls/model/text_measure.h"
#include "xls/writer_test_util.h"

namespace tabrin {
namespace {

TEST(WriterFormatModel, DefaultsAndEquality) {
  TxlsFormat format;
  EXPECT_TRUE(format.IsDefault());
  TxlsFormat changed;
  changed.Font.Name = "Arial";
  EXPECT_FALSE(changed.IsDefault());
  EXPECT_FALSE(changed.Font.SameAs(format.Font));
  changed.Reset();
  EXPECT_TRUE(changed.IsDefault());

  TxlsFieldFormat source;
  source.Wrap = true;
  source.Fill.Pattern = ptSolid;
  source.FieldName = "Price";
  TxlsFormat target;
  target.FieldName = "Qty";
  target.Assign(source);
  EXPECT_TRUE(target.SameLook(source));
  EXPECT_EQ(target.FieldName, "Qty");
}

TEST(WriterFormatModel, Colours) {
  EXPECT_EQ(PaletteIndex(clrBlack), 8);
  EXPECT_EQ(PaletteIndex(clrYellow), 13);
  EXPECT_EQ(PaletteIndex(clrColor16), 39);
  EXPECT_EQ(ColorRgb(clrOrange), (TxlsRgb{0xFF, 0x66, 0x00}));
  // Every palette index 8..63 is used by exactly one colour.
  std::vector<int> seen(64, 0);
  for (int c = 0; c < kColorCount; ++c) ++seen[PaletteIndex(static_cast<TxlsColor>(c))];
  for (int i = 8; i < 64; ++i) EXPECT_EQ(seen[i], 1) << i;
  EXPECT_EQ(ColorFromPlatformRgb({0x80, 0x80, 0x80}), clrGray50Percent);
  EXPECT_EQ(ColorFromPlatformRgb({0xFF, 0x66, 0x00}), clrBlack);
}

TEST(WriterRegistries, IndicesAndReuse) {
  TxlsFormatRegistry registry;
  TxlsFormat bold;
  bold.Font.Style = xfsBold;
  auto request = [](const TxlsFormat& f, bool ownFont, std::optional<std::string> text) {
    return TxlsCellFormatRequest::From(f, ownFont, std::move(text));
  };
  EXPECT_EQ(registry.GetOrCreate(request(bold, true, std::nullopt)), 16);
  EXPECT_EQ(registry.Fonts[0].Index, 5);
  EXPECT_EQ(registry.GetOrCreate(request(bold, true, std::nullopt)), 16);
  EXPECT_EQ(registry.GetOrCreate(request(TxlsFormat(), false, "0.00")), 17);
  EXPECT_EQ(registry.GetOrCreate(request(TxlsFormat(), false, "0.00 ")), 18);
  EXPECT_EQ(registry.NumberFormats.Count(), 2u);
  EXPECT_EQ(registry.NumberFormats[1].Index, 51);
  // Same font and number format again, new fill: a new XF that reuses both.
  TxlsFormat boldYellow = bold;
  boldYellow.Fill.Background = clrYellow;
  EXPECT_EQ(registry.GetOrCreate(request(boldYellow, true, "0.00")), 19);
  EXPECT_EQ(registry.Fonts.Count(), 1u);
  EXPECT_EQ(registry.NumberFormats.Count(), 2u);
  // "Arial" and "arial" are different fonts.
  TxlsFormat capital;
  capital.Font.Name = "Arial";
  EXPECT_EQ(registry.GetOrCreate(request(capital, true, std::nullopt)), 20);
  EXPECT_EQ(registry.Fonts.Count(), 2u);
  EXPECT_EQ(registry.Fonts[1].Index, 6);
  EXPECT_EQ(registry.FontOf(20)->Name, "Arial");
  EXPECT_EQ(registry.FontOf(15), nullptr);
  EXPECT_EQ(registry.CellFormats.GetByIndex(17)->NumberFormat->Text, "0.00");
  EXPECT_EQ(registry.CellFormats.PositionOf(21), -1);
}

TEST(WriterRegistries, Caches) {
  TxlsFormatRegistry registry;
  registry.FieldCache.Add(0, "Price", 16);
  registry.FieldCache.Add(0, "PRICE", 17);  // already there
  EXPECT_EQ(registry.FieldCache.Lookup(0, "price"), 16);
  EXPECT_EQ(registry.FieldCache.Lookup(1, "Price"), kDefaultXfIndex);
  registry.StripeCache.Add(2, 1003, 18);
  EXPECT_EQ(registry.StripeCache.Lookup(2, 1003), 18);
  EXPECT_EQ(registry.StripeCache.Lookup(2, 3), kDefaultXfIndex);
}

// A stream that takes only part of each write.
class ShortStream : public TxlsMemoryStream {
 public:
  std::size_t Write(const void* data, std::size_t count) override {
    return TxlsMemoryStream::Write(data, count > 1 ? count - 1 : count);
  }
};

TEST(WriterRecordObjects, ShortWritesRaise) {
  ShortStream stream;
  TbiffCountry country(1, 1);
  try {
    country.SaveToStream(stream);
    ADD_FAILURE();
  } catch (const TabrinError& e) {
    EXPECT_STREQ(e.what(), "Error writing output file");
  }
  TsstStrings table;
  table.AddString(u"abc");
  EXPECT_THROW(table.SaveToStream(stream), TabrinError);
}

TEST(WriterMeasure, ScreenWidthsAtNinetySixDpi) {
  TxlsTextMeasurer& measurer = TxlsTextMeasurer::Shared();
  TxlsFont arial;
  EXPECT_EQ(measurer.TextWidth(arial, std::string_view("0")), 7);
  TxlsFont upper;
  upper.Name = "ARIAL";
  EXPECT_EQ(measurer.TextWidth(upper, std::string_view("0000000000")), 70);
  // Chinese characters are a full em wide (13 pixels at 10 points).
  EXPECT_EQ(measurer.TextWidth(arial, std::string_view("中文")), 26);
  EXPECT_EQ(measurer.TextWidth(arial, std::u16string_view(u"中文")), 26);
  TxlsFont big;
  big.Size = 20;
  EXPECT_GT(measurer.TextWidth(big, std::string_view("0")), 12);
  EXPECT_EQ(measurer.TextWidth(arial, std::string_view("")), 0);
}

}  // namespace
}  // namespace tabrin
