#include "import/workbook_sql.h"

#include "text/ascii.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"

namespace tabrin {

namespace {

bool IsBlank(char c) { return kSpaceTabCrLf.Contains(c); }


// A left-to-right reader of one statement.
class TSqlCursor {
 public:
  explicit TSqlCursor(std::string_view sql) : sql_(sql) {}

  void SkipBlanks() {
    while (at_ < sql_.size() && IsBlank(sql_[at_])) ++at_;
  }
  bool AtEnd() {
    SkipBlanks();
    return at_ >= sql_.size();
  }
  // A keyword followed by a blank or the given stop character.
  bool Keyword(std::string_view word) {
    SkipBlanks();
    if (!StartsWithNoCaseAscii(sql_.substr(at_), word)) return false;
    const std::size_t after = at_ + word.size();
    if (after < sql_.size() && !IsBlank(sql_[after]) && sql_[after] != '[' && sql_[after] != '*') return false;
    at_ = after;
    return true;
  }
  bool Symbol(std::string_view symbol) {
    SkipBlanks();
    if (sql_.substr(at_, symbol.size()) != symbol) return false;
    at_ += symbol.size();
    return true;
  }
  // "[...]": the text between the brackets.
  std::optional<std::string> Bracketed() {
    SkipBlanks();
    if (at_ >= sql_.size() || sql_[at_] != '[') return std::nullopt;
    const std::size_t close = sql_.find(']', at_ + 1);
    if (close == std::string_view::npos) return std::nullopt;
    std::string inside(sql_.substr(at_ + 1, close - at_ - 1));
    at_ = close + 1;
    return inside;
  }
  // A bare column name: everything up to a blank or "<".
  std::optional<std::string> BareName() {
    SkipBlanks();
    const std::size_t start = at_;
    while (at_ < sql_.size() && !IsBlank(sql_[at_]) && sql_[at_] != '<') ++at_;
    if (at_ == start) return std::nullopt;
    return std::string(sql_.substr(start, at_ - start));
  }

 private:
  std::string_view sql_;
  std::size_t at_ = 0;
};

[[noreturn]] void Unsupported(std::string_view sql) {
  throw TabrinError(FormatMessage(
      Tr("A workbook can only be queried with \"SELECT * FROM [sheet$]\", optionally followed by "
         "\"where column<>''\"; this statement is not supported: %s"),
      {sql}));
}

// "A<row>:" after the sheet's "$": the title row, or 0 for anything else.
int TitleRowOfRange(std::string_view range) {
  if (range.size() < 3 || (range.front() != 'A' && range.front() != 'a') || range.back() != ':') return 0;
  const std::string_view digits = range.substr(1, range.size() - 2);
  if (digits.size() > 7 || digits.front() == '0') return 0;
  int row = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return 0;
    row = row * 10 + (c - '0');
  }
  return row;
}

}  // namespace

std::string SheetQueryTable(std::string_view sheet, int titleRow) {
  std::string table = "[" + std::string(sheet) + "$";
  if (titleRow > 0) table += "A" + std::to_string(titleRow) + ":";
  return table + "]";
}

TSheetQuerySql ParseSheetQuerySql(std::string_view sql) {
  TSqlCursor cursor(sql);
  if (!cursor.Keyword("select") || !cursor.Symbol("*") || !cursor.Keyword("from")) Unsupported(sql);
  const std::optional<std::string> table = cursor.Bracketed();
  if (!table) Unsupported(sql);
  const std::size_t dollar = table->rfind('$');
  if (dollar == std::string::npos || dollar == 0) Unsupported(sql);
  TSheetQuerySql query;
  query.sheet = table->substr(0, dollar);
  if (dollar + 1 < table->size()) {
    query.titleRow = TitleRowOfRange(std::string_view(*table).substr(dollar + 1));
    if (query.titleRow == 0) Unsupported(sql);
  }
  if (cursor.AtEnd()) return query;
  if (!cursor.Keyword("where")) Unsupported(sql);
  std::optional<std::string> column = cursor.Bracketed();
  if (!column) column = cursor.BareName();
  if (!column || column->empty() || !cursor.Symbol("<>") || !cursor.Symbol("''") || !cursor.AtEnd()) {
    Unsupported(sql);
  }
  query.filterColumn = std::move(column);
  return query;
}

}  // namespace tabrin
