#include "xls/ooxml/xlsx_reader.h"

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "text/error.h"
#include "text/format.h"
#include "xls/biff8/biff_reader.h"
#include "xls/model/worksheet_builder.h"
#include "xls/ooxml/xml_part.h"

namespace tabrin {

namespace {

using detail::TDamagedPackage;
using detail::TXmlAttributes;
using detail::TXmlHandler;
using detail::TZipPackage;

// Limits of the parts, inflated.  A worksheet of a million rows of twenty
// columns takes under a gigabyte of XML.
constexpr std::uint64_t kMaxSmallPartBytes = std::uint64_t{64} << 20;  // workbook, relationships, styles
constexpr std::uint64_t kMaxStringsPartBytes = std::uint64_t{1} << 30;
constexpr std::uint64_t kMaxSheetPartBytes = std::uint64_t{2} << 30;

constexpr double k1904Offset = 1462;  // days from 1899-12-30 to 1904-01-01

constexpr std::string_view kOfficeDocumentType = "/officeDocument";
constexpr std::string_view kWorksheetType = "/worksheet";
constexpr std::string_view kStylesType = "/styles";
constexpr std::string_view kSharedStringsType = "/sharedStrings";

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool IsTrue(std::string_view value) { return value == "1" || value == "true" || value == "on"; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' || text.front() == '\n')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n')) {
    text.remove_suffix(1);
  }
  return text;
}

std::optional<std::uint32_t> ParseIndex(std::string_view text) {
  // Nearly every index is a few plain digits.
  if (!text.empty() && text.size() <= 9) {
    std::uint32_t value = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
    if (i == text.size()) return value;
  }
  text = Trim(text);
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::optional<double> ParseNumber(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// Texts in these packages spell characters XML cannot carry as _xHHHH_.
void DecodeEscapes(std::string& text) {
  if (text.find("_x") == std::string::npos) return;
  std::string out;
  out.reserve(text.size());
  const auto isHex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_' && i + 6 < text.size() && text[i + 1] == 'x' && isHex(text[i + 2]) && isHex(text[i + 3]) &&
        isHex(text[i + 4]) && isHex(text[i + 5]) && text[i + 6] == '_') {
      unsigned code = 0;
      std::from_chars(text.data() + i + 2, text.data() + i + 6, code, 16);
      if (code < 0x80) {
        out += static_cast<char>(code);
      } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
      } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
      }
      i += 6;
    } else {
      out += text[i];
    }
  }
  text = std::move(out);
}

// Days from 1899-12-30 of a proleptic Gregorian date.
long long DayNumber(int year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int era = (year >= 0 ? year : year - 399) / 400;
  const int yearOfEra = year - era * 400;
  const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return static_cast<long long>(era) * 146097 + dayOfEra - 719468 + 25569;
}

// "2024-03-05", "2024-03-05T14:30:15", "14:30:15" (ISO 8601, as a date cell
// holds it).
std::optional<double> ParseIsoDateTime(std::string_view text) {
  text = Trim(text);
  double days = 0;
  const auto number = [&](std::size_t at, std::size_t length) -> std::optional<int> {
    if (text.size() < at + length) return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + at + length, value);
    if (error != std::errc() || end != text.data() + at + length) return std::nullopt;
    return value;
  };
  std::size_t at = 0;
  if (text.size() >= 10 && text[4] == '-' && text[7] == '-') {
    const auto year = number(0, 4), month = number(5, 2), day = number(8, 2);
    if (!year || !month || !day || *month < 1 || *month > 12 || *day < 1 || *day > 31) return std::nullopt;
    days = static_cast<double>(DayNumber(*year, *month, *day));
    at = 10;
    if (at == text.size()) return days;
    if (text[at] != 'T') return std::nullopt;
    ++at;
  }
  const auto hour = number(at, 2), minute = number(at + 3, 2);
  if (!hour || !minute || text[at + 2] != ':') return std::nullopt;
  double seconds = 0;
  if (text.size() > at + 5 && text[at + 5] == ':') {
    std::size_t end = at + 6;
    while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '.')) ++end;
    const std::optional<double> s = ParseNumber(text.substr(at + 6, end - at - 6));
    if (!s) return std::nullopt;
    seconds = *s;
  }
  return days + (*hour * 3600.0 + *minute * 60.0 + seconds) / 86400.0;
}

// The BIFF code of an error value, so that both readers describe one the
// same way.
double ErrorCode(std::string_view text) {
  static const std::pair<std::string_view, int> kCodes[] = {
      {"#NULL!", 0x00}, {"#DIV/0!", 0x07}, {"#VALUE!", 0x0F}, {"#REF!", 0x17},
      {"#NAME?", 0x1D}, {"#NUM!", 0x24},   {"#N/A", 0x2A},
  };
  for (const auto& [name, code] : kCodes) {
    if (Trim(text) == name) return code;
  }
  return 0x2A;
}

// "B12" -> column 1, row 11 (0-based).  False for anything else.
bool ParseCellReference(std::string_view ref, std::uint32_t& row, std::uint32_t& column) {
  std::size_t i = 0;
  std::uint32_t letters = 0;
  while (i < ref.size() && i < 4) {
    char c = ref[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c < 'A' || c > 'Z') break;
    letters = letters * 26 + static_cast<std::uint32_t>(c - 'A' + 1);
    ++i;
  }
  if (i == 0) return false;
  const std::optional<std::uint32_t> number = ParseIndex(ref.substr(i));
  if (!number || *number == 0) return false;
  column = letters - 1;
  row = *number - 1;
  return true;
}

