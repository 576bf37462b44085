#pragma once
// FONT, FORMAT, XF, STYLE and PALETTE records of the workbook globals, built
// from the format model and the registries.
#include <cstdint>
#include <memory>
#include <vector>

#include "xls/biff8/biff_record.h"
#include "xls/model/format_registry.h"

namespace tabrin {

std::unique_ptr<TbiffFont> MakeFontRecord(const TxlsFont& font);
std::unique_ptr<TbiffFormat> MakeFormatRecord(const TxlsTextFormat& format);
// XF 0..15, the fixed style XFs and the default cell format.
std::unique_ptr<TbiffXF> MakeFixedXfRecord(int xfIndex);
// A registered cell format.
std::unique_ptr<TbiffXF> MakeXfRecord(const TxlsXFormat& format);
// The six built-in STYLE records, in the order they are written.
std::vector<std::unique_ptr<TbiffStyle>> MakeStyleRecords();
// The PALETTE record, header included (230 bytes).
std::vector<std::uint8_t> PaletteRecordBytes();

}  // namespace tabrin
