#pragma once
// The record numbers of Excel workbook streams (BIFF5 and BIFF8), for the
// reader and the writer alike, the values of a BOF record that tell what
// follows it, and the last row and column a cell record can name.
#include <cstdint>

namespace tabrin::biff {

inline constexpr std::uint16_t kFormula = 0x0006;
inline constexpr std::uint16_t kEof = 0x000A;
inline constexpr std::uint16_t kCalcCount = 0x000C;
inline constexpr std::uint16_t kCalcMode = 0x000D;
inline constexpr std::uint16_t kPrecision = 0x000E;
inline constexpr std::uint16_t kRefMode = 0x000F;
inline constexpr std::uint16_t kDelta = 0x0010;
inline constexpr std::uint16_t kIteration = 0x0011;
inline constexpr std::uint16_t kProtect = 0x0012;
inline constexpr std::uint16_t kPassword = 0x0013;
inline constexpr std::uint16_t kHeader = 0x0014;
inline constexpr std::uint16_t kFooter = 0x0015;
inline constexpr std::uint16_t kExternSheet = 0x0017;
inline constexpr std::uint16_t kWindowProtect = 0x0019;
inline constexpr std::uint16_t kNote = 0x001C;
inline constexpr std::uint16_t kSelection = 0x001D;
inline constexpr std::uint16_t kDateMode = 0x0022;
inline constexpr std::uint16_t kPrintHeaders = 0x002A;
inline constexpr std::uint16_t kPrintGridlines = 0x002B;
inline constexpr std::uint16_t kFilePass = 0x002F;  // the workbook is encrypted
inline constexpr std::uint16_t kFont = 0x0031;
inline constexpr std::uint16_t kContinue = 0x003C;
inline constexpr std::uint16_t kWindow1 = 0x003D;
inline constexpr std::uint16_t kBackup = 0x0040;
inline constexpr std::uint16_t kCodePage = 0x0042;
inline constexpr std::uint16_t kDefColWidth = 0x0055;
inline constexpr std::uint16_t kWriteAccess = 0x005C;
inline constexpr std::uint16_t kObj = 0x005D;  // drawing object
inline constexpr std::uint16_t kSaveRecalc = 0x005F;
inline constexpr std::uint16_t kColInfo = 0x007D;
inline constexpr std::uint16_t kGuts = 0x0080;
inline constexpr std::uint16_t kWsBool = 0x0081;
inline constexpr std::uint16_t kGridSet = 0x0082;
inline constexpr std::uint16_t kHCenter = 0x0083;
inline constexpr std::uint16_t kVCenter = 0x0084;
inline constexpr std::uint16_t kBoundSheet = 0x0085;
inline constexpr std::uint16_t kCountry = 0x008C;
inline constexpr std::uint16_t kHideObj = 0x008D;
inline constexpr std::uint16_t kPalette = 0x0092;
inline constexpr std::uint16_t kFnGroupCount = 0x009C;
inline constexpr std::uint16_t kMulRk = 0x00BD;  // RK numbers of adjacent cells
inline constexpr std::uint16_t kMulBlank = 0x00BE;  // formatted blank cells side by side
inline constexpr std::uint16_t kRString = 0x00D6;  // text with formatting runs
inline constexpr std::uint16_t kDbCell = 0x00D7;  // row block index
inline constexpr std::uint16_t kBookBool = 0x00DA;
inline constexpr std::uint16_t kXf = 0x00E0;  // cell format
inline constexpr std::uint16_t kMergedCells = 0x00E5;
inline constexpr std::uint16_t kBitmap = 0x00E9;
inline constexpr std::uint16_t kMsoDrawingGroup = 0x00EB;
inline constexpr std::uint16_t kMsoDrawing = 0x00EC;
inline constexpr std::uint16_t kSst = 0x00FC;  // shared-string table
inline constexpr std::uint16_t kLabelSst = 0x00FD;  // text cell of the shared-string table
inline constexpr std::uint16_t kDsf = 0x0161;  // double stream file
inline constexpr std::uint16_t kSupBook = 0x01AE;
inline constexpr std::uint16_t kProt4Rev = 0x01AF;
inline constexpr std::uint16_t kTxo = 0x01B6;  // text box text
inline constexpr std::uint16_t kRefreshAll = 0x01B7;
inline constexpr std::uint16_t kHLink = 0x01B8;  // hyperlink
inline constexpr std::uint16_t kProt4RevPass = 0x01BC;
inline constexpr std::uint16_t kDimensions = 0x0200;
inline constexpr std::uint16_t kBlank = 0x0201;
inline constexpr std::uint16_t kNumber = 0x0203;
inline constexpr std::uint16_t kLabel = 0x0204;
inline constexpr std::uint16_t kBoolErr = 0x0205;
inline constexpr std::uint16_t kString = 0x0207;  // text result of the formula before it
inline constexpr std::uint16_t kRow = 0x0208;
inline constexpr std::uint16_t kArray = 0x0221;  // array formula
inline constexpr std::uint16_t kDefaultRowHeight = 0x0225;
inline constexpr std::uint16_t kTable = 0x0236;  // data table
inline constexpr std::uint16_t kWindow2 = 0x023E;
inline constexpr std::uint16_t kRk = 0x027E;  // number packed in 32 bits
inline constexpr std::uint16_t kStyle = 0x0293;
inline constexpr std::uint16_t kFormat = 0x041E;
inline constexpr std::uint16_t kShrFmla = 0x04BC;  // shared formula
inline constexpr std::uint16_t kQuickTip = 0x0800;  // hyperlink tool tip
inline constexpr std::uint16_t kBof = 0x0809;

// Records that begin Excel 2.x, 3.0 and 4.0 streams instead of a BOF.
inline constexpr std::uint16_t kBofBiff2 = 0x0009;
inline constexpr std::uint16_t kBofBiff3 = 0x0209;
inline constexpr std::uint16_t kBofBiff4 = 0x0409;

// A BOF record's version and the kind of substream it begins.
inline constexpr std::uint16_t kVersionBiff5 = 0x0500;
inline constexpr std::uint16_t kVersionBiff8 = 0x0600;
inline constexpr std::uint16_t kGlobalsSubstream = 0x0005;
inline constexpr std::uint16_t kWorksheetSubstream = 0x0010;

// A BIFF8 sheet has 65536 rows; its last column is IV (BIFF5's too).
inline constexpr std::uint16_t kLastRow = 65535;
inline constexpr std::uint16_t kLastColumn = 255;

}  // namespace tabrin::biff
