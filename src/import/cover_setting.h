#pragma once
// The import setting: SETUP.ini in the program folder, section "Setting",
// key "Cover".  "0" (the default) overwrites records whose code already
// exists; any other text, "00" and "-1" included, leaves them.
//
//   std::string coverFlag = ReadCoverFlag(ProgramFolder());   // at start
//   WriteCoverChoice(ProgramFolder(), 1);                     // settings "否"
#include <string>
#include <string_view>

namespace tabrin {

// The value as the main window reads it at start: the text of the key,
// default "0".
std::string ReadCoverFlag(std::string_view programFolder);

// The choice as the settings dialog shows it: the value read as an integer
// and clamped to -1 (nothing chosen) .. 1; 0 is "是" (overwrite), 1 "否".
// Raises "'%s' is not a valid integer value" for a value that is no integer.
int ReadCoverChoice(std::string_view programFolder);

// Stores the decimal text of the chosen item index (-1, 0 or 1), creating
// the file, section and key as needed.  Raises "Unable to write to %s".
void WriteCoverChoice(std::string_view programFolder, int itemIndex);

}  // namespace tabrin
