#pragma once
// A scanner of our own for the body of a large part (a worksheet's sheet
// data, the items of the shared strings): the events expat would deliver
// for the elements and character data inside one element, found with
// memchr-class searches, at several times expat's speed.
//
// It knows a subset of XML: start and end tags of ASCII names, attributes
// in single or double quotes, character data with the five entities and
// character references, white space wherever XML allows it.  It keeps the
// open elements so that an end tag has to match, and checks every byte to
// be a character XML allows.  Anything else (comments, CDATA, processing
// instructions, names outside ASCII, a token longer than kMaxKept) and
// everything malformed stops it: it says false, and expat reads the part,
// whose result or message is then the reader's.
//
// The scanner reads the inflated part in chunks (inflated_chunks.h) from
// a window that carries a token cut by a chunk's end into the next chunk;
// scanned_part.h puts the head and the tail of the part around the body
// through expat.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "xls/ooxml/inflated_chunks.h"
#include "xls/ooxml/scanned_cell.h"
#include "xls/ooxml/xml_part.h"

namespace tabrin::detail {

// Bytes a token may take, or a part's head, before the part is left to
// expat.
inline constexpr std::size_t kMaxKept = std::size_t{4} << 20;

class TXmlScanner {
 public:
  // cells, where given, takes the cells of the common shape (scanned_cell.h)
  // in place of their events.
  TXmlScanner(TInflatedChunks& chunks, TXmlHandler& handler, TScannedCellSink* cells = nullptr)
      : chunks_(chunks), handler_(handler), cells_(cells) {}

  // The first chunk into the window; false for an empty part.
  bool Start();
  // The window's bytes are Data()[Begin(), End()).
  const char* Data() const { return window_.bytes.data(); }
  std::size_t Begin() const { return window_.begin; }
  std::size_t End() const { return window_.bytes.size(); }
  // Keeps the window's bytes from `from` on and adds the next chunk after
  // them; from is then where the kept bytes begin.  False at the end of the
  // part or past kMaxKept kept bytes.
  bool More(std::size_t& from);
  // The next chunk in place of the window; false at the end of the part.
  bool NextChunk();

  // Delivers the events of the content of an element whose start tag (of
  // that qualified name) ends at `from`, up to its end tag, whose '<' is
  // then endTag; the end tag itself is not delivered.  False as above.
  bool ScanBody(std::size_t from, std::string_view qualifiedName, std::size_t& endTag);

 private:
  enum class TStep { Done, NeedMore, Refused, Closed };
  struct TAttribute {
    char* name;
    char* nameEnd;
    char* value;
    char* valueEnd;
    bool normalize;  // holds references or white space to be replaced
  };

  TStep Step(std::size_t& at);
  TStep StartTag(std::size_t& at);
  TStep EndTag(std::size_t& at);
  TStep Text(std::size_t& at, const char* lt);
  // A whole cell of the common shape at at, handed to cells_; false leaves
  // it, untouched, to StartTag.
  bool Cell(std::size_t& at);
  // The start tag of a row at at, its attributes plain, handed to cells_;
  // false leaves it, untouched, to StartTag.
  bool Row(std::size_t& at);
  // The character data from p up to the next '<', which p is then at;
  // false where it is not in the window or not plain.
  bool CellText(char*& p, char* end, std::string_view& text);
  bool Duplicates() const;

  TInflatedChunks& chunks_;
  TXmlHandler& handler_;
  TScannedCellSink* cells_;
  TChunk window_;
  std::vector<char> spare_;
  std::string open_;                 // the qualified names of the open elements, end to end
  std::vector<std::size_t> openEnds_;  // where each ends in open_
  std::vector<TAttribute> attributes_;
  std::vector<const char*> pairs_;
  std::string text_;
};

}  // namespace tabrin::detail
