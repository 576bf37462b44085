#include "text/translation.h"

#include <libintl.h>

#include <clocale>
#include <string>

namespace tabrin {

const char* Tr(const char* message) { return dgettext(kTextDomain, message); }

std::string InstalledLocaleFolder(std::string_view executableFolder) {
  std::string folder(executableFolder);
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder + TABRIN_LOCALE_FROM_BIN;
}

void BindTranslations(std::string_view localeFolder) {
  bindtextdomain(kTextDomain, std::string(localeFolder).c_str());
  bind_textdomain_codeset(kTextDomain, "UTF-8");
}

void InitTranslation(std::string_view localeFolder) {
  std::setlocale(LC_ALL, "");
  // A decimal comma of the user's locale would change what the program
  // prints and parses with the C library (timings, SQLite's texts).
  std::setlocale(LC_NUMERIC, "C");
  BindTranslations(localeFolder);
}

}  // namespace tabrin
