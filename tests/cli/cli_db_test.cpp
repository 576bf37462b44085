// The database verbs: init-db and connect, run in process on a fresh program
// folder.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli.h"
#include "cli/cli_home_test.h"

namespace tabrin::cli {
namespace {

class CliDbTest : public CliHomeTest {};

TEST_F(CliDbTest, InitDbWithSampleThenConnectKindOne) {
  ASSERT_EQ(Run({"init-db", "--sample"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("Database.mdb"), std::string::npos);
  EXPECT_NE(out_.str().find("小分類 20 筆、商品 200 筆、廠商 20 筆、會員 50 筆"), std::string::npos) << out_.str();
  ASSERT_EQ(Run({"connect", "1"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "連線資料庫 : Orvella\n");
}

TEST_F(CliDbTest, InitDbRefusesToReplaceWithoutForce) {
  ASSERT_EQ(Run({"init-db"}), 0);
  EXPECT_EQ(Run({"init-db"}), 1);
  EXPECT_EQ(err_.str(), "'" + home_ + "/Database.mdb' already exists; use --force to replace it.\n");
  EXPECT_EQ(Run({"init-db", "--force"}), 0) << err_.str();
}

// Every verb finds the kind-1 database as init-db does, whatever the letter
// case of its name.
TEST_F(CliDbTest, EveryVerbFindsDatabaseMdbInAnyLetterCase) {
  ASSERT_EQ(Run({"init-db", "--sample"}), 0) << err_.str();
  std::filesystem::rename(home_ + "/Database.mdb", home_ + "/database.MDB");
  EXPECT_EQ(Run({"init-db"}), 1);
  EXPECT_EQ(err_.str(), "'" + home_ + "/database.MDB' already exists; use --force to replace it.\n");
  EXPECT_EQ(Run({"connect", "1"}), 0) << err_.str();
  EXPECT_EQ(Run({"export", "--kind", "1", "cls", home_ + "/cls.xls"}), 0) << err_.str();
  EXPECT_EQ(Run({"import", "--kind", "1", "cls", home_ + "/cls.xls"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "匯入完畢\n新增 0 筆，覆蓋 20 筆，未變更 0 筆\n");
  EXPECT_FALSE(std::filesystem::exists(home_ + "/Database.mdb"));
}

TEST_F(CliDbTest, ConnectWithoutDatabaseFilePrintsTheErrorAndFails) {
  EXPECT_EQ(Run({"connect", "1"}), 1);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(err_.str(), "Could not find file '" + home_ + "/Database.mdb'; \"tabrin-cli init-db\" creates it.\n");
}

TEST_F(CliDbTest, ConnectServerKindThroughDatabaseIni) {
  const char* port = std::getenv("TABRIN_PG_PORT");
  if (!port) GTEST_SKIP() << "PostgreSQL test server not available (run under scripts/with-postgres)";
  std::ofstream(home_ + "/Database.ini") << "[Database]\nPassword=" << std::getenv("TABRIN_PG_PASSWORD")
                                         << "\nLogin=" << std::getenv("TABRIN_PG_USER")
                                         << "\nDatabaseName=" << std::getenv("TABRIN_PG_DATABASE")
                                         << "\nHost=" << std::getenv("TABRIN_PG_HOST")
                                         << "\nDriver=PostgreSQL Unicode\nPort=" << port << "\n";
  ASSERT_EQ(Run({"connect", "2"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "連線資料庫 : KESTAPOS\n");
  ASSERT_EQ(Run({"connect", "3"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "連線資料庫 : KESTAPLUS\n");
}

TEST_F(CliDbTest, ConnectRejectsAnUnknownKind) {
  EXPECT_NE(Run({"connect", "4"}), 0);
  EXPECT_FALSE(err_.str().empty());
}

}  // namespace
}  // namespace tabrin::cli
