#include "xls/model/date_formats.h"

namespace tabrin::detail {

bool IsBuiltInDateFormat(std::uint16_t index) {
  // 14-22 and 45-47 everywhere; 27-36 and 50-58 are the era and Chinese
  // date formats of East Asian versions of Excel.
  return (index >= 14 && index <= 22) || (index >= 45 && index <= 47) || (index >= 27 && index <= 36) ||
         (index >= 50 && index <= 58);
}

bool IsDateFormatCode(std::string_view code) {
  // Only the first section decides (the one for positive numbers).  Quoted
  // literals, escaped characters, fill and padding characters, colours and
  // locale tags are not format letters; [h], [m] and [s] are elapsed time.
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    switch (c) {
      case ';':
        return false;
      case '"': {
        const std::size_t close = code.find('"', i + 1);
        if (close == std::string_view::npos) return false;
        i = close;
        break;
      }
      case '\\':
      case '_':
      case '*':
        ++i;
        break;
      case '[': {
        const std::size_t close = code.find(']', i + 1);
        if (close == std::string_view::npos) return false;
        const std::string_view inside = code.substr(i + 1, close - i - 1);
        if (!inside.empty() && inside.find_first_not_of("hHmMsS") == std::string_view::npos) return true;
        i = close;
        break;
      }
      case 'd': case 'D': case 'm': case 'M': case 'y': case 'Y':
      case 'h': case 'H': case 's': case 'S':
        return true;
      default:
        break;
    }
  }
  return false;
}

}  // namespace tabrin::detail
