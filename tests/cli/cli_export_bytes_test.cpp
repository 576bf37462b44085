// The four export commands write the same bytes release after release: the
// workbooks of the sample tables are compared with the fingerprints of the
// files the released writer produced.  Any change to the records, their
// order or the container shows up here, also one meant for other features.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "db/embedded_database.h"

namespace tabrin::cli {
namespace {

// FNV-1a, 64 bits.
std::uint64_t Fingerprint(const std::vector<char>& bytes) {
  std::uint64_t hash = 0xCBF29CE484222325ull;
  for (char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001B3ull;
  }
  return hash;
}

std::vector<char> ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(CliExportBytes, TheFourExportsAreByteForByteAsReleased) {
  const std::filesystem::path home =
      std::filesystem::temp_directory_path() / ("tabrin-export-bytes-" + std::to_string(::getpid()));
  std::filesystem::remove_all(home);
  std::filesystem::create_directories(home);
  CreateEmbeddedDatabase((home / "Database.mdb").string(), {.overwrite = true, .sample = true});

  const struct {
    const char* table;
    std::size_t size;
    std::uint64_t fingerprint;
  } cases[] = {
      {"cls", 4608, 0x263B6747FBFFE881ull},
      {"item", 82432, 0x78778F12A6894C90ull},
      {"supplier", 10752, 0xCC919CAC60138A9Dull},
      {"customer", 13312, 0x30E11F666AEB11EAull},
  };
  for (const auto& c : cases) {
    const std::filesystem::path file = home / (std::string(c.table) + ".xls");
    std::ostringstream out, err;
    ASSERT_EQ(RunCli({"--home", home.string(), "export", "--kind", "1", c.table, file.string()}, {out, err}), 0)
        << c.table << ": " << err.str();
    const std::vector<char> bytes = ReadAll(file);
    EXPECT_EQ(bytes.size(), c.size) << c.table;
    EXPECT_EQ(Fingerprint(bytes), c.fingerprint) << c.table;
  }
  std::filesystem::remove_all(home);
}

}  // namespace
}  // namespace tabrin::cli
