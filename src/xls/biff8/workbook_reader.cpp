#include "xls/biff8/workbook_reader.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <new>
#include <system_error>

#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"
#include "xls/biff8/biff_reader.h"
#include "xls/cfb/compound_file_reader.h"
#include "xls/model/large_block.h"
#include "xls/model/sheet_lookup.h"
#include "xls/biff8/sheet_halves.h"
#include "xls/model/worksheet_builder.h"

namespace tabrin {

namespace {

using detail::TBiffBodyReader;
using detail::TBiffRecord;
using detail::TBiffRecordCursor;
using detail::TDamagedDocument;
namespace biff = detail::biff;

constexpr int kLastColumn = 255;  // IV: the last column of these workbooks

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

}  // namespace

// ---- TWorkbookReader

struct TWorkbookReader::TSource {
  std::unique_ptr<const detail::TContainerBytes> bytes;
  std::unique_ptr<const detail::TCompoundFileReader> container;  // reads from bytes
  std::string streamName;
  std::uint64_t streamSize = 0;
};

TWorkbookReader TWorkbookReader::OpenFile(const std::string& path) {
  // What the file is, is told from its first bytes before anything else is
  // read; a workbook's streams are then read from the file sector by sector,
  // so memory never holds the file besides.
  auto file = std::make_unique<const detail::TFileBytes>(path);
  const std::string head = file->Head(kHeadBytes);
  RejectOtherFormats(head, path);
  if (!IsCompoundDocument(head)) Fail("'%s' is not an Excel workbook (.xls, .xlsx)", {path});
  if (file->Size() > kLargestWorkbook) {
    Fail("'%s' is %s MB, larger than any Excel 97-2003 workbook can be; %s",
         {path, std::to_string(file->Size() >> 20), kOnlyXls});
  }
  TWorkbookReader reader(path);
  reader.Load(std::move(file));
  return reader;
}

TWorkbookReader::TWorkbookReader(std::string_view fileBytes, std::string displayName)
    : TWorkbookReader(std::move(displayName)) {
  RejectOtherFormats(fileBytes, displayName_);
  Load(std::make_unique<const detail::TMemoryBytes>(fileBytes));
}

TWorkbookReader::TWorkbookReader(std::string displayName)
    : displayName_(std::move(displayName)), sharedStrings_(std::make_shared<TTextPool>()) {}

TWorkbookReader::~TWorkbookReader() = default;
TWorkbookReader::TWorkbookReader(TWorkbookReader&&) noexcept = default;
TWorkbookReader& TWorkbookReader::operator=(TWorkbookReader&&) noexcept = default;

void TWorkbookReader::Load(std::unique_ptr<const detail::TContainerBytes> bytes) {
  TStreamBytes globals;
  try {
    source_ = std::make_unique<TSource>();
    source_->bytes = std::move(bytes);
    source_->container = std::make_unique<const detail::TCompoundFileReader>(*source_->bytes);
    for (const char* name : {"Workbook", "Book"}) {
      if (const std::optional<std::uint64_t> size = source_->container->RootStreamSize(name)) {
        source_->streamName = name;
        source_->streamSize = *size;
        break;
      }
    }
    if (source_->streamName.empty()) {
      const std::vector<std::string> names = source_->container->RootStreamNames();
      if (std::find(names.begin(), names.end(), "EncryptedPackage") != names.end()) {
        Fail("'%s' is protected by a password; remove the password in Excel and save the workbook again",
             {displayName_});
      }
      Fail("'%s' holds no workbook (a compound document without a \"Workbook\" stream); %s",
           {displayName_, kOnlyXls});
    }
    globals = ReadGlobalsBytes();
  } catch (const detail::TNotCompoundDocument&) {
    Fail("'%s' is not an Excel workbook (.xls, .xlsx)", {displayName_});
  } catch (const TDamagedDocument& e) {
    Damaged(e.what());
  } catch (const std::bad_alloc&) {
    Fail("'%s' is too large to be read in the memory available", {displayName_});
  }
  try {
    ReadGlobals(globals.View());
  } catch (const TDamagedDocument& e) {
    Damaged(e.what());
  } catch (const std::bad_alloc&) {
    Fail("'%s' is too large to be read in the memory available", {displayName_});
  }
}

// The workbook stream from offset on, read from the container afresh (the
// reader keeps no copy of it).
TWorkbookReader::TStreamBytes TWorkbookReader::ReadStreamFrom(std::uint64_t offset, std::uint64_t length) const {
  TStreamBytes bytes;
  bytes.size = static_cast<std::size_t>(length);
  // Every byte is read into it; a large block comes in huge pages where the
  // system has them, so that filling it takes few page faults.
  bytes.data = decltype(bytes.data)(static_cast<char*>(AllocateLargeBlock(bytes.size)),
                                    [](char* p) { std::free(p); });
  source_->container->ReadRootStreamPart(source_->streamName, offset, bytes.size, bytes.data.get());
  return bytes;
}

// The globals substream: from the start of the workbook stream to its first
// EOF record, read in growing pieces so that the sheets behind it are not
// read when the workbook is opened.
TWorkbookReader::TStreamBytes TWorkbookReader::ReadGlobalsBytes() const {
  const std::uint64_t size = source_->streamSize;
  std::uint64_t length = std::min<std::uint64_t>(size, 256 * 1024);
  for (;;) {
    TStreamBytes globals = ReadStreamFrom(0, length);
    const std::string_view bytes = globals.View();
    std::size_t at = 0;
    while (bytes.size() - at >= 4) {
      const auto type = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                                   static_cast<unsigned char>(bytes[at + 1]) << 8);
      const std::size_t body = static_cast<unsigned char>(bytes[at + 2]) |
                               static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 3])) << 8;
      if (bytes.size() - at - 4 < body) break;
      at += 4 + body;
      if (type == biff::kEof) {
        globals.size = at;
        return globals;
      }
    }
    if (length == size) return globals;  // no EOF: the globals reading says what is wrong
    length = std::min<std::uint64_t>(size, length * 4);
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

