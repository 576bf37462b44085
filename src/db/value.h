#pragma once
// TValue: one database value as the data layer holds it — null, text (UTF-8),
// integer, float, date-time (serial days since 1899-12-30) or boolean.
//
//   TValue v = TValue::Text("小分類");
//   if (v.IsNull()) ...;  v.Type() == TValueType::vtText;  v.Text();
//
// Backends deliver result cells as TValue and receive bound parameters as
// TValue; fields convert between TValue and the texts/numbers callers use.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace tabrin {

enum class TValueType { vtNull, vtText, vtInteger, vtFloat, vtDateTime, vtBoolean };

class TValue {
 public:
  TValue() = default;  // null
  static TValue Null() { return TValue(); }
  static TValue Text(std::string text) { return TValue(Storage(std::in_place_index<1>, std::move(text))); }
  static TValue Integer(std::int64_t value) { return TValue(Storage(std::in_place_index<2>, value)); }
  static TValue Float(double value) { return TValue(Storage(std::in_place_index<3>, value)); }
  static TValue DateTime(double serial) { return TValue(Storage(std::in_place_index<4>, DateTimeSerial{serial})); }
  static TValue Boolean(bool value) { return TValue(Storage(std::in_place_index<5>, value)); }

  // Makes this value the text, reusing the room of a text it holds already.
  void AssignText(std::string_view text) {
    if (auto* held = std::get_if<1>(&storage_)) {
      held->assign(text);
    } else {
      storage_.emplace<1>(text);
    }
  }

  TValueType Type() const { return static_cast<TValueType>(storage_.index()); }
  bool IsNull() const { return storage_.index() == 0; }

  // Each accessor requires the matching type (checked: std::bad_variant_access).
  const std::string& Text() const { return std::get<1>(storage_); }
  std::int64_t Integer() const { return std::get<2>(storage_); }
  double Float() const { return std::get<3>(storage_); }
  double DateTime() const { return std::get<4>(storage_).serial; }
  bool Boolean() const { return std::get<5>(storage_); }

  // A number for integer, float, date-time and boolean values; 0 otherwise.
  double Number() const;

  friend bool operator==(const TValue& a, const TValue& b) { return a.storage_ == b.storage_; }

 private:
  struct DateTimeSerial {
    double serial;
    friend bool operator==(const DateTimeSerial&, const DateTimeSerial&) = default;
  };
  using Storage = std::variant<std::monostate, std::string, std::int64_t, double, DateTimeSerial, bool>;
  explicit TValue(Storage storage) : storage_(std::move(storage)) {}
  Storage storage_;
};

}  // namespace tabrin
