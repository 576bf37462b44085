#pragma once
// Our writer of the Compound File Binary format (version 3, 512-byte sectors)
// holding exactly one stream, "Workbook".
//
// WriteCompoundFile takes the finished workbook stream and writes the whole
// container to a sink: header, the stream's sectors (or the mini stream when
// the workbook is shorter than 4096 bytes), FAT and directory.  Every write
// is checked; a short one raises TabrinError("Error writing output file").
#include <cstdint>

#include "xls/model/output_sink.h"
#include "xls/biff8/xls_stream.h"

namespace tabrin {

void WriteCompoundFile(const TxlsMemoryStream& workbook, TOutputSink& sink);

// Size in bytes of the container WriteCompoundFile produces for a stream of
// the given length (for planning and tests).
std::uint64_t CompoundFileSize(std::uint64_t streamSize);

}  // namespace tabrin
