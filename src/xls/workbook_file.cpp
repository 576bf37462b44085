#include "xls/workbook_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "text/error.h"
#include "xls/biff_record.h"
#include "xls/compound_file.h"

namespace tabrin {
namespace {

std::string SystemErrorText(int error) { return std::strerror(error); }

// Creates a new file with a fresh name beside target (same folder, so the
// final rename stays on one file system).  Mode 0666 minus the umask, like
// any file the user creates.
std::FILE* CreateTemporaryBeside(const std::string& target, std::string& name) {
  const std::filesystem::path path(target);
  const std::filesystem::path folder = path.parent_path();
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate =
        (folder / ("." + path.filename().string() + "." + std::to_string(random() % 1000000) + ".tmp"))
            .string();
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      throw TabrinError(SystemErrorText(errno));
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
      const int error = errno;
      ::close(fd);
      ::unlink(candidate.c_str());
      throw TabrinError(SystemErrorText(error));
    }
    name = candidate;
    return file;
  }
  throw TabrinError(SystemErrorText(EEXIST));
}

}  // namespace

TWorkbookFile::TWorkbookFile(const std::string& fileName, TOutputSinkFactory sinkFactory)
    : fileName_(fileName), sinkFactory_(std::move(sinkFactory)) {
  if (std::filesystem::is_directory(fileName_)) throw TabrinError(SystemErrorText(EISDIR));
  file_ = CreateTemporaryBeside(fileName_, temporaryName_);
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
    if (std::rename(temporaryName_.c_str(), fileName_.c_str()) != 0) {
      throw TabrinError(SystemErrorText(errno));
    }
    temporaryName_.clear();
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
  if (!temporaryName_.empty()) {
    ::unlink(temporaryName_.c_str());
    temporaryName_.clear();
  }
  stream_.Clear();
}

}  // namespace tabrin
