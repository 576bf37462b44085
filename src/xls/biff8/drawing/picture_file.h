#pragma once
// Picture files: reading them, their size in pixels and their decoded
// pixels.  JPEG, PNG, GIF and BMP are decoded by stb_image; an ICO's
// largest entry is a PNG or a device-independent bitmap, handed to the same
// decoder.  WMF and EMF are drawings that need a metafile renderer, which
// this system does not have: asking for their pixels or size raises an
// error that names the kind.
#include <cstdint>
#include <string>
#include <vector>

#include "xls/model/drawing_objects.h"

namespace tabrin {

// The whole file; raises "Cannot read the picture <file>: <reason>".
std::vector<std::uint8_t> ReadPictureFile(const std::string& fileName);

struct TxlsPixelSize {
  int Width = 0;
  int Height = 0;
};

// Width and height in pixels (a GIF from its header).  Raises for a file
// that is not a picture of that kind, and for WMF and EMF.
TxlsPixelSize PictureSize(TxlsPictureKind kind, const std::vector<std::uint8_t>& bytes, const std::string& fileName);

// Pixels, top row first, 4 bytes each (red, green, blue, alpha).
struct TxlsRgbaImage {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Pixels;
};

TxlsRgbaImage DecodePicture(TxlsPictureKind kind, const std::vector<std::uint8_t>& bytes, const std::string& fileName);

// A PNG file of the image.
std::vector<std::uint8_t> EncodePng(const TxlsRgbaImage& image);

}  // namespace tabrin
