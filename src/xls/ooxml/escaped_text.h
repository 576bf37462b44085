#pragma once
// Texts of these packages spell the characters XML cannot carry (control
// characters above all) as _xHHHH_, the UTF-16 code unit in hex.
#include <string>

namespace tabrin::detail {

// Replaces every _xHHHH_ of text by the character it stands for.  Escapes
// that follow each other are UTF-16 together: a surrogate pair spelled as
// two escapes is one character, and a lone half of a pair, which UTF-8
// cannot hold, becomes U+FFFD.
void DecodeEscapes(std::string& text);

}  // namespace tabrin::detail
