#pragma once
// The short (8.3) form of a path, as the file moniker of a hyperlink stores
// it next to the full path.  Readers open the full UTF-16 path; the short
// form only serves programs that cannot, so it is made here without asking
// any file system:
//   - a component that already is a valid short name (at most 8 bytes, a dot
//     and at most 3 bytes, no blanks and none of " * + , / : ; < = > ? [ \ ] |)
//     is kept as it is;
//   - any other component becomes its first 6 bytes + "~1" and the first 3
//     bytes of its extension, upper case, with blanks and extra dots
//     dropped and forbidden characters replaced by "_".
// Bytes are in code page 950 (Big5), the code page of the store's systems;
// a character Big5 cannot hold becomes "_".  Separators ("\" or "/"), a
// drive ("C:") and "." / ".." stay as they are.
#include <string>
#include <string_view>

namespace tabrin {

std::string ShortPathBytes(std::string_view utf8Path);

}  // namespace tabrin
