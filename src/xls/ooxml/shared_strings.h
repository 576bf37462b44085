#pragma once
// The shared strings part: the texts cells of type "s" refer to by number.
// Read in pieces (see piece_reading.h) like a worksheet: a piece has to end
// right after an element end outside any item, at the depth it began at.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/text_pool.h"
#include "xls/ooxml/piece_handler.h"
#include "xls/ooxml/run_text.h"
#include "xls/ooxml/xml_part.h"

namespace tabrin::detail {

// The texts of a piece of the shared strings parsed before the pieces
// ahead of it are in.
class TTextList {
 public:
  void Add(std::string_view text) {
    texts_.append(text);
    ends_.push_back(texts_.size());
  }
  void PlayInto(TTextPool& pool) const;

 private:
  std::string texts_;
  std::vector<std::size_t> ends_;
};

class TSharedStringsHandler : public TPieceHandler<TTextPool, TTextList> {
 public:
  void StartElement(std::string_view name, const TXmlAttributes& attributes) override;
  void EndElement(std::string_view name) override;
  void Text(std::string_view text) override { text_.append(text); }

 private:
  bool Settled(std::uint64_t fed) const override {
    return !inItem_ && bounds_.EndsAt(fed) && !wantsText_ && runs_.Idle();
  }

  TRunTextCollector runs_;
  std::string text_;
  bool inItem_ = false;
};

}  // namespace tabrin::detail
