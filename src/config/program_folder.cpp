#include "config/program_folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <mutex>
#include <vector>

#include "text/ascii.h"

namespace tabrin {

namespace {

std::string WithSlash(std::string_view folder) {
  std::string result(folder.empty() ? "." : folder);
  if (result.back() != '/') result += '/';
  return result;
}

std::string ExecutableFolder() {
  std::vector<char> buffer(4096);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return "./";
  std::string path(buffer.data(), static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

struct TSharedFolder {
  std::mutex mutex;
  std::string folder = ExecutableFolder();
};

TSharedFolder& Shared() {
  static TSharedFolder shared;
  return shared;
}

}  // namespace

std::string ProgramFolder() {
  TSharedFolder& shared = Shared();
  std::lock_guard lock(shared.mutex);
  return shared.folder;
}

void SetProgramFolder(std::string_view folder) {
  std::string withSlash = WithSlash(folder);
  TSharedFolder& shared = Shared();
  std::lock_guard lock(shared.mutex);
  shared.folder = std::move(withSlash);
}

std::string FindFileNoCase(std::string_view folder, std::string_view name) {
  const std::string dir = WithSlash(folder);
  const std::string exact = dir + std::string(name);
  struct stat info {};
  if (stat(exact.c_str(), &info) == 0) return exact;
  if (DIR* handle = opendir(dir.c_str())) {
    std::string found;
    while (const dirent* entry = readdir(handle)) {
      if (EqualNoCaseAscii(entry->d_name, name)) {
        found = dir + entry->d_name;
        break;
      }
    }
    closedir(handle);
    if (!found.empty()) return found;
  }
  return exact;
}

std::string ProgramFile(std::string_view name) { return FindFileNoCase(ProgramFolder(), name); }

}  // namespace tabrin
