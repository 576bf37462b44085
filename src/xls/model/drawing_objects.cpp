#include "xls/model/drawing_objects.h"

#include <algorithm>

#include "text/ascii.h"
#include "text/error.h"
#include "text/format.h"

namespace tabrin {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Smallest n from 0 up for which taken(prefix + n) is false.
template <typename Taken>
std::string FirstFreeName(std::string_view prefix, Taken taken) {
  for (int n = 0;; ++n) {
    std::string name = std::string(prefix) + std::to_string(n);
    if (!taken(name)) return name;
  }
}

}  // namespace

std::string TxlsNote::Text() const {
  std::string text;
  for (std::size_t i = 0; i < Lines.size(); ++i) {
    if (i > 0) text += '\n';
    text += Lines[i];
  }
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  const auto first = std::find_if_not(text.begin(), text.end(), IsBlank);
  const auto last = std::find_if_not(text.rbegin(), text.rend(), IsBlank).base();
  return first < last ? std::string(first, last) : std::string();
}

TxlsPicture& TxlsPictures::Add(std::string fileName) {
  TxlsPicture picture;
  picture.FileName = std::move(fileName);
  picture.name_ = FirstFreeName("Picture_", [&](const std::string& name) { return Find(name) != nullptr; });
  items_.push_back(std::move(picture));
  return items_.back();
}

void TxlsPictures::SetName(std::size_t index, std::string_view name) {
  if (name.empty()) throw TabrinError("A picture name cannot be empty");
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (i != index && EqualNoCaseAscii(items_[i].name_, name)) {
      throw TabrinError(FormatMessage("A picture %s already exists", {name}));
    }
  }
  items_.at(index).name_ = std::string(name);
}

const TxlsPicture* TxlsPictures::Find(std::string_view name) const {
  const int i = IndexOf(name);
  return i < 0 ? nullptr : &items_[static_cast<std::size_t>(i)];
}

int TxlsPictures::IndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (EqualNoCaseAscii(items_[i].name_, name)) return static_cast<int>(i);
  }
  return -1;
}

std::string NextImageTitle(const std::vector<TxlsImage>& images) {
  return FirstFreeName("Image_", [&](const std::string& title) {
    return std::any_of(images.begin(), images.end(), [&](const TxlsImage& image) { return image.Title == title; });
  });
}

TxlsPictureKind PictureKindOfFile(std::string_view fileName) {
  const std::size_t slash = fileName.find_last_of("/\\");
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
    return TxlsPictureKind::Unknown;
  }
  const std::string_view extension = fileName.substr(dot + 1);
  const struct {
    const char* extension;
    TxlsPictureKind kind;
  } kinds[] = {
      {"WMF", TxlsPictureKind::Wmf},  {"EMF", TxlsPictureKind::Emf},   {"JPG", TxlsPictureKind::Jpeg},
      {"JPEG", TxlsPictureKind::Jpeg}, {"PNG", TxlsPictureKind::Png},  {"GIF", TxlsPictureKind::Gif},
      {"BMP", TxlsPictureKind::Bmp},  {"QBMP", TxlsPictureKind::Bmp}, {"ICO", TxlsPictureKind::Ico},
  };
  for (const auto& k : kinds) {
    if (EqualNoCaseAscii(extension, k.extension)) return k.kind;
  }
  return TxlsPictureKind::Unknown;
}

const char* PictureKindName(TxlsPictureKind kind) {
  switch (kind) {
    case TxlsPictureKind::Wmf: return "WMF";
    case TxlsPictureKind::Emf: return "EMF";
    case TxlsPictureKind::Jpeg: return "JPEG";
    case TxlsPictureKind::Png: return "PNG";
    case TxlsPictureKind::Gif: return "GIF";
    case TxlsPictureKind::Bmp: return "BMP";
    case TxlsPictureKind::Ico: return "ICO";
    case TxlsPictureKind::Unknown: break;
  }
  return "unknown";
}

}  // namespace tabrin
