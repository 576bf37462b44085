#include "app_test_support.h"

#include <stdlib.h>

#include <QTabWidget>
#include <QToolButton>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/program_folder.h"
#include "db/connection.h"
#include "db/database_connection.h"
#include "db/embedded_database.h"
#include "db/query.h"
#include "import/import_tabs.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin::app {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

namespace {

std::optional<QString> Next(std::deque<QString>& answers) {
  if (answers.empty()) return std::nullopt;
  const QString name = answers.front();
  answers.pop_front();
  if (name.isEmpty()) return std::nullopt;
  return std::make_optional(name);
}

}  // namespace

std::optional<QString> TScriptedDialogs::GetOpenFileName(QWidget*) {
  return Next(openNames);
}

std::optional<TSaveAnswer> TScriptedDialogs::GetSaveFileName(QWidget*, const QString& title,
                                                             const QStringList& filters) {
  saveDialogs.push_back({title, filters});
  int entry = 0;
  if (!saveEntries.empty()) {
    entry = saveEntries.front();
    saveEntries.pop_front();
  }
  const std::optional<QString> name = Next(saveNames);
  if (!name) return std::nullopt;
  return TSaveAnswer{*name, entry};
}

QAction* TScriptedDialogs::PopupMenu(QMenu& menu, const QPoint& screenPos) {
  menuPositions.push_back(screenPos);
  QStringList items;
  QAction* chosen = nullptr;
  for (QAction* action : menu.actions()) {
    items << action->text();
    if (menuChoice && action->text() == *menuChoice) chosen = action;
  }
  menuItems.push_back(items);
  // As Qt's menu does: the chosen item is triggered before the menu returns it.
  if (chosen) chosen->trigger();
  return chosen;
}

int TScriptedDialogs::RunModal(QDialog& dialog) {
  dialog.show();
  const int result = modalScript(dialog);
  dialog.hide();
  return result;
}

void TScriptedDialogs::ShowMessage(const QString& caption, const QString& text) { messages.push_back({caption, text}); }

void TScriptedDialogs::ShowError(const QString& caption, const QString& text) { errors.push_back({caption, text}); }

bool TScriptedDialogs::Ask(const QString& caption, const QString& text) {
  questions.push_back({caption, text});
  if (askAnswers.empty()) return false;
  const bool yes = askAnswers.front();
  askAnswers.pop_front();
  return yes;
}

void AppTest::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tabrin-app-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  home_ = pattern + "/";
  SetProgramFolder(home_);
}

void AppTest::TearDown() {
  window_.reset();
  std::filesystem::remove_all(home_);
}

TFMTabrin& AppTest::MakeWindow() {
  window_ = std::make_unique<TFMTabrin>(dialogs_);
  return *window_;
}

void AppTest::CreateSampleDatabase() { CreateEmbeddedDatabase(File("Database.mdb"), {.sample = true}); }
void AppTest::CreateEmptyDatabase() { CreateEmbeddedDatabase(File("Database.mdb"), {}); }

void AppTest::WriteFile(const std::string& name, const std::string& text) const {
  std::ofstream(File(name), std::ios::binary) << text;
}

std::string AppTest::ReadFile(const std::string& name) const {
  std::ifstream in(FindFileNoCase(home_, name), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void AppTest::ConnectKind1() {
  dialogs_.menuChoice = QStringLiteral("ORVELLAPOS");
  window_->dbconnButton->click();
}

std::vector<std::string> AppTest::Rows(const std::string& sql) const {
  TConnection connection("Check");
  connection.SetConnectionString(OrvellaConnectionString(home_));
  connection.Open();
  TQuery query("CheckQuery", connection);
  query.SetSql(sql);
  query.Open();
  std::vector<std::string> rows;
  for (query.First(); !query.Eof(); query.Next()) {
    std::string row;
    for (int i = 0; i < query.FieldCount(); ++i) row += (i ? "\t" : "") + query.Fields(i).AsString();
    rows.push_back(row);
  }
  return rows;
}

void WriteWorkbook(const std::string& path, const std::vector<std::string>& titles,
                   const std::vector<std::vector<TCell>>& rows) {
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path);
  writer.BeginWorkbook();
  writer.BeginSheet(TxlsSheetHead{});
  for (int c = 0; c < static_cast<int>(titles.size()); ++c) {
    writer.WriteLabelSst(0, c, titles[static_cast<std::size_t>(c)], kDefaultXfIndex);
  }
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    for (int c = 0; c < static_cast<int>(rows[static_cast<std::size_t>(r)].size()); ++c) {
      const TCell& cell = rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
      if (auto* text = std::get_if<std::string>(&cell)) writer.WriteLabelSst(r + 1, c, *text, kDefaultXfIndex);
      else if (auto* number = std::get_if<double>(&cell)) writer.WriteNumber(r + 1, c, *number, kDefaultXfIndex);
      else writer.WriteBlank(r + 1, c, kDefaultXfIndex);
    }
  }
  writer.EndSheet();
  writer.FinishWorkbook();
  writer.CloseWorkbookFile();
}

std::vector<std::string> ReadWorkbook(const std::string& path) {
  TConnection workbook("ADOXLSConnect");
  workbook.SetConnectionString(WorkbookConnectionString(path));
  workbook.Open();
  TQuery sheet("Sheet", workbook);
  sheet.SetSql("SELECT * FROM [sheet1$]  ");
  sheet.Open();
  std::vector<std::string> rows;
  std::string names;
  for (int i = 0; i < sheet.FieldCount(); ++i) names += (i ? "\t" : "") + sheet.Fields(i).FieldName();
  rows.push_back(names);
  for (sheet.First(); !sheet.Eof(); sheet.Next()) {
    std::string row;
    for (int i = 0; i < sheet.FieldCount(); ++i) row += (i ? "\t" : "") + sheet.Fields(i).AsString();
    rows.push_back(row);
  }
  return rows;
}

}  // namespace tabrin::app
