#include "config/program_folder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <mutex>

#include "text/ascii.h"
#include "text/translation.h"

namespace tabrin {

namespace {

struct TSharedChoice {
  std::mutex mutex;
  TProgramFolderChoice choice{ExecutableFolder(), TFolderReason::frExecutableFolder, Tr("the executable's folder")};
};

TSharedChoice& SharedChoice() {
  static TSharedChoice shared;
  return shared;
}

void SetProgramFolderChoice(TProgramFolderChoice choice) {
  TSharedChoice& shared = SharedChoice();
  std::lock_guard lock(shared.mutex);
  shared.choice = std::move(choice);
}

// The folder and its missing parents; new folders are private to the user,
// as the XDG base directory rules ask of the data folder.
void CreateFolderWithParents(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return;  // later file opens name the failure
  }
}

}  // namespace

TProgramFolderChoice InitProgramFolder(std::string_view homeOption) {
  TProgramFolderChoice choice = ChooseProgramFolder(CurrentFolderInputs(homeOption));
  if (choice.reason == TFolderReason::frUserDataFolder) CreateFolderWithParents(choice.folder);
  SetProgramFolderChoice(choice);
  return choice;
}

TProgramFolderChoice ProgramFolderChoice() {
  TSharedChoice& shared = SharedChoice();
  std::lock_guard lock(shared.mutex);
  return shared.choice;
}

std::string ProgramFolder() {
  TSharedChoice& shared = SharedChoice();
  std::lock_guard lock(shared.mutex);
  return shared.choice.folder;
}

void SetProgramFolder(std::string_view folder) {
  TFolderInputs inputs;
  inputs.homeOption = folder;
  SetProgramFolderChoice(ChooseProgramFolder(inputs));
}

std::string FindFileNoCase(std::string_view folder, std::string_view name) {
  const std::string dir = FolderWithSlash(folder);
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
