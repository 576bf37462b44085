#include "xls/model/format_registry.h"

#include <functional>

#include "text/ascii.h"

namespace tabrin {
namespace {

void Mix(std::size_t& seed, std::size_t value) {
  seed ^= value + 0x9E3779B97F4A7C15ull + (seed << 6) + (seed >> 2);
}

std::size_t HashFont(const TxlsFont& f) {
  std::size_t h = std::hash<std::string>()(f.Name);
  Mix(h, static_cast<std::size_t>(f.Size));
  Mix(h, f.Style | (f.Color << 8) | (f.Script << 16) | (f.Underline << 20) |
             (static_cast<std::size_t>(f.Charset) << 24));
  return h;
}

std::size_t HashBorder(const TxlsBorder& b) { return b.Style | (b.Color << 4); }

std::size_t HashXFormat(const TxlsXFormat& x) {
  std::size_t h = x.Font ? HashFont(*x.Font) : 1;
  Mix(h, x.NumberFormat ? std::hash<std::string>()(x.NumberFormat->Text) : 2);
  for (const TxlsBorder* b : {&x.Borders.Left, &x.Borders.Right, &x.Borders.Top, &x.Borders.Bottom,
                              &x.Borders.DiagDown, &x.Borders.DiagUp}) {
    Mix(h, HashBorder(*b));
  }
  Mix(h, x.Fill.Background | (x.Fill.Pattern << 8) | (x.Fill.Foreground << 16));
  Mix(h, x.Alignment.Horizontal | (x.Alignment.Vertical << 4) | (x.Wrap ? 0x100 : 0));
  return h;
}

bool SameXFormat(const TxlsXFormat& a, const TxlsXFormat& b) {
  if ((a.NumberFormat == nullptr) != (b.NumberFormat == nullptr)) return false;
  if (a.NumberFormat && a.NumberFormat->Text != b.NumberFormat->Text) return false;
  if ((a.Font == nullptr) != (b.Font == nullptr)) return false;
  if (a.Font && !a.Font->SameAs(*b.Font)) return false;
  return a.Borders == b.Borders && a.Fill == b.Fill && a.Alignment == b.Alignment &&
         a.Wrap == b.Wrap;
}

std::string FieldKey(int sheetIndex, std::string_view fieldName) {
  return std::to_string(sheetIndex) + '\x01' + LowerAscii(fieldName);
}

std::uint64_t StripeKey(int sheetIndex, int key) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(sheetIndex)) << 32) |
         static_cast<std::uint32_t>(key);
}

}  // namespace

TxlsCellFormatRequest TxlsCellFormatRequest::From(const TxlsFormat& format, bool ownFont,
                                                  std::optional<std::string> numberFormat) {
  TxlsCellFormatRequest request;
  if (ownFont) request.Font = format.Font;
  request.NumberFormat = std::move(numberFormat);
  request.Borders = format.Borders;
  request.Fill = format.Fill;
  request.Alignment = format.Alignment;
  request.Wrap = format.Wrap;
  return request;
}

int TxlsFontList::IndexOf(const TxlsFont& font) const {
  for (std::size_t i = 0; i < fonts_.size(); ++i) {
    if (fonts_[i]->SameAs(font)) return static_cast<int>(i);
  }
  return -1;
}

const TxlsFont& TxlsFontList::GetOrRegister(const TxlsFont& font) {
  const int position = IndexOf(font);
  if (position >= 0) return *fonts_[static_cast<std::size_t>(position)];
  auto copy = std::make_unique<TxlsFont>(font);
  copy->Index = ++lastIndex_;
  fonts_.push_back(std::move(copy));
  return *fonts_.back();
}

int TxlsTextFormatList::IndexOf(std::string_view text) const {
  const auto found = byText_.find(std::string(text));
  return found == byText_.end() ? -1 : static_cast<int>(found->second);
}

const TxlsTextFormat& TxlsTextFormatList::GetOrRegister(std::string_view text) {
  const int position = IndexOf(text);
  if (position >= 0) return *formats_[static_cast<std::size_t>(position)];
  auto entry = std::make_unique<TxlsTextFormat>();
  entry->Index = ++lastIndex_;
  entry->Text = std::string(text);
  byText_.emplace(entry->Text, formats_.size());
  formats_.push_back(std::move(entry));
  return *formats_.back();
}

