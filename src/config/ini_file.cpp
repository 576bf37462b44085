#include "config/ini_file.h"

#include <cctype>
#include <climits>
#include <fstream>
#include <sstream>
#include <vector>

#include "config/file_replacement.h"
#include "text/ascii.h"
#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"
#include "text/integer_text.h"
#include "text/regional.h"

namespace tabrin {

namespace {

constexpr std::size_t kMaxValueBytes = 2047;
const std::string kUtf8Bom = "\xEF\xBB\xBF";

enum class FileEncoding { Big5, Utf8, Utf8WithBom };

// The file as UTF-8 lines for finding sections and keys, beside the bytes
// of each line as they are in the file: a write replaces or inserts the
// bytes of one line and puts every other byte back unchanged (Big5 user-
// defined characters, which no conversion carries both ways, included).
struct IniText {
  bool exists = false;
  FileEncoding encoding = FileEncoding::Big5;
  std::string lineEnding = "\r\n";
  std::string bom;                    // the UTF-8 byte-order mark when the file has one
  std::vector<std::string> lines;     // UTF-8, without line ends
  std::vector<std::string> rawLines;  // the file's bytes, line ends included
};

bool ReadFileBytes(const std::string& fileName, std::string& bytes) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  bytes = buffer.str();
  return true;
}

bool HasNonAscii(std::string_view bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

IniText LoadIni(const std::string& fileName) {
  IniText ini;
  std::string bytes;
  if (!ReadFileBytes(fileName, bytes)) return ini;
  ini.exists = true;
  if (bytes.compare(0, kUtf8Bom.size(), kUtf8Bom) == 0) {
    ini.encoding = FileEncoding::Utf8WithBom;
    ini.bom = kUtf8Bom;
    bytes.erase(0, kUtf8Bom.size());
  } else if (HasNonAscii(bytes) && IsValidUtf8(bytes)) {
    ini.encoding = FileEncoding::Utf8;
  } else {
    // Plain ASCII files count as Big5: the store's other programs write Big5.
    ini.encoding = FileEncoding::Big5;
  }
  // Neither "\r" nor "\n" occurs inside a Big5 or UTF-8 character, so the
  // lines can be cut apart before they are decoded.
  const std::size_t firstNewline = bytes.find('\n');
  if (firstNewline != std::string::npos) ini.lineEnding = firstNewline > 0 && bytes[firstNewline - 1] == '\r' ? "\r\n" : "\n";
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    end = end == std::string::npos ? bytes.size() : end + 1;
    std::string raw = bytes.substr(start, end - start);
    std::string_view content = raw;
    while (!content.empty() && (content.back() == '\n' || content.back() == '\r')) content.remove_suffix(1);
    ini.lines.push_back(ini.encoding == FileEncoding::Big5 ? Big5ToUtf8(content) : std::string(content));
    ini.rawLines.push_back(std::move(raw));
    start = end;
  }
  return ini;
}

// A new line's bytes in the file's encoding, with the file's line end.
std::string EncodeLine(const IniText& ini, std::string_view line) {
  return (ini.encoding == FileEncoding::Big5 ? Utf8ToBig5(line) : std::string(line)) + ini.lineEnding;
}

bool EndsLine(std::string_view raw) { return !raw.empty() && raw.back() == '\n'; }

void InsertLine(IniText& ini, std::size_t at, std::string_view line) {
  if (at > 0 && !EndsLine(ini.rawLines[at - 1])) ini.rawLines[at - 1] += ini.lineEnding;
  ini.rawLines.insert(ini.rawLines.begin() + static_cast<long>(at), EncodeLine(ini, line));
  ini.lines.insert(ini.lines.begin() + static_cast<long>(at), std::string(line));
}

// Names and values without the blanks around them: spaces and tabs, and at
// the end carriage returns as well.
std::string_view Trim(std::string_view text) { return TrimAsciiRight(TrimAsciiLeft(text, kSpaceTab), kSpaceTabCr); }

// "[name]" gives name; any other line gives false.
bool SectionName(std::string_view line, std::string_view& name) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return false;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos) return false;
  name = Trim(line.substr(1, close - 1));
  return true;
}

