#include "import/cover_setting.h"

#include <algorithm>

#include "config/ini_file.h"
#include "config/program_folder.h"
#include "text/error.h"
#include "text/messages.h"

namespace tabrin {
namespace {

// The three places that touch the setting spell the file and key each their
// own way; names match without regard to case, so they are one file and key.
constexpr std::string_view kSection = "Setting";

}  // namespace

std::string ReadCoverFlag(std::string_view programFolder) {
  const TIniFile ini(FindFileNoCase(programFolder, "setup.ini"));
  return ini.ReadString(kSection, "cover", "0");
}

int ReadCoverChoice(std::string_view programFolder) {
  const TIniFile ini(FindFileNoCase(programFolder, "SETUP.ini"));
  const std::string text = ini.ReadString(kSection, "Cover", "0");
  int value = 0;
  if (!ParseIniInteger(text, value)) throw TabrinError(NotAnIntegerMessage(text));
  return std::clamp(value, -1, 1);
}

void WriteCoverChoice(std::string_view programFolder, int itemIndex) {
  TIniFile ini(FindFileNoCase(programFolder, "Setup.ini"));
  ini.WriteString(kSection, "Cover", std::to_string(itemIndex));
}

}  // namespace tabrin
