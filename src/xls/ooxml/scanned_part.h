#pragma once
// A large part read by the scanner of our own (xml_scanner.h) where it can:
// expat reads the head of the part up to the start tag of its body element
// (the first element of that local name: "sheetData", "sst") and whatever
// follows the body's end tag, so that the declaration, the document element
// and all around the body are judged by expat itself; the scanner delivers
// the events of the body in between, to the same handler.
//
// False when the part has to be read by expat alone: its encoding is not
// UTF-8 (or not plainly so), its head is not read by the first megabytes,
// the body is empty, or expat or the scanner refuses anything.  The handler
// has then seen some of the part's events already, and the reader starts
// again with a fresh one.  Exceptions of the handler and of the package
// pass through; a reader takes them as false too, as expat's reading
// raises them again where they belong.
#include <cstdint>
#include <string_view>

#include "xls/ooxml/inflated_chunks.h"
#include "xls/ooxml/scanned_cell.h"
#include "xls/ooxml/xml_part.h"
#include "xls/ooxml/zip_package.h"

namespace tabrin::detail {

// Whether the head of a part (its first bytes) is UTF-8 as expat reads it:
// a declaration that names UTF-8 or none, with or without its byte order
// mark.
bool DeclaresUtf8(std::string_view head);

// The part's bytes as chunks give them.  cells, where given, is the
// handler taking the body's cells of the common shape whole.
bool ScanXml(TInflatedChunks& chunks, std::string_view body, TXmlHandler& handler, TScannedCellSink* cells = nullptr);

// The part of the package, inflated on a thread of its own where there are
// two cores.
bool ScanXmlPart(const TZipPackage& package, std::string_view partName, std::uint64_t maxBytes,
                 std::string_view body, TXmlHandler& handler, TScannedCellSink* cells = nullptr);

}  // namespace tabrin::detail
