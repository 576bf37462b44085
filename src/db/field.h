#pragma once
// TField: one field of an open query — a declared field (kind, width and
// title from schema.h) or, for a query without a declared list, one result
// column.
//
//   TField& f = query.FieldByName("ClsName");
//   f.AsString();            // regional text; empty for null
//   f.AsFloat();             // number; 0 for null; text converted or refused
//   query.Edit(); f.SetAsString("飲料"); query.Post();
//
// Writes follow the field's kind: 8-bit text is cut to its width in Big5
// bytes, 16-bit text to its width in UTF-16 units (both at character
// boundaries); integers are rounded half to even and range-checked;
// date-times are read from regional text (empty gives null); an empty text
// stays an empty text.  Writes need the query in edit or insert state.
#include <cstdint>
#include <string>
#include <string_view>

#include "db/field_type.h"
#include "db/schema.h"
#include "db/value.h"

namespace tabrin {

class TQuery;

class TField {
 public:
  TField(TQuery& query, int index, std::string name, TFieldType type, int size);
  TField(TQuery& query, int index, const TFieldDef& def);
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  const std::string& FieldName() const { return name_; }
  TFieldType DataType() const { return type_; }
  // True for a field of a declared list; Kind() is then meaningful.
  bool IsDeclared() const { return declared_; }
  TFieldKind Kind() const { return kind_; }
  int Size() const { return size_; }  // text width; 0 for other types
  int Index() const { return index_; }

  // The title set on the field (the declared display title), maybe empty.
  const std::string& DisplayTitle() const { return title_; }
  void SetDisplayTitle(std::string title) { title_ = std::move(title); }
  // The title, else the field name.
  const std::string& DisplayLabel() const { return title_.empty() ? name_ : title_; }
  // Width in characters: the width set when at least 1, else by type (text:
  // size; LargeInt 15; Boolean 5; DateTime 18; Date and Time 10; others 10).
  int DisplayWidth() const;
  void SetDisplayWidth(int width) { displayWidth_ = width; }
  bool Visible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }
  bool IsBlob() const { return IsBlobType(type_); }

  // Reading the current record.
  const TValue& Value() const;
  // The value the record holds as read, before the edit under way; null for
  // a record being appended.
  const TValue& OldValue() const;
  bool IsNull() const { return Value().IsNull(); }
  std::string AsString() const;  // "True"/"False" for booleans
  double AsFloat() const;        // "'%s' is not a valid floating point value"
  std::int64_t AsInteger() const;
  bool AsBoolean() const;
  double AsDateTime() const;     // 0 for null

  // Writing the record being edited or appended.
  void SetAsString(std::string_view text);
  void SetAsFloat(double value);
  void SetAsInteger(std::int64_t value);
  void SetAsBoolean(bool value);
  void SetAsDateTime(double serial);
  void SetValue(const TValue& value);  // any value, through the same rules
  void Clear();                        // null

  // The name errors use: the display title, else the field name.
  const std::string& ErrorName() const { return DisplayLabel(); }

 private:
  void Store(TValue value);

  TQuery& query_;
  int index_;  // position in the query's result row
  std::string name_;
  TFieldType type_;
  TFieldKind kind_ = TFieldKind::fkText8;
  bool declared_ = false;
  int size_ = 0;
  std::string title_;
  int displayWidth_ = 0;
  bool visible_ = true;
};

}  // namespace tabrin
