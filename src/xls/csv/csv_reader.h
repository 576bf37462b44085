#pragma once
// A text file of rows read as one worksheet: every field a text cell (so a
// code keeps its leading zeros, and numbers and dates are read later by the
// same rules as a workbook's text cells), the first line in row 0.
//
//   const TCsvLayout layout = FindCsvLayout(bytes, {});   // Big5 or UTF-8, ',' ';' or tab
//   TWorksheet sheet = ReadCsvSheet(bytes, layout, "items", "/data/items.csv");
//
// The fields follow the common rules of such files: a field in double
// quotes may hold separators, line breaks and doubled quotes; lines end in
// CRLF, LF or CR; a short line leaves its missing cells blank.  Text after
// a closing quote is kept as it stands, as spreadsheet programs do.
#include <cstddef>
#include <string>
#include <string_view>

#include "xls/csv/text_file_options.h"
#include "xls/model/worksheet.h"

namespace tabrin {

struct TCsvLayout {
  TTextEncoding encoding = TTextEncoding::teUtf8;
  char separator = ',';
  friend bool operator==(const TCsvLayout&, const TCsvLayout&) = default;
};

// The most fields of a line and the longest field, as a workbook sheet
// holds them at most.
inline constexpr int kCsvMaxColumns = 16384;
inline constexpr std::size_t kCsvMaxFieldUnits = 32767;

// The encoding: the options', else the one a byte-order mark names, else
// UTF-8 when the bytes are valid UTF-8, else Big5 (code page 950).  The
// separator: the options', else whichever of comma, tab and semicolon the
// first lines hold most often outside quotes (a comma when none).
TCsvLayout FindCsvLayout(std::string_view bytes, const TTextFileOptions& options);

// Raises TabrinError naming displayName and the line (1-based) for a quote
// not closed by the end of the file, a byte the encoding cannot read, a line
// of more than kCsvMaxColumns fields or a field of more than
// kCsvMaxFieldUnits UTF-16 units.
TWorksheet ReadCsvSheet(std::string_view bytes, const TCsvLayout& layout, std::string sheetName,
                        const std::string& displayName);

}  // namespace tabrin
