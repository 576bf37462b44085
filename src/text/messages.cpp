#include "text/messages.h"

#include "text/format.h"
#include "text/translation.h"

namespace tabrin {

std::string DamagedFileMessage(std::string_view name, std::string_view reason) {
  return FormatMessage(Tr("'%s' is damaged and cannot be read: %s"), {name, reason});
}

std::string NotAnIntegerMessage(std::string_view text) {
  return FormatMessage("'%s' is not a valid integer value", {text});
}

std::string FieldNotFoundMessage(std::string_view name) { return FormatMessage("Field '%s' not found", {name}); }

}  // namespace tabrin
