#include "import/cover_setting.h"

#include <algorithm>
#include <utility>

#include "config/ini_file.h"
#include "config/program_folder.h"
#include "text/error.h"
#include "text/messages.h"

namespace tabrin {
namespace {

// The three places that touch the setting spell the file and key each their
// own way; names match without regard to case, so they are one file and key.
constexpr std::string_view kSection = "Setting";

// Only the exact text "0" overwrites: the imports compare the text, while
// the dialog reads it as an integer.
TCoverMode CoverModeOfText(std::string_view text) {
  return text == "0" ? TCoverMode::cmOverwrite : TCoverMode::cmKeep;
}

// The dialog's item index: 0 "是", 1 "否", -1 none.
int ItemIndexOf(std::optional<TCoverMode> choice) {
  if (!choice) return -1;
  return *choice == TCoverMode::cmOverwrite ? 0 : 1;
}

}  // namespace

TCoverSetting ReadCoverSetting(std::string_view programFolder) {
  const TIniFile ini(FindFileNoCase(programFolder, "setup.ini"));
  std::string text = ini.ReadString(kSection, "cover", "0");
  return {CoverModeOfText(text), std::move(text)};
}

std::optional<TCoverMode> ReadCoverChoice(std::string_view programFolder) {
  const TIniFile ini(FindFileNoCase(programFolder, "SETUP.ini"));
  const std::string text = ini.ReadString(kSection, "Cover", "0");
  int value = 0;
  if (!ParseIniInteger(text, value)) throw TabrinError(NotAnIntegerMessage(text));
  switch (std::clamp(value, -1, 1)) {
    case 0: return TCoverMode::cmOverwrite;
    case 1: return TCoverMode::cmKeep;
    default: return std::nullopt;
  }
}

TImportChoices ReadImportChoices(std::string_view programFolder) {
  const TIniFile ini(FindFileNoCase(programFolder, "SETUP.ini"));
  return {ini.ReadString(kSection, "UpdateOnly", "0") == "1", ini.ReadString(kSection, "KeepBlanks", "0") == "1"};
}

void WriteImportChoices(std::string_view programFolder, const TImportChoices& choices) {
  TIniFile ini(FindFileNoCase(programFolder, "SETUP.ini"));
  ini.WriteString(kSection, "UpdateOnly", choices.updateOnly ? "1" : "0");
  ini.WriteString(kSection, "KeepBlanks", choices.keepBlanks ? "1" : "0");
}

void WriteCoverChoice(std::string_view programFolder, std::optional<TCoverMode> choice) {
  TIniFile ini(FindFileNoCase(programFolder, "Setup.ini"));
  ini.WriteString(kSection, "Cover", std::to_string(ItemIndexOf(choice)));
}

}  // namespace tabrin
