#pragma once
// The MD4 message digest (RFC 1320).  The Office Drawing picture store
// identifies each picture by the MD4 digest of its data.
#include <array>
#include <cstddef>
#include <cstdint>

namespace tabrin {

std::array<std::uint8_t, 16> Md4Digest(const std::uint8_t* data, std::size_t size);

}  // namespace tabrin
