#pragma once
// Reading and writing "Key=Value;Key=Value" connection strings in the form the
// program assembles them.
//
//   TConnectionProperties p = ParseConnectionString(text);
//   p.Get("Data Source");                      // keys match without regard to case
//   "Password=" + QuoteConnectionValue(pw);    // safe for ";", "=", quotes, blanks
//
// Rules: pairs are separated by ";"; a value may be enclosed in double or
// single quotes (the quote doubled inside); a segment without "=" continues
// the value before it (so "Extended Properties=IMEX=1;Excel 8.0;" reads as
// the one value "IMEX=1;Excel 8.0"); blanks around keys and unquoted values
// are dropped.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tabrin {

class TConnectionProperties {
 public:
  // The value of the last pair with this key, or nullopt.
  std::optional<std::string> Find(std::string_view key) const;
  // The value, or def when the key is absent.
  std::string Get(std::string_view key, std::string_view def = {}) const;
  bool Has(std::string_view key) const { return Find(key).has_value(); }
  void Set(std::string key, std::string value);
  const std::vector<std::pair<std::string, std::string>>& Pairs() const { return pairs_; }

 private:
  std::vector<std::pair<std::string, std::string>> pairs_;
};

TConnectionProperties ParseConnectionString(std::string_view text);

// The value as it must be written after "Key=": unchanged when it is plain,
// else enclosed in double quotes with inner double quotes doubled.
std::string QuoteConnectionValue(std::string_view value);

}  // namespace tabrin
