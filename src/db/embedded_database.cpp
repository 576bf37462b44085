#include "db/embedded_database.h"

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "db/connection_string.h"
#include "text/error.h"
#include "text/format.h"

namespace tabrin {
namespace {

// Kept identical to data/orvella_sqlite.sql (a test compares them).
constexpr std::string_view kSchema = R"sql(-- The embedded ORVELLAPOS database (Database.mdb, an SQLite 3 file): the
-- kind-1 layout, Item with all 45 columns.  Codes are indexed, not unique:
-- their uniqueness is left to the store's own procedures.
-- tabrin-cli init-db runs this script.

CREATE TABLE Classify (
  ClsNo VARCHAR(3),
  ClsName VARCHAR(40),
  Flag BOOLEAN DEFAULT 0,
  Void NVARCHAR(2)
);
CREATE INDEX ix_Classify_ClsNo ON Classify (ClsNo);

CREATE TABLE Item (
  ItemNo NVARCHAR(8),
  ItemMark NVARCHAR(13),
  SelfCode NVARCHAR(13),
  PtName NVARCHAR(40),
  PtSpec NVARCHAR(50),
  PayType NVARCHAR(1),
  SupplierNo NVARCHAR(4),
  ValidDays NVARCHAR(1),
  ImTax NVARCHAR(10),
  ImUpDate DATETIME,
  UniPrice FLOAT DEFAULT 0,
  GUnit NVARCHAR(4),
  MUnit NVARCHAR(4),
  SUnit NVARCHAR(4),
  GtoM INTEGER DEFAULT 0,
  MtoS INTEGER DEFAULT 0,
  Gift FLOAT DEFAULT 0,
  Percent FLOAT DEFAULT 0,
  RegSafeQty SMALLINT DEFAULT 0,
  EmgSafeQty SMALLINT DEFAULT 0,
  StkQty INTEGER DEFAULT 0,
  ChkQty INTEGER DEFAULT 0,
  ShelfNo NVARCHAR(3),
  TempShelf NVARCHAR(3),
  AvgCost FLOAT DEFAULT 0,
  Flags NVARCHAR(10),
  Code NVARCHAR(6),
  Special SMALLINT DEFAULT 0,
  OldCode NVARCHAR(13),
  HealthCode NVARCHAR(12),
  HeaPrice FLOAT DEFAULT 0,
  Price FLOAT DEFAULT 0,
  MemPrice FLOAT DEFAULT 0,
  VipPrice FLOAT DEFAULT 0,
  MTDate DATETIME,
  ItemCnt SMALLINT DEFAULT 0,
  Qty1 SMALLINT DEFAULT 0,
  No1 NVARCHAR(8),
  Qty2 SMALLINT DEFAULT 0,
  No2 NVARCHAR(8),
  Qty3 SMALLINT DEFAULT 0,
  No3 NVARCHAR(8),
  Void NVARCHAR(1),
  Notes NVARCHAR(60),
  HealthTax FLOAT DEFAULT 0
);
CREATE INDEX ix_Item_ItemNo ON Item (ItemNo);

CREATE TABLE Supplier (
  FactNo VARCHAR(4),
  FactName VARCHAR(40),
  Contact VARCHAR(10),
  OrderTel VARCHAR(17),
  FaxNo VARCHAR(12),
  TelNo1 VARCHAR(17),
  TelNo2 VARCHAR(17),
  Addr VARCHAR(40),
  Responser VARCHAR(10),
  DisRate FLOAT DEFAULT 0,
  TradeCd VARCHAR(20),
  TaxCd VARCHAR(10),
  Notes NVARCHAR(60)
);
CREATE INDEX ix_Supplier_FactNo ON Supplier (FactNo);

CREATE TABLE Customer (
  CustNo VARCHAR(8),
  IdNo VARCHAR(10),
  Name VARCHAR(20),
  Sex VARCHAR(6),
  TelNo VARCHAR(17),
  Address VARCHAR(50),
  DisCount VARCHAR(16)
);
CREATE INDEX ix_Customer_CustNo ON Customer (CustNo);
)sql";

void RunScript(const std::string& path, std::string_view script) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    std::string message = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close_v2(db);
    throw TabrinError(FormatMessage("Cannot create '%s': %s", {path, message}));
  }
  char* error = nullptr;
  const std::string text(script);
  if (sqlite3_exec(db, text.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::string message = error ? error : sqlite3_errmsg(db);
    sqlite3_free(error);
    sqlite3_close_v2(db);
    throw TabrinError(FormatMessage("Cannot create '%s': %s", {path, message}));
  }
  sqlite3_close_v2(db);
}

}  // namespace

std::string_view EmbeddedSchemaSql() { return kSchema; }

void CreateEmbeddedDatabase(const std::string& path, const TCreateDatabaseOptions& options) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::exists(path, error) && !options.overwrite) {
    throw TabrinError(FormatMessage("'%s' already exists; use --force to replace it", {path}));
  }
  // Build the new file beside the old one and put it in place only when
  // complete, so a failure never leaves a half-made database behind.
  const std::string temporary = path + ".new";
  fs::remove(temporary, error);
  try {
    RunScript(temporary, kSchema);
    if (options.sample) {
      TConnection connection("ADOConnection");
      connection.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + QuoteConnectionValue(temporary));
      connection.Open();
      FillSampleData(connection);
      connection.Close();
    }
    fs::rename(temporary, path);
  } catch (const fs::filesystem_error& failure) {
    fs::remove(temporary, error);
    throw TabrinError(FormatMessage("Cannot create '%s': %s", {path, failure.code().message()}));
  } catch (...) {
    fs::remove(temporary, error);
    throw;
  }
}

}  // namespace tabrin
