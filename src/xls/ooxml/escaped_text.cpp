#include "xls/ooxml/escaped_text.h"

#include <charconv>

namespace tabrin::detail {

void DecodeEscapes(std::string& text) {
  if (text.find("_x") == std::string::npos) return;
  std::string out;
  out.reserve(text.size());
  const auto isHex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_' && i + 6 < text.size() && text[i + 1] == 'x' && isHex(text[i + 2]) && isHex(text[i + 3]) &&
        isHex(text[i + 4]) && isHex(text[i + 5]) && text[i + 6] == '_') {
      unsigned code = 0;
      std::from_chars(text.data() + i + 2, text.data() + i + 6, code, 16);
      if (code < 0x80) {
        out += static_cast<char>(code);
      } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
      } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
      }
      i += 6;
    } else {
      out += text[i];
    }
  }
  text = std::move(out);
}

}  // namespace tabrin::detail
