// tabrin-cli export end to end: the four tables of the sample embedded
// database are exported and the workbooks read back with independent
// readers (xlrd for .xls, openpyxl and LibreOffice for .xlsx) and compared
// value by value with the database.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "db/connection.h"
#include "db/database_connection.h"
#include "db/embedded_database.h"
#include "db/schema.h"
#include "support/troubled_write.h"
#include "text/format.h"

namespace tabrin::cli {
namespace {

// Compares a workbook with the table it was exported from.  Arguments: the
// database file, the workbook, and a JSON description of the export query;
// a fourth argument "resaved" allows the spelling another program gives the
// same look when it saves the workbook again (number formats in any letter
// case, the footer's centring code written out).
constexpr const char* kCheckScript = R"PY(
import datetime, json, sqlite3, struct, sys
import olefile, xlrd

db, xls, layout = sys.argv[1], sys.argv[2], json.loads(sys.argv[3])
resaved = len(sys.argv) > 4 and sys.argv[4] == "resaved"
fields = layout["fields"]
errors = []
def fail(message):
    errors.append(message)

book = xlrd.open_workbook(xls, formatting_info=True)
if book.sheet_names() != ["Sheet1"]:
    fail("sheets %r" % book.sheet_names())
sheet = book.sheet_by_index(0)

def look(cell):
    xf = book.xf_list[cell.xf_index]
    return book.format_map[xf.format_key].format_str, book.font_list[xf.font_index]

if sheet.ncols != len(fields):
    fail("%d columns, expected %d" % (sheet.ncols, len(fields)))
for c, field in enumerate(fields):
    cell = sheet.cell(0, c)
    if cell.value != field["title"]:
        fail("caption %d is %r, expected %r" % (c, cell.value, field["title"]))
    if look(cell)[1].weight != 700:
        fail("caption %d is not bold" % c)

NUMBER_FORMATS = {"int": "#,###,##0", "float": "#,###,##0.00", "date": "yyyy/MM/dd", "text": "General", "bool": "General"}
EPOCH = datetime.datetime(1899, 12, 30)
def serial(text):
    moment = datetime.datetime.fromisoformat(text.split(".")[0])
    delta = moment - EPOCH
    return delta.days + delta.seconds / 86400.0

names = ",".join('"%s"' % f["name"] for f in fields)
rows = sqlite3.connect(db).execute("SELECT %s FROM %s" % (names, layout["table"])).fetchall()
if sheet.nrows != 1 + len(rows):
    fail("%d rows, expected %d" % (sheet.nrows, 1 + len(rows)))
for r, row in enumerate(rows, start=1):
    if r >= sheet.nrows:
        break
    for c, field in enumerate(fields):
        value, cell, kind = row[c], sheet.cell(r, c), field["kind"]
        where = "row %d %s" % (r, field["name"])
        fmt = look(cell)[0]
        if (fmt.lower() if resaved else fmt) != (NUMBER_FORMATS[kind].lower() if resaved else NUMBER_FORMATS[kind]):
            fail("%s: format %r, expected %r" % (where, fmt, NUMBER_FORMATS[kind]))
        if value is None or (kind == "text" and value.strip() == ""):
            if cell.ctype != xlrd.XL_CELL_BLANK:
                fail("%s: %r should be blank" % (where, cell.value))
        elif kind == "text":
            if cell.ctype != xlrd.XL_CELL_TEXT or cell.value != value.strip():
                fail("%s: %r, expected %r" % (where, cell.value, value))
        elif kind == "date":
            if cell.ctype != xlrd.XL_CELL_DATE or abs(cell.value - serial(value)) > 1e-9:
                fail("%s: %r, expected %r" % (where, cell.value, value))
        else:
            if cell.ctype != xlrd.XL_CELL_NUMBER or abs(cell.value - float(value)) > 1e-9 * max(1.0, abs(float(value))):
                fail("%s: %r, expected %r" % (where, cell.value, value))

stream = olefile.OleFileIO(xls).openstream("Workbook").read()
footers, at = [], 0
while at + 4 <= len(stream):
    rid, length = struct.unpack_from("<HH", stream, at)
    if rid == 0x15 and length > 0:
        count = struct.unpack_from("<H", stream, at + 4)[0]
        footers.append(stream[at + 7:at + 7 + count].decode("latin-1"))
    at += 4 + length
if footers != ["Page &P of &N"] and not (resaved and footers == ["&CPage &P of &N"]):
    fail("footers %r" % footers)

print("\n".join(errors[:20]))
sys.exit(1 if errors else 0)
)PY";

// The same for an Excel 2007+ workbook, read with openpyxl; its column widths
// are compared with those of the .xls export of the same table (fourth
// argument), which they must match to the pixel.
constexpr const char* kCheckXlsxScript = R"PY(
import datetime, json, sqlite3, sys
import openpyxl, xlrd

db, xlsx, layout, xls = sys.argv[1], sys.argv[2], json.loads(sys.argv[3]), sys.argv[4]
fields = layout["fields"]
errors = []
def fail(message):
    errors.append(message)

book = openpyxl.load_workbook(xlsx)
if book.sheetnames != ["Sheet1"]:
    fail("sheets %r" % book.sheetnames)
sheet = book.worksheets[0]
rows_in_sheet = list(sheet.iter_rows())
if sheet.max_column != len(fields):
    fail("%d columns, expected %d" % (sheet.max_column, len(fields)))
for c, field in enumerate(fields):
    cell = rows_in_sheet[0][c]
    if cell.value != field["title"]:
        fail("caption %d is %r, expected %r" % (c, cell.value, field["title"]))
    if not cell.font.b:
        fail("caption %d is not bold" % c)

NUMBER_FORMATS = {"int": "#,###,##0", "float": "#,###,##0.00", "date": "yyyy/MM/dd", "text": "General", "bool": "General"}
names = ",".join('"%s"' % f["name"] for f in fields)
rows = sqlite3.connect(db).execute("SELECT %s FROM %s" % (names, layout["table"])).fetchall()
if len(rows_in_sheet) != 1 + len(rows):
    fail("%d rows, expected %d" % (len(rows_in_sheet), 1 + len(rows)))
for r, row in enumerate(rows, start=1):
    if r >= len(rows_in_sheet):
        break
    for c, field in enumerate(fields):
        value, cell, kind = row[c], rows_in_sheet[r][c], field["kind"]
        where = "row %d %s" % (r, field["name"])
        if value is None or (kind == "text" and value.strip() == ""):
            if cell.value is not None:
                fail("%s: %r should be blank" % (where, cell.value))
            continue
        if cell.number_format != NUMBER_FORMATS[kind]:
            fail("%s: format %r, expected %r" % (where, cell.number_format, NUMBER_FORMATS[kind]))
        if kind == "text":
            if cell.value != value.strip():
                fail("%s: %r, expected %r" % (where, cell.value, value))
        elif kind == "date":
            expected = datetime.datetime.fromisoformat(value.split(".")[0])
            if cell.value != expected:
                fail("%s: %r, expected %r" % (where, cell.value, expected))
        elif not isinstance(cell.value, (int, float)) or abs(cell.value - float(value)) > 1e-9 * max(1.0, abs(float(value))):
            fail("%s: %r, expected %r" % (where, cell.value, value))

if sheet.oddFooter.center.text != "Page &P of &N":
    fail("footer %r" % sheet.oddFooter.center.text)

xls_sheet = xlrd.open_workbook(xls, formatting_info=True).sheet_by_index(0)
for c in range(len(fields)):
    letter = openpyxl.utils.get_column_letter(c + 1)
    width, expected = sheet.column_dimensions[letter].width, xls_sheet.colinfo_map[c].width / 256.0
    if abs(width - expected) >= 1 / 7.0:
        fail("column %s is %r characters wide, the .xls one %r" % (letter, width, expected))

print("\n".join(errors[:20]))
sys.exit(1 if errors else 0)
)PY";

