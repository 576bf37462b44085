#include "xls/workbook_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>

#include "text/ascii.h"
#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"
#include "xls/biff_reader.h"
#include "xls/cfb_reader.h"

namespace tabrin {

namespace {

using detail::TBiffBodyReader;
using detail::TBiffRecord;
using detail::TBiffRecordCursor;
using detail::TDamagedDocument;
namespace biff = detail::biff;

constexpr int kLastColumn = 255;  // IV: the last column of these workbooks
constexpr double k1904Offset = 1462;  // days from 1899-12-30 to 1904-01-01

constexpr std::string_view kOnlyXls = "only Excel workbooks (.xls, .xlsx) can be read";

[[noreturn]] void Fail(std::string_view pattern, std::initializer_list<MessageArg> args) {
  throw TabrinError(FormatMessage(pattern, args));
}

bool StartsWith(std::string_view bytes, std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; }

// Files that are plainly something else, recognised by their first bytes,
// so that the user learns what to do with them.
void RejectOtherFormats(std::string_view bytes, const std::string& name) {
  if (bytes.empty()) Fail("'%s' is an empty file; %s", {name, kOnlyXls});
  if (StartsWith(bytes, std::string_view("PK\x03\x04", 4))) {
    const std::string_view head = bytes.substr(0, 4096);
    if (head.find("application/vnd.oasis.opendocument.spreadsheet") != std::string_view::npos) {
      Fail("'%s' is an OpenDocument spreadsheet (.ods); %s", {name, kOnlyXls});
    }
    if (bytes.substr(0, 65536).find("xl/") != std::string_view::npos) {
      Fail("'%s' is an Excel 2007 or later workbook (.xlsx), not an Excel 97-2003 workbook (.xls)", {name});
    }
    Fail("'%s' is a ZIP archive, not a workbook; %s", {name, kOnlyXls});
  }
  if (bytes.size() >= 4) {
    const auto type = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[0]) |
                                                 static_cast<unsigned char>(bytes[1]) << 8);
    const char* version = type == biff::kBofBiff2 ? "2.1" : type == biff::kBofBiff3 ? "3.0"
                        : type == biff::kBofBiff4 ? "4.0" : nullptr;
    if (version != nullptr && (bytes[2] == 4 || bytes[2] == 6 || bytes[2] == 8) && bytes[3] == 0) {
      Fail("'%s' is an Excel %s worksheet; %s", {name, version, kOnlyXls});
    }
  }
}

// The workbook stream's sheet positions are 32-bit: no workbook file can be
// much larger than 4 GiB.
constexpr std::uint64_t kLargestWorkbook = std::uint64_t{4} << 30;
// Enough of a file's start to tell what else it is.
constexpr std::size_t kHeadBytes = 64 * 1024;

bool IsCompoundDocument(std::string_view head) {
  return StartsWith(head, std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
}

std::string JoinQuoted(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& name : names) {
    if (!out.empty()) out += ", ";
    out += "\"" + name + "\"";
  }
  return out;
}

}  // namespace

// ---- TTextPool

std::uint32_t TTextPool::Add(std::string_view text) {
  chars_.append(text);
  return Seal();
}

std::uint32_t TTextPool::Seal() {
  ends_.push_back(chars_.size());
  return static_cast<std::uint32_t>(ends_.size() - 1);
}

std::string_view TTextPool::At(std::uint32_t index) const {
  const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
  return std::string_view(chars_).substr(begin, ends_[index] - begin);
}

void TTextPool::Reserve(std::size_t texts, std::size_t bytes) {
  ends_.reserve(texts);
  chars_.reserve(bytes);
}

// ---- TWorksheet

std::span<const TSheetCell> TWorksheet::RowCells(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) + 1 >= rowStarts_.size()) return {};
  return std::span<const TSheetCell>(cells_).subspan(rowStarts_[row], rowStarts_[row + 1] - rowStarts_[row]);
}

const TSheetCell* TWorksheet::Find(int row, int column) const {
  const std::span<const TSheetCell> cells = RowCells(row);
  const auto it = std::lower_bound(cells.begin(), cells.end(), column,
                                   [](const TSheetCell& cell, int c) { return cell.column < c; });
  return it != cells.end() && it->column == column ? &*it : nullptr;
}

