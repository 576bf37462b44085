#include "xls/ooxml/shared_strings.h"

#include <algorithm>
#include <optional>

#include "xls/ooxml/escaped_text.h"
#include "xls/ooxml/value_text.h"

namespace tabrin::detail {

void TTextList::PlayInto(TTextPool& pool) const {
  std::size_t start = 0;
  for (const std::size_t end : ends_) {
    pool.Add(std::string_view(texts_).substr(start, end - start));
    start = end;
  }
}

void TSharedStringsHandler::StartElement(std::string_view name, const TXmlAttributes& attributes) {
  bounds_.Entered();
  if (name == "si") {
    inItem_ = true;
    text_.clear();
    runs_.Reset();
  } else if (name == "sst") {
    // The count is only a claim; a text takes at least a dozen bytes.
    const std::optional<std::uint32_t> unique = ParseIndex(attributes.Get("uniqueCount"));
    if (unique && target_ != nullptr) target_->Reserve(std::min<std::size_t>(*unique, std::size_t{1} << 20), 0);
  } else if (inItem_) {
    runs_.Start(name, wantsText_);
  }
}

void TSharedStringsHandler::EndElement(std::string_view name) {
  bounds_.Left();
  if (name == "si") {
    DecodeEscapes(text_);
    if (target_ != nullptr) target_->Add(text_);
    else if (list_ != nullptr) list_->Add(text_);
    inItem_ = false;
    wantsText_ = false;
  } else if (inItem_) {
    runs_.End(name, wantsText_);
  }
  if (!inItem_) bounds_.NoteEnd();
}

}  // namespace tabrin::detail
