#include "xls/biff8/workbook_reader.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <system_error>

#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"
#include "text/messages.h"
#include "text/translation.h"
#include "xls/biff8/biff_reader.h"
#include "xls/biff8/record_numbers.h"
#include "xls/biff8/sheet_halves.h"
#include "xls/cfb/compound_file_format.h"
#include "xls/cfb/compound_file_reader.h"
#include "xls/model/date_formats.h"
#include "xls/model/large_block.h"
#include "xls/model/little_endian.h"
#include "xls/model/sheet_lookup.h"
#include "xls/model/worksheet_builder.h"

namespace tabrin {

namespace {

using detail::TBiffBodyReader;
using detail::TBiffRecordView;
using detail::TBiffRecordCursor;
using detail::TDamagedDocument;

constexpr const char* kOnlyXls = TrNoop("only Excel workbooks (.xls, .xlsx) can be read");

[[noreturn]] void Fail(std::string_view pattern, std::initializer_list<MessageArg> args) {
  throw TabrinError(FormatMessage(pattern, args));
}

bool StartsWith(std::string_view bytes, std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; }

// Files that are plainly something else, recognised by their first bytes,
// so that the user learns what to do with them.
void RejectOtherFormats(std::string_view bytes, const std::string& name) {
  if (bytes.empty()) Fail(Tr("'%s' is an empty file; %s"), {name, Tr(kOnlyXls)});
  if (StartsWith(bytes, std::string_view("PK\x03\x04", 4))) {
    const std::string_view head = bytes.substr(0, 4096);
    if (head.find("application/vnd.oasis.opendocument.spreadsheet") != std::string_view::npos) {
      Fail(Tr("'%s' is an OpenDocument spreadsheet (.ods); %s"), {name, Tr(kOnlyXls)});
    }
    if (bytes.substr(0, 65536).find("xl/") != std::string_view::npos) {
      Fail(Tr("'%s' is an Excel 2007 or later workbook (.xlsx), not an Excel 97-2003 workbook (.xls)"), {name});
    }
    Fail(Tr("'%s' is a ZIP archive, not a workbook; %s"), {name, Tr(kOnlyXls)});
  }
  if (bytes.size() >= 4) {
    const std::uint16_t type = GetU16(bytes.data());
    const char* version = type == biff::kBofBiff2 ? "2.1" : type == biff::kBofBiff3 ? "3.0"
                        : type == biff::kBofBiff4 ? "4.0" : nullptr;
    if (version != nullptr && (bytes[2] == 4 || bytes[2] == 6 || bytes[2] == 8) && bytes[3] == 0) {
      Fail(Tr("'%s' is an Excel %s worksheet; %s"), {name, version, Tr(kOnlyXls)});
    }
  }
}

// The workbook stream's sheet positions are 32-bit: no workbook file can be
// much larger than 4 GiB.
constexpr std::uint64_t kLargestWorkbook = std::uint64_t{4} << 30;
// Enough of a file's start to tell what else it is.
constexpr std::size_t kHeadBytes = 64 * 1024;

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
  if (!StartsWith(head, cfb::kSignature)) Fail(Tr("'%s' is not an Excel workbook (.xls, .xlsx)"), {path});
  if (file->Size() > kLargestWorkbook) {
    Fail(Tr("'%s' is %s MB, larger than any Excel 97-2003 workbook can be; %s"),
         {path, std::to_string(file->Size() >> 20), Tr(kOnlyXls)});
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
        Fail(Tr("'%s' is protected by a password; remove the password in Excel and save the workbook again"),
             {displayName_});
      }
      Fail(Tr("'%s' holds no workbook (a compound document without a \"Workbook\" stream); %s"),
           {displayName_, Tr(kOnlyXls)});
    }
    globals = ReadGlobalsBytes();
  } catch (const detail::TNotCompoundDocument&) {
    Fail(Tr("'%s' is not an Excel workbook (.xls, .xlsx)"), {displayName_});
  } catch (const TDamagedDocument& e) {
    Damaged(e.what());
  } catch (const std::bad_alloc&) {
    Fail(Tr("'%s' is too large to be read in the memory available"), {displayName_});
  }
  try {
    ReadGlobals(globals.View());
  } catch (const TDamagedDocument& e) {
    Damaged(e.what());
  } catch (const std::bad_alloc&) {
    Fail(Tr("'%s' is too large to be read in the memory available"), {displayName_});
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
      const std::uint16_t type = GetU16(bytes.data() + at);
      const std::size_t body = GetU16(bytes.data() + at + 2);
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
  throw TabrinError(DamagedFileMessage(displayName_, reason));
}

