// Hyperlinks of a worksheet: the title cell, then after the window settings
// one HLINK record per link (a standard link object with a URL or a file
// moniker) and a QUICKTIP record for its screen tip.
#include <string>
#include <string_view>

#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"
#include "xls/biff8/biff_record.h"
#include "xls/biff8/drawing/body_writer.h"
#include "xls/biff8/drawing/short_path.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin {
namespace {

// {79EAC9D0-BAF9-11CE-8C82-00AA004BA90B}: the standard link object.
constexpr std::uint8_t kStdLinkClass[16] = {0xD0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11,
                                            0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B};
// {79EAC9E0-BAF9-11CE-8C82-00AA004BA90B}: URL moniker.
constexpr std::uint8_t kUrlMonikerClass[16] = {0xE0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11,
                                               0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B};
// {00000303-0000-0000-C000-000000000046}: file moniker.
constexpr std::uint8_t kFileMonikerClass[16] = {0x03, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::uint32_t kLinkStreamVersion = 2;
// Has moniker, absolute, display name given, has display name.
constexpr std::uint32_t kLinkOptions = 0x17;
// The file moniker's version bytes, and the key of the UTF-16 path after it.
constexpr std::uint8_t kFileMonikerVersion[4] = {0xFF, 0xFF, 0xAD, 0xDE};
constexpr std::uint16_t kFileMonikerPathKey = 3;

void WriteCellRange(TBodyWriter& body, const TxlsHyperlink& link) {
  body.U16(static_cast<std::uint16_t>(link.Row - 1));
  body.U16(static_cast<std::uint16_t>(link.Row - 1));
  body.U16(static_cast<std::uint16_t>(link.Col - 1));
  body.U16(static_cast<std::uint16_t>(link.Col - 1));
}

std::size_t HLinkLength(const TxlsHyperlink& link, std::size_t t, std::size_t u, std::size_t s) {
  return link.Style == hlsLocalFile ? 95 + 2 * t + s + 2 * u : 60 + 2 * t + 2 * u;
}

[[noreturn]] void RaiseTooLong(const TxlsHyperlink& link) {
  throw TabrinError(FormatMessage(Tr("The hyperlink in row %d, column %d is too long to be stored"),
                                  {static_cast<int>(link.Row), static_cast<int>(link.Col)}));
}

void WriteFileMoniker(TBodyWriter& body, const std::string& shortPath, std::u16string_view path) {
  body.Bytes(kFileMonikerClass, 16);
  body.U16(0);  // no leading "..\" steps
  body.U32(static_cast<std::uint32_t>(shortPath.size() + 1));
  body.Bytes(shortPath.data(), shortPath.size());
  body.Zeros(1);
  body.Bytes(kFileMonikerVersion, 4);
  body.Zeros(20);
  body.U32(static_cast<std::uint32_t>(2 * path.size() + 6));
  body.U32(static_cast<std::uint32_t>(2 * path.size()));
  body.U16(kFileMonikerPathKey);
  body.Utf16(path);
}

void WriteUrlMoniker(TBodyWriter& body, std::u16string_view url) {
  body.Bytes(kUrlMonikerClass, 16);
  body.U32(static_cast<std::uint32_t>(2 * url.size() + 2));
  body.Utf16(url);
  body.U16(0);
}

// HLINK: the cell, the standard link object with the title as its display
// name, and a file moniker (short and full path) or a URL moniker.
void WriteHLink(TxlsWorkbookWriter& writer, const TxlsHyperlink& link) {
  const std::u16string title = Utf8ToUtf16(link.Title);
  const std::u16string target = Utf8ToUtf16(link.Target);
  const std::string shortPath = link.Style == hlsLocalFile ? ShortPathBytes(link.Target) : std::string();
  const std::size_t length = HLinkLength(link, title.size(), target.size(), shortPath.size());
  if (length > biff::kMaxRecordBody) RaiseTooLong(link);

  TBodyWriter body(writer.ClearBuffer(length));
  WriteCellRange(body, link);
  body.Bytes(kStdLinkClass, 16);
  body.U32(kLinkStreamVersion);
  body.U32(kLinkOptions);
  body.U32(static_cast<std::uint32_t>(title.size() + 1));
  body.Utf16(title);
  body.U16(0);
  if (link.Style == hlsLocalFile) {
    WriteFileMoniker(body, shortPath, target);
  } else {
    WriteUrlMoniker(body, target);
  }
  writer.WriteRecord(biff::kHLink, static_cast<std::uint16_t>(body.Size()));
}

// QUICKTIP: its own record id, the cell and the screen tip.
void WriteQuickTip(TxlsWorkbookWriter& writer, const TxlsHyperlink& link) {
  const std::u16string tip = Utf8ToUtf16(link.ScreenTip);
  const std::size_t length = 12 + 2 * tip.size();
  if (length > biff::kMaxRecordBody) RaiseTooLong(link);
  TBodyWriter body(writer.ClearBuffer(length));
  body.U16(biff::kQuickTip);
  WriteCellRange(body, link);
  body.Utf16(tip);
  body.U16(0);
  writer.WriteRecord(biff::kQuickTip, static_cast<std::uint16_t>(body.Size()));
}

}  // namespace

void TxlsWorkbookWriter::WriteHyperlinkCells(const std::vector<TxlsResolvedHyperlink>& links) {
  for (const TxlsResolvedHyperlink& resolved : links) {
    const TxlsHyperlink& link = *resolved.Link;
    if (!link.IsValid()) continue;
    WriteLabelSst(link.Row - 1, link.Col - 1, std::string_view(link.Title), resolved.XfIndex);
  }
}

void TxlsWorkbookWriter::WriteHyperlinks(const std::vector<TxlsResolvedHyperlink>& links) {
  for (const TxlsResolvedHyperlink& resolved : links) {
    const TxlsHyperlink& link = *resolved.Link;
    if (!link.IsValid()) continue;
    WriteHLink(*this, link);
    if (!link.ScreenTip.empty()) WriteQuickTip(*this, link);
  }
}

}  // namespace tabrin
