#pragma once
// The events a part's XML gives a handler, written down one per line
// (character data of one stretch joined), as expat delivers them and as the
// scanner of part bodies does: the two have to agree wherever the scanner
// reads a part at all.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "xls/ooxml/inflated_chunks.h"
#include "xls/ooxml/scanned_part.h"
#include "xls/ooxml/xml_part.h"

namespace tabrin::test {

class XmlEventRecorder : public detail::TXmlHandler {
 public:
  XmlEventRecorder() { wantsText_ = true; }
  void StartElement(std::string_view name, const detail::TXmlAttributes& attributes) override {
    events_ += "<" + std::string(name);
    attributes.ForEach([&](std::string_view n, std::string_view v) {
      events_ += " " + std::string(n) + "=[" + std::string(v) + "]";
    });
    events_ += ">\n";
  }
  void EndElement(std::string_view name) override { events_ += "</" + std::string(name) + ">\n"; }
  void Text(std::string_view text) override {
    if (!events_.ends_with("\x01")) events_ += "text:";
    else events_.pop_back();
    events_.append(text);
    events_ += "\x01";
  }
  const std::string& Events() const { return events_; }

 private:
  std::string events_;
};

// The bytes of xml in chunks of that many bytes.
inline detail::TInflatedChunks::TRead ReadFrom(std::string_view xml) {
  return [xml, at = std::size_t{0}](char* buffer, std::size_t size) mutable {
    const std::size_t count = std::min(size, xml.size() - at);
    std::memcpy(buffer, xml.data() + at, count);
    at += count;
    return count;
  };
}

// The events of the scanner's reading, or nothing where it leaves the part
// to expat.
inline std::optional<std::string> ScannedEvents(std::string_view xml, std::string_view body, std::size_t chunkBytes,
                                                bool ownThread = false) {
  detail::TInflatedChunks chunks(ReadFrom(xml), ownThread, chunkBytes);
  XmlEventRecorder recorder;
  if (!detail::ScanXml(chunks, body, recorder)) return std::nullopt;
  return recorder.Events();
}

// The events of expat's reading, or nothing where it refuses the part.
inline std::optional<std::string> ExpatEvents(std::string_view xml) {
  XmlEventRecorder recorder;
  detail::TXmlStream stream(recorder);
  if (!stream.Parse(xml.data(), xml.size(), true)) return std::nullopt;
  return recorder.Events();
}

}  // namespace tabrin::test
