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
// Texts already kept in a text pool (a workbook's shared strings, a sheet's
// own cell texts) are not copied: the store keeps the pool alive and the rows
// name a text by its number, counted through the pools in the order they were
// added.  A thousand references to one long text cost a thousand numbers, and
// a sheet of long texts is held once, not once in the sheet and again here.
//
//   const std::uint32_t first = rows.AddTextPool(pool);   // pool->At(0) is number `first`
//   std::vector<std::uint32_t> pooled(2, TRowStore::kNotPooled);
//   pooled[1] = first + 3;
//   rows.push_back(TRow{TValue::Text("001"), TValue()}, pooled);  // row[1] reads pool->At(3)
//
// A backend that reads a result cell by cell appends each value straight from
// its own buffers, without a TValue in between:
//
//   rows.BeginRow(3);
//   rows.AddText(std::string_view(text, length));
//   rows.AddFloat(1.5);
//   rows.AddPooledText(first + 3);
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
#include "text/text_pool.h"

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
  static constexpr std::uint32_t kNotPooled = 0xFFFFFFFF;
  // Keeps the pool for as long as the store holds rows; gives the number of
  // its first text (an empty or null pool adds no numbers).
  std::uint32_t AddTextPool(std::shared_ptr<const TTextPool> pool);
  // row[i] is replaced by pooled text pooledTexts[i] wherever that is not
  // kNotPooled; pooledTexts has one entry per value of the row.
  void push_back(const TRow& row, std::span<const std::uint32_t> pooledTexts);
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
  void AddPooledText(std::uint32_t number);  // as pooledTexts above
  void AddInteger(std::int64_t value);
  void AddFloat(double value);
  void AddDateTime(double serial);
  void AddBoolean(bool value);
  void AddValue(const TValue& value);  // by its type, one of the above
  void EndRow();

 private:
  struct Location {
    std::uint32_t block;
    std::uint32_t offset;
  };
  Location Encode(const TRow& row, std::span<const std::uint32_t> pooledTexts = {});
  std::string_view PooledText(std::uint64_t number) const;
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
  struct TextPool {
    std::uint32_t base;  // the number of its first text
    std::shared_ptr<const TTextPool> texts;
  };
  std::vector<TextPool> textPools_;
  std::uint32_t pooledCount_ = 0;
  // The row being added value by value, encoded, until EndRow copies it in:
  // its first pendingSize_ bytes.
  std::vector<unsigned char> pending_;
  std::size_t pendingSize_ = 0;
  unsigned char* PendingRoom(std::size_t need);
  void Pended(const unsigned char* end);
  void AddNumber(unsigned char tag, const void* value);
};

}  // namespace tabrin
