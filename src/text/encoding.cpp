#include "text/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace tabrin {

namespace detail {

char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  int extra = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07, minimum = 0x10000;
  } else {
    ++pos;
    return 0xFFFD;
  }
  if (pos + extra >= text.size()) {  // truncated at the end
    ++pos;
    return 0xFFFD;
  }
  for (int i = 1; i <= extra; ++i) {
    const unsigned char next = byte(pos + i);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return 0xFFFD;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return 0xFFFD;
  }
  pos += extra + 1;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace detail

namespace {

using detail::AppendUtf8;
using detail::DecodeUtf8;

// One iconv descriptor per direction and thread, opened on first use.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts in; on a sequence it cannot convert, appends `replacement` and
  // skips `skip` input bytes.
  std::string Convert(std::string_view in, std::string_view replacement, std::size_t skip) {
    std::string out;
    out.reserve(in.size() * 2);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buffer[4096];
    while (srcLeft > 0) {
      char* dst = buffer;
      std::size_t dstLeft = sizeof buffer;
      const std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      if (rc != static_cast<std::size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (truncated sequence at the end): substitute and go on.
      out += replacement;
      std::size_t step = skip;
      if (errno == EINVAL || step > srcLeft) step = srcLeft;
      // For UTF-8 input skip a whole character, not just its first byte.
      if (skip == 0) {
        std::size_t pos = 0;
        DecodeUtf8(std::string_view(src, srcLeft), pos);
        step = pos;
      }
      src += step;
      srcLeft -= step;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

  // Converts in onto out up to the first sequence it cannot convert; the
  // offset of that sequence, or npos.
  std::size_t ConvertStrict(std::string_view in, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buffer[4096];
    while (srcLeft > 0) {
      char* dst = buffer;
      std::size_t dstLeft = sizeof buffer;
      const std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) return in.size() - srcLeft;
    }
    return std::string_view::npos;
  }

 private:
  iconv_t cd_;
};

Converter& Big5Decoder() {
  thread_local Converter c("UTF-8", "CP950");
  return c;
}
Converter& Big5Encoder() {
  thread_local Converter c("CP950", "UTF-8");
  return c;
}
Converter& Cp1252Decoder() {
  thread_local Converter c("UTF-8", "CP1252");
  return c;
}

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::size_t InvalidUtf8At(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    // Runs of ASCII, the bulk of most texts, eight bytes at a time.
    while (pos + 8 <= text.size()) {
      std::uint64_t eight;
      std::memcpy(&eight, text.data() + pos, sizeof eight);
      if ((eight & 0x8080808080808080ULL) != 0) break;
      pos += 8;
    }
    if (pos >= text.size()) break;
    const std::size_t start = pos;
    const char32_t cp = DecodeUtf8(text, pos);
    if (cp == 0xFFFD && pos == start + 1 && static_cast<unsigned char>(text[start]) >= 0x80) return start;
  }
  return std::string_view::npos;
}

bool IsValidUtf8(std::string_view text) { return InvalidUtf8At(text) == std::string_view::npos; }

std::string Big5ToUtf8(std::string_view big5) {
  if (IsAscii(big5)) return std::string(big5);
  return Big5Decoder().Convert(big5, "\xEF\xBF\xBD", 1);
}

namespace {

// Code page 950 as a table, each entry the character of one byte (0x80 to
// 0xFF) or one two-byte code (lead 0x81 to 0xFE), 0 for none: built once
// from iconv's converter, so that it reads exactly what iconv reads, and
// then looked up instead of converting through iconv, which is several times
// slower on long texts.
class TBig5Table {
 public:
  TBig5Table() {
    Converter converter("UTF-32LE", "CP950");
    for (unsigned b = 0x80; b <= 0xFF; ++b) single_[b - 0x80] = Decode(converter, std::string{static_cast<char>(b)});
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
      for (unsigned trail = 0x40; trail <= 0xFF; ++trail) {
        pair_[Index(lead, trail)] = Decode(converter, std::string{static_cast<char>(lead), static_cast<char>(trail)});
      }
    }
  }
  char32_t Single(unsigned char b) const { return single_[b - 0x80]; }
  char32_t Pair(unsigned char lead, unsigned char trail) const {
    return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 ? pair_[Index(lead, trail)] : 0;
  }

