#pragma once
// Running a front end in process as a clerk's Traditional-Chinese desktop
// runs it (LANG=zh_TW.UTF-8), with the catalogue of the build tree, and
// finding English the program wrote itself in what it showed.
#include <clocale>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "text/translation.h"

namespace tabrin::test {

// Switches the process to zh_TW.UTF-8 (or `locale`) with the build tree's
// catalogue, and back to the C locale (every other test's) when it goes.
// Ok() is false when the C library lacks the locale (scripts/install-deps
// generates zh_TW.UTF-8 and zh_HK.UTF-8).
class TChineseLocale {
 public:
  explicit TChineseLocale(const char* locale = "zh_TW.UTF-8") {
    // LANGUAGE would win over the locale's language.
    ::unsetenv("LANGUAGE");
    ok_ = std::setlocale(LC_ALL, locale) != nullptr;
    BindTranslations(TABRIN_LOCALE_DIR);
  }
  ~TChineseLocale() { std::setlocale(LC_ALL, "C"); }
  TChineseLocale(const TChineseLocale&) = delete;
  TChineseLocale& operator=(const TChineseLocale&) = delete;

  bool Ok() const { return ok_; }
  static constexpr const char* kMissing =
      "the C library lacks the locale: scripts/install-deps generates it (localedef -i zh_TW -f UTF-8 "
      "zh_TW.UTF-8, and zh_HK likewise)";

 private:
  bool ok_ = false;
};

// The English sentences in `text`: runs of three or more ASCII words with
// blanks and ASCII punctuation between them, once file paths and the
// texts that stay English in every language (`kept`: names, the data
// layer's fixed messages, the words of other programs) are taken out.
inline std::vector<std::string> EnglishSentences(std::string text, const std::vector<std::string>& kept = {}) {
  for (const std::string& phrase : kept) {
    for (std::size_t at = text.find(phrase); at != std::string::npos; at = text.find(phrase, at)) {
      text.replace(at, phrase.size(), " ");
    }
  }
  // Paths, the programs' names with the verb after them, and options.
  static const std::regex names(
      R"([A-Za-z0-9._~$-]*/[A-Za-z0-9._/~$-]*|\btabrin(-cli)?\b( [a-z][a-z-]*)?|--[a-z][a-z-]*)");
  text = std::regex_replace(text, names, " ");
  // A word may hold a hyphen ("no-such-verb"); words of a sentence have
  // blanks between them ("cls,item" is a list of names).
  static const std::regex sentence(
      R"([A-Za-z][A-Za-z'-]*(?:[,;:.()'"!?]*[ \t]+[,;:.()'"!?]*[A-Za-z][A-Za-z'-]*){2,})");
  std::vector<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), sentence); it != std::sregex_iterator(); ++it) {
    found.push_back(it->str());
  }
  return found;
}

}  // namespace tabrin::test
