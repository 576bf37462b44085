#include "text/boolean_text.h"

#include <gtest/gtest.h>

namespace tabrin {
namespace {

constexpr std::nullopt_t no = std::nullopt;

TEST(BooleanText, WordsAndNumbers) {
  TRegionalFormats point;
  TRegionalFormats comma;
  comma.decimalSeparator = ',';
  struct TCase {
    std::string_view text;
    std::optional<bool> point, comma;
  };
  const TCase cases[] = {
      {"true", true, true},     {"TRUE", true, true},  {"True", true, true}, {"t", true, true},
      {"Yes", true, true},      {"Y", true, true},     {"y", true, true},    {" true\t", true, true},
      {"false", false, false},  {"F", false, false},   {"no", false, false}, {"N", false, false},
      {"1", true, true},        {"-1", true, true},    {"2", true, true},    {"0", false, false},
      {"0.0", false, no},       {"0,0", no, false},    {"1.5", true, no},    {" 0 ", false, false},
      {"", no, no},             {"   ", no, no},       {"on", no, no},       {"off", no, no},
      {"yes please", no, no},   {"tru", no, no},       {"是", no, no},       {"1 0", no, no},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ParseBoolean(c.text, point), c.point) << '"' << c.text << '"';
    EXPECT_EQ(ParseBoolean(c.text, comma), c.comma) << '"' << c.text << '"';
  }
}

}  // namespace
}  // namespace tabrin
