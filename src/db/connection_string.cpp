#include "db/connection_string.h"

#include <algorithm>
#include <cctype>

#include "text/ascii.h"

namespace tabrin {
namespace {

// Reads a quoted value starting at text[pos] (the quote); leaves pos after
// the closing quote.
std::string ReadQuoted(std::string_view text, std::size_t& pos) {
  const char quote = text[pos++];
  std::string value;
  while (pos < text.size()) {
    char c = text[pos++];
    if (c == quote) {
      if (pos < text.size() && text[pos] == quote) {
        value += quote;
        ++pos;
        continue;
      }
      break;
    }
    value += c;
  }
  return value;
}

}  // namespace

std::optional<std::string> TConnectionProperties::Find(std::string_view key) const {
  for (auto it = pairs_.rbegin(); it != pairs_.rend(); ++it) {
    if (EqualNoCaseAscii(it->first, key)) return it->second;
  }
  return std::nullopt;
}

std::string TConnectionProperties::Get(std::string_view key, std::string_view def) const {
  auto value = Find(key);
  return value ? *value : std::string(def);
}

void TConnectionProperties::Set(std::string key, std::string value) {
  for (auto& pair : pairs_) {
    if (EqualNoCaseAscii(pair.first, key)) {
      pair.second = std::move(value);
      return;
    }
  }
  pairs_.emplace_back(std::move(key), std::move(value));
}

TConnectionProperties ParseConnectionString(std::string_view text) {
  TConnectionProperties properties;
  std::vector<std::pair<std::string, std::string>> pairs;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of(";=", pos);
    if (end == std::string_view::npos || text[end] == ';') {
      // A segment without "=": part of the value before it.
      std::string_view segment =
          TrimAscii(text.substr(pos, end == std::string_view::npos ? text.npos : end - pos), kSpaceTabCrLf);
      if (!segment.empty() && !pairs.empty()) {
        pairs.back().second += ';';
        pairs.back().second += segment;
      }
      pos = end == std::string_view::npos ? text.size() : end + 1;
      continue;
    }
    std::string key(TrimAscii(text.substr(pos, end - pos), kSpaceTabCrLf));
    pos = end + 1;
    while (pos < text.size() && kSpaceTabCrLf.Contains(text[pos])) ++pos;
    std::string value;
    if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
      value = ReadQuoted(text, pos);
      std::size_t next = text.find(';', pos);
      pos = next == std::string_view::npos ? text.size() : next + 1;
    } else {
      std::size_t next = text.find(';', pos);
      value = std::string(
          TrimAscii(text.substr(pos, next == std::string_view::npos ? text.npos : next - pos), kSpaceTabCrLf));
      pos = next == std::string_view::npos ? text.size() : next + 1;
    }
    if (!key.empty()) pairs.emplace_back(std::move(key), std::move(value));
  }
  for (auto& [key, value] : pairs) properties.Set(std::move(key), std::move(value));
  return properties;
}

std::string QuoteConnectionValue(std::string_view value) {
  bool plain = value.find_first_of(";=\"'") == std::string_view::npos &&
               (value.empty() || (!kSpaceTabCrLf.Contains(value.front()) && !kSpaceTabCrLf.Contains(value.back())));
  if (plain) return std::string(value);
  std::string quoted = "\"";
  for (char c : value) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

}  // namespace tabrin
