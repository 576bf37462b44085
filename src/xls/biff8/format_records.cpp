#include "xls/biff8/format_records.h"

#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"

namespace tabrin {
namespace {

std::u16string LimitedUtf16(const std::string& text, const char* what) {
  std::u16string wide = Utf8ToUtf16(text);
  // The records store the length in one byte (FONT) or as Excel's limit of
  // 255 characters (FORMAT); longer texts would give a corrupt file.
  if (wide.size() > 255) {
    throw TabrinError(FormatMessage(Tr("%s \"%s\" is longer than 255 characters"), {what, text}));
  }
  return wide;
}

constexpr std::uint8_t kUnderlineCodes[] = {0x00, 0x01, 0x02, 0x21, 0x22};

}  // namespace

std::unique_ptr<TbiffFont> MakeFontRecord(const TxlsFont& font) {
  auto record = std::make_unique<TbiffFont>(LimitedUtf16(font.Name, Tr("Font name")));
  record->SetHeight(static_cast<std::uint16_t>(font.Size * 20));
  record->SetOptions(static_cast<std::uint16_t>((font.Has(xfsItalic) ? 0x0002 : 0) |
                                                (font.Has(xfsStrikeOut) ? 0x0008 : 0)));
  record->SetColorIndex(PaletteIndex(font.Color));
  record->SetWeight(font.Has(xfsBold) ? 700 : 400);
  record->SetEscapement(font.Script);
  record->SetUnderline(font.Underline <= fulDoubleAccounting ? kUnderlineCodes[font.Underline] : 0);
  record->SetCharset(font.Charset);
  return record;
}

std::unique_ptr<TbiffFormat> MakeFormatRecord(const TxlsTextFormat& format) {
  return std::make_unique<TbiffFormat>(format.Index, LimitedUtf16(format.Text, Tr("Number format")));
}

std::unique_ptr<TbiffXF> MakeFixedXfRecord(int xfIndex) {
  auto record = std::make_unique<TbiffXF>();
  std::uint16_t font = 0;
  if (xfIndex == 1 || xfIndex == 2 || xfIndex == 15) font = 1;
  if (xfIndex == 3 || xfIndex == 4) font = 2;
  record->SetFontIndex(font);
  record->SetFormatIndex(0);
  record->SetTypeProtection(xfIndex == 15 ? 0x0001 : 0xFFF5);
  record->SetAlignment(0x0020);
  record->SetUsedAttributes(xfIndex == 0 || xfIndex == 15 ? 0x0000 : 0xF400);
  record->SetFillColors(0x20C0);
  return record;
}

std::unique_ptr<TbiffXF> MakeXfRecord(const TxlsXFormat& format) {
  auto record = MakeFixedXfRecord(15);
  record->SetFontIndex(format.Font ? format.Font->Index : 1);
  record->SetFormatIndex(format.NumberFormat ? format.NumberFormat->Index : 0);
  record->SetTypeProtection(0x0001);
  record->SetAlignment(static_cast<std::uint16_t>((format.Alignment.Horizontal & 0x7) |
                                                  (format.Wrap ? 0x0008 : 0) |
                                                  ((format.Alignment.Vertical & 0x7) << 4)));
  const TxlsBorders& b = format.Borders;
  std::uint16_t used = 0x1000 | 0x4000;
  if (format.Font) used |= 0x0800;
  if (b.AnyStyle()) used |= 0x2000;
  record->SetUsedAttributes(used);

  // A line adds its style and colour only when it is drawn.
  auto style = [](const TxlsBorder& line) -> std::uint32_t { return line.Style & 0xF; };
  auto color = [](const TxlsBorder& line) -> std::uint32_t {
    return line.Style != bstNone ? (PaletteIndex(line.Color) & 0x7F) : 0;
  };
  record->SetLineStyles(static_cast<std::uint16_t>(style(b.Left) | (style(b.Right) << 4) |
                                                   (style(b.Top) << 8) | (style(b.Bottom) << 12)));
  record->SetLineColors(static_cast<std::uint16_t>(color(b.Left) | (color(b.Right) << 7) |
                                                   (b.DiagDown.Style != bstNone ? 0x4000 : 0) |
                                                   (b.DiagUp.Style != bstNone ? 0x8000 : 0)));
  const TxlsBorder& diagonal = b.DiagDown.Style != bstNone ? b.DiagDown : b.DiagUp;
  record->SetTopBottomColors(color(b.Top) | (color(b.Bottom) << 7) | (color(diagonal) << 14) |
                             (style(diagonal) << 21) |
                             ((static_cast<std::uint32_t>(format.Fill.Pattern) & 0x3F) << 26));
  record->SetFillColors(static_cast<std::uint16_t>((PaletteIndex(format.Fill.Background) & 0x7F) |
                                                   ((PaletteIndex(format.Fill.Foreground) & 0x7F) << 7)));
  return record;
}

std::vector<std::unique_ptr<TbiffStyle>> MakeStyleRecords() {
  // XF field with bit 15 set (a built-in style), style number, outline 0xFF.
  static constexpr std::uint32_t kStyles[][2] = {
      {0x8010, 3}, {0x8011, 6}, {0x8012, 4}, {0x8013, 7}, {0x8000, 0}, {0x8014, 5}};
  std::vector<std::unique_ptr<TbiffStyle>> records;
  for (const auto& s : kStyles) {
    records.push_back(std::make_unique<TbiffStyle>(s[0] | (s[1] << 16) | (0xFFu << 24)));
  }
  return records;
}

std::vector<std::uint8_t> PaletteRecordBytes() {
  std::vector<std::uint8_t> bytes(230, 0);
  PutU16(bytes.data(), biff::kPalette);
  PutU16(bytes.data() + 2, 226);
  PutU16(bytes.data() + 4, 56);
  for (int index = 8; index < 64; ++index) {
    const TxlsRgb rgb = ColorRgb(ColorOfPaletteIndex(index));
    std::uint8_t* at = bytes.data() + 6 + 4 * (index - 8);
    at[0] = rgb.red;
    at[1] = rgb.green;
    at[2] = rgb.blue;
  }
  return bytes;
}

}  // namespace tabrin
