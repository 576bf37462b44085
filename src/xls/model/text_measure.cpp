#include "xls/model/text_measure.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <cmath>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "text/ascii.h"
#include "text/encoding.h"
#include "text/error.h"
#include "text/translation.h"

namespace tabrin {
namespace {

constexpr int kDpi = 96;

// Workbook font names as fontconfig should look them up.  Arial is drawn
// with Liberation Sans, whose advance widths are Arial's.
std::string FamilyFor(std::string_view name) {
  const std::string folded = LowerAscii(name);
  if (folded == "arial") return "Liberation Sans";
  if (folded == "times new roman") return "Liberation Serif";
  if (folded == "courier new") return "Liberation Mono";
  return std::string(name);
}

// Characters a screen shows one em wide (the East Asian wide and full-width
// ranges).  When the font has no glyph for one, the Traditional Chinese
// system font that would step in draws it a full em wide.
bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
         (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

}  // namespace

struct TxlsTextMeasurer::Impl {
  struct Face {
    FT_Face face = nullptr;
    int ppem = 0;
    std::vector<std::int16_t> bmp;               // advance per BMP code point, -1 unknown
    std::unordered_map<char32_t, int> others;    // beyond the BMP
    TxlsFontMetrics metrics;
  };
  using Key = std::tuple<std::string, int, bool, bool>;  // family, size, bold, italic

  FT_Library library = nullptr;
  std::map<Key, Face> faces;
  std::map<std::pair<std::string, int>, FT_Face> loaded;  // file, index -> face
  std::unordered_map<char32_t, std::string> fallbackFiles;
  std::mutex mutex;

  Impl() {
    if (FT_Init_FreeType(&library) != 0) throw TabrinError(Tr("Cannot start the font engine"));
    FcInit();
  }
  ~Impl() {
    for (auto& [key, face] : faces) {
      if (face.face != nullptr) FT_Done_Face(face.face);
    }
    for (auto& [key, face] : loaded) {
      if (face != nullptr) FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
  }

  FT_Face Load(const std::string& file, int index) {
    auto found = loaded.find({file, index});
    if (found != loaded.end()) return found->second;
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.c_str(), index, &face) != 0) face = nullptr;
    loaded[{file, index}] = face;
    return face;
  }

  // Asks fontconfig for the file of a family (or, with c set, of a font
  // that can draw c).
  std::pair<std::string, int> Match(const std::string& family, bool bold, bool italic, char32_t c) {
    FcPattern* pattern = FcPatternCreate();
    if (!family.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (c != 0) {
      FcCharSet* set = FcCharSetCreate();
      FcCharSetAddChar(set, c);
      FcPatternAddCharSet(pattern, FC_CHARSET, set);
      FcCharSetDestroy(set);
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::pair<std::string, int> file{"", 0};
    if (match != nullptr) {
      FcChar8* path = nullptr;
      int index = 0;
      if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        file = {reinterpret_cast<const char*>(path), index};
      }
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return file;
  }

  Face& FaceFor(const TxlsFont& font) {
    const bool bold = font.Has(xfsBold);
    const bool italic = font.Has(xfsItalic);
    Key key{LowerAscii(font.Name), font.Size, bold, italic};
    auto found = faces.find(key);
    if (found != faces.end()) return found->second;
    Face& entry = faces[key];
    const auto [file, index] = Match(FamilyFor(font.Name), bold, italic, 0);
    // A face of its own: its size stays set for this entry.
    if (!file.empty() && FT_New_Face(library, file.c_str(), index, &entry.face) != 0) entry.face = nullptr;
    entry.bmp.assign(0x10000, -1);
    if (entry.face != nullptr) {
      FT_Set_Char_Size(entry.face, 0, font.Size * 64, kDpi, kDpi);
      entry.ppem = entry.face->size->metrics.x_ppem;
      entry.metrics = ComputeMetrics(entry.face);
    } else {
      entry.ppem = static_cast<int>(std::lround(font.Size * kDpi / 72.0));
      entry.metrics.ascent = entry.ppem;
      entry.metrics.descent = entry.ppem / 4;
      entry.metrics.internalLeading = entry.metrics.Height() - entry.ppem;
    }
    return entry;
  }

  // Screen text metrics as a Windows system reports them for a TrueType
  // font: ascent and descent from the OS/2 "win" values.
  static TxlsFontMetrics ComputeMetrics(FT_Face face) {
    TxlsFontMetrics m;
    const double scale = static_cast<double>(face->size->metrics.y_ppem) / face->units_per_EM;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    if (os2 != nullptr && os2->version != 0xFFFF) {
      m.ascent = static_cast<int>(std::ceil(os2->usWinAscent * scale - 0.5));
      m.descent = static_cast<int>(std::ceil(os2->usWinDescent * scale - 0.5));
      if (hhea != nullptr) {
        const int gap = hhea->Line_Gap - ((os2->usWinAscent + os2->usWinDescent) -
                                          (hhea->Ascender - hhea->Descender));
        m.externalLeading = gap > 0 ? static_cast<int>(std::lround(gap * scale)) : 0;
      }
    } else {
      m.ascent = static_cast<int>(face->size->metrics.ascender >> 6);
      m.descent = static_cast<int>(-face->size->metrics.descender >> 6);
    }
    m.internalLeading = std::max(0, m.Height() - face->size->metrics.y_ppem);
    return m;
  }

  // Hinted advance of one glyph in whole pixels.
  static int Advance(FT_Face face, FT_UInt glyph) {
    if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) != 0) return 0;
    return static_cast<int>((face->glyph->advance.x + 32) >> 6);
  }

