#include "xls/biff8/drawing/md4.h"

#include <vector>

namespace tabrin {
namespace {

std::uint32_t Rotate(std::uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }
std::uint32_t F(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return (x & y) | (~x & z); }
std::uint32_t G(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return (x & y) | (x & z) | (y & z); }
std::uint32_t H(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ y ^ z; }

void Block(std::uint32_t state[4], const std::uint8_t* block) {
  std::uint32_t x[16];
  for (int i = 0; i < 16; ++i) {
    x[i] = static_cast<std::uint32_t>(block[4 * i]) | (static_cast<std::uint32_t>(block[4 * i + 1]) << 8) |
           (static_cast<std::uint32_t>(block[4 * i + 2]) << 16) | (static_cast<std::uint32_t>(block[4 * i + 3]) << 24);
  }
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  static constexpr int kRound1[4] = {3, 7, 11, 19};
  for (int i = 0; i < 16; ++i) {
    const std::uint32_t t = Rotate(a + F(b, c, d) + x[i], kRound1[i % 4]);
    a = d; d = c; c = b; b = t;
  }
  static constexpr int kRound2[4] = {3, 5, 9, 13};
  static constexpr int kOrder2[16] = {0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15};
  for (int i = 0; i < 16; ++i) {
    const std::uint32_t t = Rotate(a + G(b, c, d) + x[kOrder2[i]] + 0x5A827999u, kRound2[i % 4]);
    a = d; d = c; c = b; b = t;
  }
  static constexpr int kRound3[4] = {3, 9, 11, 15};
  static constexpr int kOrder3[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
  for (int i = 0; i < 16; ++i) {
    const std::uint32_t t = Rotate(a + H(b, c, d) + x[kOrder3[i]] + 0x6ED9EBA1u, kRound3[i % 4]);
    a = d; d = c; c = b; b = t;
  }
  state[0] += a; state[1] += b; state[2] += c; state[3] += d;
}

}  // namespace

std::array<std::uint8_t, 16> Md4Digest(const std::uint8_t* data, std::size_t size) {
  std::uint32_t state[4] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u};
  std::size_t whole = size - size % 64;
  for (std::size_t at = 0; at < whole; at += 64) Block(state, data + at);
  // Padding: 0x80, zeros, and the length in bits (64-bit little-endian).
  std::vector<std::uint8_t> tail;
  if (size > whole) tail.assign(data + whole, data + size);
  tail.push_back(0x80);
  while (tail.size() % 64 != 56) tail.push_back(0);
  const std::uint64_t bits = static_cast<std::uint64_t>(size) * 8;
  for (int i = 0; i < 8; ++i) tail.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
  for (std::size_t at = 0; at < tail.size(); at += 64) Block(state, tail.data() + at);
  std::array<std::uint8_t, 16> digest{};
  for (int i = 0; i < 4; ++i) {
    for (int k = 0; k < 4; ++k) digest[static_cast<std::size_t>(4 * i + k)] = static_cast<std::uint8_t>(state[i] >> (8 * k));
  }
  return digest;
}

}  // namespace tabrin
