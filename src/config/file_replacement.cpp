#include "config/file_replacement.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>

#include "text/error.h"

namespace tabrin {
namespace {

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

// Temporary files of the same target that a writer killed before it could
// remove them left behind.  A live writer holds a lock on its temporary
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

// Tries names ".<name>.<digits>.tmp" beside target until make(candidate)
// succeeds or fails for another reason than the name being taken.
template <typename TMake>
bool TryTemporaryNames(const std::string& target, std::string& name, TMake make) {
  const std::string prefix = (FolderOf(target) / ("." + std::filesystem::path(target).filename().string() + ".")).string();
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = prefix + std::to_string(random() % 1000000) + ".tmp";
    if (make(candidate)) {
      name = candidate;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  errno = EEXIST;
  return false;
}

// A temporary with a name from the start, locked at once so that no other
// writer takes it for stale.
int CreateNamedTemporary(const std::string& target, std::string& name) {
  int fd = -1;
  TryTemporaryNames(target, name, [&](const std::string& candidate) {
    fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) ::flock(fd, LOCK_EX);
    return fd >= 0;
  });
  return fd;
}

// Old kernels take O_TMPFILE for O_DIRECTORY and answer EISDIR; some file
// systems have no unnamed files.
bool UnnamedFilesUnsupported(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

// The name through which the kernel reaches an open file, even one with no
// name of its own.
std::string DescriptorPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

bool LinkTo(int fd, const std::string& name) {
  return ::linkat(AT_FDCWD, DescriptorPath(fd).c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// The permission bits of the file being replaced, when there is one.
void KeepPermissionsOf(const std::string& target, int fd) {
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
}

void SyncFolder(const std::string& target) {
  const int fd = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

TFileReplacement::TFileReplacement(std::string target, TReplacementMessages messages, TTemporaryKind kind)
    : target_(std::move(target)), messages_(std::move(messages)) {
  if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT) {
    Fail(messages_.cannotCreate, errno);
  }
  RemoveStaleTemporaries(target_);
  if (kind == TTemporaryKind::tkUnnamed) {
    fd_ = ::open(FolderOf(target_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ < 0 && UnnamedFilesUnsupported(errno)) kind = TTemporaryKind::tkNamed;
  }
  if (kind == TTemporaryKind::tkNamed) fd_ = CreateNamedTemporary(target_, temporaryName_);
  if (fd_ < 0) Fail(messages_.cannotCreate, errno);
}

TFileReplacement::~TFileReplacement() { Discard(); }

std::string TFileReplacement::Path() const { return temporaryName_.empty() ? DescriptorPath(fd_) : temporaryName_; }

void TFileReplacement::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail(messages_.cannotWrite, n < 0 ? errno : EIO);
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void TFileReplacement::Commit() {
  if (fd_ < 0) Fail(messages_.cannotWrite, EBADF);
  KeepPermissionsOf(target_, fd_);
  if (::fsync(fd_) != 0) Fail(messages_.cannotWrite, errno);
  PutInPlace();
  ::close(fd_);
  fd_ = -1;
  SyncFolder(target_);
}

// A new target takes an unnamed file's first name itself.  Replacing an
// existing one takes a rename, which needs a name to rename from: the file
// gets a temporary one first, locked like any named temporary.
void TFileReplacement::PutInPlace() {
  if (temporaryName_.empty()) {
    if (LinkTo(fd_, target_)) return;
    if (errno != EEXIST) Fail(messages_.cannotCreate, errno);
    ::flock(fd_, LOCK_EX);
    const bool named = TryTemporaryNames(target_, temporaryName_,
                                         [&](const std::string& candidate) { return LinkTo(fd_, candidate); });
    if (!named) Fail(messages_.cannotCreate, errno);
  }
  if (std::rename(temporaryName_.c_str(), target_.c_str()) != 0) Fail(messages_.cannotReplace, errno);
  temporaryName_.clear();
}

void TFileReplacement::Discard() noexcept {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temporaryName_.empty()) {
    ::unlink(temporaryName_.c_str());
    temporaryName_.clear();
  }
}

void TFileReplacement::Fail(const std::function<std::string(int)>& message, int error) {
  Discard();
  throw TabrinError(message(error));
}

}  // namespace tabrin
