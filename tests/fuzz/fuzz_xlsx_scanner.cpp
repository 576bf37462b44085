// The scanner of the bodies of large parts against expat, on any bytes:
// wherever the scanner reads a part at all, it delivers expat's events, and
// a worksheet's handler (or the shared strings') fed by it ends with expat's
// cells (texts).  The first byte of an input is the size of the chunks the
// part arrives in (0 for a whole chunk); the second says which body it has
// (bit 0 clear: a worksheet's sheet data, set: the shared strings) and
// whether the rest is the part (bit 1 clear) or the recipe of a generated
// one (set): each byte a piece of a sheet or of the shared strings (cells of
// every type, rows with and without numbers, entities and character
// references, prefixes, quotes, white space inside tags, rich texts with
// phonetic runs, comments and CDATA, line ends), the last one where the
// part is cut short, if anywhere.  Seed it with tests/fuzz/scanner_seeds and the dictionary
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
#include <type_traits>
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
  for (const char* text : {"shared", "", "_x0041_", "共用"}) texts->Add(text);
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
  const std::optional<std::string> byScanner = reading([&](auto& handler) {
    tabrin::detail::TInflatedChunks chunks(tabrin::test::ReadFrom(xml), false, chunk);
    // A sheet's handler takes the cells of the common shape whole, as the
    // reader has it do.
    tabrin::detail::TScannedCellSink* cells = nullptr;
    if constexpr (std::is_base_of_v<tabrin::detail::TScannedCellSink, std::remove_reference_t<decltype(handler)>>) {
      cells = &handler;
    }
    return tabrin::detail::ScanXml(chunks, body, handler, cells);
  });
  if (!byScanner || byScanner->starts_with("error")) return;  // the reader reads it again by expat
  const std::optional<std::string> byExpat = reading([&](tabrin::detail::TXmlHandler& handler) {
    tabrin::detail::TXmlStream stream(handler);
    return stream.Parse(xml.data(), xml.size(), true);
  });
  if (byScanner != byExpat) Differ("readings", *byScanner, byExpat.value_or("(refused)"));
}

