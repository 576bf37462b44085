// The sheet's background picture: BITMAP with the picture's pixels as a
// 24-bit device-independent bitmap (rows bottom-up, 3 bytes per pixel in
// blue-green-red order, rows padded to 4 bytes), continued in CONTINUE
// records.  Transparent pixels are drawn over white.
#include <algorithm>
#include <filesystem>

#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"
#include "xls/biff8/biff_record.h"
#include "xls/biff8/drawing/picture_file.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin {
namespace {

// The BITMAP record's picture format and environment: a bitmap, Windows.
constexpr std::uint16_t kBitmapFormat = 0x0009;
constexpr std::uint16_t kWindowsEnvironment = 0x0001;
constexpr std::uint32_t kBitmapCoreHeaderSize = 12;
constexpr std::size_t kFirstPixelBytes = 8200;
constexpr std::size_t kContinuePixelBytes = 8212;

std::vector<std::uint8_t> BottomUpBgr(const TxlsRgbaImage& image) {
  const std::size_t width = static_cast<std::size_t>(image.Width);
  const std::size_t stride = (3 * width + 3) / 4 * 4;
  std::vector<std::uint8_t> rows(stride * static_cast<std::size_t>(image.Height), 0);
  for (std::size_t y = 0; y < static_cast<std::size_t>(image.Height); ++y) {
    const std::uint8_t* from = image.Pixels.data() + 4 * width * (static_cast<std::size_t>(image.Height) - 1 - y);
    std::uint8_t* to = rows.data() + stride * y;
    for (std::size_t x = 0; x < width; ++x, from += 4, to += 3) {
      const unsigned alpha = from[3];
      const auto over_white = [&](std::uint8_t c) {
        return static_cast<std::uint8_t>((c * alpha + 255 * (255 - alpha) + 127) / 255);
      };
      to[0] = over_white(from[2]);
      to[1] = over_white(from[1]);
      to[2] = over_white(from[0]);
    }
  }
  return rows;
}

}  // namespace

void TxlsWorkbookWriter::WriteBackground(const std::string& fileName) {
  const TxlsPictureKind kind = PictureKindOfFile(fileName);
  // PNG is not a kind the background takes.
  if (kind == TxlsPictureKind::Png) return;
  if (kind == TxlsPictureKind::Unknown) {
    throw TabrinError(FormatMessage(Tr("The background picture %s is not a JPEG, GIF, BMP or ICO file"), {fileName}));
  }
  std::error_code error;
  if (!std::filesystem::is_regular_file(fileName, error)) {
    throw TabrinError(FormatMessage(Tr("The background picture %s does not exist"), {fileName}));
  }
  const TxlsRgbaImage image = DecodePicture(kind, ReadPictureFile(fileName), fileName);
  if (image.Width > 0xFFFF || image.Height > 0xFFFF) {
    throw TabrinError(FormatMessage(Tr("The background picture %s is larger than 65535 pixels"), {fileName}));
  }
  const std::vector<std::uint8_t> pixels = BottomUpBgr(image);
  if (pixels.size() > 0xFFFFFFFFu - 12) {
    throw TabrinError(FormatMessage(Tr("The background picture %s is too large"), {fileName}));
  }

  const std::size_t first = std::min(pixels.size(), kFirstPixelBytes);
  std::uint8_t* body = ClearBuffer(20 + first);
  PutU16(body + 0, kBitmapFormat);
  PutU16(body + 2, kWindowsEnvironment);
  PutU32(body + 4, static_cast<std::uint32_t>(pixels.size() + kBitmapCoreHeaderSize));
  PutU32(body + 8, kBitmapCoreHeaderSize);
  PutU16(body + 12, static_cast<std::uint16_t>(image.Width));
  PutU16(body + 14, static_cast<std::uint16_t>(image.Height));
  PutU16(body + 16, 1);   // planes
  PutU16(body + 18, 24);  // bits per pixel
  std::copy(pixels.begin(), pixels.begin() + static_cast<long>(first), body + 20);
  WriteRecord(biff::kBitmap, static_cast<std::uint16_t>(20 + first));
  for (std::size_t at = first; at < pixels.size(); at += kContinuePixelBytes) {
    const std::size_t n = std::min(kContinuePixelBytes, pixels.size() - at);
    std::copy(pixels.begin() + static_cast<long>(at), pixels.begin() + static_cast<long>(at + n), ClearBuffer(n));
    WriteRecord(biff::kContinue, static_cast<std::uint16_t>(n));
  }
}

}  // namespace tabrin