// An attribute value as expat holds it (a C string) that is nothing but a
// few digits: their number.  Anything else is left to ParseIndex.
bool PlainIndex(const char* text, std::uint32_t& value) {
  std::uint32_t number = 0;
  int i = 0;
  for (; text[i] >= '0' && text[i] <= '9'; ++i) {
    if (i == 9) return false;
    number = number * 10 + static_cast<std::uint32_t>(text[i] - '0');
  }
  if (i == 0 || text[i] != '\0') return false;
  value = number;
  return true;
}

// "B12" as a C string, the usual shape of a cell's reference; false
// leaves anything else to ParseCellReference.
bool PlainCellReference(const char* ref, std::uint32_t& row, std::uint32_t& column) {
  std::uint32_t letters = 0;
  int i = 0;
  for (; i < 3 && ref[i] >= 'A' && ref[i] <= 'Z'; ++i) letters = letters * 26 + static_cast<std::uint32_t>(ref[i] - 'A' + 1);
  std::uint32_t number = 0;
  if (i == 0 || !PlainIndex(ref + i, number) || number == 0) return false;
  column = letters - 1;
  row = number - 1;
  return true;
}

// A C string equal to word.
bool Is(const char* text, std::string_view word) {
  for (const char c : word) {
    if (*text++ != c) return false;
  }
  return *text == '\0';
}

// A part name a relationship points at, from the folder of the part that
// holds the relationship: "worksheets/sheet1.xml" from "xl/workbook.xml" is
// "xl/worksheets/sheet1.xml"; "/xl/x.xml" is "xl/x.xml".
std::string ResolveTarget(std::string_view sourcePart, std::string_view target) {
  std::string path;
  if (!target.empty() && target.front() == '/') {
    path = std::string(target.substr(1));
  } else {
    const std::size_t slash = sourcePart.rfind('/');
    path = (slash == std::string_view::npos ? std::string() : std::string(sourcePart.substr(0, slash + 1))) +
           std::string(target);
  }
  std::vector<std::string> segments;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string segment = path.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string joined;
  for (const std::string& segment : segments) {
    if (!joined.empty()) joined += '/';
    joined += segment;
  }
  return joined;
}

std::string RelationshipsPart(std::string_view part) {
  const std::size_t slash = part.rfind('/');
  const std::string_view folder = slash == std::string_view::npos ? std::string_view() : part.substr(0, slash + 1);
  const std::string_view file = slash == std::string_view::npos ? part : part.substr(slash + 1);
  return std::string(folder) + "_rels/" + std::string(file) + ".rels";
}

struct TRelationship {
  std::string id, type, target;
};

class TRelationshipsHandler : public TXmlHandler {
 public:
  std::vector<TRelationship> relationships;

  void StartElement(std::string_view name, const TXmlAttributes& attributes) override {
    if (name != "Relationship" || attributes.Get("TargetMode") == "External") return;
    relationships.push_back({std::string(attributes.Get("Id")), std::string(attributes.Get("Type")),
                             std::string(attributes.Get("Target"))});
  }
  void EndElement(std::string_view) override {}
  void Text(std::string_view) override {}
};

// The relationships of a part; none when the package has no file for them.
std::vector<TRelationship> ReadRelationships(const TZipPackage& package, std::string_view part) {
  const std::string relsPart = RelationshipsPart(part);
  if (!package.Has(relsPart)) return {};
  TRelationshipsHandler handler;
  detail::ParseXmlPart(package, relsPart, kMaxSmallPartBytes, handler);
  return std::move(handler.relationships);
}

const TRelationship* FindByType(const std::vector<TRelationship>& relationships, std::string_view typeEnd) {
  for (const TRelationship& relationship : relationships) {
    if (EndsWith(relationship.type, typeEnd)) return &relationship;
  }
  return nullptr;
}

class TWorkbookHandler : public TXmlHandler {
 public:
  struct TSheet {
    std::string name, relationshipId;
  };
  std::vector<TSheet> sheets;
  bool dates1904 = false;

  void StartElement(std::string_view name, const TXmlAttributes& attributes) override {
    if (name == "sheet") {
      sheets.push_back({std::string(attributes.Get("name")), std::string(attributes.Get("id"))});
    } else if (name == "workbookPr") {
      dates1904 = IsTrue(attributes.Get("date1904"));
    }
  }
  void EndElement(std::string_view) override {}
  void Text(std::string_view) override {}
};

// Which cell formats show dates: the number format of each entry of
// cellXfs, custom formats first, built-in ones by their number.
class TStylesHandler : public TXmlHandler {
 public:
  std::map<std::uint32_t, bool> customIsDate;
  std::vector<std::uint32_t> cellFormatNumbers;

  void StartElement(std::string_view name, const TXmlAttributes& attributes) override {
    if (name == "numFmt") {
      const std::optional<std::uint32_t> id = ParseIndex(attributes.Get("numFmtId"));
      if (id) customIsDate[*id] = detail::IsDateFormatCode(attributes.Get("formatCode"));
    } else if (name == "cellXfs") {
      inCellXfs_ = true;
    } else if (name == "xf" && inCellXfs_) {
      cellFormatNumbers.push_back(ParseIndex(attributes.Get("numFmtId")).value_or(0));
    }
  }
  void EndElement(std::string_view name) override {
    if (name == "cellXfs") inCellXfs_ = false;
  }
  void Text(std::string_view) override {}

