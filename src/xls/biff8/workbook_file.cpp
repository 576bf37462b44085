#include "xls/biff8/workbook_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "text/error.h"
#include "text/format.h"
#include "xls/biff8/biff_record.h"
#include "xls/cfb/compound_file_writer.h"

namespace tabrin {
namespace {

std::string SystemErrorText(int error) { return std::strerror(error); }

[[noreturn]] void RaiseCannotWrite(const std::string& target, int error) {
  throw TabrinError(FormatMessage("Cannot write '%s': %s", {target, SystemErrorText(error)}));
}

std::filesystem::path FolderOf(const std::string& target) {
  const std::filesystem::path folder = std::filesystem::path(target).parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

// ".<name>.<digits>.tmp": the name a temporary file of target has on disk.
bool IsTemporaryOf(const std::string& entry, const std::string& targetName) {
  const std::string prefix = "." + targetName + ".";
  if (entry.size() <= prefix.size() + 4 || entry.compare(0, prefix.size(), prefix) != 0) return false;
  if (entry.compare(entry.size() - 4, 4, ".tmp") != 0) return false;
  const std::string digits = entry.substr(prefix.size(), entry.size() - prefix.size() - 4);
  return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Temporary files of the same target that an export killed before it could
// remove them left behind.  A live export holds a lock on its temporary
// file, so only those whose writer is gone are removed.
void RemoveStaleTemporaries(const std::string& target) {
  std::error_code error;
  const std::string targetName = std::filesystem::path(target).filename().string();
  for (const auto& entry : std::filesystem::directory_iterator(FolderOf(target), error)) {
    if (!IsTemporaryOf(entry.path().filename().string(), targetName)) continue;
    const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(entry.path().c_str());
    ::close(fd);
  }
}

int CreateNamedTemporary(const std::string& target, std::string& name) {
  const std::filesystem::path path(target);
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate =
        (FolderOf(target) / ("." + path.filename().string() + "." + std::to_string(random() % 1000000) + ".tmp"))
            .string();
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::flock(fd, LOCK_EX);
      name = candidate;
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

// Creates the file the workbook is written to, in target's folder (so the
// final rename stays on one file system), mode 0666 minus the umask like any
// file the user creates.  Where the file system allows, the file has no name
// until it is complete, so a killed export leaves nothing behind; elsewhere
// it gets a temporary name, and the next export to the same target removes
// what a killed one left.
std::FILE* CreateTemporaryBeside(const std::string& target, std::string& name) {
  RemoveStaleTemporaries(target);
  name.clear();
  int fd = ::open(FolderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) fd = CreateNamedTemporary(target, name);
  if (fd < 0) RaiseCannotWrite(target, errno);
  std::FILE* file = ::fdopen(fd, "wb");
  if (file == nullptr) {
    const int error = errno;
    ::close(fd);
    if (!name.empty()) ::unlink(name.c_str());
    name.clear();
    RaiseCannotWrite(target, error);
  }
  return file;
}

// Gives an unnamed file a temporary name beside target (locked like a named
// one, so that no other export takes it for stale).
bool NameUnnamedFile(int fd, const std::string& target, std::string& name) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  const std::filesystem::path path(target);
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate =
        (FolderOf(target) / ("." + path.filename().string() + "." + std::to_string(random() % 1000000) + ".tmp"))
            .string();
    ::flock(fd, LOCK_EX);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      name = candidate;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

void SyncFolder(const std::string& target) {
  const int fd = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

struct TFdCloser {
  int fd;
  ~TFdCloser() { ::close(fd); }
};

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
    // The file is kept open (a duplicate of its descriptor) until it is in
    // place: it is synced before the rename, and an unnamed one is named.
    const int fd = ::dup(::fileno(file));
    if (fd < 0) {
      std::fclose(file);
      throw TabrinError(SystemErrorText(errno));
    }
    const TFdCloser closer{fd};
    {
      std::unique_ptr<TOutputSink> sink =
          sinkFactory_ ? sinkFactory_(file) : std::make_unique<TFileSink>(file);
      WriteCompoundFile(stream_, *sink);
    }
    if (::fsync(fd) != 0) throw TabrinError(kWriteErrorMessage);
    if (temporaryName_.empty() && !NameUnnamedFile(fd, fileName_, temporaryName_)) {
      RaiseCannotWrite(fileName_, errno);
    }
    if (std::rename(temporaryName_.c_str(), fileName_.c_str()) != 0) {
      throw TabrinError(SystemErrorText(errno));
    }
    temporaryName_.clear();
    SyncFolder(fileName_);
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
