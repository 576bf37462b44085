#pragma once
// The workbook's three format registries and their get-or-create.
//
//   TxlsFontList        registered fonts, FONT indices 5, 6, ... (4 unused)
//   TxlsTextFormatList  number-format texts, FORMAT indices 50, 51, ...
//   TxlsXFormatList     cell formats (XF), indices 16, 17, ...; 15 is the
//                       default cell format and is never registered
//
// TxlsFormatRegistry bundles them.  GetOrCreate takes a candidate cell format
// (a TxlsCellFormatRequest: optional font, optional number-format text, and
// borders/fill/alignment/wrap) and returns the XF index of an equal
// registered entry, or registers the font, the number format and the cell
// format, reusing equal registered fonts and texts.  Building the candidate
// (which font counts as "own", "General" handling) is the caller's job.
//
// The two caches the export pipeline keeps (per field, per stripe) are here
// too; their lookups give 15 when nothing is cached.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xls/model/format_model.h"

namespace tabrin {

inline constexpr std::uint16_t kDefaultXfIndex = 15;

struct TxlsTextFormat {
  std::uint16_t Index = 0;
  std::string Text = "General";  // UTF-8
};

// One registered cell format.
struct TxlsXFormat {
  std::uint16_t Index = 0;
  const TxlsFont* Font = nullptr;              // registered font or none
  const TxlsTextFormat* NumberFormat = nullptr;  // registered text or none ("General")
  TxlsBorders Borders;
  TxlsFill Fill;
  TxlsAlignment Alignment;
  bool Wrap = false;
};

// A cell format asked for: a font of its own (or none = the default font),
// a number-format text (or none = "General"), and the other attributes.
struct TxlsCellFormatRequest {
  std::optional<TxlsFont> Font;
  std::optional<std::string> NumberFormat;
  TxlsBorders Borders;
  TxlsFill Fill;
  TxlsAlignment Alignment;
  bool Wrap = false;

  // All attributes of format, with its font only when ownFont is set.
  static TxlsCellFormatRequest From(const TxlsFormat& format, bool ownFont,
                                    std::optional<std::string> numberFormat);
};

class TxlsFontList {
 public:
  // Position of the first equal font, or -1.
  int IndexOf(const TxlsFont& font) const;
  // The registered equal font, or a registered copy with the next index.
  const TxlsFont& GetOrRegister(const TxlsFont& font);
  std::size_t Count() const { return fonts_.size(); }
  const TxlsFont& operator[](std::size_t position) const { return *fonts_[position]; }
  std::uint16_t LastIndex() const { return lastIndex_; }

 private:
  std::vector<std::unique_ptr<TxlsFont>> fonts_;
  std::uint16_t lastIndex_ = 4;
};

class TxlsTextFormatList {
 public:
  int IndexOf(std::string_view text) const;
  const TxlsTextFormat& GetOrRegister(std::string_view text);
  std::size_t Count() const { return formats_.size(); }
  const TxlsTextFormat& operator[](std::size_t position) const { return *formats_[position]; }
  std::uint16_t LastIndex() const { return lastIndex_; }

 private:
  std::vector<std::unique_ptr<TxlsTextFormat>> formats_;
  std::unordered_map<std::string, std::size_t> byText_;
  std::uint16_t lastIndex_ = 49;
};

class TxlsXFormatList {
 public:
  // XF index of the first entry equal to candidate, or -1.  Equality: same
  // number-format text (or both none), equal fonts (or both none), borders,
  // fill, alignment, wrap.
  int Find(const TxlsXFormat& candidate) const;
  // Appends candidate (its Font and NumberFormat already registered) with
  // the next XF index and returns that index.
  std::uint16_t Register(const TxlsXFormat& candidate);
  // Entry of an XF index, or nullptr (15 and unknown indices).
  const TxlsXFormat* GetByIndex(std::uint16_t xfIndex) const;
  int PositionOf(std::uint16_t xfIndex) const;
  std::size_t Count() const { return formats_.size(); }
  const TxlsXFormat& operator[](std::size_t position) const { return *formats_[position]; }
  std::uint16_t LastIndex() const { return lastIndex_; }

 private:
  std::vector<std::unique_ptr<TxlsXFormat>> formats_;
  std::unordered_multimap<std::size_t, std::size_t> byHash_;
  std::uint16_t lastIndex_ = 15;
};

// Per-field cache: (sheet index, field name without regard to case) -> XF.
class TxlsXFormatFieldList {
 public:
  // Adds an entry unless one exists for the sheet and name.
  void Add(int sheetIndex, std::string_view fieldName, std::uint16_t xfIndex);
  bool Contains(int sheetIndex, std::string_view fieldName) const;
  // The cached XF index, or 15.
  std::uint16_t Lookup(int sheetIndex, std::string_view fieldName) const;
  bool Empty() const { return entries_.empty(); }

 private:
  std::unordered_map<std::string, std::uint16_t> entries_;
};

// Stripe cache: (sheet index, key) -> XF.
class TxlsXFormatColRowList {
 public:
  void Add(int sheetIndex, int key, std::uint16_t xfIndex);
  bool Contains(int sheetIndex, int key) const;
  std::uint16_t Lookup(int sheetIndex, int key) const;
  bool Empty() const { return entries_.empty(); }

 private:
  std::unordered_map<std::uint64_t, std::uint16_t> entries_;
};

struct TxlsFormatRegistry {
  TxlsFontList Fonts;
  TxlsTextFormatList NumberFormats;
  TxlsXFormatList CellFormats;
  TxlsXFormatFieldList FieldCache;
  TxlsXFormatColRowList StripeCache;

  // The XF index of the requested cell format, registering what is new.
  // A request with no font, no number format and default attributes still
  // gets a registered XF (callers decide when 15 is meant).
  std::uint16_t GetOrCreate(const TxlsCellFormatRequest& request);
  // The font a cell format draws with: its own, or nullptr for the default.
  const TxlsFont* FontOf(std::uint16_t xfIndex) const;
};

}  // namespace tabrin
