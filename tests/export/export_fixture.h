#pragma once
// Shared by the export tests: a temporary folder with an embedded database,
// an exporter writing into that folder, and reading the workbook back.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "config/program_folder.h"
#include "db/connection.h"
#include "db/database_connection.h"
#include "db/embedded_database.h"
#include "db/query.h"
#include "export/ferran3_xls.h"
#include "xls/biff8/workbook_reader.h"

namespace tabrin::testing {

class ExportFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("tabrin-export-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    exporter.FileName = File("out.xls");
    exporter.Options.SetSheetTitle("Sheet1");
  }
  void TearDown() override {
    queries_.clear();
    if (connection_) connection_->Close();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  std::string File(const std::string& name) const { return (folder_ / name).string(); }

  // The embedded database of the folder (created empty on first use).
  TConnection& Connection() {
    if (!connection_) {
      const std::string folder = folder_.string() + "/";
      CreateEmbeddedDatabase(folder + "Database.mdb", {});
      connection_ = std::make_unique<TConnection>("ADOConnection");
      ConnectDatabase(*connection_, TDatabaseKind::dkOrvella, folder);
    }
    return *connection_;
  }

  // An open query on the embedded database with fields from its result.
  TQuery& OpenQuery(const std::string& sql) {
    auto query = std::make_unique<TQuery>("TestQuery", Connection());
    query->SetSql(sql);
    query->Open();
    queries_.push_back(std::move(query));
    return *queries_.back();
  }

  TWorksheet ReadBack(const std::string& sheet = "Sheet1") const {
    return TWorkbookReader::OpenFile(exporter.FileName).ReadSheet(sheet);
  }

  static std::string TextAt(const TWorksheet& sheet, int row, int col) {
    const std::optional<TSheetCell> cell = sheet.Find(row, col);
    if (!cell || cell->kind != TCellKind::ckText) return "<not text>";
    return std::string(sheet.Text(*cell));
  }

  TFerran3XLS exporter;

 private:
  std::filesystem::path folder_;
  std::unique_ptr<TConnection> connection_;
  std::vector<std::unique_ptr<TQuery>> queries_;
};

}  // namespace tabrin::testing