std::string_view TWorksheet::Text(const TSheetCell& cell) const {
  if (cell.kind != TCellKind::ckText) return {};
  const std::uint32_t shared = sharedTexts_ ? sharedTexts_->Count() : 0;
  return cell.text < shared ? sharedTexts_->At(cell.text) : ownTexts_.At(cell.text - shared);
}

std::int64_t TWorksheet::SharedTextNumber(const TSheetCell& cell) const {
  if (cell.kind != TCellKind::ckText || cell.text >= SharedTextCount()) return -1;
  return cell.text;
}

// ---- TWorkbookReader

TWorkbookReader TWorkbookReader::OpenFile(const std::string& path) {
  // What the file is, is told from its first bytes before anything else is
  // read; a workbook's streams are then read from the file sector by sector,
  // so memory holds the workbook stream and never the file besides.
  const detail::TFileBytes file(path);
  const std::string head = file.Head(kHeadBytes);
  RejectOtherFormats(head, path);
  if (!IsCompoundDocument(head)) Fail("'%s' is not an Excel workbook (.xls, .xlsx)", {path});
  if (file.Size() > kLargestWorkbook) {
    Fail("'%s' is %s MB, larger than any Excel 97-2003 workbook can be; %s",
         {path, std::to_string(file.Size() >> 20), kOnlyXls});
  }
  TWorkbookReader reader(path);
  reader.Load(file);
  return reader;
}

TWorkbookReader::TWorkbookReader(std::string_view fileBytes, std::string displayName)
    : TWorkbookReader(std::move(displayName)) {
  RejectOtherFormats(fileBytes, displayName_);
  Load(detail::TMemoryBytes(fileBytes));
}

TWorkbookReader::TWorkbookReader(std::string displayName)
    : displayName_(std::move(displayName)), sharedStrings_(std::make_shared<TTextPool>()) {}

void TWorkbookReader::Load(const detail::TContainerBytes& bytes) {
  try {
    const detail::TCompoundFileReader container(bytes);
    std::optional<std::string> stream = container.ReadRootStream("Workbook");
    if (!stream) stream = container.ReadRootStream("Book");
    if (!stream) {
      const std::vector<std::string> names = container.RootStreamNames();
      if (std::find(names.begin(), names.end(), "EncryptedPackage") != names.end()) {
        Fail("'%s' is protected by a password; remove the password in Excel and save the workbook again",
             {displayName_});
      }
      Fail("'%s' holds no workbook (a compound document without a \"Workbook\" stream); %s",
           {displayName_, kOnlyXls});
    }
    stream_ = std::move(*stream);
  } catch (const detail::TNotCompoundDocument&) {
    Fail("'%s' is not an Excel workbook (.xls, .xlsx)", {displayName_});
  } catch (const TDamagedDocument& e) {
    Damaged(e.what());
  } catch (const std::bad_alloc&) {
    Fail("'%s' is too large to be read in the memory available", {displayName_});
  }
  try {
    ReadGlobals();
  } catch (const TDamagedDocument& e) {
    Damaged(e.what());
  } catch (const std::bad_alloc&) {
    Fail("'%s' is too large to be read in the memory available", {displayName_});
  }
}

void TWorkbookReader::Damaged(const std::string& reason) const {
  Fail("'%s' is damaged and cannot be read: %s", {displayName_, reason});
}

std::string TWorkbookReader::DecodeBytes(std::string_view bytes) const {
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return std::string(bytes);
  }
  return codePage_ == 950 ? Big5ToUtf8(bytes) : Cp1252ToUtf8(bytes);
}