const char* KindName(TFieldKind kind) {
  switch (kind) {
    case TFieldKind::fkText8:
    case TFieldKind::fkText16: return "text";
    case TFieldKind::fkInt16:
    case TFieldKind::fkInt32: return "int";
    case TFieldKind::fkFloat: return "float";
    case TFieldKind::fkDateTime: return "date";
    case TFieldKind::fkBoolean: return "bool";
  }
  return "text";
}

std::string Describe(const TQueryDef& def, std::string_view table) {
  std::string json = "{\"table\": \"" + std::string(table) + "\", \"fields\": [";
  for (std::size_t i = 0; i < def.fields.size(); ++i) {
    const TFieldDef& field = def.fields[i];
    if (i > 0) json += ", ";
    json += "{\"name\": \"" + std::string(field.name) + "\", \"kind\": \"" + KindName(field.kind) +
            "\", \"title\": \"" + std::string(field.title) + "\"}";
  }
  return json + "]}";
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

class CliExport : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = std::filesystem::temp_directory_path() /
            ("tabrin-cli-export-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(home_);
    std::filesystem::create_directories(home_);
    CreateEmbeddedDatabase(Home("Database.mdb"), {.overwrite = true, .sample = true});
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
  }

  std::string Home(const std::string& name = "") const { return (home_ / name).string(); }

  int Export(const std::string& table, const std::string& file, std::string kind = "1") {
    out_.str("");
    err_.str("");
    return RunCli({"--home", Home(), "export", "--kind", kind, table, file}, {out_, err_});
  }

  std::ostringstream out_, err_;

 private:
  std::filesystem::path home_;
};

