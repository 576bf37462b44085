#include "text/regional.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "text/ascii.h"
#include "text/format.h"

namespace tabrin {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date, and back.
constexpr long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

constexpr long long kEpochOffset = DaysFromCivil(1899, 12, 30);

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

const char* const kShortMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
const char* const kShortDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// Appends value as printf's "%0*d" writes it: with leading zeros to at
// least width characters, a minus sign counted among them, without printf:
// a date column of a sheet read as text formats a date a row.
void AppendPadded(std::string& out, int value, int width) {
  char digits[12];
  int count = 0;
  unsigned rest = static_cast<unsigned>(value);
  if (value < 0) {
    out += '-';
    rest = 0u - rest;
    --width;
  }
  do {
    digits[count++] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0 && count < 12);
  for (int i = count; i < width; ++i) out += '0';
  while (count > 0) out += digits[--count];
}

}  // namespace

std::optional<double> TryEncodeDateTime(const DateTimeParts& p) {
  if (p.year < 1 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
      p.day > DaysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 ||
      p.second < 0 || p.second > 59 || p.millisecond < 0 || p.millisecond > 999) {
    return std::nullopt;
  }
  return EncodeDateTime(p);
}

double EncodeDateTime(const DateTimeParts& p) {
  const double days = static_cast<double>(DaysFromCivil(p.year, static_cast<unsigned>(p.month),
                                                        static_cast<unsigned>(p.day)) -
                                          kEpochOffset);
  const double time = (p.hour * 3600000.0 + p.minute * 60000.0 + p.second * 1000.0 + p.millisecond) / 86400000.0;
  // Before the epoch the time of day still counts forward from midnight.
  return days >= 0 ? days + time : days - time;
}

DateTimeParts DecodeDateTime(double serial) {
  DateTimeParts p;
  long long days = static_cast<long long>(std::trunc(serial));
  long long ms = std::llround(std::fabs(serial - static_cast<double>(days)) * 86400000.0);
  if (ms >= 86400000) {
    ms -= 86400000;
    days += serial >= 0 ? 1 : -1;
  }
  CivilFromDays(days + kEpochOffset, p.year, p.month, p.day);
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.millisecond = static_cast<int>(ms % 1000);
  return p;
}

const TRegionalFormats& TRegionalFormats::System() {
  static const TRegionalFormats formats{};
  return formats;
}