void TWorkbookReader::ReadGlobals() {
  TBiffRecordCursor cursor(stream_, 0);
  if (cursor.AtEnd()) throw TDamagedDocument("the workbook stream is empty");
  const TBiffRecord bof = cursor.Next();
  if (bof.type == biff::kBofBiff2 || bof.type == biff::kBofBiff3 || bof.type == biff::kBofBiff4) {
    Fail("'%s' is an Excel 4.0 or older workbook; %s", {displayName_, kOnlyXls});
  }
  if (bof.type != biff::kBof || bof.body.size() < 4) throw TDamagedDocument("the workbook stream does not start a workbook");
  TBiffBodyReader bofReader(bof);
  const std::uint16_t version = bofReader.U16();
  const std::uint16_t substream = bofReader.U16();
  if (version == biff::kVersionBiff8) {
    biffVersion_ = 8;
  } else if (version == biff::kVersionBiff5) {
    biffVersion_ = 5;
  } else {
    throw TDamagedDocument(FormatMessage("unknown workbook version %d", {static_cast<int>(version)}));
  }
  if (substream != biff::kGlobalsSubstream) throw TDamagedDocument("the workbook stream does not start a workbook");

  std::vector<std::int8_t> formatIsDate(65536, -1);  // -1: no FORMAT record for that index
  std::vector<std::uint16_t> xfFormats;
  std::vector<std::string> rawSheetNames;  // BIFF5 names wait for the code page
  bool ended = false;
  while (!cursor.AtEnd() && !ended) {
    const TBiffRecord record = cursor.Next();
    TBiffBodyReader body(record);
    switch (record.type) {
      case biff::kEof:
        ended = true;
        break;
      case biff::kFilePass:
        Fail("'%s' is protected by a password; remove the password in Excel and save the workbook again",
             {displayName_});
      case biff::kCodePage:
        codePage_ = body.U16();
        break;
      case biff::kDateMode:
        dates1904_ = body.U16() != 0;
        break;
      case biff::kFormat: {
        const std::uint16_t index = body.U16();
        const std::string code = biffVersion_ == 8 ? detail::ReadUnicodeString(body, 2) : body.Bytes(body.U8());
        formatIsDate[index] = detail::IsDateFormatCode(code) ? 1 : 0;
        break;
      }
      case biff::kXf:
        body.Skip(2);
        xfFormats.push_back(body.U16());
        break;
      case biff::kBoundSheet: {
        TSheetEntry entry;
        entry.offset = body.U32();
        body.Skip(1);
        const std::uint8_t kind = body.U8();
        if (biffVersion_ == 8) {
          entry.name = detail::ReadUnicodeString(body, 1);
          rawSheetNames.emplace_back();
        } else {
          rawSheetNames.push_back(body.Bytes(body.U8()));
        }
        if (kind != 0) {  // chart, macro or module sheet
          rawSheetNames.pop_back();
          break;
        }
        sheets_.push_back(std::move(entry));
        break;
      }
      case biff::kSst: {
        body.Skip(4);
        const std::uint32_t unique = body.U32();
        std::size_t bytes = record.body.size();
        for (const std::string_view piece : record.continues) bytes += piece.size();
        // The count is only a claim: a text takes at least three bytes.
        sharedStrings_->Reserve(std::min<std::size_t>(unique, bytes / 3), bytes);
        for (std::uint32_t i = 0; i < unique && !body.AtEnd(); ++i) {
          detail::AppendRichExtendedString(body, sharedStrings_->Buffer());
          sharedStrings_->Seal();
        }
        break;
      }
      default:
        break;
    }
  }
  if (!ended) throw TDamagedDocument("the workbook stream ends before the list of sheets is complete");

  if (biffVersion_ == 5) {
    const bool knownCodePage = codePage_ == 950 || codePage_ == 1252 || codePage_ == 367 || codePage_ == 0x8001;
    if (!knownCodePage) {
      Fail("'%s' is written in code page %d, which cannot be read (only 950 Big5 and 1252 Western)",
           {displayName_, codePage_});
    }
    for (std::size_t i = 0; i < sheets_.size(); ++i) sheets_[i].name = DecodeBytes(rawSheetNames[i]);
  }

  dateXfs_.resize(xfFormats.size());
  for (std::size_t i = 0; i < xfFormats.size(); ++i) {
    const std::uint16_t format = xfFormats[i];
    dateXfs_[i] = formatIsDate[format] >= 0 ? formatIsDate[format] == 1 : detail::IsBuiltInDateFormat(format);
  }
}

bool TWorkbookReader::IsDateXf(std::uint16_t xf) const { return xf < dateXfs_.size() && dateXfs_[xf]; }