void TWorkbookReader::ReadGlobals(std::string_view stream) {
  TBiffRecordCursor cursor(stream, 0);
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
  const TSheetEntry& entry = sheets_[detail::FindSheet(SheetNames(), name, displayName_)];
  try {
    return ReadSheetRecords(entry.name, entry.offset);
  } catch (const TDamagedDocument& e) {
    Damaged(e.what());
  } catch (const std::bad_alloc&) {
    Fail("'%s' is too large to be read in the memory available", {displayName_});
  }
}

namespace {

// Room the packed cells of a sheet need at most, for the sheet's records
// taking recordBytes of the stream, so that they are allocated once without
// going through the records beforehand.  A cell record packs into fewer bytes
// than it has, row mark included, except a MULRK: 10 + 6n bytes for n cells
// give at most 5 + 7n, less than 7/6 of it.  A file whose records run on
// past that merely makes the cells grow again.
std::size_t PackedCellBound(std::size_t recordBytes) { return recordBytes + recordBytes / 6 + 16; }

// Cell records name their column in 16 bits; these workbooks end at IV.
std::uint16_t CheckedColumn(std::uint32_t column) {
  if (column > kLastColumn) throw TDamagedDocument("a cell lies beyond the last column");
  return static_cast<std::uint16_t>(column);
}

}  // namespace

