#include "text/error.h"

namespace tabrin {

std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  if (text.empty() || text.back() != '.') text += '.';
  return text;
}

}  // namespace tabrin
