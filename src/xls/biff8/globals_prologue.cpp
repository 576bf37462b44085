// The fixed start of the workbook globals, written before the first sheet.
#include <cstring>

#include "text/error.h"
#include "text/translation.h"
#include "xls/biff8/biff_record.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin {
namespace {

constexpr char kProductName[] = "Norvik Ferran";
constexpr char kProductVersion[] = "3.36";

}  // namespace

void TxlsWorkbookWriter::BeginWorkbook() {
  RequireOpen();
  if (workbookBegun_) throw TabrinError(Tr("The workbook has already been started"));
  workbookBegun_ = true;

  detail::PutBofBody(ClearBuffer(16), biff::kGlobalsSubstream);
  WriteRecord(biff::kBof, 16);

  // The user name: 8-bit characters, padded with blanks to 112 bytes.
  const std::string user = std::string(kProductName) + " " + kProductVersion;
  std::uint8_t* body = ClearBuffer(112, 0x20);
  PutU16(body, static_cast<std::uint16_t>(user.size()));
  body[2] = 0;
  std::memcpy(body + 3, user.data(), user.size());
  WriteRecord(biff::kWriteAccess, 112);

  WriteWordRecord(biff::kCodePage, 1252);
  WriteWordRecord(biff::kDsf, 0);
  WriteWordRecord(biff::kFnGroupCount, 14);
  WriteWordRecord(biff::kWindowProtect, 0);
  WriteWordRecord(biff::kProtect, 0);
  WriteWordRecord(biff::kPassword, 0);
  WriteWordRecord(biff::kProt4Rev, 0);
  WriteWordRecord(biff::kProt4RevPass, 0);

  body = ClearBuffer(18);
  PutU16(body + 0, 120);
  PutU16(body + 2, 120);
  PutU16(body + 4, 23820);
  PutU16(body + 6, 15720);
  PutU16(body + 8, 0x0038);
  PutU16(body + 10, 0);
  PutU16(body + 12, 0);
  PutU16(body + 14, 1);
  PutU16(body + 16, 600);
  WriteRecord(biff::kWindow1, 18);

  WriteWordRecord(biff::kBackup, 0);
  WriteWordRecord(biff::kHideObj, 0);
  WriteWordRecord(biff::kDateMode, 0);
  WriteWordRecord(biff::kPrecision, 1);
  WriteWordRecord(biff::kRefreshAll, 0);
  WriteWordRecord(biff::kBookBool, 0);

  // The globals tail goes here once all sheets are known.
  insertionPoint_ = Stream().Position();
  WriteRecord(biff::kEof, 0);
}

}  // namespace tabrin
