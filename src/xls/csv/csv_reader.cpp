#include "xls/csv/csv_reader.h"

#include <array>
#include <memory>

#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"
#include "xls/model/worksheet_builder.h"

namespace tabrin {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
// The separator is looked for in this many lines at the start of the file.
constexpr int kSeparatorLines = 20;
// Text is checked or converted a piece of about this size at a time.
constexpr std::size_t kPiece = std::size_t{1} << 20;

std::optional<TTextEncoding> BomEncoding(std::string_view bytes) {
  if (bytes.substr(0, 3) == kUtf8Bom) return TTextEncoding::teUtf8Bom;
  if (bytes.substr(0, 2) == kUtf16LeBom) return TTextEncoding::teUtf16Le;
  if (bytes.substr(0, 2) == kUtf16BeBom) return TTextEncoding::teUtf16Be;
  return std::nullopt;
}

bool IsUtf16(TTextEncoding encoding) {
  return encoding == TTextEncoding::teUtf16Le || encoding == TTextEncoding::teUtf16Be;
}

// The bytes after a byte-order mark of the encoding, if they start with one.
std::string_view WithoutBom(std::string_view bytes, TTextEncoding encoding) {
  const std::optional<TTextEncoding> bom = BomEncoding(bytes);
  if (!bom) return bytes;
  const bool utf8 = encoding == TTextEncoding::teUtf8 || encoding == TTextEncoding::teUtf8Bom;
  if (utf8 && *bom == TTextEncoding::teUtf8Bom) return bytes.substr(kUtf8Bom.size());
  if (*bom == encoding) return bytes.substr(2);
  return bytes;
}

std::string Utf16Text(std::string_view bytes, bool bigEndian) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
  }
  return Utf16ToUtf8(units);
}

// The separator the first lines of text (UTF-8, or any encoding whose
// multi-byte characters hold no byte below 0x40, as Big5's do not) use most
// outside quotes; a tie goes to the earlier of comma, tab, semicolon.
char FindSeparator(std::string_view text) {
  std::array<int, 3> counts{};
  constexpr std::array<char, 3> kCandidates = {',', '\t', ';'};
  bool quoted = false;
  int lines = 0;
  for (const char c : text) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n' && ++lines == kSeparatorLines) break;
    for (std::size_t i = 0; i < kCandidates.size(); ++i) counts[i] += c == kCandidates[i];
  }
  std::size_t best = 0;
  for (std::size_t i = 1; i < counts.size(); ++i) {
    if (counts[i] > counts[best]) best = i;
  }
  return kCandidates[best];
}

// The 1-based line of a byte of text in an encoding whose line breaks are
// single bytes: CRLF, LF and CR each end one line.
int LineOfByte(std::string_view bytes, std::size_t at) {
  int line = 1;
  for (std::size_t i = 0; i < at && i < bytes.size(); ++i) {
    if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))) ++line;
  }
  return line;
}

std::string HexByte(unsigned char byte) {
  constexpr std::string_view kDigits = "0123456789ABCDEF";
  return {'0', 'x', kDigits[byte >> 4], kDigits[byte & 0xF]};
}

[[noreturn]] void Unreadable(const std::string& displayName, std::string_view bytes, std::size_t at,
                             TTextEncoding encoding) {
  throw TabrinError(FormatMessage(Tr("'%s', line %d: byte %s cannot be read as %s text"),
                                  {displayName, LineOfByte(bytes, at), HexByte(static_cast<unsigned char>(bytes[at])),
                                   TextEncodingName(encoding)}));
}

// Splits UTF-8 text into fields and lines as it comes, piece by piece, into
// the cells of a sheet.
class TCsvParser {
 public:
  TCsvParser(char separator, const std::string& displayName, detail::TWorksheetBuilder& cells)
      : separator_(separator), displayName_(displayName), cells_(cells) {}