std::vector<std::string> TWorkbookReader::SheetNames() const {
  std::vector<std::string> names;
  for (const TSheetEntry& sheet : sheets_) names.push_back(sheet.name);
  return names;
}

TWorksheet TWorkbookReader::ReadSheet(std::string_view name) const {
  const auto entry = std::find_if(sheets_.begin(), sheets_.end(),
                                  [&](const TSheetEntry& sheet) { return EqualNoCaseAscii(sheet.name, name); });
  if (entry == sheets_.end()) {
    if (sheets_.empty()) Fail("'%s' has no sheet \"%s\"; it has no worksheets at all", {displayName_, name});
    Fail("'%s' has no sheet \"%s\"; its sheets are %s", {displayName_, name, JoinQuoted(SheetNames())});
  }
  TWorksheet sheet;
  sheet.name_ = entry->name;
  sheet.sharedTexts_ = sharedStrings_;
  try {
    ReadSheetRecords(sheet, entry->offset);
  } catch (const TDamagedDocument& e) {
    Damaged(e.what());
  } catch (const std::bad_alloc&) {
    Fail("'%s' is too large to be read in the memory available", {displayName_});
  }
  return sheet;
}

namespace {

// Collects the cells of one worksheet as its records come.
class TSheetCollector {
 public:
  TSheetCollector(std::vector<TSheetCell>& cells, TTextPool& ownTexts, std::uint32_t sharedCount)
      : cells_(cells), ownTexts_(ownTexts), sharedCount_(sharedCount) {}

  // Any cell record, also a blank one, widens the used range.
  void Touch(std::uint16_t row, std::uint16_t column) {
    if (column > kLastColumn) throw TDamagedDocument("a cell lies beyond the last column");
    firstRow = std::min<int>(firstRow, row);
    lastRow = std::max<int>(lastRow, row);
    firstColumn = std::min<int>(firstColumn, column);
    lastColumn = std::max<int>(lastColumn, column);
  }

  void Add(std::uint16_t row, std::uint16_t column, TCellKind kind, double number, std::uint32_t text = 0) {
    Touch(row, column);
    TSheetCell cell;
    cell.row = row;
    cell.column = static_cast<std::uint8_t>(column);
    cell.kind = kind;
    cell.number = number;
    cell.text = text;
    cells_.push_back(cell);
  }

  void AddSharedText(std::uint16_t row, std::uint16_t column, std::uint32_t index, std::string_view text) {
    if (text.empty()) return Touch(row, column);
    Add(row, column, TCellKind::ckText, 0, index);
  }

  void AddOwnText(std::uint16_t row, std::uint16_t column, std::string_view text) {
    if (text.empty()) return Touch(row, column);
    Add(row, column, TCellKind::ckText, 0, sharedCount_ + ownTexts_.Add(text));
  }

  int firstRow = 65536, lastRow = -1, firstColumn = 256, lastColumn = -1;

 private:
  std::vector<TSheetCell>& cells_;
  TTextPool& ownTexts_;
  std::uint32_t sharedCount_;
};

// Orders the cells by position; where a position was written twice, the
// later record wins.
void SortCells(std::vector<TSheetCell>& cells) {
  const auto before = [](const TSheetCell& a, const TSheetCell& b) {
    return a.row != b.row ? a.row < b.row : a.column < b.column;
  };
  if (!std::is_sorted(cells.begin(), cells.end(), before)) std::stable_sort(cells.begin(), cells.end(), before);
  std::size_t kept = 0;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (kept > 0 && cells[kept - 1].row == cells[i].row && cells[kept - 1].column == cells[i].column) {
      cells[kept - 1] = cells[i];
    } else {
      cells[kept++] = cells[i];
    }
  }
  cells.resize(kept);
}

