#include "db/row_store.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tabrin {

namespace {

enum Tag : unsigned char { kNull, kText, kInteger, kFloat, kDateTime, kFalse, kTrue, kPooledText };

void PutVarint(unsigned char*& p, std::uint64_t v) {
  while (v >= 0x80) {
    *p++ = static_cast<unsigned char>(v | 0x80);
    v >>= 7;
  }
  *p++ = static_cast<unsigned char>(v);
}

std::uint64_t GetVarint(const unsigned char*& p) {
  std::uint64_t v = 0;
  int shift = 0;
  while (*p & 0x80) {
    v |= static_cast<std::uint64_t>(*p++ & 0x7F) << shift;
    shift += 7;
  }
  v |= static_cast<std::uint64_t>(*p++) << shift;
  return v;
}

bool IsPooled(std::span<const std::uint32_t> pooledTexts, std::size_t i) {
  return i < pooledTexts.size() && pooledTexts[i] != TRowStore::kNotPooled;
}

std::size_t EncodedSize(const TRow& row, std::span<const std::uint32_t> pooledTexts) {
  std::size_t size = 10;
  for (std::size_t i = 0; i < row.size(); ++i) {
    const TValue& v = row[i];
    size += 1;
    if (IsPooled(pooledTexts, i)) {
      size += 5;
      continue;
    }
    switch (v.Type()) {
      case TValueType::vtText:
        size += 10 + v.Text().size();
        break;
      case TValueType::vtInteger:
      case TValueType::vtFloat:
      case TValueType::vtDateTime:
        size += 8;
        break;
      default:
        break;
    }
  }
  return size;
}

template <typename T>
void PutRaw(unsigned char*& p, T value) {
  std::memcpy(p, &value, sizeof value);
  p += sizeof value;
}

template <typename T>
T GetRaw(const unsigned char*& p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  p += sizeof value;
  return value;
}

}  // namespace

TRowStore::TRowStore(std::initializer_list<TRow> rows) {
  for (const TRow& row : rows) push_back(row);
}

void TRowStore::clear() {
  blocks_.clear();
  locations_.clear();
  textPools_.clear();
  pooledCount_ = 0;
}

std::uint32_t TRowStore::AddTextPool(std::shared_ptr<const TTextPool> pool) {
  const std::uint32_t base = pooledCount_;
  if (pool == nullptr || pool->Count() == 0) return base;
  if (pool->Count() >= kNotPooled - base) throw std::length_error("too many texts for the row store");
  pooledCount_ = base + pool->Count();
  textPools_.push_back({base, std::move(pool)});
  return base;
}

std::string_view TRowStore::PooledText(std::uint64_t number) const {
  // Few pools (a workbook's shared strings and a sheet's own texts): the
  // last one that starts at or before the number holds it.
  for (auto pool = textPools_.rbegin(); pool != textPools_.rend(); ++pool) {
    if (number >= pool->base) return pool->texts->At(static_cast<std::uint32_t>(number - pool->base));
  }
  throw std::logic_error("corrupt row store");
}

void TRowStore::Reserve(std::size_t need) {
  if (blocks_.empty() || blocks_.back().capacity - blocks_.back().size < need) {
    // Blocks grow from small to kBlockSize, so that the many one-row results
    // of lookups stay cheap while large results fill few big blocks.
    Block block;
    const std::size_t grown = blocks_.empty() ? kFirstBlockSize : std::min(blocks_.back().capacity * 2, kBlockSize);
    block.capacity = std::max(need, grown);
    block.bytes.reset(new unsigned char[block.capacity]);
    blocks_.push_back(std::move(block));
  }
}

TRowStore::Location TRowStore::Encode(const TRow& row, std::span<const std::uint32_t> pooledTexts) {
  Reserve(EncodedSize(row, pooledTexts));
  Block& block = blocks_.back();
  const Location location{static_cast<std::uint32_t>(blocks_.size() - 1), static_cast<std::uint32_t>(block.size)};
  unsigned char* p = block.bytes.get() + block.size;
  PutVarint(p, row.size());
  for (std::size_t i = 0; i < row.size(); ++i) {
    const TValue& v = row[i];
    if (IsPooled(pooledTexts, i)) {
      if (pooledTexts[i] >= pooledCount_) throw std::out_of_range("no such pooled text in the row store");
      *p++ = kPooledText;
      PutVarint(p, pooledTexts[i]);
      continue;
    }
    switch (v.Type()) {
      case TValueType::vtNull:
        *p++ = kNull;
        break;
      case TValueType::vtText:
        *p++ = kText;
        PutVarint(p, v.Text().size());
        std::memcpy(p, v.Text().data(), v.Text().size());
        p += v.Text().size();
        break;
      case TValueType::vtInteger:
        *p++ = kInteger;
        PutRaw(p, v.Integer());
        break;
      case TValueType::vtFloat:
        *p++ = kFloat;
        PutRaw(p, v.Float());
        break;
      case TValueType::vtDateTime:
        *p++ = kDateTime;
        PutRaw(p, v.DateTime());
        break;
      case TValueType::vtBoolean:
        *p++ = v.Boolean() ? kTrue : kFalse;
        break;
    }
  }
  block.size = static_cast<std::size_t>(p - block.bytes.get());
  return location;
}

