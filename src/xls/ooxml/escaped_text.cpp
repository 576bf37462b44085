#include "xls/ooxml/escaped_text.h"

#include <charconv>
#include <string_view>

#include "text/encoding.h"

namespace tabrin::detail {

namespace {

constexpr std::size_t kEscapeLength = 7;  // _xHHHH_

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The code unit of the escape at text[at], if one stands there.
bool EscapeAt(std::string_view text, std::size_t at, char16_t& unit) {
  if (at + kEscapeLength > text.size() || text[at] != '_' || text[at + 1] != 'x' || text[at + 6] != '_') return false;
  for (std::size_t i = at + 2; i < at + 6; ++i) {
    if (!IsHex(text[i])) return false;
  }
  unsigned code = 0;
  std::from_chars(text.data() + at + 2, text.data() + at + 6, code, 16);
  unit = static_cast<char16_t>(code);
  return true;
}

}  // namespace

void DecodeEscapes(std::string& text) {
  if (text.find("_x") == std::string::npos) return;
  std::string out;
  out.reserve(text.size());
  std::u16string units;  // the escapes of the run being read
  for (std::size_t i = 0; i < text.size();) {
    char16_t unit = 0;
    if (EscapeAt(text, i, unit)) {
      units += unit;
      i += kEscapeLength;
      continue;
    }
    if (!units.empty()) {
      out += Utf16ToUtf8(units);
      units.clear();
    }
    out += text[i++];
  }
  out += Utf16ToUtf8(units);
  text = std::move(out);
}

}  // namespace tabrin::detail