std::string TRegionalFormats::FormatDateTime(std::string_view pattern, double serial) const {
  const DateTimeParts p = DecodeDateTime(serial);
  const bool twelveHour = (pattern.find("AM/PM") != std::string_view::npos ||
                           pattern.find("am/pm") != std::string_view::npos ||
                           pattern.find("a/p") != std::string_view::npos ||
                           pattern.find("A/P") != std::string_view::npos);
  std::string out;
  bool lastWasHour = false;
  std::size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    if (c == '\'' || c == '"') {
      const std::size_t end = pattern.find(c, i + 1);
      const std::size_t stop = end == std::string_view::npos ? pattern.size() : end;
      out.append(pattern.substr(i + 1, stop - i - 1));
      i = stop == pattern.size() ? stop : stop + 1;
      continue;
    }
    if (StartsWithNoCaseAscii(pattern.substr(i), "am/pm")) {
      out += p.hour < 12 ? "AM" : "PM";
      i += 5;
      continue;
    }
    if (StartsWithNoCaseAscii(pattern.substr(i), "a/p")) {
      out += p.hour < 12 ? "A" : "P";
      i += 3;
      continue;
    }
    const char lower = LowerAscii(c);
    std::size_t run = 1;
    while (i + run < pattern.size() && LowerAscii(pattern[i + run]) == lower) ++run;
    switch (lower) {
      case 'y':
        run <= 2 ? AppendPadded(out, p.year % 100, 2) : AppendPadded(out, p.year, 4);
        break;
      case 'm': {
        // A minute right after an hour or right before seconds, else a month.
        std::size_t next = i + run;
        while (next < pattern.size() && !std::isalpha(static_cast<unsigned char>(pattern[next]))) ++next;
        const bool minute = lastWasHour || (next < pattern.size() && LowerAscii(pattern[next]) == 's');
        if (minute) {
          AppendPadded(out, p.minute, run == 1 ? 1 : 2);
        } else if (run == 1) {
          AppendPadded(out, p.month, 1);
        } else if (run == 2) {
          AppendPadded(out, p.month, 2);
        } else if (run == 3) {
          out += kShortMonths[p.month - 1];
        } else {
          out += kLongMonths[p.month - 1];
        }
        break;
      }
      case 'd': {
        const int weekday = static_cast<int>(
            ((DaysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) % 7) + 11) % 7);
        if (run == 1) AppendPadded(out, p.day, 1);
        else if (run == 2) AppendPadded(out, p.day, 2);
        else if (run == 3) out += kShortDays[weekday];
        else if (run == 4) out += kLongDays[weekday];
        else out += FormatDateTime(shortDate, serial);
        break;
      }
      case 'h': {
        int hour = p.hour;
        if (twelveHour) hour = hour % 12 == 0 ? 12 : hour % 12;
        AppendPadded(out, hour, run == 1 ? 1 : 2);
        break;
      }
      case 'n':
        AppendPadded(out, p.minute, run == 1 ? 1 : 2);
        break;
      case 's':
        AppendPadded(out, p.second, run == 1 ? 1 : 2);
        break;
      case 'z':
        AppendPadded(out, p.millisecond, run >= 3 ? 3 : 1);
        break;
      case 't':
        out += FormatDateTime(run == 1 ? shortTime : longTime, serial);
        break;
      case 'c':
        out += DateTimeToText(serial);
        break;
      case '/':
        out.append(run, dateSeparator);
        break;
      case ':':
        out.append(run, timeSeparator);
        break;
      default:
        out.append(pattern.substr(i, run));
        break;
    }
    if (std::isalpha(static_cast<unsigned char>(lower))) lastWasHour = lower == 'h';
    i += run;
  }
  return out;
}

std::string TRegionalFormats::DateTimeToText(double serial) const {
  std::string text = FormatDateTime(shortDate, serial);
  const DateTimeParts p = DecodeDateTime(serial);
  if (p.hour != 0 || p.minute != 0 || p.second != 0 || p.millisecond != 0) {
    text += ' ';
    text += FormatDateTime(longTime, serial);
  }
  return text;
}

std::string TRegionalFormats::FloatToText(double value) const { return FormatGeneral(value, decimalSeparator); }

