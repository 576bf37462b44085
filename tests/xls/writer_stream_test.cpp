// The writer's memory stream: a gap opened anywhere, in a stream of several
// chunks, leaves every byte before and after it where a plain byte array
// would have it, whichever side of the gap is moved; writes, seeks and reads
// afterwards see one stream.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "xls/biff8/xls_stream.h"

namespace tabrin {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t size, unsigned seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 131 + seed) >> 3);
  return bytes;
}

TEST(WriterStream, GapsOpenedAnywhereKeepEveryOtherByteInItsPlace) {
  constexpr std::size_t kChunk = TxlsMemoryStream::kChunkSize;
  const struct {
    std::size_t size, position, gap;
  } cases[] = {
      {3 * kChunk + 100, 700, 5000},              // a small gap near the front
      {3 * kChunk + 100, 700, 2 * kChunk + 9},     // a gap longer than a chunk near the front
      {3 * kChunk + 100, 3 * kChunk - 5, 5000},    // near the end
      {2 * kChunk, kChunk, 1},                    // in the middle
      {kChunk - 1, 0, kChunk},                    // at the very start
      {0, 0, 300},                                // into an empty stream
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " " << c.position << " " << c.gap);
    Bytes expected = Pattern(c.size, 1);
    TxlsMemoryStream stream;
    ASSERT_EQ(stream.Write(expected.data(), expected.size()), expected.size());
    const Bytes filler = Pattern(c.gap, 7);
    stream.Insert(c.position, filler.data(), filler.size());
    expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(c.position), filler.begin(), filler.end());
    EXPECT_EQ(stream.Position(), c.position + c.gap);
    EXPECT_EQ(stream.Size(), expected.size());
    EXPECT_TRUE(stream.Bytes() == expected);

    // A second gap, then writes over and after the content.
    stream.InsertGap(c.position / 2, 10);
    stream.Seek(static_cast<std::int64_t>(c.position / 2), TSeekOrigin::soBeginning);
    const Bytes ten = Pattern(10, 3);
    stream.Write(ten.data(), ten.size());
    expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(c.position / 2), ten.begin(), ten.end());
    stream.Seek(0, TSeekOrigin::soEnd);
    const Bytes tail = Pattern(kChunk / 3, 5);
    stream.Write(tail.data(), tail.size());
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_TRUE(stream.Bytes() == expected);

    Bytes visited;
    stream.ForEachBlock([&](const std::uint8_t* p, std::size_t n) { visited.insert(visited.end(), p, p + n); });
    EXPECT_TRUE(visited == expected);
    Bytes read(expected.size());
    stream.Seek(0, TSeekOrigin::soBeginning);
    EXPECT_EQ(stream.Read(read.data(), read.size()), expected.size());
    EXPECT_TRUE(read == expected);
  }
}

}  // namespace
}  // namespace tabrin
