#include "config/program_folder_choice.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "config/program_folder.h"

namespace tabrin {

namespace detail {

std::string WithTrailingSlash(std::string folder) {
  if (folder.empty()) folder = ".";
  if (folder.back() != '/') folder += '/';
  return folder;
}

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

std::string RunningExecutableFolder() {
  std::vector<char> buffer(4096);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return "./";
  std::string path(buffer.data(), static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

// The folder and its missing parents; new folders are private to the user,
// as the XDG base directory rules ask of the data folder.
void CreateFolderWithParents(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return;  // later file opens name the failure
  }
}

struct TSharedChoice {
  std::mutex mutex;
  TProgramFolderChoice choice{RunningExecutableFolder(), TFolderReason::frExecutableFolder,
                              "the executable's folder"};
};

TSharedChoice& SharedChoice() {
  static TSharedChoice shared;
  return shared;
}

}  // namespace detail

TProgramFolderChoice ChooseProgramFolder(const TFolderInputs& inputs) {
  using detail::WithTrailingSlash;
  if (!inputs.homeOption.empty()) {
    return {WithTrailingSlash(inputs.homeOption), TFolderReason::frHomeOption, "named by --home"};
  }
  if (!inputs.tabrinHome.empty()) {
    return {WithTrailingSlash(inputs.tabrinHome), TFolderReason::frEnvironment,
            "named by the environment variable TABRIN_HOME"};
  }
  const std::string exeFolder = WithTrailingSlash(inputs.executableFolder);
  if (inputs.isWritable && inputs.isWritable(exeFolder)) {
    return {exeFolder, TFolderReason::frExecutableFolder, "the executable's folder (writable)"};
  }
  // A relative XDG_DATA_HOME is invalid and ignored, as the XDG rules say.
  if (!inputs.xdgDataHome.empty() && inputs.xdgDataHome.front() == '/') {
    return {WithTrailingSlash(inputs.xdgDataHome) + "tabrin/", TFolderReason::frUserDataFolder,
            "the executable's folder " + exeFolder + " is not writable: the user's data folder $XDG_DATA_HOME/tabrin"};
  }
  if (!inputs.userHome.empty()) {
    return {WithTrailingSlash(inputs.userHome) + ".local/share/tabrin/", TFolderReason::frUserDataFolder,
            "the executable's folder " + exeFolder + " is not writable: the user's data folder ~/.local/share/tabrin"};
  }
  return {exeFolder, TFolderReason::frExecutableFolder,
          "the executable's folder (not writable, and this user has no home folder)"};
}

TFolderInputs CurrentFolderInputs(std::string_view homeOption) {
  return {std::string(homeOption),
          detail::EnvironmentText("TABRIN_HOME"),
          detail::RunningExecutableFolder(),
          detail::EnvironmentText("XDG_DATA_HOME"),
          detail::UserHomeFolder(),
          IsWritableFolder};
}

bool IsWritableFolder(const std::string& folder) {
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  return faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

TProgramFolderChoice InitProgramFolder(std::string_view homeOption) {
  TProgramFolderChoice choice = ChooseProgramFolder(CurrentFolderInputs(homeOption));
  if (choice.reason == TFolderReason::frUserDataFolder) detail::CreateFolderWithParents(choice.folder);
  SetProgramFolder(choice.folder);
  detail::TSharedChoice& shared = detail::SharedChoice();
  std::lock_guard lock(shared.mutex);
  shared.choice = choice;
  return choice;
}

TProgramFolderChoice ProgramFolderChoice() {
  detail::TSharedChoice& shared = detail::SharedChoice();
  std::lock_guard lock(shared.mutex);
  return shared.choice;
}

}  // namespace tabrin
