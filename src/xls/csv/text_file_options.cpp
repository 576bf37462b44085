#include "xls/csv/text_file_options.h"

#include "text/ascii.h"

namespace tabrin {

std::string_view TextEncodingName(TTextEncoding encoding) {
  switch (encoding) {
    case TTextEncoding::teUtf8: return "UTF-8";
    case TTextEncoding::teUtf8Bom: return "UTF-8 BOM";
    case TTextEncoding::teBig5: return "Big5";
    case TTextEncoding::teUtf16Le: return "UTF-16LE";
    case TTextEncoding::teUtf16Be: return "UTF-16BE";
  }
  return "UTF-8";
}

std::optional<TTextEncoding> TextEncodingOfName(std::string_view name) {
  const std::string lower = LowerAscii(name);
  if (lower == "utf-8" || lower == "utf8") return TTextEncoding::teUtf8;
  if (lower == "utf-8 bom") return TTextEncoding::teUtf8Bom;
  if (lower == "big5" || lower == "cp950") return TTextEncoding::teBig5;
  if (lower == "utf-16le") return TTextEncoding::teUtf16Le;
  if (lower == "utf-16be") return TTextEncoding::teUtf16Be;
  return std::nullopt;
}

std::optional<char> SeparatorOfName(std::string_view name) {
  const std::string lower = LowerAscii(name);
  if (lower == "," || lower == "comma") return ',';
  if (lower == ";" || lower == "semicolon") return ';';
  if (lower == "\t" || lower == "tab") return '\t';
  return std::nullopt;
}

std::string_view SeparatorKeyword(char separator) {
  switch (separator) {
    case '\t': return "tab";
    case ';': return "semicolon";
    default: return "comma";
  }
}

std::string_view SeparatorName(char separator) {
  switch (separator) {
    case '\t': return "Tab";
    case ';': return "分號";
    default: return "逗號";
  }
}

bool IsTextFileName(std::string_view path) {
  if (path.size() < 4) return false;
  const std::string tail = LowerAscii(path.substr(path.size() - 4));
  return tail == ".csv" || tail == ".txt";
}

}  // namespace tabrin
