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
#include <string_view>

#include "xls/zip_package.h"

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

// Parses the part; raises TDamagedPackage for malformed XML, a document type
// declaration and every fault the package reader finds.  Exceptions a
// handler throws pass through.
void ParseXmlPart(const TZipPackage& package, std::string_view partName, std::uint64_t maxBytes,
                  TXmlHandler& handler);

// The local part of a qualified name.
std::string_view LocalName(std::string_view qualified);

}  // namespace tabrin::detail
