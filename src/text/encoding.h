#pragma once
// Conversions between the internal UTF-8 form and the two encodings that the
// outside world uses: Big5 (Windows code page 950) for legacy texts and field
// widths, UTF-16 for workbook texts.
#include <cstddef>
#include <string>
#include <string_view>

namespace tabrin {

bool IsValidUtf8(std::string_view text);
// The offset of the first byte that starts no valid UTF-8 character;
// std::string_view::npos when the whole text is valid.
std::size_t InvalidUtf8At(std::string_view text);

// Big5 bytes to UTF-8.  A byte sequence that is not Big5 becomes U+FFFD.
std::string Big5ToUtf8(std::string_view big5);
// Big5 bytes appended to out as UTF-8, refusing what is not Big5: the offset
// of the first byte that cannot be read (out then holds the text before it),
// std::string_view::npos when every byte was read.
std::size_t AppendBig5AsUtf8(std::string_view big5, std::string& out);
// UTF-8 to Big5.  A character Big5 cannot encode becomes "?".
std::string Utf8ToBig5(std::string_view utf8);
// Windows code page 1252 to UTF-8 (older workbooks written on Western systems).
std::string Cp1252ToUtf8(std::string_view cp1252);

// Invalid UTF-8 sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
// A lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// Number of UTF-16 code units the text needs.
std::size_t Utf16Length(std::string_view utf8);

// Number of bytes the text takes in Big5: one per ASCII character, two for
// every other character (also for one Big5 cannot encode, which a database
// stores as a two-byte substitute).
std::size_t Big5Length(std::string_view utf8);

// The longest prefix of whole characters that fits in maxBytes Big5 bytes.
// Never keeps half a character.
std::string CutToBig5Bytes(std::string_view utf8, std::size_t maxBytes);
// The part of utf8 CutToBig5Bytes keeps, without a copy.
std::string_view Big5Prefix(std::string_view utf8, std::size_t maxBytes);

// The longest prefix of whole characters that fits in maxUnits UTF-16 code
// units; never splits a surrogate pair.
std::string CutToUtf16Units(std::string_view utf8, std::size_t maxUnits);
// The part of utf8 CutToUtf16Units keeps, without a copy.
std::string_view Utf16Prefix(std::string_view utf8, std::size_t maxUnits);

namespace detail {
// Decodes one UTF-8 character at text[pos]; returns its code point and
// advances pos.  Malformed input yields U+FFFD and advances by one byte.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos);
void AppendUtf8(std::string& out, char32_t codePoint);
}  // namespace detail

}  // namespace tabrin
