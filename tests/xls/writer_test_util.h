#pragma once
// Helpers of the writer tests: byte vectors, records of a workbook stream,
// and a comparison that names the first differing byte and its record.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include <unistd.h>

#include "text/error.h"
#include "xls/biff8/biff_record.h"
#include "xls/model/sheet_objects.h"
#include "xls/biff8/xls_stream.h"

namespace tabrin::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes B(std::initializer_list<int> values) {
  Bytes out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

struct Record {
  std::size_t offset;  // of the header
  std::uint16_t id;
  Bytes body;
};

// Splits a stream of BIFF records; a truncated last record keeps what is there.
inline std::vector<Record> SplitRecords(const Bytes& stream) {
  std::vector<Record> records;
  std::size_t at = 0;
  while (at + 4 <= stream.size()) {
    const std::uint16_t id = GetU16(&stream[at]);
    const std::size_t length = GetU16(&stream[at + 2]);
    const std::size_t end = std::min(stream.size(), at + 4 + length);
    records.push_back({at, id, Bytes(stream.begin() + static_cast<long>(at + 4), stream.begin() + static_cast<long>(end))});
    at = at + 4 + length;
  }
  return records;
}

inline std::string Hex(std::uint32_t v, int digits) {
  static const char* kDigits = "0123456789ABCDEF";
  std::string s(static_cast<std::size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, v >>= 4) s[static_cast<std::size_t>(i)] = kDigits[v & 0xF];
  return s;
}

// Empty when equal; else the first differing offset and the record (id and
// index in the expected stream) it falls in.
inline std::string DescribeStreamDifference(const Bytes& expected, const Bytes& actual) {
  std::size_t at = 0;
  while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
  if (at == expected.size() && at == actual.size()) return "";
  std::string where = "first difference at offset " + std::to_string(at);
  const auto records = SplitRecords(expected);
  for (std::size_t i = 0; i < records.size(); ++i) {
    const Record& r = records[i];
    if (at >= r.offset && at < r.offset + 4 + r.body.size()) {
      where += ", in record #" + std::to_string(i) + " id 0x" + Hex(r.id, 4) + " at byte " +
               std::to_string(at - r.offset);
      break;
    }
  }
  where += "; expected " + (at < expected.size() ? "0x" + Hex(expected[at], 2) : std::string("end")) +
           ", actual " + (at < actual.size() ? "0x" + Hex(actual[at], 2) : std::string("end")) +
           " (sizes " + std::to_string(expected.size()) + " / " + std::to_string(actual.size()) + ")";
  return where;
}

#define EXPECT_SAME_BYTES(expected, actual) \
  EXPECT_EQ("", ::tabrin::test::DescribeStreamDifference((expected), (actual)))

inline TxlsSheetHead Head(int sheetIndex, std::string title) {
  TxlsSheetHead head;
  head.SheetIndex = sheetIndex;
  head.Title = std::move(title);
  return head;
}

inline TxlsCell Cell(TxlsCellType type, std::uint16_t col, std::uint16_t row, TxlsCellValue value) {
  TxlsCell cell;
  cell.CellType = type;
  cell.Col = col;
  cell.Row = row;
  cell.Value = std::move(value);
  return cell;
}

// A record as it stands in the stream: id, length, body.
inline Bytes RecordBytes(std::uint16_t id, const Bytes& body) {
  Bytes out{static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
            static_cast<std::uint8_t>(body.size()), static_cast<std::uint8_t>(body.size() >> 8)};
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

inline std::vector<Record> RecordsWithId(const std::vector<Record>& records, std::uint16_t id) {
  std::vector<Record> out;
  for (const Record& r : records) {
    if (r.id == id) out.push_back(r);
  }
  return out;
}

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    // The process id keeps test programs that CTest runs side by side apart:
    // under AddressSanitizer their objects sit at the same addresses.
    path_ = std::filesystem::temp_directory_path() /
            ("tabrin-writer-" + std::to_string(::getpid()) + "-" +
             std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
             std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  const std::filesystem::path& Path() const { return path_; }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename().string());
    return names;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace tabrin::test