TEST_F(CliExport, WorkbooksHoldTheTablesValues) {
  const struct {
    const char* verb;
    const char* table;
    const TQueryDef& query;
  } cases[] = {
      {"cls", "Classify", schema::CLSExportQuery()},
      {"item", "Item", schema::ItemExportQuery()},
      {"supplier", "Supplier", schema::SupplierExportQuery()},
      {"customer", "Customer", schema::CustExportQuery()},
  };
  {
    // Records with empty values: they must come out as blank cells.
    TConnection connection;
    ConnectDatabase(connection, TDatabaseKind::dkOrvella, Home());
    connection.Execute("INSERT INTO Item (ItemNo, PtName, ImUpDate, UniPrice, StkQty) VALUES ('N0000001', '', NULL, NULL, NULL)");
    connection.Execute("INSERT INTO Supplier (FactNo, DisRate) VALUES ('N001', NULL)");
  }
  const std::string script = Home("check_export.py");
  std::ofstream(script) << kCheckScript;
  for (const auto& c : cases) {
    const std::string file = Home(std::string(c.verb) + ".xls");
    ASSERT_EQ(Export(c.verb, file), 0) << c.verb << ": " << err_.str();
    EXPECT_EQ(out_.str(), "匯出完畢\n已寫入 " + file + "\n");
    const std::string command = "/usr/bin/python3 " + Quote(script) + " " + Quote(Home("Database.mdb")) + " " +
                                Quote(file) + " " + Quote(Describe(c.query, c.table)) + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string report;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) report += buffer;
    EXPECT_EQ(::pclose(pipe), 0) << c.verb << ":\n" << report;
  }
}

std::string RunScript(const std::string& command, int& status) {
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return "cannot run " + command;
  }
  std::string report;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) report += buffer;
  status = ::pclose(pipe);
  return report;
}

