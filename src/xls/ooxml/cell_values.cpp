#include "xls/ooxml/cell_values.h"

#include <charconv>
#include <optional>
#include <utility>

#include "text/format.h"
#include "text/regional.h"
#include "text/translation.h"
#include "xls/model/worksheet_builder.h"
#include "xls/ooxml/escaped_text.h"
#include "xls/ooxml/zip_package.h"

namespace tabrin::detail {

namespace {

// "2024-03-05", "2024-03-05T14:30:15", "14:30:15" (ISO 8601, as a date cell
// holds it).
std::optional<double> ParseIsoDateTime(std::string_view text) {
  text = Trim(text);
  double days = 0;
  const auto number = [&](std::size_t at, std::size_t length) -> std::optional<int> {
    if (text.size() < at + length) return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + at + length, value);
    if (error != std::errc() || end != text.data() + at + length) return std::nullopt;
    return value;
  };
  std::size_t at = 0;
  if (text.size() >= 10 && text[4] == '-' && text[7] == '-') {
    const auto year = number(0, 4), month = number(5, 2), day = number(8, 2);
    if (!year || !month || !day || *month < 1 || *month > 12 || *day < 1 || *day > 31) return std::nullopt;
    days = EncodeDateTime({.year = *year, .month = *month, .day = *day});
    at = 10;
    if (at == text.size()) return days;
    if (text[at] != 'T') return std::nullopt;
    ++at;
  }
  const auto hour = number(at, 2), minute = number(at + 3, 2);
  if (!hour || !minute || text[at + 2] != ':') return std::nullopt;
  double seconds = 0;
  if (text.size() > at + 5 && text[at + 5] == ':') {
    std::size_t end = at + 6;
    while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '.')) ++end;
    const std::optional<double> s = ParseNumber(text.substr(at + 6, end - at - 6));
    if (!s) return std::nullopt;
    seconds = *s;
  }
  return days + (*hour * 3600.0 + *minute * 60.0 + seconds) / 86400.0;
}

// The BIFF code of an error value, so that both readers describe one the
// same way.
double ErrorCode(std::string_view text) {
  static const std::pair<std::string_view, int> kCodes[] = {
      {"#NULL!", 0x00}, {"#DIV/0!", 0x07}, {"#VALUE!", 0x0F}, {"#REF!", 0x17},
      {"#NAME?", 0x1D}, {"#NUM!", 0x24},   {"#N/A", 0x2A},
  };
  for (const auto& [name, code] : kCodes) {
    if (Trim(text) == name) return code;
  }
  return 0x2A;
}

[[noreturn]] void Damaged(const std::string& reason) { throw TDamagedPackage(reason); }

TCellValue Touch() { return {}; }

TCellValue Value(TCellKind kind, double number) {
  TCellValue value;
  value.what = TCellValue::TWhat::Value;
  value.kind = kind;
  value.number = number;
  return value;
}

}  // namespace

void AddCell(TWorksheetBuilder& builder, std::uint32_t row, std::uint32_t column, const TCellValue& value) {
  switch (value.what) {
    case TCellValue::TWhat::Touch: return builder.Touch(row, column);
    case TCellValue::TWhat::Value: return builder.AddValue(row, column, value.kind, value.number);
    case TCellValue::TWhat::Shared: return builder.AddSharedText(row, column, value.shared);
    case TCellValue::TWhat::Own: return builder.AddOwnText(row, column, value.text);
  }
}

TCellValue TCellValueReader::Read(TCellType type, std::uint32_t style, std::string& text) const {
  if (!DecodesText(type)) return ReadPlain(type, style, text);
  DecodeEscapes(text);
  TCellValue value;
  value.what = TCellValue::TWhat::Own;
  value.text = text;
  return value;
}

TCellValue TCellValueReader::ReadPlain(TCellType type, std::uint32_t style, std::string_view text) const {
  switch (type) {
    case TCellType::Shared: {
      const std::optional<std::uint32_t> index = ParseIndex(text);
      if (!index || *index >= sharedStrings_.Count()) Damaged(Tr("a cell refers to a shared text that does not exist"));
      TCellValue value;
      value.what = TCellValue::TWhat::Shared;
      value.shared = *index;
      return value;
    }
    case TCellType::Formula:
    case TCellType::Inline:
      break;
    case TCellType::Boolean: {
      const std::string_view v = Trim(text);
      return Value(TCellKind::ckBoolean, v == "1" || v == "true" ? 1 : 0);
    }
    case TCellType::Error:
      return Value(TCellKind::ckError, ErrorCode(text));
    case TCellType::Date: {
      if (Trim(text).empty()) return Touch();
      const std::optional<double> days = ParseIsoDateTime(text);
      if (!days) Damaged(FormatMessage(Tr("a date cell holds \"%s\", which is not a date"), {text}));
      return Value(TCellKind::ckDateTime, *days);
    }
    case TCellType::Number: {
      if (Trim(text).empty()) return Touch();
      const std::optional<double> number = ParseNumber(text);
      if (!number) Damaged(FormatMessage(Tr("a number cell holds \"%s\", which is not a number"), {text}));
      if (style < dateStyles_.size() && dateStyles_[style]) {
        return Value(TCellKind::ckDateTime, DayCount(*number, dates1904_));
      }
      return Value(TCellKind::ckNumber, *number);
    }
  }
  return Touch();
}

}  // namespace tabrin::detail
