#pragma once
// The import setting: SETUP.ini in the program folder, section "Setting",
// key "Cover".  "0" (the default) overwrites records whose code already
// exists; any other text, "00" and "-1" included, leaves them.
//
//   TCoverSetting cover = ReadCoverSetting(ProgramFolder());   // at start
//   options.cover = cover.mode;
//   WriteCoverChoice(ProgramFolder(), TCoverMode::cmKeep);     // settings "否"
//
// Beside "Cover", the same section holds what else an import may change:
// "UpdateOnly" (new codes are not appended) and "KeepBlanks" (an overwrite
// leaves a field alone where the sheet's cell is blank), each "1" for on
// and anything else, a missing key included, for off.
//
//   TImportChoices choices = ReadImportChoices(ProgramFolder());
//   options.updateOnly = choices.updateOnly;
#include <optional>
#include <string>
#include <string_view>

#include "import/cover_mode.h"

namespace tabrin {

// The setting as imports follow it.
struct TCoverSetting {
  TCoverMode mode = TCoverMode::cmOverwrite;
  // The key's text as the file holds it: the import journal records it and
  // `settings` shows it as they are.
  std::string text = "0";
};

// The setting as the main window reads it at start: the text of the key,
// default "0", and what it means.
TCoverSetting ReadCoverSetting(std::string_view programFolder);

// The choice as the settings dialog shows it: the value read as an integer
// and clamped to -1 .. 1; 0 is "是" (overwrite), 1 "否" (keep), -1 nothing
// chosen (none).  Raises "'%s' is not a valid integer value" for a value that
// is no integer.
std::optional<TCoverMode> ReadCoverChoice(std::string_view programFolder);

// Stores the choice as the dialog's item index: "0" overwrite, "1" keep,
// "-1" nothing chosen, creating the file, section and key as needed.
// Raises "Unable to write to %s".
void WriteCoverChoice(std::string_view programFolder, std::optional<TCoverMode> choice);

struct TImportChoices {
  bool updateOnly = false;
  bool keepBlanks = false;
  friend bool operator==(const TImportChoices&, const TImportChoices&) = default;
};

TImportChoices ReadImportChoices(std::string_view programFolder);

// Stores both keys, "1" or "0".  Raises "Unable to write to %s".
void WriteImportChoices(std::string_view programFolder, const TImportChoices& choices);

}  // namespace tabrin
