#include "xls/model/sheet_lookup.h"

#include <algorithm>

#include "text/ascii.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"

namespace tabrin::detail {

namespace {

std::string JoinQuoted(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& name : names) {
    if (!out.empty()) out += ", ";
    out += "\"" + name + "\"";
  }
  return out;
}

}  // namespace

std::size_t FindSheet(const std::vector<std::string>& names, std::string_view name, const std::string& displayName) {
  const auto found =
      std::find_if(names.begin(), names.end(), [&](const std::string& sheet) { return EqualNoCaseAscii(sheet, name); });
  if (found != names.end()) return static_cast<std::size_t>(found - names.begin());
  if (names.empty()) {
    throw TabrinError(FormatMessage(Tr("'%s' has no sheet \"%s\"; it has no worksheets at all"), {displayName, name}));
  }
  throw TabrinError(FormatMessage(Tr("'%s' has no sheet \"%s\"; its sheets are %s"), {displayName, name, JoinQuoted(names)}));
}

}  // namespace tabrin::detail