bool KeyLine(std::string_view line, std::string_view& key, std::string_view& value) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';') return false;
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  key = Trim(line.substr(0, equals));
  value = Trim(line.substr(equals + 1));
  return true;
}

// Index of the section's line, or -1.
long FindSection(const IniText& ini, std::string_view section) {
  for (std::size_t i = 0; i < ini.lines.size(); ++i) {
    std::string_view name;
    if (SectionName(ini.lines[i], name) && EqualNoCaseAscii(name, section)) return static_cast<long>(i);
  }
  return -1;
}

// Index of the key's line inside the section starting at sectionLine, or -1.
long FindKey(const IniText& ini, long sectionLine, std::string_view key, std::string_view* value) {
  for (std::size_t i = static_cast<std::size_t>(sectionLine) + 1; i < ini.lines.size(); ++i) {
    std::string_view name;
    if (SectionName(ini.lines[i], name)) break;
    std::string_view k, v;
    if (KeyLine(ini.lines[i], k, v) && EqualNoCaseAscii(k, key)) {
      if (value) *value = v;
      return static_cast<long>(i);
    }
  }
  return -1;
}

std::string Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return CutToBig5Bytes(value, kMaxValueBytes);
}

std::string Serialise(const IniText& ini) {
  std::string bytes = ini.bom;
  for (const std::string& raw : ini.rawLines) bytes += raw;
  return bytes;
}

}  // namespace

bool ParseIniInteger(std::string_view text, int& value) {
  const std::optional<int> number = ParseInt32(Trim(text), TIntegerForm::ifDecimalOrHex32);
  if (!number) return false;
  value = *number;
  return true;
}

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  const IniText ini = LoadIni(fileName_);
  const long sectionLine = FindSection(ini, section);
  if (sectionLine < 0) return std::string(def);
  std::string_view value;
  if (FindKey(ini, sectionLine, key, &value) < 0) return std::string(def);
  return Unquote(value);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
  int value = def;
  return ParseIniInteger(ReadString(section, key, ""), value) ? value : def;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(std::string_view section, std::string_view key, double def) const {
  const std::string text = ReadString(section, key, "");
  if (text.empty()) return def;
  return TRegionalFormats::System().ParseFloat(text).value_or(def);
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  IniText ini = LoadIni(fileName_);
  const std::string line = std::string(key) + "=" + std::string(value);
  const long sectionLine = FindSection(ini, section);
  if (sectionLine < 0) {
    if (!ini.lines.empty() && !Trim(ini.lines.back()).empty()) InsertLine(ini, ini.lines.size(), "");
    InsertLine(ini, ini.lines.size(), "[" + std::string(section) + "]");
    InsertLine(ini, ini.lines.size(), line);
  } else if (const long keyLine = FindKey(ini, sectionLine, key, nullptr); keyLine >= 0) {
    // Only this line's bytes change; it keeps its own line end.
    std::string& raw = ini.rawLines[static_cast<std::size_t>(keyLine)];
    const std::size_t contentEnd = raw.find_last_not_of("\r\n");
    const std::string ending = contentEnd == std::string::npos ? raw : raw.substr(contentEnd + 1);
    std::string encoded = EncodeLine(ini, line);
    encoded.resize(encoded.size() - ini.lineEnding.size());
    raw = encoded + ending;
    ini.lines[static_cast<std::size_t>(keyLine)] = line;
  } else {
    // After the section's last non-blank line.
    std::size_t insertAt = static_cast<std::size_t>(sectionLine) + 1;
    for (std::size_t i = insertAt; i < ini.lines.size(); ++i) {
      std::string_view name;
      if (SectionName(ini.lines[i], name)) break;
      if (!Trim(ini.lines[i]).empty()) insertAt = i + 1;
    }
    InsertLine(ini, insertAt, line);
  }
  // A failure at any point leaves the old file as it was.
  const std::string failed = FormatMessage("Unable to write to %s", {fileName_});
  TFileReplacement file(fileName_, TReplacementMessages::Same([failed](int) { return failed; }));
  file.Write(Serialise(ini));
  file.Commit();
}

}  // namespace tabrin
