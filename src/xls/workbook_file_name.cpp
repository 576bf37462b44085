#include "xls/workbook_file_name.h"

#include <algorithm>

namespace tabrin {

bool IsXlsxFileName(std::string_view fileName) {
  constexpr std::string_view kExtension = ".xlsx";
  if (fileName.size() < kExtension.size()) return false;
  const std::string_view tail = fileName.substr(fileName.size() - kExtension.size());
  return std::equal(tail.begin(), tail.end(), kExtension.begin(), [](char a, char b) {
    return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
  });
}

}  // namespace tabrin