// A sheet or shared strings part made from a recipe, one piece per byte.
std::string Generated(std::string_view recipe, bool strings) {
  if (recipe.empty()) return {};
  const unsigned char first = static_cast<unsigned char>(recipe[0]);
  const std::string p = (first & 1) != 0 ? "x:" : "";
  const char* declarations[] = {"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n",
                                "<?xml version='1.0' encoding='utf-8'?>", "", "\xEF\xBB\xBF"};
  std::string xml = declarations[(first >> 1) & 3];
  const std::string ns = p.empty() ? " xmlns=\"urn:main\"" : " xmlns:x=\"urn:main\"";
  const std::string root = strings ? "sst" : "worksheet";
  xml +=
      "<" + p + root + ns + (strings ? " uniqueCount=\"3\">" : "><" + p + "dimension ref=\"A1\"/><" + p + "sheetData>");
  const auto tag = [&](const std::string& name) { return "<" + p + name + ">"; };
  const auto end = [&](const std::string& name) { return "</" + p + name + ">"; };
  const char* texts[] = {
      "a &amp; b", "&#65;&#x4e2d;&#128512;", "l1\r\nl2\rl3&#13;", "中文 é 😀", " _x000D_ ", "&lt;&gt;&quot;&apos;", "]]",
      "\t x \n"};
  const char* values[] = {"42.5", " 7 ", "1e3", "-0", "0", "2", "x", "45000.25"};
  bool rowOpen = false;
  int row = 0;
  const std::size_t pieces = recipe.size() > 1 ? recipe.size() - 1 : recipe.size();
  for (std::size_t i = 1; i < pieces; ++i) {
    const auto b = static_cast<unsigned char>(recipe[i]);
    const std::string text = texts[b >> 5];
    const std::string value = values[(b >> 5) & 7];
    const std::string r = std::to_string(row);
    if (strings) {
      switch (b & 7) {
        case 0: xml += tag("si") + tag("t") + text + end("t") + end("si"); break;
        case 1:
          xml += tag("si") + tag("r") + "<" + p + "rPr><" + p + "b/></" + p + "rPr>" + tag("t") + text + end("t") +
                 end("r") + "<" + p + "rPh sb='0' eb=\"1\">" + tag("t") + "ruby" + end("t") + end("rPh") + end("si");
          break;
        case 2: xml += "<" + p + "si><" + p + "t xml:space=\"preserve\">" + text + end("t") + end("si"); break;
        case 3: xml += "<" + p + "si/>\r\n"; break;
        case 4: xml += b >= 0xE0 ? "<!-- " + text + " -->" : "\n"; break;
        case 5:
          xml += tag("si") + tag("t") + (b >= 0xE0 ? "<![CDATA[" + value + "]]>" : value) + end("t") + end("si");
          break;
        case 6: xml += "<" + p + "si\n>" + "<" + p + "t\t>" + text + "</" + p + "t  >" + end("si"); break;
        default: xml += "\n  "; break;
      }
      continue;
    }
    switch (b & 15) {
      case 0:
        if (rowOpen) xml += end("row");
        ++row;
        xml += (b & 16) != 0 ? tag("row") : "<" + p + "row r=\"" + std::to_string(row) + "\" spans='1:3'>";
        rowOpen = true;
        break;
      case 1:
        if (rowOpen) xml += end("row");
        rowOpen = false;
        break;
      case 2:
        xml += "<" + p + "c r=\"B" + r + "\" s=\"" + std::to_string(b >> 6) + "\">" + tag("v") + value + end("v") +
               end("c");
        break;
      case 3: xml += "<" + p + "c t=\"s\">" + tag("v") + std::to_string(b >> 6) + end("v") + end("c"); break;
      case 4:
        xml += "<" + p + "c t=\"inlineStr\">" + tag("is") + tag("r") + tag("t") + text + end("t") + end("r") +
               tag("rPh") + tag("t") + "ruby" + end("t") + end("rPh") + end("is") + end("c");
        break;
      case 5: xml += "<" + p + "c r=\"C" + r + "\" s=\"1\"/>"; break;
      case 6:
        xml += "<" + p + "c\n r = 'D" + r + "'\tt='b' >" + "<" + p + "v >" + value + "</" + p + "v\r\n></" + p + "c >";
        break;
      case 7:
        xml += "<" + p + "c t=\"str\"><" + p + "f>A1&amp;\"x\"</" + p + "f>" + tag("v") + text + end("v") + end("c");
        break;
      case 8: xml += "<" + p + "c t=\"e\">" + tag("v") + "#N/A" + end("v") + end("c"); break;
      case 9: xml += b >= 0xE0 ? "<!-- </" + p + "row> -->" : " "; break;
      case 10:
        xml += "<" + p + "c>" + tag("v") + (b >= 0xE0 ? "<![CDATA[" + value + "]]>" : value) + end("v") + end("c");
        break;
      case 11: xml += "<" + p + "c t=\"d\">" + tag("v") + "2024-03-05T14:30:15" + end("v") + end("c"); break;
      case 12: xml += "<" + p + "c r=\"E&#" + std::to_string(49 + (b >> 6)) + ";\" x=\"a&#9;b\tc\r\nd\"/>"; break;
      case 13:
        switch (b >> 4) {
          case 0: xml += "<" + p + "c>" + tag("v") + value + end("v") + end("c"); break;
          case 1: xml += "<" + p + "c s='1' t=\"str\" r=\"F" + r + "\">" + tag("v") + text + end("v") + end("c"); break;
          case 2: xml += "<" + p + "c t='inlineStr'>" + tag("is") + tag("t") + text + end("t") + end("is") + end("c"); break;
          default: xml += "<" + p + "c s=\"1\" r='G" + r + "' />"; break;
        }
        break;
      case 14:
        xml += "<" + p + "c t=\"inlineStr\">" + tag("is") + "<" + p + "t xml:space=\"preserve\">" + text + end("t") +
               end("is") + end("c");
        break;
      default: xml += "\r\n"; break;
    }
  }
  if (!strings) {
    if (rowOpen) xml += end("row");
    xml += end("sheetData") + "<" + p + "pageMargins left=\"0.7\"/>";
  }
  xml += end(root);
  // The last byte, when there are more than one: where the part is cut
  // short, if it is (from 224 on).
  const auto last = static_cast<unsigned char>(recipe.back());
  if (recipe.size() > 1 && last >= 224) xml.resize(xml.size() * (last - 224) / 32);
  return xml;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t chunk = data[0] == 0 ? tabrin::detail::kChunkBytes : data[0];
  const bool strings = (data[1] & 1) != 0;
  const std::string_view body = strings ? "sst" : "sheetData";
  const std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::string generated = (data[1] & 2) != 0 ? Generated(rest, strings) : std::string();
  const std::string_view xml = (data[1] & 2) != 0 ? std::string_view(generated) : rest;

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
