#include "export/ferran_formats.h"

#include "export/string_list.h"
#include "text/ascii.h"
#include "text/regional.h"

namespace tabrin {

namespace {

constexpr const char* kIntegerFormat = "#,###,##0";
constexpr const char* kFloatFormat = "#,###,##0.00";

// The machine's formats as they were when the program started: read once.
struct SystemDefaults {
  std::string shortDate;
  std::string shortTime;
  std::string dateTime;
  std::string currency;
};

const SystemDefaults& Defaults() {
  static const SystemDefaults defaults = [] {
    const TRegionalFormats& regional = TRegionalFormats::System();
    SystemDefaults d;
    d.shortDate = regional.shortDate;
    d.shortTime = regional.shortTime;
    d.dateTime = d.shortDate + " " + d.shortTime;
    d.currency = TFerranFormats::CurrencyFormatFor(regional.currencySymbol, regional.currencyPosition);
    return d;
  }();
  return defaults;
}

std::string OrDefault(std::string_view value, const std::string& fallback) {
  return value.empty() ? fallback : std::string(value);
}

}  // namespace

std::string TFerranFormats::CurrencyFormatFor(std::string_view symbol, int position) {
  const std::string amount = kFloatFormat;
  const std::string sym(symbol);
  switch (position) {
    case 0: return sym + amount;
    case 1: return amount + sym;
    case 2: return sym + " " + amount;
    case 3: return amount + " " + sym;
    default: return {};
  }
}

const std::string& TFerranFormats::DefaultIntegerFormat() {
  static const std::string value = kIntegerFormat;
  return value;
}
const std::string& TFerranFormats::DefaultFloatFormat() {
  static const std::string value = kFloatFormat;
  return value;
}
const std::string& TFerranFormats::DefaultDateFormat() { return Defaults().shortDate; }
const std::string& TFerranFormats::DefaultTimeFormat() { return Defaults().shortTime; }
const std::string& TFerranFormats::DefaultDateTimeFormat() { return Defaults().dateTime; }
const std::string& TFerranFormats::DefaultCurrencyFormat() { return Defaults().currency; }

TFerranFormats::TFerranFormats()
    : integerFormat_(DefaultIntegerFormat()),
      floatFormat_(DefaultFloatFormat()),
      dateFormat_(DefaultDateFormat()),
      timeFormat_(DefaultTimeFormat()),
      dateTimeFormat_(DefaultDateTimeFormat()),
      currencyFormat_(DefaultCurrencyFormat()),
      booleanTrue_("true"),
      booleanFalse_("false") {}

void TFerranFormats::SetIntegerFormat(std::string_view value) { integerFormat_ = OrDefault(value, DefaultIntegerFormat()); }
void TFerranFormats::SetFloatFormat(std::string_view value) { floatFormat_ = std::string(value); }
void TFerranFormats::SetDateFormat(std::string_view value) { dateFormat_ = OrDefault(value, DefaultDateFormat()); }
void TFerranFormats::SetTimeFormat(std::string_view value) { timeFormat_ = OrDefault(value, DefaultTimeFormat()); }
void TFerranFormats::SetDateTimeFormat(std::string_view value) {
  dateTimeFormat_ = OrDefault(value, DefaultDateTimeFormat());
}
void TFerranFormats::SetCurrencyFormat(std::string_view value) {
  currencyFormat_ = OrDefault(value, DefaultCurrencyFormat());
}
void TFerranFormats::SetBooleanTrue(std::string_view value) { booleanTrue_ = OrDefault(value, "true"); }
void TFerranFormats::SetBooleanFalse(std::string_view value) { booleanFalse_ = OrDefault(value, "false"); }
void TFerranFormats::SetNullString(std::string_view value) { nullString_ = TrimAscii(value, kControlOrSpace); }

void TFerranFormats::Assign(const TFerranFormats& source) {
  if (&source == this) return;
  SetIntegerFormat(source.integerFormat_);
  SetFloatFormat(source.floatFormat_);
  SetDateFormat(source.dateFormat_);
  SetTimeFormat(source.timeFormat_);
  SetDateTimeFormat(source.dateTimeFormat_);
  SetCurrencyFormat(source.currencyFormat_);
  SetBooleanTrue(source.booleanTrue_);
  SetBooleanFalse(source.booleanFalse_);
  SetNullString(source.nullString_);
}

}  // namespace tabrin
