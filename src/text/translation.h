#pragma once
// The program's own messages in the user's language: GNU gettext, text
// domain "tabrin", the catalogue chosen by the locale (LANGUAGE, LC_ALL,
// LC_MESSAGES, LANG) as every program on the desktop chooses its own.  Under
// the C locale, or when no catalogue is installed for the language, a
// message reads exactly as it is written in the source.
//
// Marking: Tr("…") where the text is used; TrNoop("…") where a text is only
// kept (a table, a constant) and translated later with Tr.  xgettext collects
// both (po/CMakeLists.txt).
#include <string>
#include <string_view>

namespace tabrin {

inline constexpr char kTextDomain[] = "tabrin";

// The translation of `message` for the current LC_MESSAGES, or `message`
// itself.  The result lives as long as the program (or as `message`).
const char* Tr(const char* message);

// Marks a text for the catalogue without translating it.
constexpr const char* TrNoop(const char* message) { return message; }

// The folder of the catalogues of a program in `executableFolder`:
// <prefix>/share/locale for <prefix>/bin, installed or in the build tree.
std::string InstalledLocaleFolder(std::string_view executableFolder);

// Takes the user's locale from the environment (setlocale(LC_ALL, "")), keeps
// numbers in the C form the program's own formatting expects, and reads the
// catalogues of `localeFolder` (<folder>/<language>/LC_MESSAGES/tabrin.mo),
// handing out UTF-8 whatever the locale's character set.  Called once, by
// main(), before any message is made.
void InitTranslation(std::string_view localeFolder);

// Reads the catalogues of `localeFolder` without touching the locale (the
// tests choose their locale themselves).
void BindTranslations(std::string_view localeFolder);

}  // namespace tabrin
