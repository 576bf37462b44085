#include "import/item_number.h"

#include "text/encoding.h"
#include "text/error.h"
#include "text/messages.h"

namespace tabrin {
namespace {

// The whole (UTF-8) character that starts at pos, for the error text.
std::string CharacterAt(std::string_view text, std::size_t pos) {
  std::size_t end = pos;
  detail::DecodeUtf8(text, end);
  return std::string(text.substr(pos, end - pos));
}

}  // namespace

char Ean8CheckDigit(std::string_view sevenDigits) {
  int sum = 0;
  int position = 0;  // 0-based digit position: even positions weigh 3
  for (std::size_t i = 0; i < sevenDigits.size(); ++position) {
    const char c = sevenDigits[i];
    if (c < '0' || c > '9') {
      throw TabrinError(NotAnIntegerMessage(CharacterAt(sevenDigits, i)));
    }
    sum += (position % 2 == 0 ? 3 : 1) * (c - '0');
    ++i;
  }
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string CompleteItemNumber(std::string_view raw) {
  if (Big5Length(raw) != 6) return std::string(raw);
  std::string number(raw);
  number += '0';
  number += Ean8CheckDigit(number);
  return number;
}

}  // namespace tabrin