void TRowStore::push_back(const TRow& row) { locations_.push_back(Encode(row)); }

void TRowStore::push_back(const TRow& row, std::span<const std::uint32_t> pooledTexts) {
  locations_.push_back(Encode(row, pooledTexts));
}

void TRowStore::Replace(std::size_t index, const TRow& row) { locations_.at(index) = Encode(row); }

// The row being added value by value is written into pending_ through a
// pointer, as Encode writes a block: growing a vector byte by byte cost more
// than the values themselves on a wide result.
unsigned char* TRowStore::PendingRoom(std::size_t need) {
  if (pending_.size() - pendingSize_ < need) pending_.resize(std::max(pending_.size() * 2, pendingSize_ + need));
  return pending_.data() + pendingSize_;
}

void TRowStore::Pended(const unsigned char* end) { pendingSize_ = static_cast<std::size_t>(end - pending_.data()); }

void TRowStore::BeginRow(std::size_t values) {
  pendingSize_ = 0;
  unsigned char* p = PendingRoom(10);
  PutVarint(p, values);
  Pended(p);
}

void TRowStore::AddNull() {
  *PendingRoom(1) = kNull;
  ++pendingSize_;
}

void TRowStore::AddText(std::string_view text) {
  unsigned char* p = PendingRoom(11 + text.size());
  *p++ = kText;
  PutVarint(p, text.size());
  std::memcpy(p, text.data(), text.size());
  Pended(p + text.size());
}

void TRowStore::AddPooledText(std::uint32_t number) {
  if (number >= pooledCount_) throw std::out_of_range("no such pooled text in the row store");
  unsigned char* p = PendingRoom(6);
  *p++ = kPooledText;
  PutVarint(p, number);
  Pended(p);
}

void TRowStore::AddNumber(unsigned char tag, const void* value) {
  unsigned char* p = PendingRoom(9);
  *p++ = tag;
  std::memcpy(p, value, 8);
  Pended(p + 8);
}

void TRowStore::AddInteger(std::int64_t value) { AddNumber(kInteger, &value); }
void TRowStore::AddFloat(double value) { AddNumber(kFloat, &value); }
void TRowStore::AddDateTime(double serial) { AddNumber(kDateTime, &serial); }

void TRowStore::AddBoolean(bool value) {
  *PendingRoom(1) = value ? kTrue : kFalse;
  ++pendingSize_;
}

void TRowStore::AddValue(const TValue& value) {
  switch (value.Type()) {
    case TValueType::vtNull: return AddNull();
    case TValueType::vtText: return AddText(value.Text());
    case TValueType::vtInteger: return AddInteger(value.Integer());
    case TValueType::vtFloat: return AddFloat(value.Float());
    case TValueType::vtDateTime: return AddDateTime(value.DateTime());
    case TValueType::vtBoolean: return AddBoolean(value.Boolean());
  }
}

void TRowStore::EndRow() {
  Reserve(pendingSize_);
  Block& block = blocks_.back();
  std::memcpy(block.bytes.get() + block.size, pending_.data(), pendingSize_);
  locations_.push_back({static_cast<std::uint32_t>(blocks_.size() - 1), static_cast<std::uint32_t>(block.size)});
  block.size += pendingSize_;
}

void TRowStore::Decode(std::size_t index, TRow& out) const {
  const Location location = locations_.at(index);
  const unsigned char* p = blocks_[location.block].bytes.get() + location.offset;
  const std::size_t count = static_cast<std::size_t>(GetVarint(p));
  // Decoding row after row into the same vector: texts reuse their room.
  out.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    TValue& value = out[i];
    switch (*p++) {
      case kNull:
        value = TValue();
        break;
      case kText: {
        const std::size_t length = static_cast<std::size_t>(GetVarint(p));
        value.AssignText(std::string_view(reinterpret_cast<const char*>(p), length));
        p += length;
        break;
      }
      case kPooledText:
        value.AssignText(PooledText(GetVarint(p)));
        break;
      case kInteger:
        value = TValue::Integer(GetRaw<std::int64_t>(p));
        break;
      case kFloat:
        value = TValue::Float(GetRaw<double>(p));
        break;
      case kDateTime:
        value = TValue::DateTime(GetRaw<double>(p));
        break;
      case kFalse:
        value = TValue::Boolean(false);
        break;
      case kTrue:
        value = TValue::Boolean(true);
        break;
      default:
        throw std::logic_error("corrupt row store");
    }
  }
}

TRow TRowStore::operator[](std::size_t index) const {
  TRow row;
  Decode(index, row);
  return row;
}

}  // namespace tabrin
