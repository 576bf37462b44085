#include "db/field_type.h"

namespace tabrin {

std::string_view FieldTypeName(TFieldType type) {
  switch (type) {
    case TFieldType::ftString: return "String";
    case TFieldType::ftWideString: return "WideString";
    case TFieldType::ftMemo: return "Memo";
    case TFieldType::ftWideMemo: return "WideMemo";
    case TFieldType::ftSmallint: return "SmallInt";
    case TFieldType::ftInteger: return "Integer";
    case TFieldType::ftWord: return "Word";
    case TFieldType::ftAutoInc: return "AutoInc";
    case TFieldType::ftLargeint: return "LargeInt";
    case TFieldType::ftFloat: return "Float";
    case TFieldType::ftCurrency: return "Currency";
    case TFieldType::ftBCD: return "BCD";
    case TFieldType::ftDate: return "Date";
    case TFieldType::ftTime: return "Time";
    case TFieldType::ftDateTime: return "DateTime";
    case TFieldType::ftBoolean: return "Boolean";
    case TFieldType::ftBlob: return "Blob";
    case TFieldType::ftBytes: return "Bytes";
    case TFieldType::ftUnknown: break;
  }
  return "Unknown";
}

bool IsTextType(TFieldType type) {
  return type == TFieldType::ftString || type == TFieldType::ftWideString || type == TFieldType::ftMemo ||
         type == TFieldType::ftWideMemo;
}

bool IsSmallIntegerType(TFieldType type) {
  return type == TFieldType::ftSmallint || type == TFieldType::ftInteger || type == TFieldType::ftWord ||
         type == TFieldType::ftAutoInc;
}

bool IsFloatType(TFieldType type) {
  return type == TFieldType::ftFloat || type == TFieldType::ftCurrency || type == TFieldType::ftBCD;
}

bool IsDateTimeType(TFieldType type) {
  return type == TFieldType::ftDate || type == TFieldType::ftTime || type == TFieldType::ftDateTime;
}

bool IsBlobType(TFieldType type) {
  return type == TFieldType::ftMemo || type == TFieldType::ftWideMemo || type == TFieldType::ftBlob;
}

TFieldType FieldTypeOfKind(TFieldKind kind) {
  switch (kind) {
    case TFieldKind::fkText8: return TFieldType::ftString;
    case TFieldKind::fkText16: return TFieldType::ftWideString;
    case TFieldKind::fkInt16: return TFieldType::ftSmallint;
    case TFieldKind::fkInt32: return TFieldType::ftInteger;
    case TFieldKind::fkFloat: return TFieldType::ftFloat;
    case TFieldKind::fkDateTime: return TFieldType::ftDateTime;
    case TFieldKind::fkBoolean: return TFieldType::ftBoolean;
  }
  return TFieldType::ftUnknown;
}

bool KindMatchesColumn(TFieldKind kind, TFieldType columnType) {
  switch (kind) {
    case TFieldKind::fkText8:
    case TFieldKind::fkText16: return IsTextType(columnType);
    case TFieldKind::fkInt16:
    case TFieldKind::fkInt32: return IsSmallIntegerType(columnType);
    case TFieldKind::fkFloat: return IsFloatType(columnType);
    case TFieldKind::fkDateTime: return IsDateTimeType(columnType);
    case TFieldKind::fkBoolean: return columnType == TFieldType::ftBoolean;
  }
  return false;
}

}  // namespace tabrin
