#include "xls/biff8/workbook_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "config/file_replacement.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"
#include "xls/biff8/biff_record.h"
#include "xls/cfb/compound_file_writer.h"

namespace tabrin {
namespace {

std::string SystemErrorText(int error) { return std::strerror(error); }

TReplacementMessages WorkbookFileMessages(const std::string& target) {
  return {
      [target](int error) { return FormatMessage(Tr("Cannot write '%s': %s"), {target, SystemErrorText(error)}); },
      [](int) { return std::string(kWriteErrorMessage); },
      [](int error) { return SystemErrorText(error); },
  };
}

// A stream of its own on the temporary file, for the sink to write through
// and close: the replacement keeps its descriptor for the sync and the
// rename that follow.
std::FILE* OpenStream(TFileReplacement& replacement) {
  const int fd = ::dup(replacement.Descriptor());
  std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "wb");
  if (file == nullptr) {
    const int error = errno;
    if (fd >= 0) ::close(fd);
    replacement.Discard();
    throw TabrinError(WorkbookFileMessages(replacement.Target()).cannotCreate(error));
  }
  return file;
}

}  // namespace

TWorkbookFile::TWorkbookFile(const std::string& fileName, TOutputSinkFactory sinkFactory)
    : fileName_(fileName), sinkFactory_(std::move(sinkFactory)) {
  if (std::filesystem::is_directory(fileName_)) throw TabrinError(SystemErrorText(EISDIR));
  replacement_ = std::make_unique<TFileReplacement>(fileName_, WorkbookFileMessages(fileName_));
  file_ = OpenStream(*replacement_);
}

TWorkbookFile::~TWorkbookFile() { Discard(); }

void TWorkbookFile::Commit() {
  if (file_ == nullptr) throw TabrinError(kWriteErrorMessage);
  std::FILE* file = file_;
  file_ = nullptr;  // the sink owns it from here on
  try {
    {
      std::unique_ptr<TOutputSink> sink =
          sinkFactory_ ? sinkFactory_(file) : std::make_unique<TFileSink>(file);
      WriteCompoundFile(stream_, *sink);
    }
    replacement_->Commit();
  } catch (...) {
    Discard();
    throw;
  }
  stream_.Clear();
}

void TWorkbookFile::Discard() noexcept {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (replacement_ != nullptr) replacement_->Discard();
  stream_.Clear();
}

}  // namespace tabrin