TWorksheet TWorkbookReader::ReadSheetRecords(const std::string& name, std::uint32_t offset) const {
  detail::TWorksheetBuilder sheetCells(name, sharedStrings_);
  {
    // The sheet's records are read from the file for this sheet only, and
    // let go of before its cells are ordered and indexed.
    if (offset >= source_->streamSize) throw TDamagedDocument("a sheet lies outside the workbook stream");
    const std::size_t length = static_cast<std::size_t>(source_->streamSize - offset);
    // The sheet's records end, at the latest, where the next sheet's begin.
    std::uint64_t sheetEnd = source_->streamSize;
    for (const TSheetEntry& sheet : sheets_) {
      if (sheet.offset > offset) sheetEnd = std::min<std::uint64_t>(sheetEnd, sheet.offset);
    }
    const auto sheetBytes = static_cast<std::size_t>(sheetEnd - offset);
    // Lent where the records lie in one run of the file (no copy of them
    // at all), else read.
    if (const auto lent = source_->container->LendRootStreamPart(source_->streamName, offset, length)) {
      ReadCells(lent->View(), sheetBytes, sheetCells);
    } else {
      const TStreamBytes records = ReadStreamFrom(offset, length);
      ReadCells(records.View(), sheetBytes, sheetCells);
    }
  }
  return sheetCells.Finish();
}

void TWorkbookReader::ReadCells(std::string_view stream, std::size_t sheetBytes, detail::TWorksheetBuilder& sheetCells) const {
  TBiffRecordCursor cursor(stream, 0);
  const TBiffRecord bof = cursor.Next();
  if (bof.type != biff::kBof || bof.body.size() < 4) {
    throw TDamagedDocument("a sheet does not start where the workbook says");
  }
  {
    TBiffBodyReader bofReader(bof);
    bofReader.Skip(2);
    if (bofReader.U16() != biff::kWorksheetSubstream) throw TDamagedDocument("a sheet does not start where the workbook says");
  }
  sheetBytes = std::min(sheetBytes, stream.size());
  sheetCells.Reserve(PackedCellBound(sheetBytes));

  TCellReading reading;
  TReadingStop readToTheEnd;
  if (biffVersion_ != 8 || splitSheetsFromBytes_ == 0 || sheetBytes < splitSheetsFromBytes_) {
    ReadCellRecords(cursor, readToTheEnd, reading, sheetCells);
    return;
  }
  // A large sheet is read in two halves at once: a second thread looks for
  // the start of a row past the middle (detail::HalfwayRowStart) and reads
  // from there into cells of its own.  They count only if this thread,
  // reading from the start, arrives at exactly that record with nothing
  // pending, so that reading straight on would have met the same records in
  // the same state.  Then the other thread stops where it has got to, its
  // cells join these, and this thread reads on from there in the state the
  // other one left: neither waits for the other, however their shares of
  // the machine fall.  Anything else (the sheet ending first, this thread
  // past that record before it was found, damage or own texts in the later
  // half) and this thread reads the rest itself, as it would without the
  // halves, with the same results and messages.  Only BIFF8 sheets: their
  // cells read nothing but the workbook's tables.
  TReadingStop halfway;    // kReadToTheEnd until the other thread has found it
  TReadingStop laterStop;  // 0: stop where you are
  struct TLaterHalf {
    std::optional<detail::TWorksheetBuilder> cells;  // none: no row start found
    bool ended = false;        // read to the sheet's EOF, else stopped:
    std::size_t stoppedAt = 0;  // before this record,
    TCellReading reading;       // in this state
  };
  std::future<TLaterHalf> laterHalf;
  try {
    laterHalf = std::async(std::launch::async, [&] {
      TLaterHalf later;
      const std::size_t start = detail::HalfwayRowStart(stream, sheetBytes);
      if (start == 0) return later;
      halfway.offset.store(start, std::memory_order_relaxed);
      later.cells.emplace(std::string(), sharedStrings_);
      later.cells->Reserve(PackedCellBound(sheetBytes - start));
      TBiffRecordCursor laterCursor(stream, start);
      later.ended = ReadCellRecords(laterCursor, laterStop, later.reading, *later.cells);
      later.stoppedAt = laterCursor.Offset();
      return later;
    });
  } catch (const std::system_error&) {  // no second thread to be had: read straight through
    ReadCellRecords(cursor, readToTheEnd, reading, sheetCells);
    return;
  }
  // However this thread leaves (an error in its half too), the other one
  // stops at its next record rather than reading its half for nothing
  // while the future waits for it.
  struct TStopLater {
    TReadingStop& stop;
    ~TStopLater() { stop.offset.store(0, std::memory_order_relaxed); }
  } stopLater{laterStop};
  const bool ended = ReadCellRecords(cursor, halfway, reading, sheetCells);
  laterStop.offset.store(0, std::memory_order_relaxed);
  if (!ended && cursor.Offset() == halfway.offset.load(std::memory_order_relaxed) && reading.Clean()) {
    try {
      TLaterHalf later = laterHalf.get();
      if (later.cells && sheetCells.Join(std::move(*later.cells))) {
        if (later.ended) return;
        cursor = TBiffRecordCursor(stream, later.stoppedAt);
        reading = later.reading;
      }
    } catch (...) {  // read on from the middle, to fail as reading straight on fails
    }
  }
  if (!ended) ReadCellRecords(cursor, readToTheEnd, reading, sheetCells);
}

