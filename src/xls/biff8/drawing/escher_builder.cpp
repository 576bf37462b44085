#include "xls/biff8/drawing/escher_builder.h"

#include "text/encoding.h"
#include "xls/biff8/biff_record.h"

namespace tabrin {
namespace {

constexpr std::uint8_t kContainerVersion = 0x0F;
constexpr std::uint8_t kPropertyTableVersion = 3;

}  // namespace

void TEscherBuilder::U16(std::uint16_t v) {
  bytes_.push_back(static_cast<std::uint8_t>(v));
  bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
}

void TEscherBuilder::U32(std::uint32_t v) {
  U16(static_cast<std::uint16_t>(v));
  U16(static_cast<std::uint16_t>(v >> 16));
}

void TEscherBuilder::Header(std::uint16_t type, std::uint8_t version, std::uint16_t instance, std::uint32_t length) {
  U16(static_cast<std::uint16_t>((version & 0x0F) | (instance << 4)));
  U16(type);
  U32(length);
}

std::size_t TEscherBuilder::BeginContainer(std::uint16_t type, std::uint16_t instance) {
  const std::size_t header = bytes_.size();
  Header(type, kContainerVersion, instance, 0);
  return header;
}

void TEscherBuilder::EndContainer(std::size_t header) {
  PutU32(bytes_.data() + header + 4, static_cast<std::uint32_t>(bytes_.size() - header - 8));
}

void TEscherBuilder::AddToLength(std::size_t header, std::uint32_t extra) {
  std::uint8_t* length = bytes_.data() + header + 4;
  PutU32(length, GetU32(length) + extra);
}

void TEscherBuilder::Atom(std::uint16_t type, std::uint8_t version, std::uint16_t instance,
                          const std::vector<std::uint8_t>& body) {
  Header(type, version, instance, static_cast<std::uint32_t>(body.size()));
  Append(body);
}

void TEscherBuilder::PropertyTable(const std::vector<TEscherProperty>& properties) {
  std::uint32_t length = 0;
  for (const TEscherProperty& p : properties) length += 6 + static_cast<std::uint32_t>(p.Data.size());
  Header(escher::kOpt, kPropertyTableVersion, static_cast<std::uint16_t>(properties.size()), length);
  for (const TEscherProperty& p : properties) {
    U16(p.Id);
    U32((p.Id & escher::prop::kComplex) != 0 ? static_cast<std::uint32_t>(p.Data.size()) : p.Value);
  }
  for (const TEscherProperty& p : properties) Append(p.Data);
}

std::vector<std::uint8_t> EscherUtf16(std::string_view utf8) {
  std::vector<std::uint8_t> out;
  for (char16_t c : Utf8ToUtf16(utf8)) {
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  out.insert(out.end(), {0, 0});
  return out;
}

}  // namespace tabrin