int TxlsXFormatList::Find(const TxlsXFormat& candidate) const {
  const auto [first, last] = byHash_.equal_range(HashXFormat(candidate));
  std::size_t best = formats_.size();
  for (auto it = first; it != last; ++it) {
    if (it->second < best && SameXFormat(*formats_[it->second], candidate)) best = it->second;
  }
  return best == formats_.size() ? -1 : formats_[best]->Index;
}

std::uint16_t TxlsXFormatList::Register(const TxlsXFormat& candidate) {
  auto entry = std::make_unique<TxlsXFormat>(candidate);
  entry->Index = ++lastIndex_;
  byHash_.emplace(HashXFormat(*entry), formats_.size());
  formats_.push_back(std::move(entry));
  return lastIndex_;
}

int TxlsXFormatList::PositionOf(std::uint16_t xfIndex) const {
  // Indices are handed out in registration order without gaps.
  if (xfIndex <= 15 || xfIndex > lastIndex_) return -1;
  return xfIndex - 16;
}

const TxlsXFormat* TxlsXFormatList::GetByIndex(std::uint16_t xfIndex) const {
  const int position = PositionOf(xfIndex);
  return position < 0 ? nullptr : formats_[static_cast<std::size_t>(position)].get();
}

void TxlsXFormatFieldList::Add(int sheetIndex, std::string_view fieldName, std::uint16_t xfIndex) {
  entries_.emplace(FieldKey(sheetIndex, fieldName), xfIndex);
}

bool TxlsXFormatFieldList::Contains(int sheetIndex, std::string_view fieldName) const {
  return entries_.count(FieldKey(sheetIndex, fieldName)) != 0;
}

std::uint16_t TxlsXFormatFieldList::Lookup(int sheetIndex, std::string_view fieldName) const {
  const auto found = entries_.find(FieldKey(sheetIndex, fieldName));
  return found == entries_.end() ? kDefaultXfIndex : found->second;
}

void TxlsXFormatColRowList::Add(int sheetIndex, int key, std::uint16_t xfIndex) {
  entries_.emplace(StripeKey(sheetIndex, key), xfIndex);
}

bool TxlsXFormatColRowList::Contains(int sheetIndex, int key) const {
  return entries_.count(StripeKey(sheetIndex, key)) != 0;
}

std::uint16_t TxlsXFormatColRowList::Lookup(int sheetIndex, int key) const {
  const auto found = entries_.find(StripeKey(sheetIndex, key));
  return found == entries_.end() ? kDefaultXfIndex : found->second;
}

std::uint16_t TxlsFormatRegistry::GetOrCreate(const TxlsCellFormatRequest& request) {
  // Look up with unregistered parts first, so that a request that is already
  // known registers nothing.
  TxlsFont fontProbe;
  TxlsTextFormat textProbe;
  TxlsXFormat candidate;
  if (request.Font) {
    fontProbe = *request.Font;
    candidate.Font = &fontProbe;
  }
  if (request.NumberFormat) {
    textProbe.Text = *request.NumberFormat;
    candidate.NumberFormat = &textProbe;
  }
  candidate.Borders = request.Borders;
  candidate.Fill = request.Fill;
  candidate.Alignment = request.Alignment;
  candidate.Wrap = request.Wrap;
  const int found = CellFormats.Find(candidate);
  if (found >= 0) return static_cast<std::uint16_t>(found);

  if (request.Font) candidate.Font = &Fonts.GetOrRegister(*request.Font);
  if (request.NumberFormat) candidate.NumberFormat = &NumberFormats.GetOrRegister(*request.NumberFormat);
  return CellFormats.Register(candidate);
}

const TxlsFont* TxlsFormatRegistry::FontOf(std::uint16_t xfIndex) const {
  const TxlsXFormat* xf = CellFormats.GetByIndex(xfIndex);
  return xf == nullptr ? nullptr : xf->Font;
}

}  // namespace tabrin
