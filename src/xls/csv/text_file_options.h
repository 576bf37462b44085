#pragma once
// How a text file of rows (comma-separated values and the like, ".csv" or
// ".txt") is read as a sheet: its encoding and the character between its
// fields, each found from the file unless the user names it.
#include <optional>
#include <string>
#include <string_view>

namespace tabrin {

enum class TTextEncoding { teUtf8, teUtf8Bom, teBig5, teUtf16Le, teUtf16Be };

struct TTextFileOptions {
  std::optional<TTextEncoding> encoding;  // none: found from the bytes
  std::optional<char> separator;          // ',', '\t' or ';'; none: found from the first lines
};

// "UTF-8", "UTF-8 BOM", "Big5", "UTF-16LE", "UTF-16BE".
std::string_view TextEncodingName(TTextEncoding encoding);
// The encoding a user names, in any letter case: "utf-8" (or "utf8"),
// "big5" (or "cp950"), "utf-16le", "utf-16be"; none for another name.
std::optional<TTextEncoding> TextEncodingOfName(std::string_view name);

// The separator a user names: ",", ";", "tab" (or a tab character),
// "comma", "semicolon"; none for another.
std::optional<char> SeparatorOfName(std::string_view name);
// "comma", "tab", "semicolon": the name SeparatorOfName reads back.
std::string_view SeparatorKeyword(char separator);
// "逗號", "Tab", "分號".
std::string_view SeparatorName(char separator);

// A name ending in ".csv" or ".txt", in any letter case.
bool IsTextFileName(std::string_view path);

}  // namespace tabrin
