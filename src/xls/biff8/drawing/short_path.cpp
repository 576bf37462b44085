#include "xls/biff8/drawing/short_path.h"

#include <vector>

#include "text/encoding.h"

namespace tabrin {
namespace {

bool IsForbidden(char c) {
  return std::string_view("\"*+,/:;<=>?[\\]|").find(c) != std::string_view::npos ||
         static_cast<unsigned char>(c) < 0x20;
}

// The Big5 bytes of each character of a component; "_" for one Big5 lacks.
std::vector<std::string> Big5Characters(std::string_view utf8) {
  std::vector<std::string> characters;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const std::size_t start = pos;
    const char32_t c = detail::DecodeUtf8(utf8, pos);
    const std::string_view one = utf8.substr(start, pos - start);
    std::string bytes = c == 0xFFFD ? std::string("?") : Utf8ToBig5(one);
    if (bytes == "?" && one != "?") bytes = "_";
    characters.push_back(std::move(bytes));
  }
  return characters;
}

std::string Join(const std::vector<std::string>& characters, std::size_t from, std::size_t to) {
  std::string out;
  for (std::size_t i = from; i < to; ++i) out += characters[i];
  return out;
}

bool FitsShortName(std::string_view utf8, const std::vector<std::string>& characters) {
  const std::size_t dot = utf8.find('.');
  if (dot != utf8.rfind('.') || dot == 0) return false;
  std::size_t baseBytes = 0, extensionBytes = 0;
  bool inExtension = false;
  for (const std::string& c : characters) {
    if (c.size() == 1 && (IsForbidden(c[0]) || c[0] == ' ')) return false;
    if (c == ".") {
      inExtension = true;
      continue;
    }
    (inExtension ? extensionBytes : baseBytes) += c.size();
  }
  return baseBytes >= 1 && baseBytes <= 8 && extensionBytes <= 3;
}

// Leading characters of `characters` whose bytes add up to at most limit.
std::string Leading(const std::vector<std::string>& characters, std::size_t limit) {
  std::string out;
  for (const std::string& c : characters) {
    if (out.size() + c.size() > limit) break;
    out += c;
  }
  return out;
}

std::string ShortComponent(std::string_view utf8) {
  if (utf8.empty() || utf8 == "." || utf8 == "..") return std::string(utf8);
  if (utf8.size() == 2 && utf8[1] == ':') return std::string(utf8);  // drive
  std::vector<std::string> characters = Big5Characters(utf8);
  bool lacking = false;
  std::size_t pos = 0;
  for (std::string& c : characters) {
    const std::size_t start = pos;
    detail::DecodeUtf8(utf8, pos);
    if (c == "_" && utf8.substr(start, pos - start) != "_") lacking = true;
  }
  if (!lacking && FitsShortName(utf8, characters)) return Join(characters, 0, characters.size());

  // The generated form: base and extension split at the last dot.
  std::size_t lastDot = characters.size();
  for (std::size_t i = characters.size(); i-- > 0;) {
    if (characters[i] == ".") {
      lastDot = i;
      break;
    }
  }
  const auto clean = [](const std::vector<std::string>& from, std::size_t begin, std::size_t end) {
    std::vector<std::string> out;
    for (std::size_t i = begin; i < end; ++i) {
      std::string c = from[i];
      if (c == " " || c == ".") continue;
      if (c.size() == 1) {
        if (IsForbidden(c[0])) c = "_";
        if (c[0] >= 'a' && c[0] <= 'z') c[0] = static_cast<char>(c[0] - 'a' + 'A');
      }
      out.push_back(std::move(c));
    }
    return out;
  };
  const std::vector<std::string> base = clean(characters, 0, lastDot);
  const std::vector<std::string> extension =
      lastDot < characters.size() ? clean(characters, lastDot + 1, characters.size()) : std::vector<std::string>();
  std::string out = Leading(base, 6);
  if (out.empty()) out = "_";
  out += "~1";
  const std::string ext = Leading(extension, 3);
  if (!ext.empty()) out += "." + ext;
  return out;
}

}  // namespace

std::string ShortPathBytes(std::string_view utf8Path) {
  std::string out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t separator = utf8Path.find_first_of("\\/", start);
    const std::string_view component =
        utf8Path.substr(start, separator == std::string_view::npos ? std::string_view::npos : separator - start);
    out += ShortComponent(component);
    if (separator == std::string_view::npos) break;
    out += utf8Path[separator];
    start = separator + 1;
  }
  return out;
}

}  // namespace tabrin
