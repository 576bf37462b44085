#pragma once
// The relationships of a package's parts: which part is the workbook, which
// ones are its worksheets, its styles and its shared strings.
#include <string>
#include <string_view>
#include <vector>

#include "xls/ooxml/zip_package.h"

namespace tabrin::detail {

// How the relationship types end, whatever the namespace before them.
inline constexpr std::string_view kOfficeDocumentType = "/officeDocument";
inline constexpr std::string_view kWorksheetType = "/worksheet";
inline constexpr std::string_view kStylesType = "/styles";
inline constexpr std::string_view kSharedStringsType = "/sharedStrings";

struct TRelationship {
  std::string id, type, target;
};

// The relationships of a part ("" for the package's own) that stay within
// the package; none when the package has no file for them.
std::vector<TRelationship> ReadRelationships(const TZipPackage& package, std::string_view part);

// The first relationship whose type ends so; null when there is none.
const TRelationship* FindByType(const std::vector<TRelationship>& relationships, std::string_view typeEnd);
bool HasType(const TRelationship& relationship, std::string_view typeEnd);

// A part name a relationship points at, from the folder of the part that
// holds the relationship: "worksheets/sheet1.xml" from "xl/workbook.xml" is
// "xl/worksheets/sheet1.xml"; "/xl/x.xml" is "xl/x.xml".
std::string ResolveTarget(std::string_view sourcePart, std::string_view target);

}  // namespace tabrin::detail