 private:
  bool inCellXfs_ = false;
};

// Collects the texts of <t> elements, outside phonetic guides (<rPh>): a
// rich text's runs are joined.
class TRunTextCollector {
 public:
  void Start(std::string_view name, bool& wantsText) {
    if (name == "rPh") ++phonetic_;
    if (name == "t" && phonetic_ == 0) wantsText = true;
  }
  void End(std::string_view name, bool& wantsText) {
    if (name == "rPh" && phonetic_ > 0) --phonetic_;
    if (name == "t") wantsText = false;
  }
  void Reset() { phonetic_ = 0; }
  bool Idle() const { return phonetic_ == 0; }

 private:
  int phonetic_ = 0;
};

// The texts of a piece of the shared strings parsed before the pieces
// ahead of it are in.
class TTextList {
 public:
  void Add(std::string_view text) {
    texts_.append(text);
    ends_.push_back(texts_.size());
  }
  void PlayInto(TTextPool& pool) const {
    std::size_t start = 0;
    for (const std::size_t end : ends_) {
      pool.Add(std::string_view(texts_).substr(start, end - start));
      start = end;
    }
  }

 private:
  std::string texts_;
  std::vector<std::size_t> ends_;
};

// Where a handler stands in a part read in pieces (see ReadInPieces): the
// element depth, the lowest depth a piece went down to, the depth every
// piece begins and ends at, and where the last element end that may close
// a piece was.  A handler calls Entered and Left for every element and
// NoteEnd at an element end a piece may stop after; whether nothing else
// is open there is the handler's own to say (settled below).
class TPieceBounds {
 public:
  void Watch(const detail::TXmlStream* stream) { stream_ = stream; }
  void Entered() { ++depth_; }
  void Left() {
    --depth_;
    if (depth_ < lowest_) lowest_ = depth_;
  }
  void NoteEnd() {
    if (stream_ != nullptr) lastEnd_ = stream_->EventEnd();
  }
  // The last noted element end is where the fed bytes end.
  bool EndsAt(std::uint64_t fed) const { return lastEnd_ == fed; }
  // After the head: its depth becomes that of every piece.
  bool TakeBase(bool settled) {
    if (!settled) return false;
    baseDepth_ = depth_;
    return true;
  }
  void BeginPiece() { lowest_ = depth_; }
  // The piece left the parser where it began, never higher up.
  bool EndedPiece(bool settled) const { return depth_ == baseDepth_ && lowest_ >= baseDepth_ && settled; }

 private:
  const detail::TXmlStream* stream_ = nullptr;
  long depth_ = 0, lowest_ = 0, baseDepth_ = -1;
  std::uint64_t lastEnd_ = UINT64_MAX;
};

// The shared strings.  Read in pieces (see ReadInPieces) like a worksheet:
// a piece has to end right after an element end outside any item, at the
// depth it began at.
class TSharedStringsHandler : public TXmlHandler {
 public:
  TSharedStringsHandler() = default;

  // Where the texts go: into the pool, into a list, or (neither) nowhere.
  void SendTo(TTextPool* pool, TTextList* list) {
    pool_ = pool;
    list_ = list;
  }
  void Watch(const detail::TXmlStream* stream) { bounds_.Watch(stream); }
  bool TakeBase(std::uint64_t fed) { return bounds_.TakeBase(Settled(fed)); }
  void BeginPiece() { bounds_.BeginPiece(); }
  bool EndedPiece(std::uint64_t fed) const { return bounds_.EndedPiece(Settled(fed)); }

  void StartElement(std::string_view name, const TXmlAttributes& attributes) override {
    bounds_.Entered();
    if (name == "si") {
      inItem_ = true;
      text_.clear();
      runs_.Reset();
    } else if (name == "sst") {
      // The count is only a claim; a text takes at least a dozen bytes.
      const std::optional<std::uint32_t> unique = ParseIndex(attributes.Get("uniqueCount"));
      if (unique && pool_ != nullptr) pool_->Reserve(std::min<std::size_t>(*unique, std::size_t{1} << 20), 0);
    } else if (inItem_) {
      runs_.Start(name, wantsText_);
    }
  }
  void EndElement(std::string_view name) override {
    bounds_.Left();
    if (name == "si") {
      DecodeEscapes(text_);
      if (pool_ != nullptr) pool_->Add(text_);
      else if (list_ != nullptr) list_->Add(text_);
      inItem_ = false;
      wantsText_ = false;
    } else if (inItem_) {
      runs_.End(name, wantsText_);
    }
    if (!inItem_) bounds_.NoteEnd();
  }
  void Text(std::string_view text) override { text_.append(text); }

 private:
  bool Settled(std::uint64_t fed) const { return !inItem_ && bounds_.EndsAt(fed) && !wantsText_ && runs_.Idle(); }

  TTextPool* pool_ = nullptr;
  TTextList* list_ = nullptr;
  TPieceBounds bounds_;
  TRunTextCollector runs_;
  std::string text_;
  bool inItem_ = false;
};

[[noreturn]] void TooManyCells() {
  throw TDamagedPackage(FormatMessage("a worksheet holds more than %d cells", {static_cast<long long>(kXlsxMaxCells)}));
}

