// The database verbs: init-db and connect, run in process on a fresh program
// folder.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
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
  EXPECT_EQ(out_.str(), "匯入完畢\n新增 0 筆，覆蓋 0 筆，內容相同 20 筆，未變更 0 筆\n");
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

// A port on loopback that nobody listens on: connecting there fails at once.
int ClosedPort() {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(listener);
  return port;
}

// A server that cannot be reached: the driver's words, then the server that
// was tried and the file, section and keys that name it.
TEST_F(CliDbTest, AnUnreachableServerIsNamedWithTheFileThatNamesIt) {
  const std::string port = std::to_string(ClosedPort());
  ASSERT_NE(port, "0");
  const struct {
    const char* kind;
    std::string ini;
    std::string server;
  } cases[] = {
      {"2", "[Database]\nHost=127.0.0.1\nPort=" + port + "\n", "Host=127.0.0.1, Port=" + port + ", DatabaseName=KESTAPOS"},
      {"3", "[database]\nhost=127.0.0.1\nport=" + port + "\nDatabaseName=store\n",
       "Host=127.0.0.1, Port=" + port + ", DatabaseName=store"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    std::ofstream(home_ + "/Database.ini") << c.ini;
    EXPECT_EQ(Run({"connect", c.kind}), 1);
    EXPECT_EQ(out_.str(), "");
    EXPECT_TRUE(err_.str().starts_with("Unable to connect: Adaptive Server is unavailable or does not exist"))
        << err_.str();
    const std::string named = "\nServer: " + c.server + " (section [Database] of " + home_ + "/Database.ini).\n";
    EXPECT_TRUE(err_.str().ends_with(named)) << err_.str();
  }
}

TEST_F(CliDbTest, ConnectRejectsAnUnknownKind) {
  EXPECT_NE(Run({"connect", "4"}), 0);
  EXPECT_FALSE(err_.str().empty());
}

}  // namespace
}  // namespace tabrin::cli