  int MeasureChar(Face& entry, const TxlsFont& font, char32_t c) {
    if (entry.face != nullptr) {
      if (const FT_UInt glyph = FT_Get_Char_Index(entry.face, c); glyph != 0) {
        return Advance(entry.face, glyph);
      }
    }
    if (IsWide(c)) return entry.ppem;
    // Another installed font that has the character, at the same size.
    auto found = fallbackFiles.find(c);
    if (found == fallbackFiles.end()) {
      found = fallbackFiles.emplace(c, Match("", font.Has(xfsBold), font.Has(xfsItalic), c).first).first;
    }
    if (!found->second.empty()) {
      if (FT_Face face = Load(found->second, 0); face != nullptr) {
        if (const FT_UInt glyph = FT_Get_Char_Index(face, c); glyph != 0) {
          FT_Set_Char_Size(face, 0, font.Size * 64, kDpi, kDpi);
          return Advance(face, glyph);
        }
      }
    }
    return (entry.ppem + 1) / 2;
  }

  int CharWidth(Face& entry, const TxlsFont& font, char32_t c) {
    if (c < 0x10000) {
      std::int16_t& cached = entry.bmp[c];
      if (cached < 0) cached = static_cast<std::int16_t>(MeasureChar(entry, font, c));
      return cached;
    }
    auto found = entry.others.find(c);
    if (found == entry.others.end()) found = entry.others.emplace(c, MeasureChar(entry, font, c)).first;
    return found->second;
  }
};

TxlsTextMeasurer::TxlsTextMeasurer() : impl_(std::make_unique<Impl>()) {}
TxlsTextMeasurer::~TxlsTextMeasurer() = default;

TxlsTextMeasurer& TxlsTextMeasurer::Shared() {
  static TxlsTextMeasurer measurer;
  return measurer;
}

int TxlsTextMeasurer::TextWidth(const TxlsFont& font, std::string_view utf8) {
  std::lock_guard lock(impl_->mutex);
  Impl::Face& entry = impl_->FaceFor(font);
  int width = 0;
  std::size_t pos = 0;
  while (pos < utf8.size()) width += impl_->CharWidth(entry, font, detail::DecodeUtf8(utf8, pos));
  return width;
}

int TxlsTextMeasurer::TextWidth(const TxlsFont& font, std::u16string_view utf16) {
  return TextWidth(font, Utf16ToUtf8(utf16));
}

TxlsFontMetrics TxlsTextMeasurer::Metrics(const TxlsFont& font) {
  std::lock_guard lock(impl_->mutex);
  return impl_->FaceFor(font).metrics;
}

}  // namespace tabrin