// The cells of a piece of a worksheet parsed before the pieces ahead of it
// are in, kept in arrival order and handed to the builder when their turn
// comes.
class TCellList {
 public:
  void Touch(std::uint32_t row, std::uint32_t column) { ops_.push_back({row, column, 0, 0, 0, Op::Touch, {}}); }
  void Value(std::uint32_t row, std::uint32_t column, TCellKind kind, double value) {
    ops_.push_back({row, column, 0, 0, value, Op::Value, kind});
  }
  void Shared(std::uint32_t row, std::uint32_t column, std::uint32_t index) {
    ops_.push_back({row, column, index, 0, 0, Op::Shared, {}});
  }
  void Own(std::uint32_t row, std::uint32_t column, std::string_view text) {
    ops_.push_back({row, column, static_cast<std::uint32_t>(texts_.size()), static_cast<std::uint32_t>(text.size()), 0,
                    Op::Own, {}});
    texts_.append(text);
  }

  // Adds the cells as the sheet's handler would have added them itself,
  // the cell limit checked before each as it is there.
  void PlayInto(detail::TWorksheetBuilder& builder) const {
    for (const TOp& op : ops_) {
      if (builder.CellCount() >= kXlsxMaxCells) TooManyCells();
      switch (op.op) {
        case Op::Touch: builder.Touch(op.row, op.column); break;
        case Op::Value: builder.AddValue(op.row, op.column, op.kind, op.number); break;
        case Op::Shared: builder.AddSharedText(op.row, op.column, op.a); break;
        case Op::Own: builder.AddOwnText(op.row, op.column, std::string_view(texts_).substr(op.a, op.b)); break;
      }
    }
  }

 private:
  enum class Op : std::uint8_t { Touch, Value, Shared, Own };
  struct TOp {
    std::uint32_t row, column;
    std::uint32_t a, b;  // shared text index; own text offset and length
    double number;
    Op op;
    TCellKind kind;
  };
  std::vector<TOp> ops_;
  std::string texts_;
};

// The cells of one worksheet, as its XML streams past.
//
// For a worksheet read in pieces on two parsers (see ReadInPieces) the
// handler also says whether a piece left it exactly as it found it: the
// piece ended right after an element end within the sheet data, at the
// depth it began at, with no cell, value or text open.  A piece after the
// first has to begin with a row that names its number, as it cannot know
// the row before it.
class TSheetHandler : public TXmlHandler {
 public:
  // Thrown for a piece that cannot be read without the pieces before it.
  struct TNeedsWholeSheet {};

  TSheetHandler(const TTextPool& sharedStrings, const std::vector<bool>& dateStyles, bool dates1904)
      : sharedStrings_(sharedStrings), dateStyles_(dateStyles), dates1904_(dates1904) {}

  // Where the cells go: into the builder, into a list, or (neither) nowhere.
  void SendTo(detail::TWorksheetBuilder* builder, TCellList* list) {
    builder_ = builder;
    list_ = list;
  }
  // The parser whose events arrive, for their positions in a piece.
  void Watch(const detail::TXmlStream* stream) { bounds_.Watch(stream); }

  // After the first piece: true when it ended at a place where the sheet can
  // be cut, which becomes the depth every later piece begins and ends at.
  bool TakeBase(std::uint64_t fed) { return bounds_.TakeBase(Settled(fed)); }
  void BeginPiece() {
    bounds_.BeginPiece();
    needsRowNumber_ = true;
  }
  bool EndedPiece(std::uint64_t fed) const { return bounds_.EndedPiece(Settled(fed)); }

  void StartElement(std::string_view name, const TXmlAttributes& attributes) override {
    bounds_.Entered();
    switch (state_) {
      case State::Outside:
        if (name == "sheetData") state_ = State::Data;
        return;
      case State::Data:
        if (name == "row") StartRow(attributes);
        else if (name == "c") StartCell(attributes);
        return;
      case State::Cell:
        if (name == "v") {
          value_.clear();
          wantsText_ = true;
        } else if (name == "is") {
          value_.clear();
          inline_ = true;
          runs_.Reset();
        } else if (inline_) {
          runs_.Start(name, wantsText_);
        }
        return;
    }
  }

  void EndElement(std::string_view name) override {
    bounds_.Left();
    if (state_ == State::Cell) {
      if (name == "c") {
        EndCell();
        state_ = State::Data;
      } else if (name == "v") {
        wantsText_ = false;
        hasValue_ = true;
      } else if (name == "is") {
        inline_ = false;
        hasValue_ = true;
      } else if (inline_) {
        runs_.End(name, wantsText_);
      }
    } else if (state_ == State::Data) {
      if (name == "sheetData") {
        state_ = State::Outside;
      } else {
        bounds_.NoteEnd();
      }
    }
  }

  void Text(std::string_view text) override { value_.append(text); }

 private:
  enum class State { Outside, Data, Cell };

  [[noreturn]] static void Damaged(const std::string& reason) { throw TDamagedPackage(reason); }

  // Nothing open that the next bytes could continue: the last event, the
  // end of an element inside the sheet data, ended where the bytes did.
  bool Settled(std::uint64_t fed) const {
    return state_ == State::Data && bounds_.EndsAt(fed) && !wantsText_ && !inline_ && runs_.Idle();
  }

  void StartRow(const TXmlAttributes& attributes) {
    const std::string_view r = attributes.Get("r");
    if (r.empty()) {
      if (needsRowNumber_) throw TNeedsWholeSheet();
      row_ = rowSeen_ ? row_ + 1 : 0;
    } else {
      const std::optional<std::uint32_t> number = ParseIndex(r);
      if (!number || *number == 0) Damaged("a row has a number that is not one");
      row_ = *number - 1;
    }
    needsRowNumber_ = false;
    if (row_ >= kXlsxMaxRows) Damaged("a row lies beyond the last row of a worksheet");
    rowSeen_ = true;
    column_ = UINT32_MAX;  // the next cell without a reference is the first
  }

