#pragma once
// Qt's own texts (the Yes and No of a question box, OK, the file dialogs'
// "Look in:" and "File name:") in the user's language, from the translations
// Qt ships (qtbase_<locale>.qm in QLibraryInfo::TranslationsPath; Debian's
// qt6-translations-l10n).  Without them they stay English.
#include <QLocale>
#include <QString>

namespace tabrin::app {

// The locale of Qt's translation for `locale`: "zh_TW" for Chinese written
// in traditional characters (Taiwan, Hong Kong, Macau), which Qt has for
// Taiwan only; the locale's own name for other languages; empty for English
// and the C locale, Qt's texts as they are.
QString QtTranslationLocale(const QLocale& locale);

// Loads Qt's translation for the user's locale into the application, which
// must exist.  False when there is none to load or it is not installed.
bool InstallQtTranslation();

}  // namespace tabrin::app
