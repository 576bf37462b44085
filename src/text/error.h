#pragma once
// The one exception type for the system's own messages.  The message is UTF-8
// text meant for the user, exactly as the error box shows it (before the full
// stop rule below).
#include <stdexcept>
#include <string>
#include <string_view>

namespace tabrin {

class TabrinError : public std::runtime_error {
 public:
  explicit TabrinError(const std::string& message) : std::runtime_error(message) {}
};

// The text of the standard error box: the message with a full stop appended
// unless it already ends in one ("." or "。"); "." after English, the
// translation's full stop after a message that ends in its language.
std::string ErrorBoxText(std::string_view message);

}  // namespace tabrin
