#pragma once
// The program folder: where Config.ini, SETUP.ini, Database.ini and
// Database.mdb live.  By default the folder of the executable; "--home DIR"
// or the environment variable TABRIN_HOME name another one.
#include <string>
#include <string_view>

namespace tabrin {

// The folder, always ending in "/".
const std::string& ProgramFolder();
// Overrides the folder for the rest of the run (the --home option).
void SetProgramFolder(std::string_view folder);
// Resolution order: explicit --home, TABRIN_HOME, the executable's folder.
void InitProgramFolder(std::string_view homeOption);

// Full name of a file in a folder matched without regard to case: an
// existing file whose name differs only in letter case is returned; when
// there is none, the name as given (so a new file gets the caller's spelling).
std::string FindFileNoCase(std::string_view folder, std::string_view name);
// The same in the program folder.
std::string ProgramFile(std::string_view name);

}  // namespace tabrin
