#include "config/program_folder_choice.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "text/format.h"
#include "text/translation.h"

namespace tabrin {

namespace detail {

std::string EnvironmentText(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::string UserHomeFolder() {
  if (std::string home = EnvironmentText("HOME"); !home.empty()) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return {};
}

}  // namespace detail

std::string ExecutableFolder() {
  std::vector<char> buffer(4096);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return "./";
  std::string path(buffer.data(), static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

std::string FolderWithSlash(std::string_view folder) {
  std::string result(folder.empty() ? "." : folder);
  if (result.back() != '/') result += '/';
  return result;
}

TProgramFolderChoice ChooseProgramFolder(const TFolderInputs& inputs) {
  if (!inputs.homeOption.empty()) {
    return {FolderWithSlash(inputs.homeOption), TFolderReason::frHomeOption, Tr("named by --home")};
  }
  if (!inputs.tabrinHome.empty()) {
    return {FolderWithSlash(inputs.tabrinHome), TFolderReason::frEnvironment,
            Tr("named by the environment variable TABRIN_HOME")};
  }
  const std::string exeFolder = FolderWithSlash(inputs.executableFolder);
  if (inputs.isWritable && inputs.isWritable(exeFolder)) {
    return {exeFolder, TFolderReason::frExecutableFolder, Tr("the executable's folder (writable)")};
  }
  // A relative XDG_DATA_HOME is invalid and ignored, as the XDG rules say.
  if (!inputs.xdgDataHome.empty() && inputs.xdgDataHome.front() == '/') {
    return {FolderWithSlash(inputs.xdgDataHome) + "tabrin/", TFolderReason::frUserDataFolder,
            FormatMessage(Tr("the executable's folder %s is not writable: the user's data folder $XDG_DATA_HOME/tabrin"),
                          {exeFolder})};
  }
  if (!inputs.userHome.empty()) {
    return {FolderWithSlash(inputs.userHome) + ".local/share/tabrin/", TFolderReason::frUserDataFolder,
            FormatMessage(Tr("the executable's folder %s is not writable: the user's data folder ~/.local/share/tabrin"),
                          {exeFolder})};
  }
  return {exeFolder, TFolderReason::frExecutableFolder,
          Tr("the executable's folder (not writable, and this user has no home folder)")};
}

TFolderInputs CurrentFolderInputs(std::string_view homeOption) {
  return {std::string(homeOption),
          detail::EnvironmentText("TABRIN_HOME"),
          ExecutableFolder(),
          detail::EnvironmentText("XDG_DATA_HOME"),
          detail::UserHomeFolder(),
          IsWritableFolder};
}

bool IsWritableFolder(const std::string& folder) {
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  return faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

}  // namespace tabrin
