#include "xls/spreadsheet.h"

#include <cstdio>
#include <cstring>
#include <functional>

#include "text/error.h"
#include "text/format.h"
#include "text/messages.h"
#include "xls/cfb/compound_file_format.h"
#include "xls/csv/csv_spreadsheet.h"
#include "text/translation.h"
#include "xls/ooxml/xlsx_reader.h"
#include "xls/ooxml/zip_package.h"

namespace tabrin {

namespace {

constexpr const char* kOnlyExcel = TrNoop("only Excel workbooks (.xls, .xlsx) can be read");

class TxlsSpreadsheet : public TSpreadsheet {
 public:
  explicit TxlsSpreadsheet(TWorkbookReader reader) : reader_(std::move(reader)) {}
  const std::string& DisplayName() const override { return reader_.DisplayName(); }
  std::vector<std::string> SheetNames() const override { return reader_.SheetNames(); }
  TWorksheet ReadSheet(std::string_view name) const override { return reader_.ReadSheet(name); }

 private:
  TWorkbookReader reader_;
};

bool IsZipPackage(std::string_view head) {
  return head.substr(0, 4) == std::string_view("PK\x03\x04", 4) || head.substr(0, 4) == std::string_view("PK\x05\x06", 4);
}

bool IsOpenDocumentSpreadsheet(const detail::TZipPackage& package) {
  if (!package.Has("mimetype")) return false;
  try {
    char type[128];
    const std::size_t got = package.Open("mimetype", sizeof type)->Read(type, sizeof type);
    return std::string_view(type, got).find("opendocument.spreadsheet") != std::string_view::npos;
  } catch (const detail::TDamagedPackage&) {
    return false;
  }
}

// A ZIP archive is an Excel 2007+ workbook when it holds a workbook part;
// other packages get an error that says what they are.
std::unique_ptr<const TSpreadsheet> OpenPackage(detail::TZipPackage package, const std::string& name) {
  std::string workbookPart;
  try {
    workbookPart = TxlsxReader::FindWorkbookPart(package);
  } catch (const detail::TDamagedPackage& e) {
    throw TabrinError(DamagedFileMessage(name, e.what()));
  }
  if (workbookPart.empty()) {
    if (IsOpenDocumentSpreadsheet(package)) {
      throw TabrinError(FormatMessage(Tr("'%s' is an OpenDocument spreadsheet (.ods); %s"), {name, Tr(kOnlyExcel)}));
    }
    throw TabrinError(FormatMessage(Tr("'%s' is a ZIP archive, not a workbook; %s"), {name, Tr(kOnlyExcel)}));
  }
  return std::make_unique<TxlsxReader>(std::move(package), std::move(workbookPart), name);
}

detail::TZipPackage OpenZip(const std::function<detail::TZipPackage()>& open, const std::string& name) {
  try {
    return open();
  } catch (const detail::TDamagedPackage& e) {
    throw TabrinError(DamagedFileMessage(name, e.what()));
  }
}

bool IsCompoundDocument(std::string_view head) {
  return head.substr(0, cfb::kSignature.size()) == cfb::kSignature;
}

std::string ReadHead(const std::string& path) {
  std::string head(8, '\0');
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {};  // the workbook reader says why
  head.resize(std::fread(head.data(), 1, head.size(), file));
  std::fclose(file);
  return head;
}

}  // namespace

std::unique_ptr<const TSpreadsheet> OpenSpreadsheetFile(const std::string& path, const TTextFileOptions& options) {
  const std::string head = ReadHead(path);
  // A workbook saved under a text file's name is still a workbook.
  if (IsTextFileName(path) && !IsZipPackage(head) && !IsCompoundDocument(head)) return OpenCsvFile(path, options);
  if (IsZipPackage(head)) {
    return OpenPackage(OpenZip([&] { return detail::TZipPackage::OpenFile(path); }, path), path);
  }
  return std::make_unique<TxlsSpreadsheet>(TWorkbookReader::OpenFile(path));
}

std::unique_ptr<const TSpreadsheet> OpenSpreadsheetBytes(std::string_view bytes, std::string displayName) {
  if (IsZipPackage(bytes)) {
    return OpenPackage(OpenZip([&] { return detail::TZipPackage::OpenBytes(bytes); }, displayName), displayName);
  }
  return std::make_unique<TxlsSpreadsheet>(TWorkbookReader(bytes, std::move(displayName)));
}

}  // namespace tabrin
