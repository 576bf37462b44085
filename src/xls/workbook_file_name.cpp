#include "xls/workbook_file_name.h"

#include <algorithm>

namespace tabrin {

namespace {

bool EndsInExtension(std::string_view fileName, std::string_view extension) {
  if (fileName.size() < extension.size()) return false;
  const std::string_view tail = fileName.substr(fileName.size() - extension.size());
  return std::equal(tail.begin(), tail.end(), extension.begin(), [](char a, char b) {
    return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
  });
}

}  // namespace

bool IsXlsxFileName(std::string_view fileName) { return EndsInExtension(fileName, ".xlsx"); }
bool IsCsvFileName(std::string_view fileName) { return EndsInExtension(fileName, ".csv"); }

}  // namespace tabrin