// The .xlsx exports read back by openpyxl against the database, with the
// .xls export's look; and by LibreOffice, which saves them again as .xls for
// the xlrd check above.
TEST_F(CliExport, XlsxWorkbooksHoldTheTablesValues) {
  const struct {
    const char* verb;
    const char* table;
    const TQueryDef& query;
  } cases[] = {
      {"cls", "Classify", schema::CLSExportQuery()},
      {"item", "Item", schema::ItemExportQuery()},
      {"supplier", "Supplier", schema::SupplierExportQuery()},
      {"customer", "Customer", schema::CustExportQuery()},
  };
  {
    TConnection connection;
    ConnectDatabase(connection, TDatabaseKind::dkOrvella, Home());
    connection.Execute("INSERT INTO Item (ItemNo, PtName, ImUpDate, UniPrice, StkQty) VALUES ('N0000001', '', NULL, NULL, NULL)");
  }
  const std::string xlsxScript = Home("check_xlsx.py"), xlsScript = Home("check_export.py");
  std::ofstream(xlsxScript) << kCheckXlsxScript;
  std::ofstream(xlsScript) << kCheckScript;
  std::string converted;
  for (const auto& c : cases) {
    const std::string xlsx = Home(std::string(c.verb) + ".xlsx"), xls = Home(std::string(c.verb) + ".xls");
    ASSERT_EQ(Export(c.verb, xlsx), 0) << c.verb << ": " << err_.str();
    EXPECT_EQ(out_.str(), "匯出完畢\n已寫入 " + xlsx + "\n");
    ASSERT_EQ(Export(c.verb, xls), 0) << c.verb << ": " << err_.str();
    const std::string layout = Quote(Describe(c.query, c.table));
    int status = 0;
    const std::string report = RunScript("/usr/bin/python3 " + Quote(xlsxScript) + " " + Quote(Home("Database.mdb")) +
                                         " " + Quote(xlsx) + " " + layout + " " + Quote(xls), status);
    EXPECT_EQ(status, 0) << c.verb << ":\n" << report;
    converted += " " + Quote(xlsx);
  }

  // LibreOffice keeps its profile under HOME.
  std::filesystem::create_directories(Home("lo"));
  int status = 0;
  const std::string conversion = RunScript("HOME=" + Quote(Home("lo")) + " soffice --headless --convert-to xls --outdir " +
                                           Quote(Home("lo")) + converted, status);
  ASSERT_EQ(status, 0) << conversion;
  for (const auto& c : cases) {
    const std::string saved = Home("lo/" + std::string(c.verb) + ".xls");
    const std::string report = RunScript("/usr/bin/python3 " + Quote(xlsScript) + " " + Quote(Home("Database.mdb")) +
                                         " " + Quote(saved) + " " + Quote(Describe(c.query, c.table)) + " resaved",
                                         status);
    EXPECT_EQ(status, 0) << c.verb << " as LibreOffice read it:\n" << report;
  }
}

// --verbose ends with one line per phase and a total on standard error,
// each "<phase> <seconds> s"; standard output says only what it always says.
TEST_F(CliExport, VerboseNamesThePhasesWithTheirTimes) {
  out_.str("");
  err_.str("");
  ASSERT_EQ(RunCli({"--home", Home(), "export", "--kind", "1", "--verbose", "item", Home("items.xls")}, {out_, err_}),
            0)
      << err_.str();
  EXPECT_EQ(out_.str(), "匯出完畢\n已寫入 " + Home("items.xls") + "\n");
  std::vector<std::string> names;
  std::istringstream lines(err_.str());
  double sum = 0;
  double total = -1;
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, std::regex(R"(([a-z-]+) +(\d+\.\d{3}) s)"))) << line;
    names.push_back(match[1]);
    const double seconds = std::stod(match[2]);
    if (match[1] == "total") {
      total = seconds;
    } else {
      sum += seconds;
    }
  }
  EXPECT_EQ(names, (std::vector<std::string>{"start-up", "connect", "query", "write", "finish", "total"}));
  EXPECT_NEAR(total, sum, 0.003);

  // Without it, nothing is printed there.
  ASSERT_EQ(Export("item", Home("items.xls")), 0);
  EXPECT_EQ(err_.str(), "");
}

