#pragma once
// Field data types and the seven declared field kinds.
//
// TFieldType is the type of a result column or field as the data layer
// reports it (FieldTypeName gives "String", "WideString", "SmallInt", ...,
// the names used in the type-mismatch message).  TFieldKind is the kind of a
// declared field: it fixes what writing a value into the field does (cutting
// to width, rounding, range and date checks).
#include <string_view>

namespace tabrin {

enum class TFieldType {
  ftUnknown,
  ftString,      // 8-bit text
  ftWideString,  // 16-bit text
  ftMemo,        // long 8-bit text
  ftWideMemo,    // long 16-bit text
  ftSmallint,    // signed 16-bit
  ftInteger,     // signed 32-bit
  ftWord,        // unsigned 16-bit
  ftAutoInc,     // auto-numbered 32-bit
  ftLargeint,    // signed 64-bit
  ftFloat,
  ftCurrency,
  ftBCD,         // decimal / numeric
  ftDate,
  ftTime,
  ftDateTime,
  ftBoolean,
  ftBlob,
  ftBytes,
};

std::string_view FieldTypeName(TFieldType type);

bool IsTextType(TFieldType type);          // String, WideString, Memo, WideMemo
bool IsSmallIntegerType(TFieldType type);  // SmallInt, Integer, Word, AutoInc
bool IsFloatType(TFieldType type);         // Float, Currency, BCD
bool IsDateTimeType(TFieldType type);      // Date, Time, DateTime
bool IsBlobType(TFieldType type);          // Memo, WideMemo, Blob

enum class TFieldKind {
  fkText8,     // 8-bit text, width in Big5 bytes
  fkText16,    // 16-bit text, width in UTF-16 units
  fkInt16,     // signed 16-bit integer
  fkInt32,     // signed 32-bit integer
  fkFloat,     // 64-bit float
  fkDateTime,  // date and time of day
  fkBoolean,
};

// The data type a declared field of this kind reports.
TFieldType FieldTypeOfKind(TFieldKind kind);
// True when a declared field of this kind binds to a column of this type.
bool KindMatchesColumn(TFieldKind kind, TFieldType columnType);

}  // namespace tabrin