std::string TWorkbookReader::DecodeBytes(std::string_view bytes) const {
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return std::string(bytes);
  }
  return codePage_ == 950 ? Big5ToUtf8(bytes) : Cp1252ToUtf8(bytes);
}

// The globals substream, read into the reader step by step: which version
// wrote it, then its records up to its EOF (the code page and date system,
// the number formats and cell formats, the sheets and the shared texts),
// then what those tell together.
class TWorkbookReader::TGlobalsReader {
 public:
  explicit TGlobalsReader(TWorkbookReader& book) : book_(book) {}

  void Read(std::string_view stream) {
    TBiffRecordCursor cursor(stream, 0);
    ReadBof(cursor);
    ReadRecords(cursor);
    if (book_.biffVersion_ == 5) DecodeSheetNames();
    NoteDateXfs();
  }

 private:
  void ReadBof(TBiffRecordCursor& cursor) {
    if (cursor.AtEnd()) throw TDamagedDocument(Tr("the workbook stream is empty"));
    const TBiffRecordView bof = cursor.Next();
    if (bof.type == biff::kBofBiff2 || bof.type == biff::kBofBiff3 || bof.type == biff::kBofBiff4) {
      Fail(Tr("'%s' is an Excel 4.0 or older workbook; %s"), {book_.displayName_, Tr(kOnlyXls)});
    }
    if (bof.type != biff::kBof || bof.body.size() < 4) throw TDamagedDocument(Tr("the workbook stream does not start a workbook"));
    TBiffBodyReader bofReader(bof);
    const std::uint16_t version = bofReader.U16();
    const std::uint16_t substream = bofReader.U16();
    if (version == biff::kVersionBiff8) {
      book_.biffVersion_ = 8;
    } else if (version == biff::kVersionBiff5) {
      book_.biffVersion_ = 5;
    } else {
      throw TDamagedDocument(FormatMessage(Tr("unknown workbook version %d"), {static_cast<int>(version)}));
    }
    if (substream != biff::kGlobalsSubstream) throw TDamagedDocument(Tr("the workbook stream does not start a workbook"));
  }

  void ReadRecords(TBiffRecordCursor& cursor) {
    for (;;) {
      if (cursor.AtEnd()) throw TDamagedDocument(Tr("the workbook stream ends before the list of sheets is complete"));
      const TBiffRecordView record = cursor.Next();
      TBiffBodyReader body(record);
      switch (record.type) {
        case biff::kEof:
          return;
        case biff::kFilePass:
          Fail(Tr("'%s' is protected by a password; remove the password in Excel and save the workbook again"),
               {book_.displayName_});
        case biff::kCodePage:
          book_.codePage_ = body.U16();
          break;
        case biff::kDateMode:
          book_.dates1904_ = body.U16() != 0;
          break;
        case biff::kFormat:
          ReadFormat(body);
          break;
        case biff::kXf:
          body.Skip(2);
          xfFormats_.push_back(body.U16());
          break;
        case biff::kBoundSheet:
          ReadBoundSheet(body);
          break;
        case biff::kSst:
          ReadSharedStrings(record, body);
          break;
        default:
          break;
      }
    }
  }

  // FORMAT: a number format's index and its code.
  void ReadFormat(TBiffBodyReader& body) {
    const std::uint16_t index = body.U16();
    const std::string code = book_.biffVersion_ == 8 ? detail::ReadUnicodeString(body, 2) : body.Bytes(body.U8());
    formatIsDate_[index] = detail::IsDateFormatCode(code) ? 1 : 0;
  }

  // BOUNDSHEET: where a sheet's records start, its kind and its name.
  void ReadBoundSheet(TBiffBodyReader& body) {
    TSheetEntry entry;
    entry.offset = body.U32();
    body.Skip(1);
    const std::uint8_t kind = body.U8();
    if (book_.biffVersion_ == 8) {
      entry.name = detail::ReadUnicodeString(body, 1);
      rawSheetNames_.emplace_back();
    } else {
      rawSheetNames_.push_back(body.Bytes(body.U8()));
    }
    if (kind != 0) {  // chart, macro or module sheet
      rawSheetNames_.pop_back();
      return;
    }
    book_.sheets_.push_back(std::move(entry));
  }