  void StartCell(const TXmlAttributes& attributes) {
    if (needsRowNumber_) throw TNeedsWholeSheet();
    state_ = State::Cell;
    type_ = CellType::Number;
    style_ = 0;
    hasValue_ = false;
    inline_ = false;
    value_.clear();
    if (!rowSeen_) {  // a cell outside any row
      rowSeen_ = true;
      row_ = 0;
    }
    static const char kNone[] = "";
    const char *ref = kNone, *type = kNone, *style = kNone;
    attributes.ForEachRaw([&](std::string_view name, const char* value) {
      if (name.size() != 1) return;
      switch (name[0]) {
        case 'r': ref = value; break;
        case 't': type = value; break;
        case 's': style = value; break;
        default: break;
      }
    });
    if (*ref == '\0') {
      column_ = column_ == UINT32_MAX ? 0 : column_ + 1;
    } else if (!PlainCellReference(ref, row_, column_) && !ParseCellReference(ref, row_, column_)) {
      Damaged(FormatMessage("a cell has the reference \"%s\", which names no cell", {std::string_view(ref)}));
    }
    if (row_ >= kXlsxMaxRows) Damaged("a cell lies beyond the last row of a worksheet");
    if (column_ >= kXlsxMaxColumns) Damaged("a cell lies beyond the last column of a worksheet");
    if (*type != '\0') {
      if (Is(type, "s")) type_ = CellType::Shared;
      else if (Is(type, "str")) type_ = CellType::Formula;
      else if (Is(type, "inlineStr")) type_ = CellType::Inline;
      else if (Is(type, "b")) type_ = CellType::Boolean;
      else if (Is(type, "e")) type_ = CellType::Error;
      else if (Is(type, "d")) type_ = CellType::Date;
    }
    if (*style != '\0' && !PlainIndex(style, style_)) style_ = ParseIndex(style).value_or(0);
  }

  void Touch() {
    if (builder_ != nullptr) builder_->Touch(row_, column_);
    else list_->Touch(row_, column_);
  }
  void AddValue(TCellKind kind, double value) {
    if (builder_ != nullptr) builder_->AddValue(row_, column_, kind, value);
    else list_->Value(row_, column_, kind, value);
  }

  void EndCell() {
    if (builder_ == nullptr && list_ == nullptr) return;
    if (builder_ != nullptr && builder_->CellCount() >= kXlsxMaxCells) TooManyCells();
    if (!hasValue_) return Touch();
    switch (type_) {
      case CellType::Shared: {
        const std::optional<std::uint32_t> index = ParseIndex(value_);
        if (!index || *index >= sharedStrings_.Count()) Damaged("a cell refers to a shared text that does not exist");
        if (builder_ != nullptr) return builder_->AddSharedText(row_, column_, *index);
        return list_->Shared(row_, column_, *index);
      }
      case CellType::Formula:
      case CellType::Inline:
        DecodeEscapes(value_);
        if (builder_ != nullptr) return builder_->AddOwnText(row_, column_, value_);
        return list_->Own(row_, column_, value_);
      case CellType::Boolean: {
        const std::string_view v = Trim(value_);
        return AddValue(TCellKind::ckBoolean, v == "1" || v == "true" ? 1 : 0);
      }
      case CellType::Error:
        return AddValue(TCellKind::ckError, ErrorCode(value_));
      case CellType::Date: {
        if (Trim(value_).empty()) return Touch();
        const std::optional<double> days = ParseIsoDateTime(value_);
        if (!days) Damaged(FormatMessage("a date cell holds \"%s\", which is not a date", {value_}));
        return AddValue(TCellKind::ckDateTime, *days);
      }
      case CellType::Number: {
        if (Trim(value_).empty()) return Touch();
        std::optional<double> number = ParseNumber(value_);
        if (!number) Damaged(FormatMessage("a number cell holds \"%s\", which is not a number", {value_}));
        if (style_ < dateStyles_.size() && dateStyles_[style_]) return AddValue(TCellKind::ckDateTime, DayCount(*number));
        return AddValue(TCellKind::ckNumber, *number);
      }
    }
  }

  // The usual day count (from 30 December 1899) of a date cell's number.
  // 1904-based numbers are shifted by the four years between the two
  // starts.  1900-based numbers count a 29 February 1900 that never was (day
  // 60), so only from 61 (1 March 1900) on do they equal the day count; 1 to
  // 60 are one short of it.  Below 1 a number is a time of day without a
  // date.
  double DayCount(double number) const {
    if (dates1904_) return number + k1904Offset;
    return number >= 1 && number < 61 ? number + 1 : number;
  }

  enum class CellType { Number, Shared, Formula, Inline, Boolean, Error, Date };

  detail::TWorksheetBuilder* builder_ = nullptr;
  TCellList* list_ = nullptr;
  const TTextPool& sharedStrings_;
  const std::vector<bool>& dateStyles_;
  const bool dates1904_;
  TPieceBounds bounds_;
  TRunTextCollector runs_;
  State state_ = State::Outside;
  std::uint32_t row_ = 0, column_ = UINT32_MAX;
  bool rowSeen_ = false;
  CellType type_ = CellType::Number;
  std::uint32_t style_ = 0;
  bool hasValue_ = false;
  bool inline_ = false;
  std::string value_;
  bool needsRowNumber_ = false;  // a piece after the first has not yet named its row
};

