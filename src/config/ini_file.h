#pragma once
// INI files: section lines "[name]" and key lines "key=value".  Section and
// key names match without regard to case; values come back trimmed, without
// one pair of surrounding matching quotes, at most 2047 bytes.  Files are read
// as UTF-8 when valid UTF-8 (with or without a byte-order mark), otherwise as
// Big5; a write keeps the encoding, the line endings and every other line.
// Each operation opens the file, does its work and releases it.
#include <string>
#include <string_view>

namespace tabrin {

class TIniFile {
 public:
  explicit TIniFile(std::string fileName);
  virtual ~TIniFile() = default;

  const std::string& FileName() const { return fileName_; }

  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // Decimal (optionally signed) or hexadecimal with "$", "0x" or "0X"; else def.
  int ReadInteger(std::string_view section, std::string_view key, int def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  // Empty or missing gives def; otherwise the regional number format, else def.
  double ReadFloat(std::string_view section, std::string_view key, double def) const;

  // Creates file, section and key as needed; replaces the file atomically.
  // Raises TabrinError "Unable to write to <file name>" on failure.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);

 private:
  std::string fileName_;
};

// Integer text as the INI reader reads it; nullopt-like false when invalid.
bool ParseIniInteger(std::string_view text, int& value);

}  // namespace tabrin
