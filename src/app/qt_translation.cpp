#include "app/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tabrin::app {

QString QtTranslationLocale(const QLocale& locale) {
  switch (locale.language()) {
    case QLocale::C:
    case QLocale::English:
      return {};
    case QLocale::Chinese: {
      const bool traditional = locale.script() == QLocale::TraditionalHanScript ||
                               locale.territory() == QLocale::Taiwan || locale.territory() == QLocale::HongKong ||
                               locale.territory() == QLocale::Macao;
      return traditional ? QStringLiteral("zh_TW") : QStringLiteral("zh_CN");
    }
    default:
      return locale.name();
  }
}

bool InstallQtTranslation() {
  const QString name = QtTranslationLocale(QLocale::system());
  if (name.isEmpty()) return false;
  // Owned by the application: it translates for as long as the program runs.
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QStringLiteral("qtbase_") + name, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace tabrin::app