// ---- Reading a large part on two parsers
//
// Expat takes most of the time a worksheet takes to read, and one parser
// cannot be spread over two cores.  So the inflated XML is cut into pieces
// of whole rows (after a row's end tag; of whole items for the shared
// strings), and two parsers take the pieces in turn, each parser having
// first read the same head of the part.  Within a piece the events are the
// ones a single parser would deliver, as long as the piece leaves the parser
// as it found it, which the handler checks; what each piece found is then
// added in the order of the pieces.  Whatever the check, the XML or the
// package finds wrong, the part is read again with one parser, which decides
// what the reader returns or raises.

// Pieces are about this big; a piece without a cut in eight times that many
// bytes ends the splitting, and the rest is read by one parser.
constexpr std::size_t kPieceBytes = std::size_t{256} << 10;
constexpr std::size_t kLargestPiece = 8 * kPieceBytes;
constexpr std::size_t kPartRead = std::size_t{128} << 10;
// Pieces waiting for the second parser, and pieces read but not yet added.
constexpr std::size_t kQueuedPieces = 2;
constexpr std::size_t kPiecesAhead = 8;

// Where bytes can be cut: just past the last end tag of that local name
// ("</row>", "</x:row>").  0 when there is none.
std::size_t LastEndTag(const char* data, std::size_t size, std::string_view local) {
  const std::size_t length = local.size();
  for (std::size_t end = size; end >= length + 3; --end) {
    if (data[end - 1] != '>' || std::string_view(data + end - 1 - length, length) != local) continue;
    const std::size_t name = end - 1 - length;
    if (data[name - 1] == '/' && data[name - 2] == '<') return end;
    if (data[name - 1] != ':') continue;
    // A prefix: name characters back to "</".
    for (std::size_t at = name - 1; at > 1 && name - at < 32; --at) {
      const char c = data[at - 1];
      if (c == '/') {
        if (data[at - 2] == '<' && at < name - 1) return end;
        break;
      }
      if (c == '<' || c == '>' || c == ' ' || c == '"' || c == '\'' || c == '\n' || c == '\r' || c == '\t') break;
    }
  }
  return 0;
}

struct TPiece {
  std::vector<char> bytes;
  bool cut = false;   // ends just past the end tag
  bool last = false;  // the end of the part
};

// Inflates a part into pieces that end after an end tag of one name.
class TPieceCutter {
 public:
  TPieceCutter(detail::TPartReader& part, std::string_view endTag) : part_(part), endTag_(endTag) {}

  void Next(TPiece& piece) {
    piece.bytes.swap(carry_);
    carry_.clear();
    piece.cut = false;
    piece.last = false;
    std::size_t searched = 0;  // bytes already known to hold no cut
    for (;;) {
      while (!ended_ && piece.bytes.size() < std::max(kPieceBytes, searched + kPartRead)) Read(piece.bytes);
      if (ended_ && piece.bytes.size() <= kPieceBytes) {
        piece.last = true;
        return;
      }
      const std::size_t from = searched > 8 ? searched - 8 : 0;  // a tag may straddle
      const std::size_t cut = LastEndTag(piece.bytes.data() + from, piece.bytes.size() - from, endTag_);
      if (cut != 0) {
        carry_.assign(piece.bytes.begin() + static_cast<std::ptrdiff_t>(from + cut), piece.bytes.end());
        piece.bytes.resize(from + cut);
        piece.cut = true;
        piece.last = ended_ && carry_.empty();
        return;
      }
      searched = piece.bytes.size();
      if (ended_) {
        piece.last = true;
        return;
      }
      if (piece.bytes.size() >= kLargestPiece) return;  // neither cut nor last
    }
  }

 private:
  void Read(std::vector<char>& bytes) {
    const std::size_t size = bytes.size();
    bytes.resize(size + kPartRead);
    const std::size_t got = part_.Read(bytes.data() + size, kPartRead);
    bytes.resize(size + got);
    if (got == 0) ended_ = true;
  }

  detail::TPartReader& part_;
  const std::string_view endTag_;
  std::vector<char> carry_;
  bool ended_ = false;
};

