#include "config/program_folder_choice.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <set>

#include "config/config_test_util.h"
#include "config/program_folder.h"

namespace tabrin {
namespace {

using testing_util::TempFolder;

TEST(ProgramFolderChoice, FromOptionEnvironmentExecutableFolderOrUserData) {
  const std::set<std::string> writable = {"/opt/tabrin/"};
  const struct {
    const char* name;
    const char* homeOption;
    const char* tabrinHome;
    const char* exeFolder;
    const char* xdgDataHome;
    const char* userHome;
    const char* folder;
    TFolderReason reason;
  } cases[] = {
      {"writable executable folder", "", "", "/opt/tabrin", "/x/data", "/home/u", "/opt/tabrin/",
       TFolderReason::frExecutableFolder},
      {"read-only one: XDG_DATA_HOME", "", "", "/usr/bin/", "/x/data", "/home/u", "/x/data/tabrin/",
       TFolderReason::frUserDataFolder},
      {"read-only one: default data folder", "", "", "/usr/bin/", "", "/home/u/", "/home/u/.local/share/tabrin/",
       TFolderReason::frUserDataFolder},
      {"relative XDG_DATA_HOME is ignored", "", "", "/usr/bin/", "data", "/home/u", "/home/u/.local/share/tabrin/",
       TFolderReason::frUserDataFolder},
      {"read-only one and no home at all", "", "", "/usr/bin/", "", "", "/usr/bin/",
       TFolderReason::frExecutableFolder},
      {"TABRIN_HOME before a read-only executable folder", "", "/srv/store", "/usr/bin/", "/x/data", "/home/u",
       "/srv/store/", TFolderReason::frEnvironment},
      {"TABRIN_HOME before a writable one", "", "/srv/store/", "/opt/tabrin/", "", "/home/u", "/srv/store/",
       TFolderReason::frEnvironment},
      {"--home before TABRIN_HOME", "/srv/other", "/srv/store", "/usr/bin/", "/x/data", "/home/u", "/srv/other/",
       TFolderReason::frHomeOption},
      {"--home before a writable executable folder", "rel/home", "", "/opt/tabrin/", "", "/home/u", "rel/home/",
       TFolderReason::frHomeOption},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TProgramFolderChoice choice = ChooseProgramFolder(
        {c.homeOption, c.tabrinHome, c.exeFolder, c.xdgDataHome, c.userHome,
         [&](const std::string& folder) { return writable.count(folder) > 0; }});
    EXPECT_EQ(choice.folder, c.folder);
    EXPECT_EQ(choice.reason, c.reason);
    EXPECT_FALSE(choice.why.empty());
  }
}

// Whether a user who is not root may create files in the folder, asked in a
// child process: as root the child first becomes "nobody", for whom
// permission bits count as they do for a store's clerk.
bool WritableForAnOrdinaryUser(const std::string& folder) {
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    _exit(IsWritableFolder(folder) ? 1 : 0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "could not become an ordinary user";
  return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

TEST(ProgramFolderChoice, WritableMeansThisUserMayCreateFilesThere) {
  TempFolder folder;
  chmod(folder.Path().c_str(), 0777);
  EXPECT_TRUE(IsWritableFolder(folder.Path()));
  EXPECT_TRUE(WritableForAnOrdinaryUser(folder.Path()));
  chmod(folder.Path().c_str(), 0555);  // an installed copy's bin folder
  EXPECT_FALSE(WritableForAnOrdinaryUser(folder.Path()));
  chmod(folder.Path().c_str(), 0700);
  folder.Write("file", "x");
  EXPECT_FALSE(IsWritableFolder(folder.File("file")));  // not a folder
  EXPECT_FALSE(IsWritableFolder(folder.File("missing")));
}

TEST(ProgramFolderChoice, InitChoosesAndCreatesTheUserDataFolderOnlyWhenItIsChosen) {
  TempFolder data;
  setenv("XDG_DATA_HOME", (data.Path() + "/xdg").c_str(), 1);
  unsetenv("TABRIN_HOME");
  // This test program's folder (the build folder) is writable: beside the
  // executable, as a copy unpacked into a folder of its own does.
  TProgramFolderChoice choice = InitProgramFolder("");
  EXPECT_EQ(choice.reason, TFolderReason::frExecutableFolder);
  EXPECT_EQ(ProgramFolder(), choice.folder);
  EXPECT_FALSE(std::filesystem::exists(data.Path() + "/xdg"));

  setenv("TABRIN_HOME", data.Path().c_str(), 1);
  choice = InitProgramFolder("");
  EXPECT_EQ(choice.folder, data.Path() + "/");
  EXPECT_EQ(ProgramFolderChoice().reason, TFolderReason::frEnvironment);
  EXPECT_EQ(ProgramFolder(), data.Path() + "/");
  unsetenv("TABRIN_HOME");
  unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace tabrin
