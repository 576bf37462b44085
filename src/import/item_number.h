#pragma once
// Item numbers as the item sheet gives them: a six-digit number is the short
// form of an eight-digit EAN-8 code whose seventh digit is 0.
//
//   CompleteItemNumber("123456") == "12345601";
//   CompleteItemNumber("1234567") == "1234567";   // other lengths unchanged
#include <string>
#include <string_view>

namespace tabrin {

// The EAN-8 check digit ('0'..'9') of seven digits.  Raises TabrinError
// "'%s' is not a valid integer value" naming the first character that is not
// a decimal digit.
char Ean8CheckDigit(std::string_view sevenDigits);

// A raw number of exactly 6 Big5 bytes gets "0" and the check digit of the
// seven digits appended; any other text is returned unchanged.
std::string CompleteItemNumber(std::string_view raw);

}  // namespace tabrin
