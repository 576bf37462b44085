// Writes the pictures the examples place: run once, from this folder, when
// they need to change (c++ make_media.cpp -I/usr/include/stb -lstb).
#include <stb_image_write.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// A picture of w x h pixels: a diagonal colour ramp with a dark frame.
std::vector<std::uint8_t> Ramp(int w, int h, int r0, int g0, int b0) {
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool frame = x < 2 || y < 2 || x >= w - 2 || y >= h - 2;
      const int t = (x + y) * 255 / (w + h);
      rgb.push_back(static_cast<std::uint8_t>(frame ? 40 : (r0 + t) / 2));
      rgb.push_back(static_cast<std::uint8_t>(frame ? 40 : (g0 + 255 - t) / 2));
      rgb.push_back(static_cast<std::uint8_t>(frame ? 40 : b0));
    }
  }
  return rgb;
}

// An uncompressed GIF: 7-bit codes with a clear code before the table grows.
void WriteGif(const char* name, int w, int h) {
  std::FILE* f = std::fopen(name, "wb");
  const std::uint8_t head[] = {'G', 'I', 'F', '8', '9', 'a', static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8),
                               static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8), 0xF5, 0, 0};
  std::fwrite(head, 1, sizeof head, f);
  for (int i = 0; i < 64; ++i) {  // 64 greens
    const std::uint8_t c[3] = {static_cast<std::uint8_t>(i * 2), static_cast<std::uint8_t>(100 + i * 2), 60};
    std::fwrite(c, 1, 3, f);
  }
  const std::uint8_t image[] = {0x2C, 0, 0, 0, 0, static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8),
                                static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8), 0, 6};
  std::fwrite(image, 1, sizeof image, f);
  // Codes of 7 bits: 0..63 colours, 64 clear, 65 end.
  std::vector<std::uint8_t> bytes;
  std::uint32_t buffer = 0;
  int bits = 0;
  const auto put = [&](int code) {
    buffer |= static_cast<std::uint32_t>(code) << bits;
    bits += 7;
    while (bits >= 8) {
      bytes.push_back(static_cast<std::uint8_t>(buffer));
      buffer >>= 8;
      bits -= 8;
    }
  };
  int sinceClear = 0;
  put(64);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (sinceClear == 60) {
        put(64);
        sinceClear = 0;
      }
      put(((x / 4) + (y / 4)) % 2 == 0 ? (x * 63 / w) : 63 - (y * 63 / h));
      ++sinceClear;
    }
  }
  put(65);
  if (bits > 0) bytes.push_back(static_cast<std::uint8_t>(buffer));
  for (std::size_t at = 0; at < bytes.size(); at += 255) {
    const std::size_t n = bytes.size() - at < 255 ? bytes.size() - at : 255;
    std::fputc(static_cast<int>(n), f);
    std::fwrite(bytes.data() + at, 1, n, f);
  }
  std::fputc(0, f);
  std::fputc(0x3B, f);
  std::fclose(f);
}

}  // namespace

int main() {
  const auto logo = Ramp(120, 40, 255, 80, 200);
  stbi_write_png("logo.png", 120, 40, 3, logo.data(), 120 * 3);
  const auto photo = Ramp(160, 100, 200, 200, 60);
  stbi_write_jpg("shelf.jpg", 160, 100, 3, photo.data(), 85);
  const auto paper = Ramp(64, 64, 250, 250, 235);
  stbi_write_bmp("paper.bmp", 64, 64, 3, paper.data());
  WriteGif("badge.gif", 48, 48);
  return 0;
}