std::string TRegionalFormats::FormatFloat(std::string_view pattern, double value) const {
  // Sections: positive;negative;zero.
  std::vector<std::string_view> sections;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= pattern.size(); ++i) {
    if (i == pattern.size() || pattern[i] == ';') {
      sections.push_back(pattern.substr(start, i - start));
      start = i + 1;
    }
  }
  std::string_view section = sections[0];
  bool writeSign = value < 0;
  if (value < 0 && sections.size() > 1 && !sections[1].empty()) {
    section = sections[1];
    writeSign = false;
  } else if (value == 0 && sections.size() > 2 && !sections[2].empty()) {
    section = sections[2];
  }
  if (section.empty()) return FloatToText(value);

  // Split into literal prefix, digit part and literal suffix.
  std::string prefix, suffix;
  std::size_t first = std::string_view::npos, last = 0;
  bool inQuote = false;
  char quote = 0;
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    if (inQuote) {
      if (c == quote) inQuote = false;
      continue;
    }
    if (c == '"' || c == '\'') {
      inQuote = true, quote = c;
      continue;
    }
    if (c == '0' || c == '#') {
      if (first == std::string_view::npos) first = i;
      last = i;
    }
  }
  auto literal = [](std::string_view part) {
    std::string out;
    char q = 0;
    for (const char c : part) {
      if (q) {
        if (c == q) q = 0;
        else out += c;
      } else if (c == '"' || c == '\'') {
        q = c;
      } else {
        out += c;
      }
    }
    return out;
  };
  if (first == std::string_view::npos) return literal(section);
  prefix = literal(section.substr(0, first));
  suffix = literal(section.substr(last + 1));
  const std::string_view digitsPart = section.substr(first, last - first + 1);
  const std::size_t dot = digitsPart.find('.');
  const std::string_view intPart = digitsPart.substr(0, dot);
  const std::string_view fracPart = dot == std::string_view::npos ? std::string_view() : digitsPart.substr(dot + 1);
  const bool thousands = intPart.find(',') != std::string_view::npos;
  int minInt = 0, minFrac = 0, maxFrac = 0;
  for (const char c : intPart) minInt += c == '0';
  for (const char c : fracPart) {
    if (c == '0') ++minFrac, ++maxFrac;
    else if (c == '#') ++maxFrac;
  }
  char buffer[512];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed, maxFrac);
  std::string number(buffer, written.ptr);
  std::string intDigits = number.substr(0, number.find('.'));
  std::string fracDigits = number.find('.') == std::string::npos ? "" : number.substr(number.find('.') + 1);
  while (static_cast<int>(fracDigits.size()) > minFrac && fracDigits.back() == '0') fracDigits.pop_back();
  if (intDigits == "0" && minInt == 0) intDigits.clear();
  while (static_cast<int>(intDigits.size()) < minInt) intDigits.insert(0, "0");
  if (thousands) {
    std::string grouped;
    const int n = static_cast<int>(intDigits.size());
    for (int k = 0; k < n; ++k) {
      grouped += intDigits[static_cast<std::size_t>(k)];
      if ((n - k - 1) % 3 == 0 && k != n - 1) grouped += thousandsSeparator;
    }
    intDigits = grouped;
  }
  const bool isZero = number.find_first_not_of("0.") == std::string::npos;
  std::string out = (writeSign && !isZero) ? "-" : "";
  out += prefix + intDigits;
  if (!fracDigits.empty()) out += decimalSeparator + fracDigits;
  out += suffix;
  return out;
}

namespace {

// Reads an unsigned decimal number at text[pos]; returns its digit count.
int ReadNumber(std::string_view text, std::size_t& pos, int& value) {
  int digits = 0;
  value = 0;
  while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) && digits < 9) {
    value = value * 10 + (text[pos] - '0');
    ++pos, ++digits;
  }
  return digits;
}

// The order of day, month and year in a short date pattern, as letters.
std::array<char, 3> DateOrder(std::string_view pattern) {
  std::array<char, 3> order{};
  std::size_t found = 0;
  for (const char c : pattern) {
    const char l = LowerAscii(c);
    if ((l != 'y' && l != 'm' && l != 'd') || std::find(order.begin(), order.begin() + found, l) != order.begin() + found) continue;
    order[found++] = l;
  }
  if (found < order.size()) return {'y', 'm', 'd'};
  return order;
}

bool ParseTime(std::string_view text, std::size_t& pos, char timeSeparator, DateTimeParts& p) {
  int numbers[3] = {0, 0, 0};
  int count = 0;
  while (count < 3) {
    if (ReadNumber(text, pos, numbers[count]) == 0) return false;
    ++count;
    if (pos < text.size() && (text[pos] == timeSeparator || text[pos] == ':') && count < 3) {
      ++pos;
      continue;
    }
    break;
  }
  if (count < 2) return false;
  p.hour = numbers[0], p.minute = numbers[1], p.second = count == 3 ? numbers[2] : 0;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    int ms = 0;
    const std::size_t before = pos;
    const int digits = ReadNumber(text, pos, ms);
    if (digits == 0) return false;
    const std::string_view frac = text.substr(before, static_cast<std::size_t>(digits));
    double fraction = 0;
    const std::string fractionText = "0." + std::string(frac);
    std::from_chars(fractionText.data(), fractionText.data() + fractionText.size(), fraction);
    p.millisecond = static_cast<int>(std::lround(fraction * 1000));
    if (p.millisecond > 999) p.millisecond = 999;
  }
  std::size_t look = pos;
  while (look < text.size() && text[look] == ' ') ++look;
  if (StartsWithNoCaseAscii(text.substr(look), "am") || StartsWithNoCaseAscii(text.substr(look), "pm")) {
    if (p.hour < 1 || p.hour > 12) return false;
    const bool pm = LowerAscii(text[look]) == 'p';
    p.hour = p.hour % 12 + (pm ? 12 : 0);
    pos = look + 2;
  }
  return true;
}

}  // namespace