// The second parser, on a thread of its own: reads the head without keeping
// what it finds, then each piece it is given into a list (of cells, of
// texts).
template <class THandler, class TList>
class TPieceWorker {
 public:
  TPieceWorker(std::unique_ptr<THandler> handler, std::shared_ptr<const TPiece> head)
      : handlerOwned_(std::move(handler)), handler_(*handlerOwned_), stream_(handler_), head_(std::move(head)) {
    handler_.Watch(&stream_);
    thread_ = std::thread([this] { Run(); });
  }
  TPieceWorker(const TPieceWorker&) = delete;
  TPieceWorker& operator=(const TPieceWorker&) = delete;
  ~TPieceWorker() {
    {
      const std::lock_guard lock(mutex_);
      closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  std::mutex& Mutex() { return mutex_; }
  std::condition_variable& Changed() { return changed_; }
  // With the mutex held:
  bool Failed() const { return failed_; }
  bool CanTake() const { return jobs_.size() < kQueuedPieces; }
  bool Idle() const { return jobs_.empty() && !busy_; }
  void Give(std::size_t index, TPiece piece) { jobs_.push_back({index, std::move(piece)}); }
  // Cells of finished pieces, by piece number; the main thread adds its own.
  std::map<std::size_t, TList>& Finished() { return finished_; }

 private:
  struct TJob {
    std::size_t index;
    TPiece piece;
  };

  void Run() {
    handler_.SendTo(nullptr, nullptr);
    bool ok = stream_.Parse(head_->bytes.data(), head_->bytes.size(), false) && handler_.TakeBase(stream_.BytesFed());
    head_.reset();
    std::unique_lock lock(mutex_);
    for (;;) {
      if (!ok) {
        failed_ = true;
        changed_.notify_all();
        return;
      }
      changed_.wait(lock, [&] { return closing_ || !jobs_.empty(); });
      if (closing_) return;
      TJob job = std::move(jobs_.front());
      jobs_.pop_front();
      busy_ = true;
      lock.unlock();
      TList cells;
      handler_.SendTo(nullptr, &cells);
      handler_.BeginPiece();
      try {
        ok = stream_.Parse(job.piece.bytes.data(), job.piece.bytes.size(), false) &&
             handler_.EndedPiece(stream_.BytesFed());
      } catch (...) {
        ok = false;
      }
      job.piece = {};
      lock.lock();
      busy_ = false;
      if (ok) finished_.emplace(job.index, std::move(cells));
      changed_.notify_all();
    }
  }

  std::unique_ptr<THandler> handlerOwned_;
  THandler& handler_;
  detail::TXmlStream stream_;
  std::shared_ptr<const TPiece> head_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<TJob> jobs_;
  std::map<std::size_t, TList> finished_;
  bool busy_ = false;
  bool failed_ = false;
  bool closing_ = false;
  std::thread thread_;
};

// Reads a part in pieces on this thread and a second one.  The handler
// sends what it finds to target; second is a handler like it for the other
// parser.  False when the part has to be read with one parser after all:
// the parsers or the package found something wrong, or the pieces could not
// be told apart.
template <class THandler, class TList, class TTarget>
bool ReadInPieces(detail::TPartReader& part, std::string_view endTag, THandler& handler,
                  std::unique_ptr<THandler> second, TTarget& target) {
  TPieceCutter cutter(part, endTag);
  detail::TXmlStream stream(handler);
  handler.Watch(&stream);
  handler.SendTo(&target, nullptr);

  // The rest of the part on this parser alone, straight into the target.
  const auto readRest = [&](TPiece& piece) {
    for (;;) {
      if (!stream.Parse(piece.bytes.data(), piece.bytes.size(), piece.last)) return false;
      if (piece.last) return true;
      cutter.Next(piece);
    }
  };

  auto head = std::make_shared<TPiece>();
  cutter.Next(*head);
  if (head->last || !head->cut) return readRest(*head);
  if (!stream.Parse(head->bytes.data(), head->bytes.size(), false)) return false;
  TPiece piece;
  cutter.Next(piece);
  if (!handler.TakeBase(stream.BytesFed())) return readRest(piece);

  TPieceWorker<THandler, TList> worker(std::move(second), std::move(head));
  std::map<std::size_t, TList>& finished = worker.Finished();
  std::size_t nextToAdd = 1;  // the head's are in
  // Adds what the pieces whose turn it is found.  With the lock held.
  const auto addFinished = [&] {
    for (auto found = finished.find(nextToAdd); found != finished.end(); found = finished.find(nextToAdd)) {
      found->second.PlayInto(target);
      finished.erase(found);
      ++nextToAdd;
    }
  };
  for (std::size_t index = 1;; ++index) {
    std::unique_lock lock(worker.Mutex());
    if (!piece.cut || piece.last) {
      // The last piece, or one that could not be cut: the rest is read here
      // once every piece before it is in.
      worker.Changed().wait(lock, [&] { return worker.Failed() || worker.Idle(); });
      if (worker.Failed()) return false;
      addFinished();
      if (nextToAdd != index) return false;
      lock.unlock();
      handler.SendTo(&target, nullptr);
      handler.BeginPiece();
      return readRest(piece);
    }
    worker.Changed().wait(lock, [&] {
      addFinished();
      return worker.Failed() || index - nextToAdd < kPiecesAhead;
    });
    if (worker.Failed()) return false;
    if (worker.CanTake()) {
      worker.Give(index, std::move(piece));
      lock.unlock();
      worker.Changed().notify_all();
    } else {
      lock.unlock();
      TList found;
      handler.SendTo(nullptr, &found);
      handler.BeginPiece();
      if (!stream.Parse(piece.bytes.data(), piece.bytes.size(), false) || !handler.EndedPiece(stream.BytesFed())) {
        return false;
      }
      lock.lock();
      finished.emplace(index, std::move(found));
      addFinished();
      lock.unlock();
    }
    piece = {};
    cutter.Next(piece);
  }
}

// Whether a part is worth reading in pieces on two threads.
bool TwoThreads() { return std::thread::hardware_concurrency() > 1; }

std::string JoinQuoted(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& name : names) {
    if (!out.empty()) out += ", ";
    out += "\"" + name + "\"";
  }
  return out;
}

}  // namespace

std::string TXlsxReader::FindWorkbookPart(const TZipPackage& package) {
  const std::vector<TRelationship> relationships = ReadRelationships(package, "");
  if (const TRelationship* document = FindByType(relationships, kOfficeDocumentType)) {
    const std::string part = ResolveTarget("", document->target);
    if (package.Has(part)) return part;
  }
  return package.Has("xl/workbook.xml") ? "xl/workbook.xml" : std::string();
}

