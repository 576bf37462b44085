#include "app/app_look.h"

#include <fontconfig/fontconfig.h>

#include <QAbstractButton>
#include <QFile>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSvgRenderer>

namespace tabrin::app {

namespace {

const QColor kNavy(0, 0, 128);

QPixmap RenderSvg(const QString& path, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QSvgRenderer renderer(path);
  QPainter painter(&pixmap);
  renderer.render(&painter);
  return pixmap;
}

}  // namespace

bool InstallFontAliases() {
  QFile conf(QStringLiteral(":/tabrin-fonts.conf"));
  if (!conf.open(QIODevice::ReadOnly)) return false;
  const QByteArray text = conf.readAll();
  FcConfig* config = FcConfigGetCurrent();
  return config != nullptr &&
         FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(text.constData()), FcTrue) == FcTrue;
}

QFont CaptionFont() {
  QFont font(QStringLiteral("細明體"));
  font.setPointSize(9);
  return font;
}

QIcon Picture(const QString& name) {
  const QString path = QStringLiteral(":/pictures/%1.svg").arg(name);
  QIcon icon;
  icon.addPixmap(RenderSvg(path, 32));
  icon.addPixmap(RenderSvg(path, 64));
  return icon;
}

void StyleCommandButton(QAbstractButton& button, const QString& caption, const QString& picture) {
  button.setText(caption);
  button.setIcon(Picture(picture));
  button.setFont(CaptionFont());
  QPalette palette = button.palette();
  palette.setColor(QPalette::Active, QPalette::ButtonText, kNavy);
  palette.setColor(QPalette::Inactive, QPalette::ButtonText, kNavy);
  button.setPalette(palette);
}

}  // namespace tabrin::app