// How many cells the records of a sheet hold, so that the cell list is
// allocated once.  Damage is left to the reading pass to report.
std::size_t CountCellRecords(std::string_view stream, std::size_t offset) {
  std::size_t count = 0;
  int nesting = 0;
  while (stream.size() - offset >= 4) {
    const auto type = static_cast<std::uint16_t>(static_cast<unsigned char>(stream[offset]) |
                                                 static_cast<unsigned char>(stream[offset + 1]) << 8);
    const std::size_t length = static_cast<unsigned char>(stream[offset + 2]) |
                               static_cast<std::size_t>(static_cast<unsigned char>(stream[offset + 3])) << 8;
    offset += 4 + length;
    if (offset > stream.size()) break;
    switch (type) {
      case biff::kBof: ++nesting; break;
      case biff::kEof:
        if (--nesting <= 0) return count;
        break;
      case biff::kNumber: case biff::kRk: case biff::kLabelSst: case biff::kLabel: case biff::kRString:
      case biff::kBoolErr: case biff::kFormula: case biff::kString:
        ++count;
        break;
      case biff::kMulRk:
        count += length / 6;
        break;
      default:
        break;
    }
  }
  return count;
}

}  // namespace

void TWorkbookReader::ReadSheetRecords(TWorksheet& sheet, std::uint32_t offset) const {
  if (offset >= stream_.size()) throw TDamagedDocument("a sheet lies outside the workbook stream");
  TBiffRecordCursor cursor(stream_, offset);
  const TBiffRecord bof = cursor.Next();
  if (bof.type != biff::kBof || bof.body.size() < 4) {
    throw TDamagedDocument("a sheet does not start where the workbook says");
  }
  {
    TBiffBodyReader bofReader(bof);
    bofReader.Skip(2);
    if (bofReader.U16() != biff::kWorksheetSubstream) throw TDamagedDocument("a sheet does not start where the workbook says");
  }

  const std::uint32_t sharedCount = sharedStrings_->Count();
  sheet.cells_.reserve(CountCellRecords(stream_, offset));
  TSheetCollector sheetCells(sheet.cells_, sheet.ownTexts_, sharedCount);
  // Tells a date from a number by its cell format and moves dates to the
  // usual day count (from 30 December 1899).  1904-based dates are shifted
  // by the four years between the two starts.  1900-based day numbers count
  // a 29 February 1900 that never was (day 60), so only from day 61
  // (1 March 1900) on do they equal the day count; days 1 to 60 are one
  // short of it.  Below 1 a value is a time of day without a date.
  const auto numberKind = [&](std::uint16_t xf, double& value) {
    if (!IsDateXf(xf)) return TCellKind::ckNumber;
    if (dates1904_) {
      value += k1904Offset;
    } else if (value >= 1 && value < 61) {
      value += 1;
    }
    return TCellKind::ckDateTime;
  };
  const auto readText = [&](TBiffBodyReader& body) {
    return biffVersion_ == 8 ? detail::ReadUnicodeString(body, 2) : DecodeBytes(body.Bytes(body.U16()));
  };

  bool pendingString = false;  // a FORMULA whose text result follows in a STRING record
  std::uint16_t pendingRow = 0, pendingColumn = 0;
  int nesting = 0;  // embedded charts bring BOF..EOF blocks of their own
  for (;;) {
    if (cursor.AtEnd()) throw TDamagedDocument("a sheet ends before its last record");
    const TBiffRecord record = cursor.Next();
    TBiffBodyReader body(record);
    if (record.type == biff::kBof) {
      ++nesting;
      continue;
    }
    if (record.type == biff::kEof) {
      if (nesting == 0) break;
      --nesting;
      continue;
    }
    if (nesting > 0) continue;
    if (record.type == biff::kString) {
      if (pendingString) sheetCells.AddOwnText(pendingRow, pendingColumn, readText(body));
      pendingString = false;
      continue;
    }
    switch (record.type) {
      case biff::kNumber: {
        const std::uint16_t row = body.U16(), column = body.U16(), xf = body.U16();
        double value = body.F64();
        const TCellKind kind = numberKind(xf, value);
        sheetCells.Add(row, column, kind, value);
        break;
      }
      case biff::kRk: {
        const std::uint16_t row = body.U16(), column = body.U16(), xf = body.U16();
        double value = detail::DecodeRk(body.U32());
        const TCellKind kind = numberKind(xf, value);
        sheetCells.Add(row, column, kind, value);
        break;
      }
      case biff::kMulRk: {
        const std::uint16_t row = body.U16(), first = body.U16();
        if (record.body.size() < 6) throw TDamagedDocument("a record ends before its data");
        const std::size_t count = (record.body.size() - 6) / 6;
        for (std::size_t i = 0; i < count; ++i) {
          const std::uint16_t xf = body.U16();
          double value = detail::DecodeRk(body.U32());
          const TCellKind kind = numberKind(xf, value);
          sheetCells.Add(row, static_cast<std::uint16_t>(first + i), kind, value);
        }
        break;
      }
      case biff::kLabelSst: {
        const std::uint16_t row = body.U16(), column = body.U16();
        body.Skip(2);
        const std::uint32_t index = body.U32();
        if (index >= sharedCount) throw TDamagedDocument("a cell refers to a shared text that does not exist");
        sheetCells.AddSharedText(row, column, index, sharedStrings_->At(index));
        break;
      }
      case biff::kLabel:
      case biff::kRString: {
        const std::uint16_t row = body.U16(), column = body.U16();
        body.Skip(2);
        sheetCells.AddOwnText(row, column, readText(body));
        break;
      }
      case biff::kBoolErr: {
        const std::uint16_t row = body.U16(), column = body.U16();
        body.Skip(2);
        const std::uint8_t value = body.U8();
        const bool isError = body.U8() != 0;
        if (isError) {
          sheetCells.Add(row, column, TCellKind::ckError, value);
        } else {
          sheetCells.Add(row, column, TCellKind::ckBoolean, value != 0 ? 1 : 0);
        }
        break;
      }
      case biff::kFormula: {
        const std::uint16_t row = body.U16(), column = body.U16(), xf = body.U16();
        if (record.body.size() < 14) throw TDamagedDocument("a record ends before its data");
        const std::string_view result = record.body.substr(6, 8);
        if (static_cast<unsigned char>(result[6]) == 0xFF && static_cast<unsigned char>(result[7]) == 0xFF) {
          const auto kind = static_cast<unsigned char>(result[0]);
          const auto value = static_cast<unsigned char>(result[2]);
          if (kind == 0) {
            sheetCells.Touch(row, column);
            pendingString = true, pendingRow = row, pendingColumn = column;
            continue;
          }
          if (kind == 1) {
            sheetCells.Add(row, column, TCellKind::ckBoolean, value != 0 ? 1 : 0);
          } else if (kind == 2) {
            sheetCells.Add(row, column, TCellKind::ckError, value);
          } else {
            sheetCells.Touch(row, column);  // an empty result
          }
        } else {
          double value = body.F64();
          const TCellKind kind = numberKind(xf, value);
          sheetCells.Add(row, column, kind, value);
        }
        break;
      }
      case biff::kBlank: {
        const std::uint16_t row = body.U16(), column = body.U16();
        sheetCells.Touch(row, column);
        break;
      }
      case biff::kMulBlank: {
        const std::uint16_t row = body.U16(), first = body.U16();
        if (record.body.size() < 6) throw TDamagedDocument("a record ends before its data");
        const std::size_t count = (record.body.size() - 6) / 2;
        if (count > 0) {
          sheetCells.Touch(row, first);
          sheetCells.Touch(row, static_cast<std::uint16_t>(first + count - 1));
        }
        break;
      }
      default:
        // Shared-formula, array and table records may stand between a
        // formula and its STRING record; everything else ends the wait.
        if (record.type == 0x04BC || record.type == 0x0221 || record.type == 0x0236) continue;
        break;
    }
    pendingString = false;
  }

  SortCells(sheet.cells_);
  if (sheetCells.lastRow >= 0) {
    sheet.firstRow_ = sheetCells.firstRow;
    sheet.lastRow_ = sheetCells.lastRow;
    sheet.firstColumn_ = sheetCells.firstColumn;
    sheet.lastColumn_ = sheetCells.lastColumn;
  }
  const int rows = sheet.cells_.empty() ? 0 : sheet.cells_.back().row + 1;
  sheet.rowStarts_.assign(static_cast<std::size_t>(rows) + 1, 0);
  std::size_t at = 0;
  for (int row = 0; row <= rows; ++row) {
    while (at < sheet.cells_.size() && static_cast<int>(sheet.cells_[at].row) < row) ++at;
    sheet.rowStarts_[row] = static_cast<std::uint32_t>(at);
  }
}

}  // namespace tabrin
