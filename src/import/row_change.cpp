#include "import/row_change.h"

#include <algorithm>
#include <cmath>

#include "text/regional.h"

namespace tabrin {
namespace {

bool IsNumeric(const TValue& value) {
  switch (value.Type()) {
    case TValueType::vtInteger:
    case TValueType::vtFloat:
    case TValueType::vtBoolean: return true;
    default: return false;
  }
}

bool IsBlank(const TValue& value) {
  return value.IsNull() || (value.Type() == TValueType::vtText && value.Text().empty());
}

// Date-times travel as fractions of a day; a server may keep them to the
// millisecond only.
long long Milliseconds(double serial) { return std::llround(serial * 86'400'000.0); }

}  // namespace

bool SameStoredValue(const TValue& a, const TValue& b) {
  if (IsBlank(a) || IsBlank(b)) return IsBlank(a) && IsBlank(b);
  if (a.Type() == TValueType::vtDateTime && b.Type() == TValueType::vtDateTime) {
    return Milliseconds(a.DateTime()) == Milliseconds(b.DateTime());
  }
  if (IsNumeric(a) && IsNumeric(b)) return a.Number() == b.Number();
  if (a.Type() == TValueType::vtText && b.Type() == TValueType::vtText) return a.Text() == b.Text();
  return ValueText(a) == ValueText(b);
}

bool TFieldChange::Changes() const { return !SameStoredValue(before, after); }

bool TRowChange::Same() const {
  return action == TRowAction::raOverwritten &&
         std::none_of(fields.begin(), fields.end(), [](const TFieldChange& f) { return f.Changes(); });
}

std::string ValueText(const TValue& value) {
  const TRegionalFormats& regional = TRegionalFormats::System();
  switch (value.Type()) {
    case TValueType::vtNull: return {};
    case TValueType::vtText: return value.Text();
    case TValueType::vtInteger: return std::to_string(value.Integer());
    case TValueType::vtFloat: return regional.FloatToText(value.Float());
    case TValueType::vtDateTime: return regional.DateTimeToText(value.DateTime());
    case TValueType::vtBoolean: return value.Boolean() ? "True" : "False";
  }
  return {};
}

}  // namespace tabrin
