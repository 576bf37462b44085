#pragma once
// SHA-256 of bytes and of files, as lower-case hexadecimal text; the import
// journal names each workbook by it, so that a clerk can tell which version
// of a file was imported.
//
//   Sha256Hex("abc") == "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"
#include <cstdint>
#include <string>
#include <string_view>

namespace tabrin {

class TSha256 {
 public:
  TSha256();
  void Add(std::string_view bytes);
  std::string HexDigest();  // finishes the hash; Add may not be called after

 private:
  void Block(const unsigned char* block);
  std::uint32_t state_[8];
  unsigned char pending_[64];
  std::size_t pendingSize_ = 0;
  std::uint64_t totalBytes_ = 0;
};

std::string Sha256Hex(std::string_view bytes);
// Raises "Cannot read file '%s'" when the file cannot be read.
std::string FileSha256Hex(const std::string& path);

}  // namespace tabrin
