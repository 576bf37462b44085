#pragma once
// The workbook's picture store: the pictures images show, kept once in the
// drawing group (MSODRAWINGGROUP) and referred to by their 1-based position
// in the store.
//
// Every picture of the workbook's list whose file exists and whose kind can
// be stored is loaded once, in list order, the first time it is needed:
// JPEG and PNG files are stored as they are, a GIF as a PNG of its pixels,
// a BMP as its device-independent bitmap (the file without its header).
// Other kinds (WMF, EMF, ICO and unknown extensions) are not stored.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "xls/model/drawing_objects.h"
#include "xls/biff8/drawing/picture_file.h"

namespace tabrin {

class TEscherBuilder;

struct TxlsStoredPicture {
  std::size_t PictureIndex = 0;       // position in the workbook's list
  TxlsPixelSize Size;
  std::uint8_t BlipType = 0;          // 5 JPEG, 6 PNG, 7 DIB
  std::vector<std::uint8_t> Data;     // the picture as stored
  std::array<std::uint8_t, 16> Uid{};  // MD4 of Data
  std::uint32_t References = 0;       // images showing it
};

class TxlsPictureStore {
 public:
  // Loads the stored pictures of the list (once; later calls do nothing).
  void Load(const TxlsPictures& pictures);
  bool Loaded() const { return loaded_; }
  // The store entry of picture `pictureIndex`, or nullptr when it is not
  // stored; why not (missing file, kind) is in Reason().
  TxlsStoredPicture* Find(std::size_t pictureIndex);
  // 1-based position of an entry in the store.
  int BlipIndex(const TxlsStoredPicture& entry) const;
  std::string Reason(std::size_t pictureIndex) const;
  bool Empty() const { return entries_.empty(); }
  // The store container (0xF001) with one entry (0xF007) and its picture
  // per stored picture.
  void WriteContainer(TEscherBuilder& out) const;
  void Clear();

 private:
  bool loaded_ = false;
  std::vector<TxlsStoredPicture> entries_;
  std::vector<std::string> reasons_;  // per picture of the list; empty when stored
};

// Blip kind of the picture store for a file kind: 5 JPEG, 6 PNG (also GIF),
// 7 BMP, 0 not stored.
std::uint8_t StoreBlipType(TxlsPictureKind kind);

}  // namespace tabrin
