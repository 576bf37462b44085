#pragma once
// The text of a rich text (a shared string's item, an inline string): the
// texts of its <t> elements, its runs joined, outside phonetic guides
// (<rPh>).
#include <string_view>

namespace tabrin::detail {

// Says, element by element, whether the character data that follows
// belongs to the text.
class TRunTextCollector {
 public:
  void Start(std::string_view name, bool& wantsText) {
    if (name == "rPh") ++phonetic_;
    if (name == "t" && phonetic_ == 0) wantsText = true;
  }
  void End(std::string_view name, bool& wantsText) {
    if (name == "rPh" && phonetic_ > 0) --phonetic_;
    if (name == "t") wantsText = false;
  }
  void Reset() { phonetic_ = 0; }
  bool Idle() const { return phonetic_ == 0; }

 private:
  int phonetic_ = 0;
};

}  // namespace tabrin::detail
