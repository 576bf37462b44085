#include "xls/biff8/drawing/picture_store.h"

#include <filesystem>

#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"
#include "xls/biff8/drawing/escher_builder.h"
#include "xls/biff8/drawing/md4.h"

namespace tabrin {
namespace {

struct TBlipRecord {
  std::uint16_t Type;
  std::uint16_t Instance;
};

// Record type and instance of a picture of one blip kind (one identifier).
TBlipRecord BlipRecordOf(std::uint8_t blipType) {
  switch (blipType) {
    case escher::kBlipTypeJpeg: return {escher::kBlipJpeg, escher::kBlipJpegInstance};
    case escher::kBlipTypePng: return {escher::kBlipPng, escher::kBlipPngInstance};
    default: return {escher::kBlipDib, escher::kBlipDibInstance};
  }
}

// 16-byte identifier and the tag byte in front of the picture's bytes.
constexpr std::uint32_t kBlipPrefix = 17;

}  // namespace

std::uint8_t StoreBlipType(TxlsPictureKind kind) {
  switch (kind) {
    case TxlsPictureKind::Jpeg: return escher::kBlipTypeJpeg;
    case TxlsPictureKind::Png:
    case TxlsPictureKind::Gif: return escher::kBlipTypePng;
    case TxlsPictureKind::Bmp: return escher::kBlipTypeDib;
    default: return 0;
  }
}

void TxlsPictureStore::Load(const TxlsPictures& pictures) {
  if (loaded_) return;
  loaded_ = true;
  reasons_.assign(pictures.size(), std::string());
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const TxlsPicture& picture = pictures[i];
    const TxlsPictureKind kind = PictureKindOfFile(picture.FileName);
    const std::uint8_t blipType = StoreBlipType(kind);
    std::error_code error;
    if (picture.FileName.empty() || !std::filesystem::is_regular_file(picture.FileName, error)) {
      reasons_[i] = FormatMessage(Tr("its file \"%s\" does not exist"), {picture.FileName});
      continue;
    }
    if (blipType == 0) {
      reasons_[i] = FormatMessage(Tr("%s pictures cannot be placed on a sheet"),
                                  {kind == TxlsPictureKind::Unknown ? std::string(Tr("this kind of"))
                                                                    : std::string(PictureKindName(kind))});
      continue;
    }
    TxlsStoredPicture entry;
    entry.PictureIndex = i;
    entry.BlipType = blipType;
    std::vector<std::uint8_t> bytes = ReadPictureFile(picture.FileName);
    entry.Size = PictureSize(kind, bytes, picture.FileName);
    if (kind == TxlsPictureKind::Gif) {
      entry.Data = EncodePng(DecodePicture(kind, bytes, picture.FileName));
    } else if (kind == TxlsPictureKind::Bmp) {
      if (bytes.size() < 14) throw TabrinError(FormatMessage(Tr("The picture %s is not a BMP picture that can be read"), {picture.FileName}));
      entry.Data.assign(bytes.begin() + 14, bytes.end());
    } else {
      entry.Data = std::move(bytes);
    }
    if (entry.Data.size() > 0x7FFFFF00u) throw TabrinError(FormatMessage(Tr("The picture %s is too large"), {picture.FileName}));
    entry.Uid = Md4Digest(entry.Data.data(), entry.Data.size());
    entries_.push_back(std::move(entry));
  }
}

TxlsStoredPicture* TxlsPictureStore::Find(std::size_t pictureIndex) {
  for (TxlsStoredPicture& entry : entries_) {
    if (entry.PictureIndex == pictureIndex) return &entry;
  }
  return nullptr;
}

int TxlsPictureStore::BlipIndex(const TxlsStoredPicture& entry) const {
  return static_cast<int>(&entry - entries_.data()) + 1;
}

std::string TxlsPictureStore::Reason(std::size_t pictureIndex) const {
  return pictureIndex < reasons_.size() ? reasons_[pictureIndex] : std::string();
}

void TxlsPictureStore::WriteContainer(TEscherBuilder& out) const {
  const std::size_t store = out.BeginContainer(escher::kBStoreContainer, static_cast<std::uint16_t>(entries_.size()));
  for (const TxlsStoredPicture& entry : entries_) {
    const TBlipRecord blip = BlipRecordOf(entry.BlipType);
    const std::uint32_t blipSize = 8 + kBlipPrefix + static_cast<std::uint32_t>(entry.Data.size());
    out.Header(escher::kBse, 2, entry.BlipType, 36 + blipSize);
    out.U8(entry.BlipType);  // for Windows
    out.U8(entry.BlipType);  // for the Macintosh
    out.Append(entry.Uid.data(), entry.Uid.size());
    out.U16(0xFF);           // tag
    out.U32(blipSize);
    out.U32(entry.References);
    out.U32(0);              // the picture follows here, not in a delay stream
    out.U8(0);               // usage: default
    out.U8(0);               // no name
    out.U8(0);
    out.U8(0);
    out.Header(blip.Type, 0, blip.Instance, kBlipPrefix + static_cast<std::uint32_t>(entry.Data.size()));
    out.Append(entry.Uid.data(), entry.Uid.size());
    out.U8(0xFF);            // tag
    out.Append(entry.Data);
  }
  out.EndContainer(store);
}

void TxlsPictureStore::Clear() {
  loaded_ = false;
  entries_.clear();
  reasons_.clear();
}

}  // namespace tabrin
