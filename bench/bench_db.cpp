// The importers' per-row work on the embedded database: look a code up with a
// bound parameter, then append a new record or overwrite the one found, for
// 65,535 codes inside one transaction.  Half of the codes exist beforehand, so
// half the rows insert and half update.  The same statements run once through
// the data layer (TQuery with declared fields) and once as a plain sqlite3
// loop; the figures are printed side by side (target: the data layer within
// 1.5 times the plain loop's time).
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/embedded_database.h"
#include "db/query.h"
#include "db/schema.h"

namespace {

using namespace tabrin;
using Clock = std::chrono::steady_clock;

constexpr int kCodes = 65535;

std::string Code(int i) {
  char text[16];
  std::snprintf(text, sizeof text, "C%07d", i);
  return text;
}

struct TRowValues {
  std::string idNo, name, sex, tel, address, level;
};

TRowValues ValuesFor(int i) {
  return {"A12345" + std::to_string(1000 + i % 9000), i % 2 ? "陳志明" : "林淑芬", i % 2 ? "男" : "女",
          "0912-345-" + std::to_string(100 + i % 900), "台北市中山區南京東路二段" + std::to_string(i % 300) + "號",
          i % 3 ? "一般會員" : "VIP會員"};
}

// A fresh database holding every even code.
std::string PrepareDatabase(const std::string& folder, const char* name) {
  const std::string path = folder + name;
  CreateEmbeddedDatabase(path, {.overwrite = true});
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO Customer (CustNo, Name) VALUES (?, '舊資料')", -1, &insert, nullptr);
  for (int i = 0; i < kCodes; i += 2) {
    const std::string code = Code(i);
    sqlite3_bind_text(insert, 1, code.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return path;
}

double RunDataLayer(const std::string& path) {
  TConnection connection("ADOConnection");
  connection.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path);
  connection.Open();
  TQuery lookup(schema::DBCustQuery(), connection);
  const auto start = Clock::now();
  connection.BeginTransaction();
  for (int i = 0; i < kCodes; ++i) {
    const std::string code = Code(i);
    const TRowValues values = ValuesFor(i);
    lookup.Close();
    lookup.SetSql("select * from Customer where CustNo=?");
    lookup.SetParameters({TValue::Text(code)});
    lookup.Open();
    if (lookup.RecordCount() == 0) {
      lookup.Append();
      lookup.FieldByName("CustNo").SetAsString(code);
    } else {
      lookup.Edit();
    }
    lookup.FieldByName("IdNo").SetAsString(values.idNo);
    lookup.FieldByName("Name").SetAsString(values.name);
    lookup.FieldByName("Sex").SetAsString(values.sex);
    lookup.FieldByName("TelNo").SetAsString(values.tel);
    lookup.FieldByName("Address").SetAsString(values.address);
    lookup.FieldByName("DisCount").SetAsString(values.level);
    lookup.Post();
  }
  connection.Commit();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double RunPlainSqlite(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_stmt *select = nullptr, *insert = nullptr, *update = nullptr;
  sqlite3_prepare_v2(db, "SELECT rowid, * FROM Customer WHERE CustNo=?", -1, &select, nullptr);
  sqlite3_prepare_v2(db,
                     "INSERT INTO Customer (CustNo, IdNo, Name, Sex, TelNo, Address, DisCount) VALUES (?,?,?,?,?,?,?)",
                     -1, &insert, nullptr);
  sqlite3_prepare_v2(db,
                     "UPDATE Customer SET IdNo=?, Name=?, Sex=?, TelNo=?, Address=?, DisCount=? WHERE rowid=?", -1,
                     &update, nullptr);
  const auto start = Clock::now();
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  std::vector<std::string> row;
  for (int i = 0; i < kCodes; ++i) {
    const std::string code = Code(i);
    const TRowValues values = ValuesFor(i);
    sqlite3_bind_text(select, 1, code.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_int64 rowid = 0;
    bool found = false;
    while (sqlite3_step(select) == SQLITE_ROW) {
      if (!found) {
        rowid = sqlite3_column_int64(select, 0);
        found = true;
      }
      // Read the record as the data layer does.
      row.clear();
      for (int c = 1; c < sqlite3_column_count(select); ++c) {
        const unsigned char* text = sqlite3_column_text(select, c);
        row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
      }
    }
    sqlite3_reset(select);
    sqlite3_stmt* write = found ? update : insert;
    int p = 1;
    if (!found) sqlite3_bind_text(write, p++, code.c_str(), -1, SQLITE_TRANSIENT);
    for (const std::string* v : {&values.idNo, &values.name, &values.sex, &values.tel, &values.address, &values.level}) {
      sqlite3_bind_text(write, p++, v->c_str(), -1, SQLITE_TRANSIENT);
    }
    if (found) sqlite3_bind_int64(write, p, rowid);
    sqlite3_step(write);
    sqlite3_reset(write);
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  sqlite3_finalize(select);
  sqlite3_finalize(insert);
  sqlite3_finalize(update);
  sqlite3_close(db);
  return seconds;
}

}  // namespace

int main() {
  const std::string folder = (std::filesystem::temp_directory_path() / "tabrin-bench-db-").string() +
                             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "/";
  std::filesystem::create_directories(folder);
  double best[2] = {1e9, 1e9};
  for (int round = 0; round < 3; ++round) {
    best[0] = std::min(best[0], RunPlainSqlite(PrepareDatabase(folder, "plain.mdb")));
    best[1] = std::min(best[1], RunDataLayer(PrepareDatabase(folder, "layer.mdb")));
  }
  std::filesystem::remove_all(folder);
  std::printf("lookup + insert/update of %d codes, one transaction (best of 3)\n", kCodes);
  std::printf("  plain sqlite3 loop: %8.3f s  %10.0f rows/s\n", best[0], kCodes / best[0]);
  std::printf("  data layer (TQuery): %7.3f s  %10.0f rows/s\n", best[1], kCodes / best[1]);
  std::printf("  ratio: %.2f (target <= 1.5)\n", best[1] / best[0]);
  return 0;
}
