#include "xls/biff8/drawing/picture_file.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"
#include "xls/biff8/biff_record.h"

namespace tabrin {
namespace {

[[noreturn]] void RaiseNotDecodable(TxlsPictureKind kind, const std::string& fileName) {
  if (kind == TxlsPictureKind::Wmf || kind == TxlsPictureKind::Emf) {
    throw TabrinError(FormatMessage(Tr("The picture %s is a %s drawing, which cannot be drawn on this system"),
                                    {fileName, PictureKindName(kind)}));
  }
  throw TabrinError(FormatMessage(Tr("The picture %s is not a %s picture that can be read"), {fileName, PictureKindName(kind)}));
}

// The largest image of an icon file, as a file stb_image can decode: a PNG
// as it is, a device-independent bitmap behind a bitmap file header (its
// height halved: the icon's transparency mask follows the colours).
std::vector<std::uint8_t> IconAsDecodable(const std::vector<std::uint8_t>& ico, const std::string& fileName) {
  if (ico.size() < 6 || GetU16(&ico[0]) != 0 || GetU16(&ico[2]) != 1) RaiseNotDecodable(TxlsPictureKind::Ico, fileName);
  const std::size_t count = GetU16(&ico[4]);
  std::size_t best = 0, bestArea = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = 6 + 16 * i;
    if (entry + 16 > ico.size()) break;
    const std::size_t w = ico[entry] == 0 ? 256 : ico[entry];
    const std::size_t h = ico[entry + 1] == 0 ? 256 : ico[entry + 1];
    if (w * h > bestArea) {
      bestArea = w * h;
      best = entry;
    }
  }
  if (bestArea == 0) RaiseNotDecodable(TxlsPictureKind::Ico, fileName);
  const std::size_t size = GetU32(&ico[best + 8]);
  const std::size_t offset = GetU32(&ico[best + 12]);
  if (offset > ico.size() || size > ico.size() - offset || size < 40) RaiseNotDecodable(TxlsPictureKind::Ico, fileName);
  const std::uint8_t* image = ico.data() + offset;
  if (std::memcmp(image, "\x89PNG", 4) == 0) return {image, image + size};

  const std::uint32_t headerSize = GetU32(image);
  const std::uint16_t bitCount = GetU16(image + 14);
  std::uint32_t colours = GetU32(image + 32);
  if (colours == 0 && bitCount <= 8) colours = 1u << bitCount;
  if (headerSize < 40 || headerSize > size) RaiseNotDecodable(TxlsPictureKind::Ico, fileName);
  std::vector<std::uint8_t> bmp(14, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  PutU32(&bmp[2], static_cast<std::uint32_t>(14 + size));
  PutU32(&bmp[10], 14 + headerSize + 4 * colours);
  bmp.insert(bmp.end(), image, image + size);
  const std::int32_t doubled = static_cast<std::int32_t>(GetU32(&bmp[14 + 8]));
  PutU32(&bmp[14 + 8], static_cast<std::uint32_t>(doubled / 2));
  PutU32(&bmp[14 + 20], 0);  // image size: let the decoder work it out
  return bmp;
}

}  // namespace

std::vector<std::uint8_t> ReadPictureFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) {
    throw TabrinError(FormatMessage(Tr("Cannot read the picture %s: %s"), {fileName, std::strerror(errno)}));
  }
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw TabrinError(FormatMessage(Tr("Cannot read the picture %s"), {fileName}));
  return bytes;
}

TxlsPixelSize PictureSize(TxlsPictureKind kind, const std::vector<std::uint8_t>& bytes, const std::string& fileName) {
  if (kind == TxlsPictureKind::Gif) {
    if (bytes.size() < 10 || std::memcmp(bytes.data(), "GIF", 3) != 0) RaiseNotDecodable(kind, fileName);
    return {GetU16(&bytes[6]), GetU16(&bytes[8])};
  }
  if (kind == TxlsPictureKind::Wmf || kind == TxlsPictureKind::Emf || kind == TxlsPictureKind::Unknown) {
    RaiseNotDecodable(kind, fileName);
  }
  const std::vector<std::uint8_t> decodable = kind == TxlsPictureKind::Ico ? IconAsDecodable(bytes, fileName) : bytes;
  int width = 0, height = 0, channels = 0;
  if (decodable.size() > 0x7FFFFFFF ||
      stbi_info_from_memory(decodable.data(), static_cast<int>(decodable.size()), &width, &height, &channels) == 0) {
    RaiseNotDecodable(kind, fileName);
  }
  return {width, height};
}

TxlsRgbaImage DecodePicture(TxlsPictureKind kind, const std::vector<std::uint8_t>& bytes, const std::string& fileName) {
  if (kind == TxlsPictureKind::Wmf || kind == TxlsPictureKind::Emf || kind == TxlsPictureKind::Unknown) {
    RaiseNotDecodable(kind, fileName);
  }
  const std::vector<std::uint8_t> decodable = kind == TxlsPictureKind::Ico ? IconAsDecodable(bytes, fileName) : bytes;
  if (decodable.size() > 0x7FFFFFFF) RaiseNotDecodable(kind, fileName);
  int width = 0, height = 0, channels = 0;
  stbi_uc* pixels =
      stbi_load_from_memory(decodable.data(), static_cast<int>(decodable.size()), &width, &height, &channels, 4);
  if (pixels == nullptr) RaiseNotDecodable(kind, fileName);
  TxlsRgbaImage image;
  image.Width = width;
  image.Height = height;
  image.Pixels.assign(pixels, pixels + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  stbi_image_free(pixels);
  return image;
}

std::vector<std::uint8_t> EncodePng(const TxlsRgbaImage& image) {
  std::vector<std::uint8_t> png;
  const auto append = [](void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
  };
  if (stbi_write_png_to_func(append, &png, image.Width, image.Height, 4, image.Pixels.data(), image.Width * 4) == 0) {
    throw TabrinError(Tr("Cannot convert a picture to PNG"));
  }
  return png;
}

}  // namespace tabrin
