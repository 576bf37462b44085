#pragma once
// The program folder: where Config.ini, SETUP.ini, Database.ini and
// Database.mdb live.  InitProgramFolder sets it at start-up to the folder
// ChooseProgramFolder (program_folder_choice.h) picks: "--home DIR",
// TABRIN_HOME, the executable's folder when it is writable, else the user's
// data folder.
#include <string>
#include <string_view>

#include "config/program_folder_choice.h"

namespace tabrin {

// Shared by every thread: the folder is set at start-up and read by any
// thread afterwards (an export on a worker thread reads it); reads and the
// setters are safe from two threads at once, a reader gets a copy.

// Chooses the program folder of this run, creates the user's data folder
// when that is the one chosen, and makes it the folder of ProgramFolder().
TProgramFolderChoice InitProgramFolder(std::string_view homeOption);
// The choice in force: the last InitProgramFolder's or SetProgramFolder's
// (before either, the executable's folder).
TProgramFolderChoice ProgramFolderChoice();

// The folder, always ending in "/".
std::string ProgramFolder();
// Overrides the folder for the rest of the run, as "--home folder" does.
void SetProgramFolder(std::string_view folder);

// Full name of a file in a folder matched without regard to case: an
// existing file whose name differs only in letter case is returned; when
// there is none, the name as given (so a new file gets the caller's spelling).
std::string FindFileNoCase(std::string_view folder, std::string_view name);
// The same in the program folder.
std::string ProgramFile(std::string_view name);

}  // namespace tabrin
