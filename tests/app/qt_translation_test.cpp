// Which of Qt's translations a locale gets: Chinese in traditional characters
// wherever it is written so, English and C none.
#include <gtest/gtest.h>

#include "app/qt_translation.h"

namespace tabrin::app {
namespace {

TEST(QtTranslation, TraditionalChineseLocalesGetTaiwansTranslation) {
  const struct {
    const char* locale;
    const char* translation;
  } cases[] = {{"zh_TW", "zh_TW"}, {"zh_HK", "zh_TW"}, {"zh_MO", "zh_TW"}, {"zh_Hant_CN", "zh_TW"},
               {"zh_CN", "zh_CN"}, {"C", ""},          {"en_US", ""},       {"en_GB", ""},
               {"de_DE", "de_DE"}};
  for (const auto& c : cases) {
    EXPECT_EQ(QtTranslationLocale(QLocale(QString::fromLatin1(c.locale))), QString::fromLatin1(c.translation))
        << c.locale;
  }
}

}  // namespace
}  // namespace tabrin::app
