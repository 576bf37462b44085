#include "xls/ooxml/scanned_part.h"

#include <memory>
#include <string>
#include <thread>

#include "text/ascii.h"
#include "xls/ooxml/xml_scanner.h"

namespace tabrin::detail {

namespace {

// Bytes enough for the XML declaration, when the part has them.
constexpr std::size_t kDeclarationBytes = 512;

// Stops expat at the start tag of the body, noting where that tag ends.
class TBodyLocator : public TXmlHandler {
 public:
  struct TFound {};
  explicit TBodyLocator(std::string_view body) : body_(body) {}
  void Watch(const TXmlStream* stream) { stream_ = stream; }
  void StartElement(std::string_view name, const TXmlAttributes&) override {
    if (name != body_) return;
    tagEnd_ = stream_->EventEnd();
    found_ = true;
    throw TFound();
  }
  void EndElement(std::string_view) override {}
  void Text(std::string_view) override {}
  bool Found() const { return found_; }
  std::uint64_t TagEnd() const { return tagEnd_; }

 private:
  std::string_view body_;
  const TXmlStream* stream_ = nullptr;
  bool found_ = false;
  std::uint64_t tagEnd_ = 0;
};

// The handler as expat sees it around the body, counting the body's start
// tags.
class TAroundBody : public TXmlHandler {
 public:
  TAroundBody(std::string_view body, TXmlHandler& handler) : body_(body), handler_(handler) { wantsText_ = true; }
  void StartElement(std::string_view name, const TXmlAttributes& attributes) override {
    if (name == body_) ++bodies_;
    handler_.StartElement(name, attributes);
  }
  void EndElement(std::string_view name) override { handler_.EndElement(name); }
  void Text(std::string_view text) override {
    if (handler_.WantsText()) handler_.Text(text);
  }
  int Bodies() const { return bodies_; }

 private:
  std::string_view body_;
  TXmlHandler& handler_;
  int bodies_ = 0;
};

// The qualified name of the start tag that ends at tagEnd.
std::string StartTagName(const char* data, std::size_t from, std::size_t tagEnd) {
  std::size_t lt = tagEnd;
  while (lt > from && data[lt - 1] != '<') --lt;
  std::size_t nameEnd = lt;
  while (nameEnd < tagEnd && data[nameEnd] != ' ' && data[nameEnd] != '\t' && data[nameEnd] != '\r' &&
         data[nameEnd] != '\n' && data[nameEnd] != '/' && data[nameEnd] != '>') {
    ++nameEnd;
  }
  return std::string(data + lt, nameEnd - lt);
}

}  // namespace

bool DeclaresUtf8(std::string_view head) {
  if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
  if (head.size() < 2 || head[0] != '<') return false;
  if (!head.starts_with("<?")) return head[1] != '\0';
  if (!head.starts_with("<?xml ")) return false;
  const std::size_t close = head.find("?>");
  if (close == std::string_view::npos) return false;
  std::string_view declaration = head.substr(0, close);
  const std::size_t encoding = declaration.find("encoding");
  if (encoding == std::string_view::npos) return true;
  declaration = TrimAscii(declaration.substr(encoding + 8), kSpaceTabCrLf);
  if (!declaration.starts_with('=')) return false;
  declaration = TrimAscii(declaration.substr(1), kSpaceTabCrLf);
  if (declaration.size() < 7 || (declaration[0] != '"' && declaration[0] != '\'')) return false;
  const std::string_view name = declaration.substr(1, 5);
  return declaration[6] == declaration[0] && UpperAscii(name[0]) == 'U' && UpperAscii(name[1]) == 'T' &&
         UpperAscii(name[2]) == 'F' && name.substr(3) == "-8";
}

bool ScanXml(TInflatedChunks& chunks, std::string_view body, TXmlHandler& handler, TScannedCellSink* cells) {
  TXmlScanner scanner(chunks, handler, cells);
  if (!scanner.Start()) return false;
  std::size_t head = scanner.Begin();
  while (scanner.End() - head < kDeclarationBytes && scanner.More(head)) {
  }
  if (!DeclaresUtf8(std::string_view(scanner.Data() + head, scanner.End() - head))) return false;

  // Where the body's start tag ends, the head kept in the window until then.
  TBodyLocator locator(body);
  TXmlStream locating(locator);
  locator.Watch(&locating);
  for (std::size_t fed = 0;;) {
    const std::size_t size = scanner.End() - head;
    if (!locating.Parse(scanner.Data() + head + fed, size - fed, false)) break;
    fed = size;
    if (size > kMaxKept || !scanner.More(head)) return false;
  }
  if (!locator.Found()) return false;
  const std::size_t tagEnd = head + static_cast<std::size_t>(locator.TagEnd());
  if (scanner.Data()[tagEnd - 1] != '>' || scanner.Data()[tagEnd - 2] == '/') return false;  // an empty body
  const std::string name = StartTagName(scanner.Data(), head, tagEnd);

  // The head through expat, the body through the scanner, the rest through
  // the same expat parser.
  TAroundBody around(body, handler);
  TXmlStream stream(around);
  if (!stream.Parse(scanner.Data() + head, tagEnd - head, false) || around.Bodies() != 1) return false;
  std::size_t endTag = 0;
  if (!scanner.ScanBody(tagEnd, name, endTag)) return false;
  if (!stream.Parse(scanner.Data() + endTag, scanner.End() - endTag, false)) return false;
  while (scanner.NextChunk()) {
    if (!stream.Parse(scanner.Data() + scanner.Begin(), scanner.End() - scanner.Begin(), false)) return false;
  }
  return stream.Parse(nullptr, 0, true);
}

bool ScanXmlPart(const TZipPackage& package, std::string_view partName, std::uint64_t maxBytes,
                 std::string_view body, TXmlHandler& handler, TScannedCellSink* cells) {
  const std::unique_ptr<TPartReader> part = package.Open(partName, maxBytes);
  TInflatedChunks chunks([&part](char* buffer, std::size_t size) { return part->Read(buffer, size); },
                         std::thread::hardware_concurrency() > 1);
  return ScanXml(chunks, body, handler, cells);
}

}  // namespace tabrin::detail