TXlsxReader::TXlsxReader(TZipPackage package, std::string workbookPart, std::string displayName)
    : package_(std::move(package)), workbookPart_(std::move(workbookPart)), displayName_(std::move(displayName)),
      sharedStrings_(std::make_shared<TTextPool>()) {
  try {
    ReadWorkbook();
  } catch (const TDamagedPackage& e) {
    Damaged(e.what());
  }
}

void TXlsxReader::Damaged(const std::string& reason) const {
  throw TabrinError(FormatMessage("'%s' is damaged and cannot be read: %s", {displayName_, reason}));
}

void TXlsxReader::ReadWorkbook() {
  TWorkbookHandler workbook;
  detail::ParseXmlPart(package_, workbookPart_, kMaxSmallPartBytes, workbook);
  dates1904_ = workbook.dates1904;
  const std::vector<TRelationship> relationships = ReadRelationships(package_, workbookPart_);
  for (const TWorkbookHandler::TSheet& sheet : workbook.sheets) {
    const auto found = std::find_if(relationships.begin(), relationships.end(),
                                    [&](const TRelationship& r) { return r.id == sheet.relationshipId; });
    // Chart sheets, dialog sheets and macro sheets hold no cells to read.
    if (found == relationships.end() || !EndsWith(found->type, kWorksheetType)) continue;
    sheets_.push_back({sheet.name, ResolveTarget(workbookPart_, found->target)});
  }

  const TRelationship* styles = FindByType(relationships, kStylesType);
  if (styles != nullptr && package_.Has(ResolveTarget(workbookPart_, styles->target))) {
    TStylesHandler handler;
    detail::ParseXmlPart(package_, ResolveTarget(workbookPart_, styles->target), kMaxSmallPartBytes, handler);
    dateStyles_.reserve(handler.cellFormatNumbers.size());
    for (const std::uint32_t number : handler.cellFormatNumbers) {
      const auto custom = handler.customIsDate.find(number);
      dateStyles_.push_back(custom != handler.customIsDate.end()
                                ? custom->second
                                : number <= 0xFFFF && detail::IsBuiltInDateFormat(static_cast<std::uint16_t>(number)));
    }
  }

  const TRelationship* strings = FindByType(relationships, kSharedStringsType);
  if (strings != nullptr) {
    const std::string part = ResolveTarget(workbookPart_, strings->target);
    if (TwoThreads()) {
      try {
        const std::unique_ptr<detail::TPartReader> reader = package_.Open(part, kMaxStringsPartBytes);
        TSharedStringsHandler handler;
        if (ReadInPieces<TSharedStringsHandler, TTextList>(*reader, "si", handler,
                                                           std::make_unique<TSharedStringsHandler>(), *sharedStrings_)) {
          return;
        }
      } catch (...) {
        // Read again below, where what is wrong is told as it always was.
      }
      *sharedStrings_ = TTextPool();
    }
    TSharedStringsHandler handler;
    handler.SendTo(sharedStrings_.get(), nullptr);
    detail::ParseXmlPart(package_, part, kMaxStringsPartBytes, handler);
  }
}

std::vector<std::string> TXlsxReader::SheetNames() const {
  std::vector<std::string> names;
  for (const TSheetEntry& sheet : sheets_) names.push_back(sheet.name);
  return names;
}

TWorksheet TXlsxReader::ReadSheet(std::string_view name) const {
  const auto entry = std::find_if(sheets_.begin(), sheets_.end(),
                                  [&](const TSheetEntry& sheet) { return SameNameIgnoringCase(sheet.name, name); });
  if (entry == sheets_.end()) {
    if (sheets_.empty()) {
      throw TabrinError(FormatMessage("'%s' has no sheet \"%s\"; it has no worksheets at all", {displayName_, name}));
    }
    throw TabrinError(
        FormatMessage("'%s' has no sheet \"%s\"; its sheets are %s", {displayName_, name, JoinQuoted(SheetNames())}));
  }
  if (TwoThreads()) {
    try {
      if (std::optional<TWorksheet> sheet = ReadSheetInPieces(entry->name, entry->part)) return std::move(*sheet);
    } catch (...) {
      // Read again below, where what is wrong is told as it always was.
    }
  }
  detail::TWorksheetBuilder builder(entry->name, sharedStrings_);
  TSheetHandler handler(*sharedStrings_, dateStyles_, dates1904_);
  handler.SendTo(&builder, nullptr);
  try {
    detail::ParseXmlPart(package_, entry->part, kMaxSheetPartBytes, handler);
  } catch (const TDamagedPackage& e) {
    Damaged(e.what());
  }
  return builder.Finish();
}

// Empty when the sheet has to be read with one parser after all.
std::optional<TWorksheet> TXlsxReader::ReadSheetInPieces(const std::string& name, const std::string& partName) const {
  const std::unique_ptr<detail::TPartReader> part = package_.Open(partName, kMaxSheetPartBytes);
  detail::TWorksheetBuilder builder(name, sharedStrings_);
  TSheetHandler handler(*sharedStrings_, dateStyles_, dates1904_);
  if (!ReadInPieces<TSheetHandler, TCellList>(
          *part, "row", handler, std::make_unique<TSheetHandler>(*sharedStrings_, dateStyles_, dates1904_), builder)) {
    return std::nullopt;
  }
  return builder.Finish();
}

}  // namespace tabrin
