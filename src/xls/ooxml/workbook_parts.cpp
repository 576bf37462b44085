#include "xls/ooxml/workbook_parts.h"

#include <cstdint>
#include <map>
#include <optional>

#include "xls/model/date_formats.h"
#include "xls/ooxml/part_limits.h"
#include "xls/ooxml/value_text.h"
#include "xls/ooxml/xml_part.h"

namespace tabrin::detail {

namespace {

bool IsTrue(std::string_view value) { return value == "1" || value == "true" || value == "on"; }

class TWorkbookHandler : public TXmlHandler {
 public:
  TWorkbookPart workbook;

  void StartElement(std::string_view name, const TXmlAttributes& attributes) override {
    if (name == "sheet") {
      workbook.sheets.push_back({std::string(attributes.Get("name")), std::string(attributes.Get("id"))});
    } else if (name == "workbookPr") {
      workbook.dates1904 = IsTrue(attributes.Get("date1904"));
    }
  }
  void EndElement(std::string_view) override {}
  void Text(std::string_view) override {}
};

// The number format of each entry of cellXfs, and which custom formats
// show dates.
class TStylesHandler : public TXmlHandler {
 public:
  std::map<std::uint32_t, bool> customIsDate;
  std::vector<std::uint32_t> cellFormatNumbers;

  void StartElement(std::string_view name, const TXmlAttributes& attributes) override {
    if (name == "numFmt") {
      const std::optional<std::uint32_t> id = ParseIndex(attributes.Get("numFmtId"));
      if (id) customIsDate[*id] = IsDateFormatCode(attributes.Get("formatCode"));
    } else if (name == "cellXfs") {
      inCellXfs_ = true;
    } else if (name == "xf" && inCellXfs_) {
      cellFormatNumbers.push_back(ParseIndex(attributes.Get("numFmtId")).value_or(0));
    }
  }
  void EndElement(std::string_view name) override {
    if (name == "cellXfs") inCellXfs_ = false;
  }
  void Text(std::string_view) override {}

 private:
  bool inCellXfs_ = false;
};

}  // namespace

TWorkbookPart ReadWorkbookPart(const TZipPackage& package, std::string_view part) {
  TWorkbookHandler handler;
  ParseXmlPart(package, part, kMaxSmallPartBytes, handler);
  return std::move(handler.workbook);
}

std::vector<bool> ReadDateStyles(const TZipPackage& package, std::string_view part) {
  TStylesHandler handler;
  ParseXmlPart(package, part, kMaxSmallPartBytes, handler);
  std::vector<bool> dateStyles;
  dateStyles.reserve(handler.cellFormatNumbers.size());
  for (const std::uint32_t number : handler.cellFormatNumbers) {
    const auto custom = handler.customIsDate.find(number);
    dateStyles.push_back(custom != handler.customIsDate.end()
                             ? custom->second
                             : number <= 0xFFFF && IsBuiltInDateFormat(static_cast<std::uint16_t>(number)));
  }
  return dateStyles;
}

}  // namespace tabrin::detail