  void Feed(std::string_view text) {
    const char* at = text.data();
    const char* const end = at + text.size();
    while (at < end) {
      const char c = *at++;
      if (skipLineFeed_) {
        skipLineFeed_ = false;
        if (c == '\n') continue;
      }
      switch (state_) {
        case TState::stFieldStart:
          if (c == '"') {
            state_ = TState::stQuoted;
            quoteLine_ = line_;
          } else if (!Ends(c)) {
            field_ += c;
            state_ = TState::stUnquoted;
          }
          break;
        case TState::stUnquoted:
          if (!Ends(c)) {
            field_ += c;
            at = TakeRun(at, end, false);
          }
          break;
        case TState::stQuoted:
          if (c == '"') {
            state_ = TState::stQuoteSeen;
            previousCr_ = false;
          } else {
            CountLine(c);
            field_ += c;
            at = TakeRun(at, end, true);
          }
          break;
        case TState::stQuoteSeen:
          if (c == '"') {
            field_ += c;
            state_ = TState::stQuoted;
          } else if (!Ends(c)) {
            field_ += c;  // text after the closing quote, kept as it stands
            state_ = TState::stUnquoted;
          }
          break;
      }
    }
  }

  void Finish() {
    if (state_ == TState::stQuoted) {
      throw TabrinError(FormatMessage(Tr("'%s', line %d: a quoted field is not closed"), {displayName_, quoteLine_}));
    }
    if (state_ != TState::stFieldStart || column_ > 0) EndField();
  }

 private:
  enum class TState { stFieldStart, stUnquoted, stQuoted, stQuoteSeen };

  // Ends the field at a separator or a line break; false for any other
  // character.
  bool Ends(char c) {
    if (c == separator_) {
      EndField();
      return true;
    }
    if (c != '\r' && c != '\n') return false;
    EndField();
    ++row_;
    column_ = 0;
    ++line_;
    skipLineFeed_ = c == '\r';
    return true;
  }

  // A line break inside quotes counts as a line of the file too.
  void CountLine(char c) {
    if (c == '\n' && previousCr_) {
      previousCr_ = false;
      return;
    }
    previousCr_ = c == '\r';
    if (c == '\r' || c == '\n') ++line_;
  }

  // The characters after at that go into the field as they are, taken at once.
  const char* TakeRun(const char* at, const char* end, bool quoted) {
    const char* run = at;
    while (run < end && *run != '"' && *run != '\r' && *run != '\n' && (quoted || *run != separator_)) ++run;
    field_.append(at, static_cast<std::size_t>(run - at));
    if (field_.size() > 3 * kCsvMaxFieldUnits) TooLong();
    if (run != at) previousCr_ = false;
    return run;
  }

  void EndField() {
    state_ = TState::stFieldStart;
    if (column_ >= kCsvMaxColumns) {
      throw TabrinError(FormatMessage(Tr("'%s', line %d: more than %d fields on one line"),
                                      {displayName_, line_, kCsvMaxColumns}));
    }
    if (!field_.empty()) {
      if (field_.size() > kCsvMaxFieldUnits && Utf16Length(field_) > kCsvMaxFieldUnits) TooLong();
      cells_.AddOwnText(row_, column_, field_);
      field_.clear();
    }
    ++column_;
  }

  [[noreturn]] void TooLong() const {
    if (state_ == TState::stQuoted) {
      throw TabrinError(FormatMessage(Tr("'%s', line %d: a quoted field is not closed within %d characters"),
                                      {displayName_, quoteLine_, static_cast<int>(kCsvMaxFieldUnits)}));
    }
    throw TabrinError(FormatMessage(Tr("'%s', line %d: a field is longer than %d characters"),
                                    {displayName_, line_, static_cast<int>(kCsvMaxFieldUnits)}));
  }

