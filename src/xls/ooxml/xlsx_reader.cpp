#include "xls/ooxml/xlsx_reader.h"

#include <algorithm>
#include <thread>

#include "text/error.h"
#include "text/format.h"
#include "text/messages.h"
#include "xls/model/sheet_lookup.h"
#include "xls/model/worksheet_builder.h"
#include "xls/ooxml/part_limits.h"
#include "xls/ooxml/piece_reading.h"
#include "xls/ooxml/relationships.h"
#include "xls/ooxml/scanned_part.h"
#include "xls/ooxml/shared_strings.h"
#include "xls/ooxml/sheet_handler.h"
#include "xls/ooxml/workbook_parts.h"
#include "xls/ooxml/xml_part.h"

namespace tabrin {

namespace {

using detail::TDamagedPackage;
using detail::TRelationship;
using detail::TZipPackage;

// Whether a part is worth reading in pieces on two threads.
bool TwoThreads() { return std::thread::hardware_concurrency() > 1; }

}  // namespace

std::string TxlsxReader::FindWorkbookPart(const TZipPackage& package) {
  const std::vector<TRelationship> relationships = detail::ReadRelationships(package, "");
  if (const TRelationship* document = detail::FindByType(relationships, detail::kOfficeDocumentType)) {
    const std::string part = detail::ResolveTarget("", document->target);
    if (package.Has(part)) return part;
  }
  return package.Has("xl/workbook.xml") ? "xl/workbook.xml" : std::string();
}

TxlsxReader::TxlsxReader(TZipPackage package, std::string workbookPart, std::string displayName)
    : package_(std::move(package)), workbookPart_(std::move(workbookPart)), displayName_(std::move(displayName)),
      sharedStrings_(std::make_shared<TTextPool>()) {
  try {
    ReadWorkbook();
  } catch (const TDamagedPackage& e) {
    Damaged(e.what());
  }
}

void TxlsxReader::Damaged(const std::string& reason) const {
  throw TabrinError(DamagedFileMessage(displayName_, reason));
}

void TxlsxReader::ReadWorkbook() {
  const detail::TWorkbookPart workbook = detail::ReadWorkbookPart(package_, workbookPart_);
  dates1904_ = workbook.dates1904;
  const std::vector<TRelationship> relationships = detail::ReadRelationships(package_, workbookPart_);
  ListWorksheets(workbook, relationships);
  const TRelationship* styles = detail::FindByType(relationships, detail::kStylesType);
  if (styles != nullptr && package_.Has(detail::ResolveTarget(workbookPart_, styles->target))) {
    dateStyles_ = detail::ReadDateStyles(package_, detail::ResolveTarget(workbookPart_, styles->target));
  }
  const TRelationship* strings = detail::FindByType(relationships, detail::kSharedStringsType);
  if (strings != nullptr) ReadSharedStrings(detail::ResolveTarget(workbookPart_, strings->target));
}

void TxlsxReader::ListWorksheets(const detail::TWorkbookPart& workbook,
                                 const std::vector<TRelationship>& relationships) {
  for (const detail::TWorkbookPart::TSheet& sheet : workbook.sheets) {
    const auto found = std::find_if(relationships.begin(), relationships.end(),
                                    [&](const TRelationship& r) { return r.id == sheet.relationshipId; });
    // Chart sheets, dialog sheets and macro sheets hold no cells to read.
    if (found == relationships.end() || !detail::HasType(*found, detail::kWorksheetType)) continue;
    sheets_.push_back({sheet.name, detail::ResolveTarget(workbookPart_, found->target)});
  }
}

void TxlsxReader::ReadSharedStrings(const std::string& part) {
  try {
    detail::TSharedStringsHandler handler;
    handler.SendTo(sharedStrings_.get(), nullptr);
    if (detail::ScanXmlPart(package_, part, detail::kMaxStringsPartBytes, "sst", handler)) return;
  } catch (...) {
    // Read again below by expat, which decides what is wrong.
  }
  *sharedStrings_ = TTextPool();
  if (TwoThreads()) {
    try {
      const std::unique_ptr<detail::TPartReader> reader = package_.Open(part, detail::kMaxStringsPartBytes);
      detail::TSharedStringsHandler handler;
      if (detail::ReadInPieces<detail::TSharedStringsHandler, detail::TTextList>(
              *reader, "si", handler, std::make_unique<detail::TSharedStringsHandler>(), *sharedStrings_)) {
        return;
      }
    } catch (...) {
      // Read again below by one parser, whose message (with its line)
      // says what is wrong.
    }
    *sharedStrings_ = TTextPool();
  }
  detail::TSharedStringsHandler handler;
  handler.SendTo(sharedStrings_.get(), nullptr);
  detail::ParseXmlPart(package_, part, detail::kMaxStringsPartBytes, handler);
}

std::vector<std::string> TxlsxReader::SheetNames() const {
  std::vector<std::string> names;
  for (const TSheetEntry& sheet : sheets_) names.push_back(sheet.name);
  return names;
}

TWorksheet TxlsxReader::ReadSheet(std::string_view name) const {
  const TSheetEntry& entry = sheets_[detail::FindSheet(SheetNames(), name, displayName_)];
  if (std::optional<TWorksheet> sheet = ReadSheetScanned(entry.name, entry.part)) return std::move(*sheet);
  if (TwoThreads()) {
    try {
      if (std::optional<TWorksheet> sheet = ReadSheetInPieces(entry.name, entry.part)) return std::move(*sheet);
    } catch (...) {
      // Read again below by one parser, whose message (with its line)
      // says what is wrong.
    }
  }
  detail::TWorksheetBuilder builder(entry.name, sharedStrings_);
  detail::TSheetHandler handler(*sharedStrings_, dateStyles_, dates1904_);
  handler.SendTo(&builder, nullptr);
  try {
    detail::ParseXmlPart(package_, entry.part, detail::kMaxSheetPartBytes, handler);
  } catch (const TDamagedPackage& e) {
    Damaged(e.what());
  }
  return builder.Finish();
}

// Empty when the sheet has to be read by expat.
std::optional<TWorksheet> TxlsxReader::ReadSheetScanned(const std::string& name, const std::string& partName) const {
  try {
    detail::TWorksheetBuilder builder(name, sharedStrings_);
    detail::TSheetHandler handler(*sharedStrings_, dateStyles_, dates1904_);
    handler.SendTo(&builder, nullptr);
    if (detail::ScanXmlPart(package_, partName, detail::kMaxSheetPartBytes, "sheetData", handler, &handler)) {
      return builder.Finish();
    }
  } catch (...) {
    // Read again by expat, which decides what is wrong.
  }
  return std::nullopt;
}

// Empty when the sheet has to be read with one parser after all.
std::optional<TWorksheet> TxlsxReader::ReadSheetInPieces(const std::string& name, const std::string& partName) const {
  const std::unique_ptr<detail::TPartReader> part = package_.Open(partName, detail::kMaxSheetPartBytes);
  detail::TWorksheetBuilder builder(name, sharedStrings_);
  detail::TSheetHandler handler(*sharedStrings_, dateStyles_, dates1904_);
  if (!detail::ReadInPieces<detail::TSheetHandler, detail::TCellList>(
          *part, "row", handler, std::make_unique<detail::TSheetHandler>(*sharedStrings_, dateStyles_, dates1904_),
          builder)) {
    return std::nullopt;
  }
  return builder.Finish();
}

}  // namespace tabrin
