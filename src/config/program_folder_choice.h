#pragma once
// Which folder is the program folder, and why.
//
// In order: "--home DIR"; the environment variable TABRIN_HOME; the folder of
// the executable when this user may write there (a copy unpacked into a
// folder of its own, the build folder); otherwise, for an installed copy
// whose executable lives in a system folder such as /usr/bin, the user's
// data folder $XDG_DATA_HOME/tabrin (~/.local/share/tabrin when
// XDG_DATA_HOME is unset), created on first use.
#include <functional>
#include <string>
#include <string_view>

namespace tabrin {

enum class TFolderReason {
  frHomeOption,        // --home
  frEnvironment,       // TABRIN_HOME
  frExecutableFolder,  // beside the executable
  frUserDataFolder,    // $XDG_DATA_HOME/tabrin: the executable's folder is not writable
};

struct TProgramFolderChoice {
  std::string folder;  // always ends in "/"
  TFolderReason reason = TFolderReason::frExecutableFolder;
  std::string why;  // one sentence for people: where the folder came from
};

// Everything the choice depends on; CurrentFolderInputs reads it from the
// running process.  Tests fill it in themselves.
struct TFolderInputs {
  std::string homeOption;        // --home; empty when not given
  std::string tabrinHome;        // $TABRIN_HOME; empty when unset
  std::string executableFolder;  // ends in "/"
  std::string xdgDataHome;       // $XDG_DATA_HOME; empty when unset
  std::string userHome;          // $HOME, else the user's entry in the password database
  std::function<bool(const std::string&)> isWritable;
};

TProgramFolderChoice ChooseProgramFolder(const TFolderInputs& inputs);
TFolderInputs CurrentFolderInputs(std::string_view homeOption);

// True when this process may create files in the folder (as its effective
// user, so root may write where the permission bits say no, but not on a
// read-only file system).
bool IsWritableFolder(const std::string& folder);

// The folder of the running executable, ending in "/" ("./" when the
// system does not tell).
std::string ExecutableFolder();
// The folder ending in "/"; "./" for an empty one.
std::string FolderWithSlash(std::string_view folder);

}  // namespace tabrin
