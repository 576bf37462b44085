#pragma once
// The small parts of a workbook package a reader takes in whole: the
// workbook part (the sheets and the date system) and the styles (which cell
// formats show dates).
#include <string>
#include <string_view>
#include <vector>

#include "xls/ooxml/zip_package.h"

namespace tabrin::detail {

struct TWorkbookPart {
  struct TSheet {
    std::string name, relationshipId;
  };
  std::vector<TSheet> sheets;  // in workbook order, of every kind
  bool dates1904 = false;
};

TWorkbookPart ReadWorkbookPart(const TZipPackage& package, std::string_view part);

// By cell format (the "s" of a cell): whether its number format shows a
// date or a time, custom formats first, built-in ones by their number.
std::vector<bool> ReadDateStyles(const TZipPackage& package, std::string_view part);

}  // namespace tabrin::detail
