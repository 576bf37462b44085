// The server kinds against the FreeTDS driver itself, on loopback only: a
// listening socket of the test stands in for the server, so the test sees
// where FreeTDS takes a login, and a closed port shows how a refused
// connection is reported.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>
#include <string>

#include "db/database_connection.h"
#include "db_test_support.h"
#include "text/error.h"

namespace tabrin::test {
namespace {

class TLoopbackListener {
 public:
  TLoopbackListener() {
    socket_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(socket_, 4) == 0 &&
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      port_ = ntohs(address.sin_port);
    }
  }
  ~TLoopbackListener() { Close(); }

  int Port() const { return port_; }
  // Whether a connection arrives within the time; it is closed at once, so
  // that the client gives up.
  bool Accepts(int milliseconds) {
    pollfd waiting{socket_, POLLIN, 0};
    if (poll(&waiting, 1, milliseconds) != 1) return false;
    const int client = accept(socket_, nullptr, nullptr);
    if (client < 0) return false;
    close(client);
    return true;
  }
  void Close() {
    if (socket_ >= 0) close(socket_);
    socket_ = -1;
  }

 private:
  int socket_ = -1;
  int port_ = 0;
};

std::string ConnectError(const std::string& folder) {
  try {
    TConnection connection("ADOConnection");
    ConnectDatabase(connection, TDatabaseKind::dkKestaPos, folder);
  } catch (const TabrinError& e) {
    return e.what();
  }
  return "(no error)";
}

// A Database.ini for the server on loopback at port, with one key set.
std::string DatabaseIni(const std::string& key, const std::string& value, int port) {
  std::string ini = "[Database]\nPort=" + std::to_string(port) + "\n" + key + "=" + value + "\n";
  return key == "Host" ? ini : ini + "Host=127.0.0.1\n";
}

int PortNobodyListensOn() {
  TLoopbackListener nobody;
  return nobody.Port();
}

TEST(FreeTdsValues, AValueThatWouldAddKeysIsRefusedNamingItsKey) {
  // Nothing listens at the configured port, nor at port 2, so a login
  // attempt fails at once instead of being refused beforehand.
  const int port = PortNobodyListensOn();
  ASSERT_NE(port, 0);
  for (const char* key : {"Password", "Login", "DatabaseName", "Host"}) {
    TTempFolder folder;
    folder.Write("Database.ini", DatabaseIni(key, key == std::string("Host") ? "127.0.0.1};PORT=2;x={" : "x};PORT=2;x={", port));
    const std::string error = ConnectError(folder.Path());
    EXPECT_NE(error.find(std::string("\"") + key + "\""), std::string::npos) << key << ": " << error;
    EXPECT_NE(error.find("\"}\""), std::string::npos) << key << ": " << error;
    EXPECT_EQ(error.find("};PORT"), std::string::npos) << "the value itself is not shown: " << error;
  }
}

TEST(FreeTdsValues, SeparatorsInAPasswordStayInsideIt) {
  TLoopbackListener server;
  ASSERT_NE(server.Port(), 0);
  TTempFolder folder;
  // Were the password read as keys, FreeTDS would go to port 2.
  folder.Write("Database.ini", DatabaseIni("Password", "a;PORT=2;b={c=d", server.Port()));
  auto attempt = std::async(std::launch::async, [&] { return ConnectError(folder.Path()); });
  EXPECT_TRUE(server.Accepts(20000)) << "FreeTDS did not come to the configured port";
  server.Close();
  EXPECT_NE(attempt.get(), "(no error)");
}

TEST(FreeTdsValues, ARefusedConnectionStatesTheDriversMessageOnce) {
  const int closedPort = PortNobodyListensOn();
  ASSERT_NE(closedPort, 0);
  TTempFolder folder;
  folder.Write("Database.ini", DatabaseIni("Login", "SA", closedPort));
  const std::string error = ConnectError(folder.Path());
  const std::string driverMessage = "Unable to connect: Adaptive Server is unavailable or does not exist";
  const std::size_t first = error.find(driverMessage);
  ASSERT_NE(first, std::string::npos) << error;
  EXPECT_EQ(error.find(driverMessage, first + 1), std::string::npos) << error;
}

}  // namespace
}  // namespace tabrin::test
