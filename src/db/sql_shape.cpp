#include "db/sql_shape.h"

#include <cctype>

#include "text/ascii.h"

namespace tabrin::detail {
namespace {

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '.'; }

// The SQL with every quoted part blanked, lower case: keyword searches then
// ignore literals and quoted names.
std::string Skeleton(std::string_view sql) {
  std::string skeleton = LowerAscii(sql);
  char open = 0;
  for (char& c : skeleton) {
    if (open) {
      if (c == open) open = 0;
      else c = ' ';
    } else if (c == '\'' || c == '"' || c == '`') {
      open = c;
    } else if (c == '[') {
      open = ']';
    }
  }
  return skeleton;
}

std::size_t FindWord(std::string_view text, std::string_view word, std::size_t from = 0) {
  for (std::size_t at = text.find(word, from); at != std::string_view::npos; at = text.find(word, at + 1)) {
    const bool startOk = at == 0 || !IsWordChar(text[at - 1]);
    const bool endOk = at + word.size() == text.size() || !IsWordChar(text[at + word.size()]);
    if (startOk && endOk) return at;
  }
  return std::string_view::npos;
}

}  // namespace

TSqlShape AnalyseSql(std::string_view sql) {
  TSqlShape shape;
  const std::string skeleton = Skeleton(sql);
  std::size_t start = skeleton.find_first_not_of(" \t\r\n");
  if (start == std::string::npos || FindWord(skeleton, "select") != start) return shape;
  for (std::string_view unsupported : {"join", "union", "group", "distinct", "having", "intersect", "except"}) {
    if (FindWord(skeleton, unsupported) != std::string::npos) return shape;
  }
  const std::size_t from = FindWord(skeleton, "from");
  if (from == std::string::npos || FindWord(skeleton, "from", from + 4) != std::string::npos) return shape;
  // Computed columns cannot be written back.
  if (skeleton.find('(', start) < from) return shape;
  std::size_t at = skeleton.find_first_not_of(" \t\r\n", from + 4);
  if (at == std::string::npos) return shape;
  std::size_t end = at;
  const char first = sql[at];
  if (first == '[' || first == '"' || first == '`') {
    const char close = first == '[' ? ']' : first;
    end = sql.find(close, at + 1);
    if (end == std::string_view::npos) return shape;
    ++end;
  } else {
    while (end < sql.size() && IsWordChar(sql[end])) ++end;
    if (end == at) return shape;
  }
  std::size_t rest = skeleton.find_first_not_of(" \t\r\n;", end);
  if (rest != std::string::npos && FindWord(skeleton, "where", rest) != rest && FindWord(skeleton, "order", rest) != rest) {
    return shape;
  }
  shape.table = std::string(sql.substr(at, end - at));
  shape.selectListAt = start + 6;
  return shape;
}

}  // namespace tabrin::detail