 private:
  static std::size_t Index(unsigned lead, unsigned trail) { return (lead - 0x81) * 0xC0 + (trail - 0x40); }
  // The one character the bytes make, or 0.
  static char32_t Decode(Converter& converter, std::string_view bytes) {
    std::string out;
    if (converter.ConvertStrict(bytes, out) != std::string_view::npos || out.size() != 4) return 0;
    char32_t c = 0;
    std::memcpy(&c, out.data(), sizeof c);
    return c;
  }
  char32_t single_[0x80] = {};
  std::vector<char32_t> pair_ = std::vector<char32_t>(0x7E * 0xC0, 0);
};

const TBig5Table& Big5Table() {
  static const TBig5Table table;
  return table;
}

}  // namespace

std::size_t AppendBig5AsUtf8(std::string_view big5, std::string& out) {
  const TBig5Table& table = Big5Table();
  std::size_t at = 0;
  while (at < big5.size()) {
    const auto b = static_cast<unsigned char>(big5[at]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++at;
      continue;
    }
    // A two-byte code first, as iconv reads it; else the byte alone.
    const char32_t pair = at + 1 < big5.size() ? table.Pair(b, static_cast<unsigned char>(big5[at + 1])) : 0;
    if (pair != 0) {
      AppendUtf8(out, pair);
      at += 2;
      continue;
    }
    const char32_t single = table.Single(b);
    if (single == 0) return at;
    AppendUtf8(out, single);
    ++at;
  }
  return std::string_view::npos;
}

std::string Utf8ToBig5(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  return Big5Encoder().Convert(utf8, "?", 0);
}

std::string Cp1252ToUtf8(std::string_view cp1252) {
  if (IsAscii(cp1252)) return std::string(cp1252);
  return Cp1252Decoder().Convert(cp1252, "\xEF\xBF\xBD", 1);
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t cp = DecodeUtf8(utf8, pos);
    if (cp < 0x10000) {
      out += static_cast<char16_t>(cp);
    } else {
      const char32_t v = cp - 0x10000;
      out += static_cast<char16_t>(0xD800 + (v >> 10));
      out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size() * 3);
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char16_t unit = utf16[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(utf16[i + 1]) - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::size_t Utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  std::size_t pos = 0;
  while (pos < utf8.size()) units += DecodeUtf8(utf8, pos) >= 0x10000 ? 2 : 1;
  return units;
}

std::size_t Big5Length(std::string_view utf8) {
  std::size_t bytes = 0;
  std::size_t pos = 0;
  while (pos < utf8.size()) bytes += DecodeUtf8(utf8, pos) < 0x80 ? 1 : 2;
  return bytes;
}

std::string CutToBig5Bytes(std::string_view utf8, std::size_t maxBytes) {
  return std::string(Big5Prefix(utf8, maxBytes));
}

std::string_view Big5Prefix(std::string_view utf8, std::size_t maxBytes) {
  // No character takes more than two bytes (a malformed byte stands for
  // one), so a text of at most half as many bytes fits whole without being
  // decoded: most cells of an import.
  if (utf8.size() <= maxBytes / 2) return utf8;
  std::size_t bytes = 0;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    std::size_t next = pos;
    const bool ascii = static_cast<unsigned char>(utf8[pos]) < 0x80;
    if (ascii) ++next;
    const std::size_t width = ascii || DecodeUtf8(utf8, next) < 0x80 ? 1 : 2;
    if (bytes + width > maxBytes) break;
    bytes += width;
    pos = next;
  }
  return utf8.substr(0, pos);
}

std::string CutToUtf16Units(std::string_view utf8, std::size_t maxUnits) {
  return std::string(Utf16Prefix(utf8, maxUnits));
}

std::string_view Utf16Prefix(std::string_view utf8, std::size_t maxUnits) {
  // Every UTF-16 unit takes at least one byte of UTF-8 (a pair takes four,
  // a malformed byte stands for one unit), so a text of no more bytes than
  // units fits whole without being decoded: most cells of an import.
  if (utf8.size() <= maxUnits) return utf8;
  std::size_t units = 0;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    std::size_t next = pos;
    const std::size_t width = DecodeUtf8(utf8, next) >= 0x10000 ? 2 : 1;
    if (units + width > maxUnits) break;
    units += width;
    pos = next;
  }
  return utf8.substr(0, pos);
}

}  // namespace tabrin