TEST_F(CliExport, TheChosenExtensionBecomesXls) {
  ASSERT_EQ(Export("cls", Home("subcategories.txt")), 0) << err_.str();
  EXPECT_TRUE(std::filesystem::exists(Home("subcategories.xls")));
  EXPECT_FALSE(std::filesystem::exists(Home("subcategories.txt")));
  ASSERT_EQ(Export("cls", Home("subcategories.XLSX")), 0) << err_.str();
  EXPECT_TRUE(std::filesystem::exists(Home("subcategories.XLSX")));
  ASSERT_EQ(Export("cls", Home("subcategories.xlsx.txt")), 0) << err_.str();
  EXPECT_TRUE(std::filesystem::exists(Home("subcategories.xlsx.xls")));
}

// The name the export gave the workbook and the folder it made for it are
// not what the user typed: the last line says where the workbook went.
TEST_F(CliExport, SaysWhereTheWorkbookWent) {
  const struct {
    std::string chosen;
    std::string written;
  } cases[] = {
      {Home("abc.txt"), Home("abc.xls")},
      {Home("abc"), Home("abc.xls")},
      {Home("made/for/it/abc.XLSX"), Home("made/for/it/abc.XLSX")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen);
    ASSERT_EQ(Export("cls", c.chosen), 0) << err_.str();
    EXPECT_EQ(out_.str(), "匯出完畢\n已寫入 " + c.written + "\n");
    EXPECT_TRUE(std::filesystem::exists(c.written));
  }
}

// A workbook the user may not write is not replaced behind their back; one
// they may write keeps the permissions they gave it.
TEST_F(CliExport, AWorkbookTheUserMayNotWriteIsRefusedAndAReplacedOneKeepsItsPermissions) {
  const struct {
    const char* name;
    const char* message;  // %s: the workbook
  } cases[] = {
      {"cls.xls", "Cannot write '%s': Permission denied.\n"},
      {"cls.xlsx", "Cannot create file '%s'.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = Home(c.name);
    std::ofstream(file) << "the user's previous workbook";
    const test::TTroubledWrite outcome = test::WriteInTrouble(test::TTrouble::tReadOnlyTarget, file, [&] {
      std::ostringstream out, err;
      if (RunCli({"--home", Home(), "export", "--kind", "1", "cls", file}, {out, err}) != 0) {
        throw std::runtime_error(err.str());
      }
    });
    if (!outcome.skipped.empty()) GTEST_SKIP() << outcome.skipped;
    EXPECT_EQ(outcome.said, FormatMessage(c.message, {file}));
    std::ifstream in(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the user's previous workbook");

    std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    ASSERT_EQ(Export("cls", file), 0) << err_.str();
    EXPECT_EQ(std::filesystem::status(file).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
  }
}

TEST_F(CliExport, FailuresPrintTheErrorAndLeaveNoFile) {
  EXPECT_NE(Export("cls", "/proc/self/no-such-folder/x.xls"), 0);
  EXPECT_EQ(err_.str(), "Directory \"/proc/self/no-such-folder\" not found and cannot be created.\n");
  EXPECT_EQ(out_.str(), "");
  // A folder that exists but cannot be written, even by root: the error
  // names the file.
  EXPECT_NE(Export("cls", "/proc/self/x.xls"), 0);
  EXPECT_EQ(err_.str().rfind("Cannot write '/proc/self/x.xls': ", 0), 0u) << err_.str();

  std::filesystem::remove(Home("Database.mdb"));
  EXPECT_NE(Export("item", Home("items.xls")), 0);
  EXPECT_FALSE(err_.str().empty());
  EXPECT_FALSE(std::filesystem::exists(Home("items.xls")));

  EXPECT_NE(Export("items", Home("items.xls")), 0);  // not a table
  EXPECT_NE(Export("item", Home("items.xls"), "4"), 0);
}

}  // namespace
}  // namespace tabrin::cli