  const char separator_;
  const std::string& displayName_;
  detail::TWorksheetBuilder& cells_;
  TState state_ = TState::stFieldStart;
  std::string field_;
  std::uint32_t row_ = 0;
  std::uint32_t column_ = 0;
  int line_ = 1;
  int quoteLine_ = 1;
  bool skipLineFeed_ = false;  // a CR ended the line: a LF right after it belongs to it
  bool previousCr_ = false;    // inside quotes, likewise
};

// The end of the piece of bytes that starts at from: about kPiece bytes on,
// just after a line feed (a byte inside no UTF-8 or Big5 character), or the
// end of the bytes.
std::size_t PieceEnd(std::string_view bytes, std::size_t from) {
  if (bytes.size() - from <= kPiece) return bytes.size();
  const std::size_t lineFeed = bytes.find('\n', from + kPiece);
  return lineFeed == std::string_view::npos ? bytes.size() : lineFeed + 1;
}

// Feeds the parser the text of bytes in the encoding, as UTF-8, a piece at
// a time: a file refused early is not read to its end first.
void FeedDecoded(std::string_view bytes, TTextEncoding encoding, TCsvParser& parser, const std::string& displayName) {
  switch (encoding) {
    case TTextEncoding::teUtf8:
    case TTextEncoding::teUtf8Bom:
      for (std::size_t from = 0; from < bytes.size();) {
        const std::size_t to = PieceEnd(bytes, from);
        const std::string_view piece = bytes.substr(from, to - from);
        const std::size_t bad = InvalidUtf8At(piece);
        if (bad != std::string_view::npos) Unreadable(displayName, bytes, from + bad, encoding);
        parser.Feed(piece);
        from = to;
      }
      return;
    case TTextEncoding::teBig5: {
      std::string text;
      for (std::size_t from = 0; from < bytes.size();) {
        const std::size_t to = PieceEnd(bytes, from);
        text.clear();
        const std::size_t bad = AppendBig5AsUtf8(bytes.substr(from, to - from), text);
        if (bad != std::string_view::npos) Unreadable(displayName, bytes, from + bad, encoding);
        parser.Feed(text);
        from = to;
      }
      return;
    }
    case TTextEncoding::teUtf16Le:
    case TTextEncoding::teUtf16Be: {
      if (bytes.size() % 2 != 0) Unreadable(displayName, bytes, bytes.size() - 1, encoding);
      parser.Feed(Utf16Text(bytes, encoding == TTextEncoding::teUtf16Be));
      return;
    }
  }
}

}  // namespace

TCsvLayout FindCsvLayout(std::string_view bytes, const TTextFileOptions& options) {
  TCsvLayout layout;
  if (options.encoding) {
    layout.encoding = *options.encoding;
  } else if (const std::optional<TTextEncoding> bom = BomEncoding(bytes)) {
    layout.encoding = *bom;
  } else {
    layout.encoding = IsValidUtf8(bytes) ? TTextEncoding::teUtf8 : TTextEncoding::teBig5;
  }
  if (options.separator) {
    layout.separator = *options.separator;
  } else {
    const std::string_view text = WithoutBom(bytes, layout.encoding);
    constexpr std::size_t kHead = std::size_t{64} << 10;
    layout.separator = IsUtf16(layout.encoding)
                           ? FindSeparator(Utf16Text(text.substr(0, kHead), layout.encoding == TTextEncoding::teUtf16Be))
                           : FindSeparator(text.substr(0, kHead));
  }
  return layout;
}

TWorksheet ReadCsvSheet(std::string_view bytes, const TCsvLayout& layout, std::string sheetName,
                        const std::string& displayName) {
  detail::TWorksheetBuilder cells(std::move(sheetName), std::make_shared<const TTextPool>());
  TCsvParser parser(layout.separator, displayName, cells);
  FeedDecoded(WithoutBom(bytes, layout.encoding), layout.encoding, parser, displayName);
  parser.Finish();
  return cells.Finish();
}

}  // namespace tabrin
