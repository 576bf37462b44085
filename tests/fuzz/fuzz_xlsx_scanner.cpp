// The scanner of the bodies of large parts against expat, on any bytes:
// wherever the scanner reads a part at all, it delivers expat's events, and
// a worksheet's handler (or the shared strings') fed by it ends with expat's
// cells (texts).  The first byte of an input is the size of the chunks the
// part arrives in (0 for a whole chunk), the second says which body it has
// (even: a worksheet's sheet data, odd: the shared strings), the rest is
// the part.  Seed it with tests/fuzz/scanner_seeds and the dictionary
// tests/fuzz/xml.dict.  On exit it tells how many inputs the scanner read
// and how many it left to expat.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/worksheet_builder.h"
#include "xls/ooxml/inflated_chunks.h"
#include "xls/ooxml/scanned_part.h"
#include "xls/ooxml/shared_strings.h"
#include "xls/ooxml/sheet_handler.h"
#include "xls/xml_event_recorder.h"

namespace {

long scanned = 0, left = 0;

struct Counts {
  ~Counts() { std::fprintf(stderr, "scanner read %ld inputs, left %ld to expat\n", scanned, left); }
} counts;

[[noreturn]] void Differ(const char* what, const std::string& scanner, const std::string& expat) {
  std::fprintf(stderr, "%s differ\n--- scanner:\n%s\n--- expat:\n%s\n", what, scanner.c_str(), expat.c_str());
  std::abort();
}

// A reading of the part by a handler, through the scanner or expat: the
// cells or texts, or nothing when the part was left to expat (or refused
// by it).  A handler's exception is its message.
template <class TRead>
std::optional<std::string> SheetReading(TRead read) {
  auto texts = std::make_shared<tabrin::TTextPool>();
  texts->Add("shared");
  const std::vector<bool> dateStyles = {false, true};
  tabrin::detail::TWorksheetBuilder builder("sheet", texts);
  tabrin::detail::TSheetHandler handler(*texts, dateStyles, false);
  handler.SendTo(&builder, nullptr);
  try {
    if (!read(handler)) return std::nullopt;
  } catch (const std::exception& e) {
    return std::string("error: ") + e.what();
  } catch (...) {
    return "error";
  }
  const tabrin::TWorksheet sheet = builder.Finish();
  std::string dump = std::to_string(sheet.FirstRow()) + " " + std::to_string(sheet.LastRow()) + "\n";
  for (int row = sheet.FirstRow(); row <= sheet.LastRow(); ++row) {
    for (const tabrin::TSheetCell& cell : sheet.RowCells(row)) {
      dump += std::to_string(row) + "," + std::to_string(cell.column) + ":" +
              std::to_string(static_cast<int>(cell.kind)) + ":" + std::to_string(cell.number) + ":" +
              std::string(sheet.Text(cell)) + "\n";
    }
  }
  return dump;
}

template <class TRead>
std::optional<std::string> StringsReading(TRead read) {
  tabrin::TTextPool texts;
  tabrin::detail::TSharedStringsHandler handler;
  handler.SendTo(&texts, nullptr);
  try {
    if (!read(handler)) return std::nullopt;
  } catch (const std::exception& e) {
    return std::string("error: ") + e.what();
  } catch (...) {
    return "error";
  }
  std::string dump;
  for (std::uint32_t i = 0; i < texts.Count(); ++i) dump += std::string(texts.At(i)) + "\n";
  return dump;
}

template <class TReading>
void CompareReadings(TReading reading, std::string_view xml, std::string_view body, std::size_t chunk) {
  const std::optional<std::string> byScanner = reading([&](tabrin::detail::TXmlHandler& handler) {
    tabrin::detail::TInflatedChunks chunks(tabrin::test::ReadFrom(xml), false, chunk);
    return tabrin::detail::ScanXml(chunks, body, handler);
  });
  if (!byScanner || byScanner->starts_with("error")) return;  // the reader reads it again by expat
  const std::optional<std::string> byExpat = reading([&](tabrin::detail::TXmlHandler& handler) {
    tabrin::detail::TXmlStream stream(handler);
    return stream.Parse(xml.data(), xml.size(), true);
  });
  if (byScanner != byExpat) Differ("readings", *byScanner, byExpat.value_or("(refused)"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t chunk = data[0] == 0 ? tabrin::detail::kChunkBytes : data[0];
  const bool strings = (data[1] & 1) != 0;
  const std::string_view body = strings ? "sst" : "sheetData";
  const std::string_view xml(reinterpret_cast<const char*>(data + 2), size - 2);

  const std::optional<std::string> events = tabrin::test::ScannedEvents(xml, body, chunk);
  if (!events) {
    ++left;
    return 0;
  }
  ++scanned;
  const std::optional<std::string> expected = tabrin::test::ExpatEvents(xml);
  if (events != expected) Differ("events", *events, expected.value_or("(refused)"));
  if (strings) {
    CompareReadings([](auto read) { return StringsReading(read); }, xml, body, chunk);
  } else {
    CompareReadings([](auto read) { return SheetReading(read); }, xml, body, chunk);
  }
  return 0;
}
