// The window on a real X display (Xvfb): every caption it can show is drawn
// from fonts that have each of its characters, so no caption shows boxes.
// Run under xvfb-run by CTest.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRawFont>
#include <QTabBar>
#include <QTabWidget>

#include <filesystem>
#include <string>
#include <vector>

#include "app/app_look.h"
#include "app/app_start.h"
#include "app/dialogs.h"
#include "app/main_window.h"
#include "app/setup_dialog.h"
#include "db/database_connection.h"
#include "import/import_loop.h"
#include "export/export_command.h"

namespace tabrin::app {
namespace {

// Answers nothing; a box would only be recorded.
class TQuietDialogs : public TDialogs {
 public:
  std::optional<QString> GetOpenFileName(QWidget*) override { return std::nullopt; }
  std::optional<TSaveAnswer> GetSaveFileName(QWidget*, const QString&, const QStringList&) override {
    return std::nullopt;
  }
  QAction* PopupMenu(QMenu&, const QPoint&) override { return nullptr; }
  int RunModal(QDialog&) override { return QDialog::Rejected; }
  void ShowMessage(const QString&, const QString&) override {}
  void ShowError(const QString&, const QString&) override {}
  bool Ask(const QString&, const QString&) override { return false; }
};

struct TCaption {
  QString text;
  QFont font;
  QString where;
};

// Every text the window and the settings dialog show, with the font it is
// drawn in.
std::vector<TCaption> Captions(TFMTabrin& window) {
  std::vector<TCaption> captions;
  for (QWidget* root : {static_cast<QWidget*>(&window), static_cast<QWidget*>(&window.Fmsetup())}) {
    captions.push_back({root->windowTitle(), root->font(), root->objectName()});
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
      captions.push_back({button->text(), button->font(), button->objectName()});
    }
    for (QLabel* label : root->findChildren<QLabel*>()) captions.push_back({label->text(), label->font(), "label"});
  }
  QTabBar* tabs = window.PageControl1->tabBar();
  for (int i = 0; i < tabs->count(); ++i) captions.push_back({tabs->tabText(i), tabs->font(), "tab"});
  for (QAction* action : window.mnuDB->actions()) captions.push_back({action->text(), window.mnuDB->font(), "menu"});
  for (int kind = 1; kind <= 3; ++kind) {
    const std::string_view status = DatabaseKindInfo(static_cast<TDatabaseKind>(kind)).statusText;
    captions.push_back({QString::fromUtf8(status.data(), static_cast<qsizetype>(status.size())),
                        window.Databaseinfo->font(), "Databaseinfo"});
  }
  for (std::string_view done : {kImportDoneMessage, kExportDoneMessage}) {
    captions.push_back({QString::fromUtf8(done.data(), static_cast<qsizetype>(done.size())), QApplication::font(),
                        "message box"});
  }
  captions.push_back({QStringLiteral("匯出資料  活頁簿(*.xls)"), QApplication::font(), "save dialog"});
  captions.push_back({QStringLiteral("匯入中… 匯出中… 筆 取消 正在取消…"), QApplication::font(), "progress"});
  return captions;
}

TEST(CaptionGlyphs, RunsOnARealDisplay) { EXPECT_EQ(QGuiApplication::platformName(), "xcb"); }

TEST(CaptionGlyphs, MingFontsAreThePackagedOne) {
  for (const char* family : {"細明體", "新細明體"}) {
    EXPECT_EQ(QFontInfo(QFont(QString::fromUtf8(family))).family(), "AR PL UMing TW") << family;
  }
  EXPECT_EQ(QFontInfo(QFont(QStringLiteral("Arial"))).family(), "Liberation Sans");
}

TEST(CaptionGlyphs, EveryCaptionCharacterIsInItsFont) {
  TQuietDialogs dialogs;
  TFMTabrin window(dialogs);
  window.show();
  QApplication::processEvents();

  const std::vector<TCaption> captions = Captions(window);
  ASSERT_GT(captions.size(), 30u);
  for (const TCaption& caption : captions) {
    // Strictly in the font itself, not only in a fallback: the look the
    // window was designed with.
    const QRawFont raw = QRawFont::fromFont(caption.font);
    ASSERT_TRUE(raw.isValid()) << caption.where.toStdString();
    const QFontMetrics metrics(caption.font);
    for (const char32_t c : caption.text.toUcs4()) {
      if (c == U' ' || c == U'&') continue;
      EXPECT_TRUE(raw.supportsCharacter(c))
          << caption.where.toStdString() << ": U+" << std::hex << static_cast<unsigned>(c) << " in \""
          << caption.text.toStdString() << "\" (" << raw.familyName().toStdString() << ")";
      EXPECT_TRUE(metrics.inFontUcs4(c)) << caption.where.toStdString();
    }
  }
}

TEST(CaptionGlyphs, DisabledPicturesLookDifferent) {
  const QIcon icon = Picture(QStringLiteral("import"));
  const QImage normal = icon.pixmap(32, 32, QIcon::Normal).toImage();
  const QImage disabled = icon.pixmap(32, 32, QIcon::Disabled).toImage();
  ASSERT_FALSE(normal.isNull());
  EXPECT_NE(normal, disabled);
  // Grey: every visible pixel of the disabled picture has no colour.
  int grey = 0;
  for (int y = 0; y < disabled.height(); ++y) {
    for (int x = 0; x < disabled.width(); ++x) {
      const QColor pixel = disabled.pixelColor(x, y);
      if (pixel.alpha() > 0 && pixel.red() == pixel.green() && pixel.green() == pixel.blue()) ++grey;
    }
  }
  EXPECT_GT(grey, 50);
}

}  // namespace
}  // namespace tabrin::app

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::string folder = (std::filesystem::temp_directory_path() / "tabrin-render-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) return 2;
  tabrin::app::PrepareStart(folder);
  QApplication application(argc, argv);
  tabrin::app::FinishStart();
  const int result = RUN_ALL_TESTS();
  std::filesystem::remove_all(folder);
  return result;
}