  // SST: the shared texts, continued over CONTINUE records.
  void ReadSharedStrings(const TBiffRecordView& record, TBiffBodyReader& body) {
    body.Skip(4);
    const std::uint32_t unique = body.U32();
    std::size_t bytes = record.body.size();
    for (const std::string_view piece : record.continues) bytes += piece.size();
    // The count is only a claim: a text takes at least three bytes.
    TTextPool& texts = *book_.sharedStrings_;
    texts.Reserve(std::min<std::size_t>(unique, bytes / 3), bytes);
    for (std::uint32_t i = 0; i < unique && !body.AtEnd(); ++i) {
      detail::AppendRichExtendedString(body, texts.Buffer());
      texts.Seal();
    }
  }

  // BIFF5 sheet names are in the workbook's code page, known only at the end.
  void DecodeSheetNames() {
    const int codePage = book_.codePage_;
    const bool knownCodePage = codePage == 950 || codePage == 1252 || codePage == 367 || codePage == 0x8001;
    if (!knownCodePage) {
      Fail(Tr("'%s' is written in code page %d, which cannot be read (only 950 Big5 and 1252 Western)"),
           {book_.displayName_, codePage});
    }
    std::vector<TSheetEntry>& sheets = book_.sheets_;
    for (std::size_t i = 0; i < sheets.size(); ++i) sheets[i].name = book_.DecodeBytes(rawSheetNames_[i]);
  }

  // Which cell formats show their numbers as dates, by their number format.
  void NoteDateXfs() {
    std::vector<bool>& dateXfs = book_.dateXfs_;
    dateXfs.resize(xfFormats_.size());
    for (std::size_t i = 0; i < xfFormats_.size(); ++i) {
      const std::uint16_t format = xfFormats_[i];
      dateXfs[i] = formatIsDate_[format] >= 0 ? formatIsDate_[format] == 1 : detail::IsBuiltInDateFormat(format);
    }
  }

  TWorkbookReader& book_;
  std::vector<std::int8_t> formatIsDate_ = std::vector<std::int8_t>(65536, -1);  // -1: no FORMAT record for that index
  std::vector<std::uint16_t> xfFormats_;  // each cell format's number format
  std::vector<std::string> rawSheetNames_;  // BIFF5 names wait for the code page
};

void TWorkbookReader::ReadGlobals(std::string_view stream) { TGlobalsReader(*this).Read(stream); }

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
    Fail(Tr("'%s' is too large to be read in the memory available"), {displayName_});
  }
}

TWorksheet TWorkbookReader::ReadSheetRecords(const std::string& name, std::uint32_t offset) const {
  detail::TWorksheetBuilder sheetCells(name, sharedStrings_);
  {
    // The sheet's records are read from the file for this sheet only, and
    // let go of before its cells are ordered and indexed.
    if (offset >= source_->streamSize) throw TDamagedDocument(Tr("a sheet lies outside the workbook stream"));
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
  const TBiffRecordView bof = cursor.Next();
  if (bof.type != biff::kBof || bof.body.size() < 4) {
    throw TDamagedDocument(Tr("a sheet does not start where the workbook says"));
  }
  {
    TBiffBodyReader bofReader(bof);
    bofReader.Skip(2);
    if (bofReader.U16() != biff::kWorksheetSubstream) throw TDamagedDocument(Tr("a sheet does not start where the workbook says"));
  }
  sheetBytes = std::min(sheetBytes, stream.size());
  sheetCells.Reserve(detail::PackedCellBound(sheetBytes));

  const auto readRecords = [this](TBiffRecordCursor& from, const detail::TReadingStop& stop,
                                  detail::TCellReading& reading, detail::TWorksheetBuilder& cells) {
    return ReadCellRecords(from, stop, reading, cells);
  };
  // A large sheet is read in two halves at once.  Only BIFF8 sheets: their
  // cells read nothing but the workbook's tables.
  if (biffVersion_ == 8 && splitSheetsFromBytes_ != 0 && sheetBytes >= splitSheetsFromBytes_) {
    detail::ReadCellsInHalves(stream, sheetBytes, cursor, sheetCells, sharedStrings_, readRecords);
    return;
  }
  detail::TCellReading reading;
  readRecords(cursor, detail::TReadingStop(), reading, sheetCells);
}

}  // namespace tabrin
