#include "db/field.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "db/query.h"
#include "text/ascii.h"
#include "text/boolean_text.h"
#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"
#include "text/integer_text.h"
#include "text/messages.h"
#include "text/regional.h"
#include "text/translation.h"

namespace tabrin {
namespace {

// What writing into a field does, derived from its declared kind or, for a
// result column, from its type.
enum class TWriteRule { text8, text16, integer, floating, dateTime, boolean, raw };

struct TRange {
  double min;
  double max;
};

// A declared field's type is the one of its kind (see its constructor), so
// the type alone gives the rule of every field.
TWriteRule RuleOfType(TFieldType type) {
  switch (type) {
    case TFieldType::ftString:
    case TFieldType::ftMemo: return TWriteRule::text8;
    case TFieldType::ftWideString:
    case TFieldType::ftWideMemo: return TWriteRule::text16;
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftAutoInc:
    case TFieldType::ftLargeint: return TWriteRule::integer;
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD: return TWriteRule::floating;
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime: return TWriteRule::dateTime;
    case TFieldType::ftBoolean: return TWriteRule::boolean;
    default: return TWriteRule::raw;
  }
}

TRange RangeOfType(TFieldType type) {
  switch (type) {
    case TFieldType::ftSmallint: return {-32768.0, 32767.0};
    case TFieldType::ftWord: return {0.0, 65535.0};
    case TFieldType::ftLargeint: return {-9223372036854775808.0, 9223372036854774784.0};
    default: return {-2147483648.0, 2147483647.0};
  }
}

// Integer fields take their text with blanks around it.
std::optional<std::int64_t> ParseFieldInteger(std::string_view text) {
  return ParseInteger(TrimAscii(text, kSpaceTab));
}

}  // namespace

TField::TField(TQuery& query, int index, std::string name, TFieldType type, int size)
    : query_(query), index_(index), name_(std::move(name)), type_(type), size_(size) {}

TField::TField(TQuery& query, int index, const TFieldDef& def)
    : query_(query),
      index_(index),
      name_(def.name),
      type_(FieldTypeOfKind(def.kind)),
      kind_(def.kind),
      declared_(true),
      size_(def.width),
      title_(def.title) {}

int TField::DisplayWidth() const {
  if (displayWidth_ >= 1) return displayWidth_;
  switch (type_) {
    case TFieldType::ftString:
    case TFieldType::ftWideString: return size_ > 0 ? size_ : 10;
    case TFieldType::ftLargeint: return 15;
    case TFieldType::ftBoolean: return 5;  // "False"
    case TFieldType::ftDateTime: return 18;
    case TFieldType::ftDate:
    case TFieldType::ftTime: return 10;
    default: return 10;
  }
}

const TValue& TField::Value() const { return query_.CurrentValue(index_); }

const TValue& TField::OldValue() const { return query_.StoredValue(index_); }

std::string TField::AsString() const {
  const TValue& value = Value();
  const TRegionalFormats& regional = TRegionalFormats::System();
  switch (value.Type()) {
    case TValueType::vtNull: return {};
    case TValueType::vtText: return value.Text();
    case TValueType::vtInteger: return std::to_string(value.Integer());
    case TValueType::vtFloat: return regional.FloatToText(value.Float());
    case TValueType::vtDateTime:
      if (type_ == TFieldType::ftTime) return regional.FormatDateTime(regional.longTime, value.DateTime());
      return regional.DateTimeToText(value.DateTime());
    case TValueType::vtBoolean: return value.Boolean() ? "True" : "False";
  }
  return {};
}

double TField::AsFloat() const {
  const TValue& value = Value();
  // A text column reads its text, and an empty cell's text is "", which is
  // no number: only numeric columns give 0 for an empty value.
  if (value.IsNull() && IsTextType(type_)) {
    throw TabrinError(FormatMessage("'%s' is not a valid floating point value", {""}));
  }
  if (value.Type() != TValueType::vtText) return value.Number();
  if (auto number = TRegionalFormats::System().ParseFloat(value.Text())) return *number;
  throw TabrinError(FormatMessage("'%s' is not a valid floating point value", {value.Text()}));
}

std::int64_t TField::AsInteger() const {
  const TValue& value = Value();
  switch (value.Type()) {
    case TValueType::vtInteger: return value.Integer();
    case TValueType::vtText:
      if (auto number = ParseFieldInteger(value.Text())) return *number;
      throw TabrinError(NotAnIntegerMessage(value.Text()));
    default: return static_cast<std::int64_t>(std::nearbyint(value.Number()));
  }
}

bool TField::AsBoolean() const {
  const TValue& value = Value();
  switch (value.Type()) {
    case TValueType::vtNull: return false;
    case TValueType::vtBoolean: return value.Boolean();
    case TValueType::vtText:
      if (auto flag = ParseBoolean(value.Text(), TRegionalFormats::System())) return *flag;
      throw TabrinError(FormatMessage(Tr("'%s' is not a valid boolean value"), {value.Text()}));
    default: return value.Number() != 0;
  }
}

double TField::AsDateTime() const {
  const TValue& value = Value();
  if (value.Type() != TValueType::vtText) return value.Number();
  if (auto serial = TRegionalFormats::System().ParseDateTime(value.Text())) return *serial;
  throw TabrinError(FormatMessage("'%s' is not a valid date and time", {value.Text()}));
}

void TField::SetAsString(std::string_view text) {
  const TWriteRule rule = RuleOfType(type_);
  switch (rule) {
    // Texts go into the record as they are kept, without a copy in between:
    // an import writes a dozen a row.
    case TWriteRule::text8:
      query_.StoreText(index_, size_ > 0 ? Big5Prefix(text, static_cast<std::size_t>(size_)) : text);
      return;
    case TWriteRule::text16:
      query_.StoreText(index_, size_ > 0 ? Utf16Prefix(text, static_cast<std::size_t>(size_)) : text);
      return;
    case TWriteRule::raw: query_.StoreText(index_, text); return;
    default: break;
  }
  if (text.empty()) {
    Clear();
    return;
  }
  switch (rule) {
    case TWriteRule::integer:
      if (auto number = ParseFieldInteger(text)) return SetAsInteger(*number);
      throw TabrinError(NotAnIntegerMessage(text));
    case TWriteRule::floating:
      if (auto number = TRegionalFormats::System().ParseFloat(text)) return SetAsFloat(*number);
      throw TabrinError(FormatMessage("'%s' is not a valid floating point value", {text}));
    case TWriteRule::dateTime:
      if (auto serial = TRegionalFormats::System().ParseDateTime(text)) return SetAsDateTime(*serial);
      throw TabrinError(FormatMessage("'%s' is not a valid date and time", {text}));
    case TWriteRule::boolean:
      if (auto flag = ParseBoolean(text, TRegionalFormats::System())) return SetAsBoolean(*flag);
      throw TabrinError(FormatMessage(Tr("'%s' is not a valid boolean value for field '%s'"), {text, ErrorName()}));
    default: return;
  }
}

void TField::SetAsFloat(double value) {
  switch (RuleOfType(type_)) {
    case TWriteRule::integer: {
      const TRange range = RangeOfType(type_);
      const double rounded = std::nearbyint(value);  // half to even
      if (!(rounded >= range.min && rounded <= range.max)) {
        throw TabrinError(FormatMessage("%g is not a valid value for field '%s'. The allowed range is %g to %g",
                                        {rounded, ErrorName(), range.min, range.max}));
      }
      Store(TValue::Integer(static_cast<std::int64_t>(rounded)));
      return;
    }
    case TWriteRule::floating: Store(TValue::Float(value)); return;
    case TWriteRule::dateTime: Store(TValue::DateTime(value)); return;
    case TWriteRule::boolean: Store(TValue::Boolean(value != 0)); return;
    default: SetAsString(TRegionalFormats::System().FloatToText(value)); return;
  }
}

void TField::SetAsInteger(std::int64_t value) {
  switch (RuleOfType(type_)) {
    case TWriteRule::integer: {
      const TRange range = RangeOfType(type_);
      const double number = static_cast<double>(value);
      if (number < range.min || number > range.max) {
        throw TabrinError(FormatMessage("%g is not a valid value for field '%s'. The allowed range is %g to %g",
                                        {number, ErrorName(), range.min, range.max}));
      }
      Store(TValue::Integer(value));
      return;
    }
    case TWriteRule::floating: Store(TValue::Float(static_cast<double>(value))); return;
    case TWriteRule::dateTime: Store(TValue::DateTime(static_cast<double>(value))); return;
    case TWriteRule::boolean: Store(TValue::Boolean(value != 0)); return;
    default: SetAsString(std::to_string(value)); return;
  }
}

void TField::SetAsBoolean(bool value) {
  switch (RuleOfType(type_)) {
    case TWriteRule::boolean: Store(TValue::Boolean(value)); return;
    case TWriteRule::integer: Store(TValue::Integer(value ? 1 : 0)); return;
    case TWriteRule::floating: Store(TValue::Float(value ? 1.0 : 0.0)); return;
    case TWriteRule::dateTime:
      throw TabrinError(FormatMessage(Tr("Cannot access field '%s' as type %s"), {ErrorName(), "Boolean"}));
    default: SetAsString(value ? "True" : "False"); return;
  }
}

void TField::SetAsDateTime(double serial) {
  switch (RuleOfType(type_)) {
    case TWriteRule::dateTime: Store(TValue::DateTime(serial)); return;
    case TWriteRule::floating: Store(TValue::Float(serial)); return;
    case TWriteRule::integer:
    case TWriteRule::boolean:
      throw TabrinError(FormatMessage(Tr("Cannot access field '%s' as type %s"), {ErrorName(), "DateTime"}));
    default: SetAsString(TRegionalFormats::System().DateTimeToText(serial)); return;
  }
}

void TField::SetValue(const TValue& value) {
  switch (value.Type()) {
    case TValueType::vtNull: Clear(); return;
    case TValueType::vtText: SetAsString(value.Text()); return;
    case TValueType::vtInteger: SetAsInteger(value.Integer()); return;
    case TValueType::vtFloat: SetAsFloat(value.Float()); return;
    case TValueType::vtDateTime: SetAsDateTime(value.DateTime()); return;
    case TValueType::vtBoolean: SetAsBoolean(value.Boolean()); return;
  }
}

void TField::Clear() { Store(TValue()); }

void TField::Store(TValue value) { query_.StoreValue(index_, std::move(value)); }

}  // namespace tabrin
