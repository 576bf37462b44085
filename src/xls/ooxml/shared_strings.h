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
#include "xls/ooxml/piece_bounds.h"
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

class TSharedStringsHandler : public TXmlHandler {
 public:
  // Where the texts go: into the pool, into a list, or (neither) nowhere.
  void SendTo(TTextPool* pool, TTextList* list) {
    pool_ = pool;
    list_ = list;
  }
  void Watch(const TXmlStream* stream) { bounds_.Watch(stream); }
  bool TakeBase(std::uint64_t fed) { return bounds_.TakeBase(Settled(fed)); }
  void BeginPiece() { bounds_.BeginPiece(); }
  bool EndedPiece(std::uint64_t fed) const { return bounds_.EndedPiece(Settled(fed)); }

  void StartElement(std::string_view name, const TXmlAttributes& attributes) override;
  void EndElement(std::string_view name) override;
  void Text(std::string_view text) override { text_.append(text); }

 private:
  bool Settled(std::uint64_t fed) const { return !inItem_ && bounds_.EndsAt(fed) && !wantsText_ && runs_.Idle(); }

  TTextPool* pool_ = nullptr;
  TTextList* list_ = nullptr;
  TPieceBounds bounds_;
  TRunTextCollector runs_;
  std::string text_;
  bool inItem_ = false;
};

}  // namespace tabrin::detail
