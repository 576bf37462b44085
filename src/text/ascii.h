#pragma once
// Letter case of names (INI sections and keys, file names, column and
// connection-string keys, SQL keywords, format codes): only ASCII letters have
// case here; every other byte (Big5 and UTF-8 bytes included) compares as it
// is.  White space around values: each reader names the bytes it counts as
// blanks, all of them below 0x40, where no byte of a Big5 or UTF-8 character
// lies.  None of these depends on the process locale, which a GUI toolkit may
// change under us.
#include <cstddef>
#include <cstdint>
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

// True when text begins with prefix, ASCII letters matching in either case.
inline bool StartsWithNoCaseAscii(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualNoCaseAscii(text.substr(0, prefix.size()), prefix);
}

// A set of bytes counted as white space: control characters and the space
// only (bytes below 0x40), so that a set never takes a byte of a letter.
class TAsciiSpaceSet {
 public:
  constexpr explicit TAsciiSpaceSet(std::string_view bytes) {
    for (const char c : bytes) mask_ |= std::uint64_t{1} << static_cast<unsigned char>(c);
  }
  // Every byte from 0 to last.
  static constexpr TAsciiSpaceSet UpTo(char last) {
    TAsciiSpaceSet set{std::string_view()};
    set.mask_ = (std::uint64_t{2} << static_cast<unsigned char>(last)) - 1;
    return set;
  }
  constexpr bool Contains(char c) const {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 64 && ((mask_ >> byte) & 1u) != 0;
  }

 private:
  std::uint64_t mask_ = 0;
};

// The white space of the various readers.
inline constexpr TAsciiSpaceSet kSpaceTab{" \t"};
inline constexpr TAsciiSpaceSet kSpaceTabCr{" \t\r"};
inline constexpr TAsciiSpaceSet kSpaceTabCrLf{" \t\r\n"};
// What std::isspace takes in the "C" locale.
inline constexpr TAsciiSpaceSet kCLocaleSpace{" \t\n\v\f\r"};
// Every control character and the space (0x00 to 0x20), as Delphi's Trim
// takes them.
inline constexpr TAsciiSpaceSet kControlOrSpace = TAsciiSpaceSet::UpTo(' ');

// The text without the bytes of the set at its start, at its end, or both.
constexpr std::string_view TrimAsciiLeft(std::string_view text, TAsciiSpaceSet space) {
  std::size_t first = 0;
  while (first < text.size() && space.Contains(text[first])) ++first;
  return text.substr(first);
}

constexpr std::string_view TrimAsciiRight(std::string_view text, TAsciiSpaceSet space) {
  std::size_t end = text.size();
  while (end > 0 && space.Contains(text[end - 1])) --end;
  return text.substr(0, end);
}

constexpr std::string_view TrimAscii(std::string_view text, TAsciiSpaceSet space) {
  return TrimAsciiRight(TrimAsciiLeft(text, space), space);
}

}  // namespace tabrin
