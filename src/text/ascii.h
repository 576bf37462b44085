#pragma once
// Letter case of names (INI sections and keys, file names, column and
// connection-string keys, SQL keywords, format codes): only ASCII letters have
// case here; every other byte (Big5 and UTF-8 bytes included) compares as it
// is.  None of these depends on the process locale, which a GUI toolkit may
// change under us.
#include <cstddef>
#include <string>
#include <string_view>

namespace tabrin {

inline char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
inline char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

inline std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = UpperAscii(c);
  return upper;
}

inline bool EqualNoCaseAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// Strict weak order matching EqualNoCaseAscii: ASCII letters folded to lower
// case, then unsigned bytes; a prefix comes first.
inline bool LessNoCaseAscii(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(LowerAscii(a[i]));
    const auto cb = static_cast<unsigned char>(LowerAscii(b[i]));
    if (ca != cb) return ca < cb;
  }
  return a.size() < b.size();
}

}  // namespace tabrin
