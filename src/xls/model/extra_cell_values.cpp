#include "xls/model/extra_cell_values.h"

#include "text/boolean_text.h"
#include "text/error.h"
#include "text/format.h"
#include "text/regional.h"
#include "text/translation.h"

namespace tabrin::detail {

std::string ValueText(const TxlsCellValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* flag = std::get_if<bool>(&value)) return *flag ? "True" : "False";
  if (const auto* number = std::get_if<double>(&value)) return FormatGeneral(*number);
  return "";
}

double ValueNumber(const TxlsCellValue& value, bool dateTime) {
  if (const auto* number = std::get_if<double>(&value)) return *number;
  if (const auto* flag = std::get_if<bool>(&value)) return *flag ? 1 : 0;
  if (const auto* text = std::get_if<std::string>(&value)) {
    const TRegionalFormats& regional = TRegionalFormats::System();
    if (dateTime) {
      if (auto serial = regional.ParseDateTime(*text)) return *serial;
    }
    if (auto number = regional.ParseFloat(*text)) return *number;
    throw TabrinError(FormatMessage(dateTime ? Tr("\"%s\" is not a valid date and time")
                                             : Tr("\"%s\" is not a valid number"),
                                    {*text}));
  }
  return 0;
}

bool ValueBoolean(const TxlsCellValue& value) {
  if (const auto* flag = std::get_if<bool>(&value)) return *flag;
  if (const auto* number = std::get_if<double>(&value)) return *number != 0;
  if (const auto* text = std::get_if<std::string>(&value)) {
    if (auto flag = ParseBoolean(*text, TRegionalFormats::System())) return *flag;
    throw TabrinError(FormatMessage(Tr("\"%s\" is not a valid Boolean value"), {*text}));
  }
  return false;
}

}  // namespace tabrin::detail
