#pragma once
// Pixel widths and heights of texts as a screen at 96 dpi shows them
// (FreeType, hinted, through fontconfig).  A font named arial in any letter
// case is drawn with Liberation Sans, its metric twin, so "0" in arial 10 is
// 7 pixels wide.  Faces and glyph advances are cached per font; one
// TxlsTextMeasurer is meant to live as long as the process (Shared()).
//
// Safe from two threads: every call holds the measurer's lock, so exports
// on two threads share one cache (and wait for each other while measuring).
#include <cstdint>
#include <memory>
#include <string_view>

#include "xls/model/format_model.h"

namespace tabrin {

struct TxlsFontMetrics {
  int ascent = 0;            // pixels
  int descent = 0;
  int internalLeading = 0;
  int externalLeading = 0;
  int Height() const { return ascent + descent; }
};

class TxlsTextMeasurer {
 public:
  TxlsTextMeasurer();
  ~TxlsTextMeasurer();
  TxlsTextMeasurer(const TxlsTextMeasurer&) = delete;
  TxlsTextMeasurer& operator=(const TxlsTextMeasurer&) = delete;

  static TxlsTextMeasurer& Shared();

  // Width in pixels of a UTF-8 text in the font (size, bold, italic, name).
  int TextWidth(const TxlsFont& font, std::string_view utf8);
  int TextWidth(const TxlsFont& font, std::u16string_view utf16);
  TxlsFontMetrics Metrics(const TxlsFont& font);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tabrin
