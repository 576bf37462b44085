#include "text/error.h"

#include "text/translation.h"

namespace tabrin {

std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  if (text.ends_with('.') || text.ends_with("。")) return text;
  // A message that ends in the user's language (a translation, a Chinese
  // name) ends with that language's full stop; one that ends in English
  // (the data layer's fixed texts) with the English one.
  const bool endsInAscii = !text.empty() && static_cast<unsigned char>(text.back()) < 0x80;
  // TRANSLATORS: the full stop the error box puts after a message that ends
  // in a word of the translation.
  text += endsInAscii ? "." : Tr(".");
  return text;
}

}  // namespace tabrin
