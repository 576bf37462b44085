#include "app/app_start.h"

#include <QApplication>
#include <QFont>
#include <QString>

#include "app/app_look.h"
#include "app/error_box.h"
#include "app/qt_translation.h"
#include "config/program_folder.h"
#include "config/site_config.h"
#include "import/workbook_backend.h"

static void InitTabrinResources() { Q_INIT_RESOURCE(tabrin); }

namespace tabrin::app {

void PrepareStart(std::string_view homeOption) {
  InitProgramFolder(homeOption);
  SetApplicationTitle(QString::fromStdString(SiteConfig().Title));
  InitTabrinResources();
  InstallFontAliases();
}

void FinishStart() {
  InstallQtTranslation();
  // The store's machines show their forms in 新細明體 9 points.
  QFont font(QStringLiteral("新細明體"));
  font.setPointSize(9);
  QApplication::setFont(font);
  RegisterWorkbookReader();
}

}  // namespace tabrin::app
