#pragma once
// TRowStore: the rows of a fully fetched result, kept compactly.
//
// A static query holds every row of its result for as long as it is open; a
// vector of TValue per row costs about 40 bytes a value plus a heap block per
// longer text, several times the data itself.  The store encodes each row into
// large shared blocks (a tag byte per value, 8 bytes for numbers, a length and
// the bytes for texts) and decodes one row when it is asked for.
//
//   TRowStore rows;
//   rows.push_back(TRow{TValue::Text("001"), TValue::Float(1.5)});
//   TRow row = rows[0];            // decoded copy
//   rows.Replace(0, std::move(row));
//
// A text that many rows hold (a workbook's shared string) is kept once: the
// rows name it by the number AddSharedText gave it, so a thousand references
// to one long text cost a thousand numbers, not a thousand copies.
//
//   const std::uint32_t note = rows.AddSharedText(longText);
//   std::vector<std::uint32_t> shared(2, TRowStore::kNotShared);
//   shared[1] = note;
//   rows.push_back(TRow{TValue::Text("001"), TValue()}, shared);  // row[1] reads longText
//
// A backend that reads a result cell by cell appends each value straight from
// its own buffers, without a TValue in between:
//
//   rows.BeginRow(2);
//   rows.AddText(std::string_view(text, length));
//   rows.AddFloat(1.5);
//   rows.EndRow();                 // exactly the values announced
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/value.h"

namespace tabrin {

using TRow = std::vector<TValue>;

class TRowStore {
 public:
  TRowStore() = default;
  TRowStore(std::initializer_list<TRow> rows);
  TRowStore(TRowStore&&) noexcept = default;
  TRowStore& operator=(TRowStore&&) noexcept = default;
  TRowStore(const TRowStore&) = delete;
  TRowStore& operator=(const TRowStore&) = delete;

  void reserve(std::size_t rows) { locations_.reserve(rows); }
  void push_back(const TRow& row);
  static constexpr std::uint32_t kNotShared = 0xFFFFFFFF;
  std::uint32_t AddSharedText(std::string_view text);
  // row[i] is replaced by shared text sharedTexts[i] wherever that is not
  // kNotShared; sharedTexts has one entry per value of the row.
  void push_back(const TRow& row, std::span<const std::uint32_t> sharedTexts);
  std::size_t size() const { return locations_.size(); }
  bool empty() const { return locations_.empty(); }
  void clear();

  TRow operator[](std::size_t index) const;
  void Decode(std::size_t index, TRow& out) const;
  // Rewrites one row (its old bytes stay unused until the store is cleared).
  void Replace(std::size_t index, const TRow& row);

  // Row by row, value by value (see above).
  void BeginRow(std::size_t values);
  void AddNull();
  void AddText(std::string_view text);
  void AddInteger(std::int64_t value);
  void AddFloat(double value);
  void AddDateTime(double serial);
  void AddBoolean(bool value);
  void EndRow();

 private:
  struct Location {
    std::uint32_t block;
    std::uint32_t offset;
  };
  Location Encode(const TRow& row, std::span<const std::uint32_t> sharedTexts = {});
  // Room for `need` more bytes at the end of the last block.
  void Reserve(std::size_t need);

  static constexpr std::size_t kFirstBlockSize = 1 << 10;
  static constexpr std::size_t kBlockSize = 1 << 20;
  struct Block {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t size = 0;
    std::size_t capacity = 0;
  };
  std::vector<Block> blocks_;
  std::vector<Location> locations_;
  std::vector<std::string> sharedTexts_;
  // The row being added value by value, encoded, until EndRow copies it in.
  std::vector<unsigned char> pending_;
};

}  // namespace tabrin
