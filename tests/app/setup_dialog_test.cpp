// The settings dialog: what it shows for each stored value, OK, Cancel, Esc
// and the close box, and the write that fails.
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <filesystem>
#include <optional>

#include "app/setup_dialog.h"
#include "app_test_support.h"


namespace tabrin::app {
namespace {

// Presses a button of the dialog while it runs modally.
std::function<int(QDialog&)> Press(QPushButton* TFmsetup::*button, int chooseIndex = -2) {
  return [button, chooseIndex](QDialog& dialog) {
    auto& setup = static_cast<TFmsetup&>(dialog);
    if (chooseIndex == 0) setup.CoverYes->click();
    if (chooseIndex == 1) setup.CoverNo->click();
    (setup.*button)->click();
    return dialog.result();
  };
}

TEST_F(AppTest, SettingsDialogLooksAsStored) {
  TFMTabrin& window = MakeWindow();
  TFmsetup& setup = window.Fmsetup();
  EXPECT_EQ(setup.windowTitle(), Q("系統設定"));
  EXPECT_EQ(setup.size(), QSize(330, 192));
  EXPECT_EQ(setup.Label1->text(), Q("重複資料是否覆蓋"));
  EXPECT_EQ(setup.RBCover->geometry(), QRect(152, 22, 121, 41));
  EXPECT_TRUE(setup.RBCover->title().isEmpty());
  EXPECT_EQ(setup.CoverYes->text(), Q("是"));
  EXPECT_EQ(setup.CoverNo->text(), Q("否"));
  EXPECT_EQ(setup.bbtnOk->text(), Q("確定"));
  EXPECT_EQ(setup.bbtnCancel->text(), Q("取消"));
  EXPECT_EQ(setup.bbtnOk->geometry(), QRect(37, 99, 100, 33));
  EXPECT_EQ(setup.bbtnCancel->geometry(), QRect(163, 99, 100, 33));
  EXPECT_EQ(setup.bbtnOk->nextInFocusChain(), setup.bbtnCancel);
}

// The value of the key Cover in the file's text.
std::string StoredCover(const std::string& ini) {
  const std::size_t at = ini.find("Cover=");
  if (at == std::string::npos) return "(none)";
  const std::size_t start = at + 6;
  return ini.substr(start, ini.find_first_of("\r\n", start) - start);
}

constexpr TCoverMode kOverwrite = TCoverMode::cmOverwrite;
constexpr TCoverMode kKeep = TCoverMode::cmKeep;

// What the dialog shows for a stored value, and what OK writes back.
struct TStoredCover {
  const char* stored;  // nullptr: no SETUP.ini
  std::optional<TCoverMode> shown;  // none: nothing chosen
  const char* coverText;  // the window's copy
  TCoverMode coverMode;   // only exactly "0" overwrites
  const char* savedByOk;
};

class StoredCoverTest : public AppTest, public ::testing::WithParamInterface<TStoredCover> {};

TEST_P(StoredCoverTest, ShowsClampedChoiceAndOkSavesIt) {
  const TStoredCover& c = GetParam();
  if (c.stored) WriteFile("SETUP.ini", std::string("[Setting]\nCover=") + c.stored + "\n");
  TFMTabrin& window = MakeWindow();
  EXPECT_EQ(window.Fmsetup().Choice(), c.shown);
  EXPECT_EQ(window.Cover().text, c.coverText);
  EXPECT_EQ(window.Cover().mode, c.coverMode);

  dialogs_.modalScript = Press(&TFmsetup::bbtnOk);
  window.inisetupButton->click();
  EXPECT_EQ(StoredCover(ReadFile("SETUP.ini")), c.savedByOk) << ReadFile("SETUP.ini");
}

INSTANTIATE_TEST_SUITE_P(Values, StoredCoverTest,
                         ::testing::Values(TStoredCover{nullptr, kOverwrite, "0", kOverwrite, "0"},
                                           TStoredCover{"1", kKeep, "1", kKeep, "1"},
                                           TStoredCover{"5", kKeep, "5", kKeep, "1"},
                                           TStoredCover{"-7", std::nullopt, "-7", kKeep, "-1"},
                                           TStoredCover{"00", kOverwrite, "00", kKeep, "0"},
                                           TStoredCover{"0x1", kKeep, "0x1", kKeep, "1"}));

TEST_F(AppTest, StoredValueThatIsNoIntegerShowsErrorAtStartAndYes) {
  CreateEmptyDatabase();
  WriteFile("SETUP.ini", "[Setting]\nCover=abc\n");
  TFMTabrin& window = MakeWindow();
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_EQ(dialogs_.errors[0].caption, Q(kTestTitle));
  EXPECT_EQ(dialogs_.errors[0].text, Q("'abc' is not a valid integer value."));
  EXPECT_EQ(window.Fmsetup().Choice(), kOverwrite);
  EXPECT_EQ(window.Cover().text, "abc");
  EXPECT_EQ(window.Cover().mode, kKeep);  // not "0": imports leave existing records
}

TEST_F(AppTest, CancelEscAndCloseBoxKeepTheFileButNotTheChoice) {
  WriteFile("SETUP.ini", "[Setting]\nCover=0\n");
  TFMTabrin& window = MakeWindow();
  TFmsetup& setup = window.Fmsetup();

  const std::function<int(QDialog&)> endings[] = {
      Press(&TFmsetup::bbtnCancel, 1),
      [](QDialog& dialog) {
        static_cast<TFmsetup&>(dialog).CoverNo->click();
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&dialog, &esc);
        return dialog.result();
      },
      [](QDialog& dialog) {
        static_cast<TFmsetup&>(dialog).CoverNo->click();
        dialog.close();  // the title bar's close box
        return dialog.result();
      },
  };
  for (const auto& ending : endings) {
    setup.SetChoice(kOverwrite);
    dialogs_.modalScript = ending;
    std::optional<TCoverMode> choice;
    EXPECT_FALSE(setup.AskCover(choice));
    EXPECT_EQ(choice, std::nullopt);  // left alone
    EXPECT_EQ(ReadFile("SETUP.ini"), "[Setting]\nCover=0\n");
    EXPECT_EQ(setup.Choice(), kKeep);  // the cancelled choice is still shown
  }

  // A later OK saves the choice still shown.
  dialogs_.modalScript = Press(&TFmsetup::bbtnOk);
  window.inisetupButton->click();
  EXPECT_EQ(StoredCover(ReadFile("SETUP.ini")), "1");
  EXPECT_EQ(window.Cover().mode, kOverwrite);  // until the next start
}

TEST_F(AppTest, SettingsWriteThatFailsShowsUnableToWrite) {
  TFMTabrin& window = MakeWindow();
  dialogs_.errors.clear();
  // A folder where the file should be: no write can replace it, even as root.
  std::filesystem::create_directory(File("Setup.ini"));
  dialogs_.modalScript = Press(&TFmsetup::bbtnOk);
  window.inisetupButton->click();
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_TRUE(dialogs_.errors[0].text.startsWith(Q("Unable to write to "))) << dialogs_.errors[0].text.toStdString();
  EXPECT_TRUE(window.inisetupButton->isEnabled());
}

}  // namespace
}  // namespace tabrin::app
