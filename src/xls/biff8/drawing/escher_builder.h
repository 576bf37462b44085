#pragma once
// Office Drawing ("escher") records as BIFF8 carries them in MSODRAWING and
// MSODRAWINGGROUP: every record starts with an 8-byte header (version in
// bits 0-3 and instance in bits 4-15 of a u16, record type u16, body length
// u32); containers (version 15) hold other records.
//
//   TEscherBuilder b;
//   const auto shape = b.BeginContainer(escher::kSpContainer);
//   b.Atom(escher::kSp, 2, escher::kShapeTypeTextBox, {...});
//   b.EndContainer(shape);          // fills in the container's length
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "xls/biff8/drawing/drawing_ids.h"

namespace tabrin {

// One entry of a property table.  An id with bit 15 set is complex: its
// value is the length of Data, which follows the fixed part of the table.
struct TEscherProperty {
  std::uint16_t Id = 0;
  std::uint32_t Value = 0;
  std::vector<std::uint8_t> Data;
};

class TEscherBuilder {
 public:
  // Starts a container (version 15); returns where its header stands.
  std::size_t BeginContainer(std::uint16_t type, std::uint16_t instance = 0);
  void EndContainer(std::size_t header);
  void Header(std::uint16_t type, std::uint8_t version, std::uint16_t instance, std::uint32_t length);
  void Atom(std::uint16_t type, std::uint8_t version, std::uint16_t instance, const std::vector<std::uint8_t>& body);
  void PropertyTable(const std::vector<TEscherProperty>& properties);
  void U8(std::uint8_t v) { bytes_.push_back(v); }
  void U16(std::uint16_t v);
  void U32(std::uint32_t v);
  void Append(const std::uint8_t* data, std::size_t n) { bytes_.insert(bytes_.end(), data, data + n); }
  void Append(const std::vector<std::uint8_t>& data) { Append(data.data(), data.size()); }

  std::size_t Size() const { return bytes_.size(); }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }
  // Adds extra to the length of the container whose header is at `header`
  // (for records a container holds that are written elsewhere).
  void AddToLength(std::size_t header, std::uint32_t extra);

 private:
  std::vector<std::uint8_t> bytes_;
};

// UTF-16 text with a terminating zero, as complex properties hold names.
std::vector<std::uint8_t> EscherUtf16(std::string_view utf8);

}  // namespace tabrin
