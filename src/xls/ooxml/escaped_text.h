#pragma once
// Texts of these packages spell the characters XML cannot carry (control
// characters above all) as _xHHHH_, the UTF-16 code unit in hex.
#include <string>

namespace tabrin::detail {

// Replaces every _xHHHH_ of text by the character it stands for.
void DecodeEscapes(std::string& text);

}  // namespace tabrin::detail
