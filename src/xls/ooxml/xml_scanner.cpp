#include "xls/ooxml/xml_scanner.h"

#include <array>
#include <cstring>

#include "xls/ooxml/xml_characters.h"

namespace tabrin::detail {

namespace {

// The most attributes an element may have here; more are left to expat.
constexpr std::size_t kMostAttributes = 32;

// What a byte is to the scanner, looked up in one table: names are of
// ASCII letters, digits and ".-_:" only, not starting with a digit, '.',
// '-' or ':'; plain bytes of character data and of attribute values need
// no second look.
enum : unsigned char { kStartsName = 1, kInName = 2, kSpace = 4, kPlainText = 8, kPlainValue = 16 };

constexpr std::array<unsigned char, 256> kByteClasses = [] {
  std::array<unsigned char, 256> classes{};
  for (int c = 0x20; c < 0x80; ++c) {
    classes[c] |= kPlainText | kPlainValue;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_') classes[c] |= kStartsName | kInName;
    if ((c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':') classes[c] |= kInName;
  }
  classes['&'] &= ~(kPlainText | kPlainValue);
  classes['<'] &= ~(kPlainText | kPlainValue);
  classes[']'] &= ~kPlainText;
  for (const char c : {' ', '\n', '\t', '\r'}) classes[static_cast<unsigned char>(c)] |= kSpace;
  classes['\n'] |= kPlainText;
  classes['\t'] |= kPlainText;
  return classes;
}();

bool Is(char c, unsigned char kind) { return (kByteClasses[static_cast<unsigned char>(c)] & kind) != 0; }
bool IsSpace(char c) { return Is(c, kSpace); }
bool StartsName(char c) { return Is(c, kStartsName); }

char* SkipName(char* p, char* end) {
  while (p < end && Is(*p, kInName)) ++p;
  return p;
}

char* SkipSpace(char* p, char* end) {
  while (p < end && IsSpace(*p)) ++p;
  return p;
}

std::string_view LocalPart(const char* name, const char* nameEnd) {
  const char* local = name;
  for (const char* p = name; p < nameEnd; ++p) {
    if (*p == ':') local = p + 1;
  }
  return std::string_view(local, static_cast<std::size_t>(nameEnd - local));
}

// Checks the characters of an attribute value; normalize is set when it
// holds references or white space that becomes a space.
bool CheckValue(const char* p, const char* end, bool& normalize) {
  normalize = false;
  while (p < end) {
    const auto c = static_cast<unsigned char>(*p);
    if (Is(*p, kPlainValue)) {
      ++p;
    } else if (c == '\t' || c == '\n' || c == '\r') {
      normalize = true;
      ++p;
    } else if (c == '&') {
      char character[4];
      const char* after = nullptr;
      if (ReadReference(p, end, character, after) == 0) return false;
      normalize = true;
      p = after;
    } else if (c >= 0x80) {
      const std::size_t length = XmlCharLength(p, end);
      if (length == 0) return false;
      p += length;
    } else {
      return false;
    }
  }
  return true;
}

// The value with its references replaced and its white space (a line end
// of CR LF as one) as spaces, in place; returns its new end.
char* NormalizeValue(char* p, char* end) {
  char* out = p;
  while (p < end) {
    if (*p == '\r') {
      *out++ = ' ';
      p += p + 1 < end && p[1] == '\n' ? 2 : 1;
    } else if (*p == '\n' || *p == '\t') {
      *out++ = ' ';
      ++p;
    } else if (*p == '&') {
      char character[4];
      const char* after = nullptr;
      const std::size_t length = ReadReference(p, end, character, after);
      std::memcpy(out, character, length);
      out += length;
      p = const_cast<char*>(after);
    } else {
      *out++ = *p++;
    }
  }
  return out;
}

// Character data as expat hands it over: references replaced, line ends
// (CR LF, CR) as LF.
void DecodeText(const char* p, const char* end, std::string& out) {
  out.clear();
  while (p < end) {
    if (*p == '\r') {
      out += '\n';
      p += p + 1 < end && p[1] == '\n' ? 2 : 1;
    } else if (*p == '&') {
      char character[4];
      const char* after = nullptr;
      out.append(character, ReadReference(p, end, character, after));
      p = after;
    } else {
      const char* plain = p;
      while (p < end && *p != '\r' && *p != '&') ++p;
      out.append(plain, static_cast<std::size_t>(p - plain));
    }
  }
}

// Checks character data up to lt; decode is set when it holds references
// or carriage returns.
bool CheckText(const char* p, const char* lt, bool& decode) {
  decode = false;
  while (p < lt) {
    const auto c = static_cast<unsigned char>(*p);
    if (Is(*p, kPlainText)) {
      ++p;
    } else if (c == '\r') {
      decode = true;
      ++p;
    } else if (c == '&') {
      char character[4];
      const char* after = nullptr;
      if (ReadReference(p, lt, character, after) == 0) return false;
      decode = true;
      p = after;
    } else if (c == ']') {
      if (lt - p >= 3 && p[1] == ']' && p[2] == '>') return false;
      ++p;
    } else if (c >= 0x80) {
      const std::size_t length = XmlCharLength(p, lt);
      if (length == 0) return false;
      p += length;
    } else {
      return false;
    }
  }
  return true;
}

// A start tag without attributes at p, of an element of that local name;
// p is then after it, and name and nameEnd bound its qualified name.
[[gnu::always_inline]] inline bool OpenTag(char*& p, char* end, std::string_view local, char*& name, char*& nameEnd) {
  if (end - p < 2 || *p != '<' || !StartsName(p[1])) return false;
  char* const n = p + 1;
  char* const e = SkipName(n, end);
  if (LocalPart(n, e) != local) return false;
  char* const close = SkipSpace(e, end);
  if (close == end || *close != '>') return false;
  name = n;
  nameEnd = e;
  p = close + 1;
  return true;
}

// The end tag of the element of that qualified name at p; p is then after
// it.
[[gnu::always_inline]] inline bool CloseTag(char*& p, char* end, const char* name, const char* nameEnd) {
  if (end - p < (nameEnd - name) + 3 || p[0] != '<' || p[1] != '/') return false;
  char* q = p + 2;
  for (const char* n = name; n < nameEnd; ++n, ++q) {
    if (*q != *n) return false;
  }
  char* const close = SkipSpace(q, end);
  if (close == end || *close != '>') return false;
  p = close + 1;
  return true;
}

}  // namespace

bool TXmlScanner::Start() {
  if (!chunks_.Next(window_)) return false;
  return true;
}

bool TXmlScanner::More(std::size_t& from) {
  const std::size_t keep = End() - from;
  if (keep > kMaxKept) return false;
  TChunk next;
  next.bytes = std::move(spare_);
  if (!chunks_.Next(next)) return false;
  if (keep <= next.begin) {
    next.begin -= keep;
    std::memcpy(next.bytes.data() + next.begin, window_.bytes.data() + from, keep);
  } else {
    std::vector<char> joined;
    joined.reserve(keep + next.Size());
    joined.insert(joined.end(), window_.bytes.begin() + static_cast<std::ptrdiff_t>(from), window_.bytes.end());
    joined.insert(joined.end(), next.bytes.begin() + static_cast<std::ptrdiff_t>(next.begin), next.bytes.end());
    next.bytes.swap(joined);
    next.begin = 0;
  }
  spare_ = std::move(window_.bytes);
  window_ = std::move(next);
  from = window_.begin;
  return true;
}

bool TXmlScanner::NextChunk() {
  TChunk next;
  next.bytes = std::move(spare_);
  if (!chunks_.Next(next)) return false;
  spare_ = std::move(window_.bytes);
  window_ = std::move(next);
  return true;
}

bool TXmlScanner::ScanBody(std::size_t from, std::string_view qualifiedName, std::size_t& endTag) {
  open_.assign(qualifiedName);
  openEnds_.assign(1, open_.size());
  std::size_t at = from;
  for (;;) {
    switch (Step(at)) {
      case TStep::Done: break;
      case TStep::NeedMore:
        if (!More(at)) return false;
        break;
      case TStep::Refused: return false;
      case TStep::Closed: endTag = at; return true;
    }
  }
}

// One token from at: character data up to the next '<', or a tag.
TXmlScanner::TStep TXmlScanner::Step(std::size_t& at) {
  char* const data = window_.bytes.data();
  const std::size_t end = End();
  if (at == end) return TStep::NeedMore;
  if (data[at] != '<') {
    const void* lt = std::memchr(data + at, '<', end - at);
    if (lt == nullptr) return TStep::NeedMore;
    return Text(at, static_cast<const char*>(lt));
  }
  if (end - at < 2) return TStep::NeedMore;
  if (data[at + 1] == '/') return EndTag(at);
  if (data[at + 1] == '!' || data[at + 1] == '?') return TStep::Refused;
  if (cells_ != nullptr && cells_->TakesCells() && (Cell(at) || Row(at))) return TStep::Done;
  return StartTag(at);
}

TXmlScanner::TStep TXmlScanner::Text(std::size_t& at, const char* lt) {
  const char* const text = window_.bytes.data() + at;
  bool decode = false;
  if (!CheckText(text, lt, decode)) return TStep::Refused;
  if (handler_.WantsText()) {
    if (decode) {
      DecodeText(text, lt, text_);
      handler_.Text(text_);
    } else {
      handler_.Text(std::string_view(text, static_cast<std::size_t>(lt - text)));
    }
  }
  at = static_cast<std::size_t>(lt - window_.bytes.data());
  return TStep::Done;
}

bool TXmlScanner::CellText(char*& p, char* end, std::string_view& text) {
  // A value is short and mostly plain: one look at each byte before any
  // search.
  char* plain = p;
  while (plain < end && Is(*plain, kPlainText)) ++plain;
  if (plain < end && *plain == '<') {
    text = std::string_view(p, static_cast<std::size_t>(plain - p));
    p = plain;
    return true;
  }
  char* const lt = static_cast<char*>(std::memchr(plain, '<', static_cast<std::size_t>(end - plain)));
  bool decode = false;
  if (lt == nullptr || !CheckText(plain, lt, decode)) return false;
  if (decode) {
    DecodeText(p, lt, text_);
    text = text_;
  } else {
    text = std::string_view(p, static_cast<std::size_t>(lt - p));
  }
  p = lt;
  return true;
}

bool TXmlScanner::Cell(std::size_t& at) {
  char* const data = window_.bytes.data();
  char* const end = data + End();
  char* const name = data + at + 1;
  char* const nameEnd = SkipName(name, end);
  if (nameEnd == end || !StartsName(*name) || LocalPart(name, nameEnd) != "c") return false;

  // The attributes r, s and t (by those names only, once each).
  char* values[3] = {nullptr, nullptr, nullptr};
  char* valueEnds[3] = {nullptr, nullptr, nullptr};
  char* p = nameEnd;
  for (;;) {
    if (p == end) return false;
    if (*p == '>' || *p == '/') break;
    if (!IsSpace(*p)) return false;
    p = SkipSpace(p, end);
    if (p == end) return false;
    if (*p == '>' || *p == '/') break;
    const int which = *p == 'r' ? 0 : *p == 's' ? 1 : *p == 't' ? 2 : -1;
    if (which < 0 || values[which] != nullptr || ++p == end || Is(*p, kInName)) return false;
    p = SkipSpace(p, end);
    if (p == end || *p != '=') return false;
    p = SkipSpace(p + 1, end);
    if (p == end || (*p != '"' && *p != '\'')) return false;
    const char quote = *p++;
    values[which] = p;
    while (p < end && *p != quote && Is(*p, kPlainValue)) ++p;
    if (p == end || *p != quote) return false;
    valueEnds[which] = p++;
  }
  TScannedCell cell;
  if (*p == '/') {
    if (end - p < 2 || p[1] != '>') return false;
    p += 2;
  } else {
    // The content: nothing, <v>text</v> or <is><t>text</t></is>.
    ++p;
    char *child = nullptr, *childEnd = nullptr;
    if (OpenTag(p, end, "v", child, childEnd)) {
      if (!CellText(p, end, cell.value) || !CloseTag(p, end, child, childEnd)) return false;
      cell.hasValue = true;
    } else if (OpenTag(p, end, "is", child, childEnd)) {
      char *t = nullptr, *tEnd = nullptr;
      if (!OpenTag(p, end, "t", t, tEnd) || !CellText(p, end, cell.value) || !CloseTag(p, end, t, tEnd) ||
          !CloseTag(p, end, child, childEnd)) {
        return false;
      }
      cell.hasValue = true;
    }
    if (!CloseTag(p, end, name, nameEnd)) return false;
  }
  // The cell is whole and sound: its values become C strings, in place.
  const char** const targets[3] = {&cell.ref, &cell.style, &cell.type};
  for (int i = 0; i < 3; ++i) {
    if (values[i] == nullptr) continue;
    *valueEnds[i] = '\0';
    *targets[i] = values[i];
  }
  at = static_cast<std::size_t>(p - data);
  cells_->Cell(cell);
  return true;
}

bool TXmlScanner::Row(std::size_t& at) {
  char* const data = window_.bytes.data();
  char* const end = data + End();
  char* const name = data + at + 1;
  char* const nameEnd = SkipName(name, end);
  if (nameEnd == end || !StartsName(*name)) return false;
  const std::string_view local = LocalPart(name, nameEnd);
  if (local != "row") return false;

  // Its attributes, of plain values, no two of one name.
  constexpr std::size_t kMost = 16;
  const char* names[kMost];
  std::size_t lengths[kMost];
  std::size_t count = 0;
  std::string_view ref;
  bool hasRef = false;
  char* p = nameEnd;
  for (;;) {
    if (p == end) return false;
    if (*p == '>' || *p == '/') break;
    if (!IsSpace(*p)) return false;
    p = SkipSpace(p, end);
    if (p == end) return false;
    if (*p == '>' || *p == '/') break;
    if (!StartsName(*p) || count == kMost) return false;
    char* const attribute = p;
    p = SkipName(p, end);
    if (p == end || p[-1] == ':') return false;
    const auto length = static_cast<std::size_t>(p - attribute);
    for (std::size_t i = 0; i < count; ++i) {
      if (lengths[i] == length && std::memcmp(names[i], attribute, length) == 0) return false;
    }
    names[count] = attribute;
    lengths[count++] = length;
    p = SkipSpace(p, end);
    if (p == end || *p != '=') return false;
    p = SkipSpace(p + 1, end);
    if (p == end || (*p != '"' && *p != '\'')) return false;
    const char quote = *p++;
    char* const value = p;
    while (p < end && *p != quote && Is(*p, kPlainValue)) ++p;
    if (p == end || *p != quote) return false;
    if (!hasRef && LocalPart(attribute, attribute + length) == "r") {
      ref = std::string_view(value, static_cast<std::size_t>(p - value));
      hasRef = true;
    }
    ++p;
  }
  const bool empty = *p == '/';
  if (empty) {
    if (end - p < 2 || p[1] != '>') return false;
    ++p;
  }
  at = static_cast<std::size_t>(p + 1 - data);
  if (!empty) {
    open_.append(name, nameEnd);
    openEnds_.push_back(open_.size());
  }
  cells_->Row(ref);
  if (empty) handler_.EndElement(local);
  return true;
}

TXmlScanner::TStep TXmlScanner::StartTag(std::size_t& at) {
  char* const data = window_.bytes.data();
  char* const end = data + End();
  char* const name = data + at + 1;
  if (!StartsName(*name)) return TStep::Refused;
  char* const nameEnd = SkipName(name, end);
  if (nameEnd == end) return TStep::NeedMore;
  if (nameEnd[-1] == ':') return TStep::Refused;
  attributes_.clear();
  char* p = nameEnd;
  bool empty = false;
  for (;;) {
    if (p == end) return TStep::NeedMore;
    if (*p == '>') {
      ++p;
      break;
    }
    if (*p == '/') {
      if (p + 1 == end) return TStep::NeedMore;
      if (p[1] != '>') return TStep::Refused;
      p += 2;
      empty = true;
      break;
    }
    // An attribute, after white space.
    if (!IsSpace(*p)) return TStep::Refused;
    p = SkipSpace(p, end);
    if (p == end) return TStep::NeedMore;
    if (*p == '>' || *p == '/') continue;
    if (!StartsName(*p) || attributes_.size() == kMostAttributes) return TStep::Refused;
    TAttribute attribute{};
    attribute.name = p;
    p = SkipName(p, end);
    attribute.nameEnd = p;
    if (p == end) return TStep::NeedMore;
    if (p[-1] == ':') return TStep::Refused;
    p = SkipSpace(p, end);
    if (p == end) return TStep::NeedMore;
    if (*p != '=') return TStep::Refused;
    p = SkipSpace(p + 1, end);
    if (p == end) return TStep::NeedMore;
    if (*p != '"' && *p != '\'') return TStep::Refused;
    char* const close = static_cast<char*>(std::memchr(p + 1, *p, static_cast<std::size_t>(end - p - 1)));
    if (close == nullptr) return TStep::NeedMore;
    attribute.value = p + 1;
    attribute.valueEnd = close;
    if (!CheckValue(attribute.value, close, attribute.normalize)) return TStep::Refused;
    attributes_.push_back(attribute);
    p = close + 1;
  }
  if (Duplicates()) return TStep::Refused;
  // The tag is whole and sound: its names and values become the C strings
  // a handler is given, in place.
  pairs_.clear();
  for (TAttribute& attribute : attributes_) {
    *attribute.nameEnd = '\0';
    *(attribute.normalize ? NormalizeValue(attribute.value, attribute.valueEnd) : attribute.valueEnd) = '\0';
    pairs_.push_back(attribute.name);
    pairs_.push_back(attribute.value);
  }
  pairs_.push_back(nullptr);
  pairs_.push_back(nullptr);
  at = static_cast<std::size_t>(p - data);
  if (!empty) {
    open_.append(name, nameEnd);
    openEnds_.push_back(open_.size());
  }
  const std::string_view local = LocalPart(name, nameEnd);
  handler_.StartElement(local, TXmlAttributes(pairs_.data()));
  if (empty) handler_.EndElement(local);
  return TStep::Done;
}

TXmlScanner::TStep TXmlScanner::EndTag(std::size_t& at) {
  char* const data = window_.bytes.data();
  char* const end = data + End();
  char* const name = data + at + 2;
  if (name == end) return TStep::NeedMore;
  if (!StartsName(*name)) return TStep::Refused;
  char* const nameEnd = SkipName(name, end);
  char* const close = SkipSpace(nameEnd, end);
  if (close == end) return TStep::NeedMore;
  if (*close != '>') return TStep::Refused;
  const std::size_t openBegin = openEnds_.size() > 1 ? openEnds_[openEnds_.size() - 2] : 0;
  if (std::string_view(open_).substr(openBegin) != std::string_view(name, static_cast<std::size_t>(nameEnd - name))) {
    return TStep::Refused;
  }
  openEnds_.pop_back();
  open_.resize(openBegin);
  if (openEnds_.empty()) return TStep::Closed;
  at = static_cast<std::size_t>(close + 1 - data);
  handler_.EndElement(LocalPart(name, nameEnd));
  return TStep::Done;
}

bool TXmlScanner::Duplicates() const {
  const auto same = [](const TAttribute& a, const TAttribute& b) {
    const std::size_t length = static_cast<std::size_t>(a.nameEnd - a.name);
    return length == static_cast<std::size_t>(b.nameEnd - b.name) && a.name[0] == b.name[0] &&
           std::memcmp(a.name, b.name, length) == 0;
  };
  for (std::size_t i = 1; i < attributes_.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (same(attributes_[i], attributes_[j])) return true;
    }
  }
  return false;
}

}  // namespace tabrin::detail
