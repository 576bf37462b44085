#pragma once
// Streams one XML part of a ZIP package through expat, a SAX parser: the
// handler sees element starts and ends and the character data in between;
// nothing of the document is kept.  Element and attribute names arrive
// without their namespace prefix ("x:row" as "row"), which is how the
// writers of these packages differ.
//
// A document type declaration is refused outright: the packages never carry
// one, and entity declarations are how XML inflates itself or reaches out
// of the document.
#include <cstdint>
#include <exception>
#include <string_view>

#include "xls/ooxml/zip_package.h"

namespace tabrin::detail {

// The attributes of an element, as expat hands them over.
class TXmlAttributes {
 public:
  explicit TXmlAttributes(const char** pairs) : pairs_(pairs) {}
  // The value of the attribute of that local name; empty when missing.
  std::string_view Get(std::string_view localName) const;
  bool Has(std::string_view localName) const;
  // Calls visit(localName, value) for every attribute in turn: one pass
  // over them where several are wanted.
  template <class TVisit>
  void ForEach(TVisit&& visit) const {
    for (const char** pair = pairs_; *pair != nullptr; pair += 2) visit(LocalName(pair[0]), std::string_view(pair[1]));
  }
  // The same with each value as the C string expat holds, for a caller that
  // reads a value up to its end anyway and need not measure it first.
  template <class TVisit>
  void ForEachRaw(TVisit&& visit) const {
    for (const char** pair = pairs_; *pair != nullptr; pair += 2) visit(LocalName(pair[0]), pair[1]);
  }
  // The local part of an element or attribute name as expat hands it over.
  static std::string_view LocalName(const char* qualified) {
    const char* local = qualified;
    const char* end = qualified;
    for (; *end != '\0'; ++end) {
      if (*end == ':') local = end + 1;
    }
    return std::string_view(local, static_cast<std::size_t>(end - local));
  }

 private:
  const char** pairs_;
};

class TXmlHandler {
 public:
  virtual ~TXmlHandler() = default;
  virtual void StartElement(std::string_view name, const TXmlAttributes& attributes) = 0;
  virtual void EndElement(std::string_view name) = 0;
  // Character data, possibly in several pieces; only asked for while
  // WantsText() says so.
  virtual void Text(std::string_view text) = 0;
  bool WantsText() const { return wantsText_; }

 protected:
  bool wantsText_ = false;
};

// One expat parser over a document that arrives in pieces, for a reader
// that feeds the bytes itself (or parts of them to several parsers).
class TXmlStream {
 public:
  explicit TXmlStream(TXmlHandler& handler);
  TXmlStream(const TXmlStream&) = delete;
  TXmlStream& operator=(const TXmlStream&) = delete;
  ~TXmlStream();

  // Parses the next bytes (last: the document ends with them).  False when
  // the document is refused or a handler threw; Raise then says why.
  bool Parse(const char* data, std::size_t size, bool last);
  // Throws what stopped the parse: the handler's exception, or
  // TDamagedPackage naming the part.
  [[noreturn]] void Raise(std::string_view partName) const;
  // Bytes of the document up to the end of the element start or end being
  // reported; only meaningful inside a handler's call.
  std::uint64_t EventEnd() const;
  // Bytes handed to Parse so far.
  std::uint64_t BytesFed() const { return fed_; }

 private:
  struct TState;
  TState* state_;
  std::uint64_t fed_ = 0;
};

// Parses the part; raises TDamagedPackage for malformed XML, a document type
// declaration and every fault the package reader finds.  Exceptions a
// handler throws pass through.
void ParseXmlPart(const TZipPackage& package, std::string_view partName, std::uint64_t maxBytes,
                  TXmlHandler& handler);

// The local part of a qualified name.
std::string_view LocalName(std::string_view qualified);

}  // namespace tabrin::detail
