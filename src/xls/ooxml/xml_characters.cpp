#include "xls/ooxml/xml_characters.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace tabrin::detail {

namespace {

bool Continues(const char* p, const char* end, std::size_t at) {
  return p + at < end && (static_cast<unsigned char>(p[at]) & 0xC0) == 0x80;
}

bool AllowedCharacter(std::uint32_t code) {
  if (code < 0x20) return code == 0x09 || code == 0x0A || code == 0x0D;
  if (code < 0xD800) return true;
  if (code < 0xE000) return false;
  if (code < 0x10000) return code < 0xFFFE;
  return code < 0x110000;
}

std::size_t EncodeUtf8(std::uint32_t code, char* out) {
  if (code < 0x80) {
    out[0] = static_cast<char>(code);
    return 1;
  }
  if (code < 0x800) {
    out[0] = static_cast<char>(0xC0 | (code >> 6));
    out[1] = static_cast<char>(0x80 | (code & 0x3F));
    return 2;
  }
  if (code < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (code >> 12));
    out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (code & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (code >> 18));
  out[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (code & 0x3F));
  return 4;
}

int DigitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (!hex) return -1;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::size_t XmlCharLength(const char* p, const char* end) {
  const auto lead = static_cast<unsigned char>(p[0]);
  const auto second = static_cast<unsigned char>(p + 1 < end ? p[1] : 0);
  if (lead < 0xC2) return 0;  // a continuation byte, or the lead of an overlong form
  if (lead < 0xE0) return Continues(p, end, 1) ? 2 : 0;
  if (lead < 0xF0) {
    if (!Continues(p, end, 1) || !Continues(p, end, 2)) return 0;
    if (lead == 0xE0 && second < 0xA0) return 0;  // overlong
    if (lead == 0xED && second >= 0xA0) return 0;  // a surrogate
    if (lead == 0xEF && second == 0xBF && static_cast<unsigned char>(p[2]) >= 0xBE) return 0;  // U+FFFE, U+FFFF
    return 3;
  }
  if (lead < 0xF5) {
    if (!Continues(p, end, 1) || !Continues(p, end, 2) || !Continues(p, end, 3)) return 0;
    if (lead == 0xF0 && second < 0x90) return 0;   // overlong
    if (lead == 0xF4 && second >= 0x90) return 0;  // past U+10FFFF
    return 4;
  }
  return 0;
}

std::size_t ReadReference(const char* p, const char* end, char* out, const char*& after) {
  static constexpr struct {
    std::string_view name;
    char character;
  } kEntities[] = {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
  const std::string_view rest(p + 1, static_cast<std::size_t>(end - p - 1));
  for (const auto& entity : kEntities) {
    if (rest.starts_with(entity.name)) {
      out[0] = entity.character;
      after = p + 1 + entity.name.size();
      return 1;
    }
  }
  if (rest.empty() || rest[0] != '#') return 0;
  const bool hex = rest.size() > 1 && rest[1] == 'x';
  std::size_t at = hex ? 2 : 1;
  std::uint32_t code = 0;
  const std::size_t first = at;
  for (; at < rest.size() && rest[at] != ';'; ++at) {
    const int digit = DigitValue(rest[at], hex);
    if (digit < 0) return 0;
    code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    if (code >= 0x110000) return 0;
  }
  if (at == first || at == rest.size() || !AllowedCharacter(code)) return 0;
  after = p + 1 + at + 1;
  return EncodeUtf8(code, out);
}

}  // namespace tabrin::detail