std::optional<double> TRegionalFormats::ParseDateTime(std::string_view input) const {
  const std::string_view text = TrimAscii(input, kCLocaleSpace);
  if (text.empty()) return std::nullopt;
  DateTimeParts p;
  std::size_t pos = 0;

  // A time of day alone.
  {
    std::size_t timePos = 0;
    DateTimeParts t;
    if (ParseTime(text, timePos, timeSeparator, t) && timePos == text.size()) {
      t.year = 1899, t.month = 12, t.day = 30;
      return TryEncodeDateTime(t);
    }
  }

  int numbers[3];
  int digits[3];
  char separator = 0;
  for (int k = 0; k < 3; ++k) {
    digits[k] = ReadNumber(text, pos, numbers[k]);
    if (digits[k] == 0) return std::nullopt;
    if (k == 2) break;
    if (pos >= text.size()) return std::nullopt;
    const char c = text[pos];
    if (c != dateSeparator && c != '/' && c != '-' && c != '.') return std::nullopt;
    if (separator && c != separator) return std::nullopt;
    separator = c;
    ++pos;
  }
  std::array<char, 3> order = DateOrder(shortDate);
  if (digits[0] >= 3 || separator == '-') order = {'y', 'm', 'd'};  // ISO and year-first texts
  for (int k = 0; k < 3; ++k) {
    const char what = order[static_cast<std::size_t>(k)];
    if (what == 'y') {
      p.year = numbers[k];
      if (digits[k] <= 2) p.year += p.year < 50 ? 2000 : 1900;
    } else if (what == 'm') {
      p.month = numbers[k];
    } else {
      p.day = numbers[k];
    }
  }
  if (pos < text.size()) {
    if (text[pos] != ' ' && text[pos] != 'T') return std::nullopt;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == 'T')) ++pos;
    if (!ParseTime(text, pos, timeSeparator, p)) return std::nullopt;
    if (pos != text.size()) return std::nullopt;
  }
  return TryEncodeDateTime(p);
}

std::optional<double> TRegionalFormats::ParseFloat(std::string_view input) const {
  const std::string_view text = TrimAscii(input, kCLocaleSpace);
  if (text.empty()) return std::nullopt;
  std::string normal;
  std::size_t pos = 0;
  if (text[pos] == '+' || text[pos] == '-') normal += text[pos++];
  bool digits = false, decimal = false;
  while (pos < text.size()) {
    const char c = text[pos];
    if (std::isdigit(static_cast<unsigned char>(c))) {
      normal += c, digits = true;
    } else if (c == decimalSeparator && !decimal) {
      normal += '.', decimal = true;
    } else {
      break;
    }
    ++pos;
  }
  if (!digits) return std::nullopt;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    normal += 'e';
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) normal += text[pos++];
    bool expDigits = false;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
      normal += text[pos++], expDigits = true;
    }
    if (!expDigits) return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;
  // from_chars ignores the C locale, which a GUI toolkit may have changed.
  double value = 0;
  const char* begin = normal.c_str() + (normal[0] == '+' ? 1 : 0);
  const auto [end, error] = std::from_chars(begin, normal.c_str() + normal.size(), value);
  if (error != std::errc() || end != normal.c_str() + normal.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace tabrin