bool TWorkbookReader::ReadCellRecords(TBiffRecordCursor& cursor, const TReadingStop& stopAt, TCellReading& reading,
                                      detail::TWorksheetBuilder& sheetCells) const {
  const std::uint32_t sharedCount = sharedStrings_->Count();
  // Tells a date from a number by its cell format and moves dates to the
  // usual day count (from 30 December 1899).
  const detail::TRkKind rkDate = dates1904_ ? detail::TRkKind::rkDate1904 : detail::TRkKind::rkDate1900;
  const auto addNumber = [&](std::uint16_t row, std::uint16_t column, std::uint16_t xf, double value) {
    if (IsDateXf(xf)) {
      sheetCells.AddValue(row, CheckedColumn(column), TCellKind::ckDateTime, detail::DayCount(value, dates1904_));
    } else {
      sheetCells.AddValue(row, CheckedColumn(column), TCellKind::ckNumber, value);
    }
  };
  const auto addRk = [&](std::uint16_t row, std::uint32_t column, std::uint16_t xf, std::uint32_t rk) {
    sheetCells.AddRk(row, CheckedColumn(column), rk, IsDateXf(xf) ? rkDate : detail::TRkKind::rkNumber);
  };
  const auto touch = [&](std::uint16_t row, std::uint32_t column) { sheetCells.Touch(row, CheckedColumn(column)); };
  const auto readText = [&](TBiffBodyReader& body) {
    return biffVersion_ == 8 ? detail::ReadUnicodeString(body, 2) : DecodeBytes(body.Bytes(body.U16()));
  };

  bool& pendingString = reading.pendingString;
  std::uint16_t& pendingRow = reading.pendingRow;
  std::uint16_t& pendingColumn = reading.pendingColumn;
  int& nesting = reading.nesting;
  for (;;) {
    if (cursor.Offset() >= stopAt.offset.load(std::memory_order_relaxed)) return false;
    if (cursor.AtEnd()) throw TDamagedDocument("a sheet ends before its last record");
    const TBiffRecord record = cursor.Next();
    TBiffBodyReader body(record);
    if (record.type == biff::kBof) {
      ++nesting;
      continue;
    }
    if (record.type == biff::kEof) {
      if (nesting == 0) return true;
      --nesting;
      continue;
    }
    if (nesting > 0) continue;
    if (record.type == biff::kString) {
      if (pendingString) sheetCells.AddOwnText(pendingRow, pendingColumn, readText(body));
      pendingString = false;
      continue;
    }
    // The common cell records, whole in their own body, are read in place.
    const std::string_view fixed = record.continues.empty() ? record.body : std::string_view();
    const auto u16At = [&](std::size_t at) {
      return static_cast<std::uint16_t>(static_cast<unsigned char>(fixed[at]) |
                                        static_cast<unsigned char>(fixed[at + 1]) << 8);
    };
    const auto u32At = [&](std::size_t at) {
      return static_cast<std::uint32_t>(u16At(at)) | static_cast<std::uint32_t>(u16At(at + 2)) << 16;
    };
    if (record.type == biff::kLabelSst && fixed.size() >= 10) {
      const std::uint32_t index = u32At(6);
      if (index >= sharedCount) throw TDamagedDocument("a cell refers to a shared text that does not exist");
      sheetCells.AddSharedText(u16At(0), CheckedColumn(u16At(2)), index);
      pendingString = false;
      continue;
    }
    if (record.type == biff::kNumber && fixed.size() >= 14) {
      double value;
      std::memcpy(&value, fixed.data() + 6, sizeof value);
      addNumber(u16At(0), u16At(2), u16At(4), value);
      pendingString = false;
      continue;
    }
    if (record.type == biff::kRk && fixed.size() >= 10) {
      addRk(u16At(0), u16At(2), u16At(4), u32At(6));
      pendingString = false;
      continue;
    }
    if (record.type == biff::kMulRk && fixed.size() >= 6) {
      const std::uint16_t row = u16At(0), first = u16At(2);
      const std::size_t count = (fixed.size() - 6) / 6;
      for (std::size_t i = 0; i < count; ++i) addRk(row, first + static_cast<std::uint32_t>(i), u16At(4 + 6 * i), u32At(6 + 6 * i));
      pendingString = false;
      continue;
    }
    switch (record.type) {
      case biff::kNumber: {
        const std::uint16_t row = body.U16(), column = body.U16(), xf = body.U16();
        addNumber(row, column, xf, body.F64());
        break;
      }
      case biff::kRk: {
        const std::uint16_t row = body.U16(), column = body.U16(), xf = body.U16();
        addRk(row, column, xf, body.U32());
        break;
      }
      case biff::kMulRk: {
        const std::uint16_t row = body.U16(), first = body.U16();
        if (record.body.size() < 6) throw TDamagedDocument("a record ends before its data");
        const std::size_t count = (record.body.size() - 6) / 6;
        for (std::size_t i = 0; i < count; ++i) {
          const std::uint16_t xf = body.U16();
          addRk(row, static_cast<std::uint32_t>(first + i), xf, body.U32());
        }
        break;
      }
      case biff::kLabelSst: {
        const std::uint16_t row = body.U16(), column = body.U16();
        body.Skip(2);
        const std::uint32_t index = body.U32();
        if (index >= sharedCount) throw TDamagedDocument("a cell refers to a shared text that does not exist");
        sheetCells.AddSharedText(row, CheckedColumn(column), index);
        break;
      }
      case biff::kLabel:
      case biff::kRString: {
        const std::uint16_t row = body.U16(), column = body.U16();
        body.Skip(2);
        sheetCells.AddOwnText(row, CheckedColumn(column), readText(body));
        break;
      }
      case biff::kBoolErr: {
        const std::uint16_t row = body.U16(), column = body.U16();
        body.Skip(2);
        const std::uint8_t value = body.U8();
        const bool isError = body.U8() != 0;
        if (isError) {
          sheetCells.AddValue(row, CheckedColumn(column), TCellKind::ckError, value);
        } else {
          sheetCells.AddValue(row, CheckedColumn(column), TCellKind::ckBoolean, value != 0 ? 1 : 0);
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
            touch(row, column);
            pendingString = true, pendingRow = row, pendingColumn = column;
            continue;
          }
          if (kind == 1) {
            sheetCells.AddValue(row, CheckedColumn(column), TCellKind::ckBoolean, value != 0 ? 1 : 0);
          } else if (kind == 2) {
            sheetCells.AddValue(row, CheckedColumn(column), TCellKind::ckError, value);
          } else {
            touch(row, column);  // an empty result
          }
        } else {
          addNumber(row, column, xf, body.F64());
        }
        break;
      }
      case biff::kBlank: {
        const std::uint16_t row = body.U16(), column = body.U16();
        touch(row, column);
        break;
      }
      case biff::kMulBlank: {
        const std::uint16_t row = body.U16(), first = body.U16();
        if (record.body.size() < 6) throw TDamagedDocument("a record ends before its data");
        const std::size_t count = (record.body.size() - 6) / 2;
        if (count > 0) {
          touch(row, first);
          touch(row, static_cast<std::uint32_t>(first + count - 1));
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
}

}  // namespace tabrin
