#pragma once
// What a worksheet's cell becomes: its value text read as its type (the t
// attribute) and its cell format (the s attribute) say, in the light of the
// workbook's shared strings and date system.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/text_pool.h"
#include "xls/model/worksheet.h"
#include "xls/ooxml/value_text.h"

namespace tabrin::detail {

class TWorksheetBuilder;

// What a cell's value text holds, by the cell's t attribute.
enum class TCellType : std::uint8_t { Number, Shared, Formula, Inline, Boolean, Error, Date };

// The type a t attribute (a C string as expat holds it) names; none, or
// one unknown, is a number.
inline TCellType CellTypeOf(const char* type) {
  if (*type == '\0') return TCellType::Number;
  if (Is(type, "s")) return TCellType::Shared;
  if (Is(type, "str")) return TCellType::Formula;
  if (Is(type, "inlineStr")) return TCellType::Inline;
  if (Is(type, "b")) return TCellType::Boolean;
  if (Is(type, "e")) return TCellType::Error;
  if (Is(type, "d")) return TCellType::Date;
  return TCellType::Number;
}

// Whether the value text of a cell of that type is a text of the cell's
// own, decoded in place.
inline bool DecodesText(TCellType type) { return type == TCellType::Formula || type == TCellType::Inline; }

// What a cell adds to its sheet: a touch only (it widens the used range), a
// value, a shared text or a text of its own.
struct TCellValue {
  enum class TWhat : std::uint8_t { Touch, Value, Shared, Own };
  TWhat what = TWhat::Touch;
  TCellKind kind = TCellKind::ckEmpty;  // of a value
  double number = 0;                    // of a value
  std::uint32_t shared = 0;             // the index of a shared text
  std::string_view text;                // a text of the cell's own
};

// Adds a cell to a sheet being built.
void AddCell(TWorksheetBuilder& builder, std::uint32_t row, std::uint32_t column, const TCellValue& value);

// Reads the values of a workbook's cells.
class TCellValueReader {
 public:
  // dateStyles: by cell format, whether it shows a date or a time.
  TCellValueReader(const TTextPool& sharedStrings, const std::vector<bool>& dateStyles, bool dates1904)
      : sharedStrings_(sharedStrings), dateStyles_(dateStyles), dates1904_(dates1904) {}

  // The value a cell of that type and format holds as text.  The text of a
  // text cell is decoded in place and the result refers to it.  Raises
  // TDamagedPackage for a text that is not what the type says.
  TCellValue Read(TCellType type, std::uint32_t style, std::string& text) const;
  // The same for a type whose text is read as it stands (DecodesText says
  // not), from text anywhere.
  TCellValue ReadPlain(TCellType type, std::uint32_t style, std::string_view text) const;

 private:
  const TTextPool& sharedStrings_;
  const std::vector<bool>& dateStyles_;
  const bool dates1904_;
};

}  // namespace tabrin::detail
