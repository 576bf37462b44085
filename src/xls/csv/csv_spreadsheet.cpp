#include "xls/csv/csv_spreadsheet.h"

#include <filesystem>

#include "text/ascii.h"
#include "xls/cfb/compound_file_reader.h"
#include "xls/model/sheet_lookup.h"

namespace tabrin {

namespace {

// The sheet every tab reads.
constexpr std::string_view kTabSheet = "sheet1";

// The file's bytes for as long as this lives: mapped when the system can,
// else copied.
class TFileContent {
 public:
  explicit TFileContent(const std::string& path) : file_(path) {
    const std::size_t size = static_cast<std::size_t>(file_.Size());
    if (size == 0) return;
    lent_ = file_.Lend(0, size);
    if (lent_) return;
    copy_.resize(size);
    file_.Read(0, size, copy_.data());
  }
  std::string_view View() const { return lent_ ? lent_->View() : std::string_view(copy_); }

 private:
  detail::TFileBytes file_;
  std::unique_ptr<detail::TLentBytes> lent_;
  std::string copy_;
};

class TCsvSpreadsheet : public TSpreadsheet {
 public:
  TCsvSpreadsheet(const std::string& path, const TTextFileOptions& options)
      : path_(path), sheetName_(std::filesystem::path(path).stem().string()) {
    const TFileContent content(path_);
    layout_ = FindCsvLayout(content.View(), options);
  }

  const std::string& DisplayName() const override { return path_; }
  std::vector<std::string> SheetNames() const override { return {sheetName_}; }
  TWorksheet ReadSheet(std::string_view name) const override {
    if (!EqualNoCaseAscii(name, kTabSheet)) detail::FindSheet(SheetNames(), name, path_);
    const TFileContent content(path_);
    return ReadCsvSheet(content.View(), layout_, sheetName_, path_);
  }
  std::optional<TCsvLayout> TextLayout() const override { return layout_; }

 private:
  std::string path_;
  std::string sheetName_;
  TCsvLayout layout_;
};

}  // namespace

std::unique_ptr<const TSpreadsheet> OpenCsvFile(const std::string& path, const TTextFileOptions& options) {
  return std::make_unique<TCsvSpreadsheet>(path, options);
}

}  // namespace tabrin
