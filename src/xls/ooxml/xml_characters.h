#pragma once
// The characters XML allows, as the scanner of a part's body (see
// xml_scanner.h) checks them: UTF-8 sequences of allowed characters, and
// the references to characters and to the five predefined entities.  What
// these refuse, expat refuses too.
#include <cstddef>

namespace tabrin::detail {

// The length of the UTF-8 sequence at p (a byte from 0x80 on) when it is
// one character XML allows and ends before end; 0 otherwise.
std::size_t XmlCharLength(const char* p, const char* end);

// The reference at p (an '&'), which has to end with ';' before end: the
// character it stands for into out in UTF-8, and its length (1 to 4);
// after is set past the ';'.  0 for anything that is not a predefined
// entity or a reference to a character XML allows.
std::size_t ReadReference(const char* p, const char* end, char* out, const char*& after);

}  // namespace tabrin::detail
