#pragma once
// Reading the streams of a compound document (the container of Excel 97-2003
// workbooks): header, FAT with its DIFAT, mini FAT and mini stream, and the
// directory, for sector sizes of 512 (version 3) and 4096 bytes (version 4).
//
// Every offset, length and sector number read from the file is checked, and
// sector chains are followed with a visited mark, so damaged input ends in an
// exception, never in a crash or an endless loop.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/error.h"

namespace tabrin::detail {

// The bytes do not start with the compound document signature.
class TNotCompoundDocument : public TabrinError {
 public:
  using TabrinError::TabrinError;
};

// A compound document whose structure is broken; the message says how.
class TDamagedDocument : public TabrinError {
 public:
  using TabrinError::TabrinError;
};

// Bytes a container lends without copying them (a view into memory, or a
// mapping of the file, undone when the loan ends).
class TLentBytes {
 public:
  TLentBytes(const char* data, std::size_t size, void* mapping = nullptr, std::size_t mappingSize = 0)
      : data_(data), size_(size), mapping_(mapping), mappingSize_(mappingSize) {}
  ~TLentBytes();
  TLentBytes(const TLentBytes&) = delete;
  TLentBytes& operator=(const TLentBytes&) = delete;
  std::string_view View() const { return std::string_view(data_, size_); }

 private:
  const char* data_;
  std::size_t size_;
  void* mapping_;
  std::size_t mappingSize_;
};

// Where a container's bytes come from: memory, or a file read a piece at a
// time, so that a workbook file is never held twice.
class TContainerBytes {
 public:
  virtual ~TContainerBytes() = default;
  virtual std::uint64_t Size() const = 0;
  // Copies the length bytes at offset (inside Size()) to out.
  virtual void Read(std::uint64_t offset, std::size_t length, char* out) const = 0;
  // The length bytes at offset without a copy, or nullptr where they cannot
  // be lent (they are then Read).
  virtual std::unique_ptr<TLentBytes> Lend(std::uint64_t offset, std::size_t length) const = 0;
};

class TMemoryBytes : public TContainerBytes {
 public:
  explicit TMemoryBytes(std::string_view bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  void Read(std::uint64_t offset, std::size_t length, char* out) const override;
  std::unique_ptr<TLentBytes> Lend(std::uint64_t offset, std::size_t length) const override;

 private:
  std::string_view bytes_;
};

// An open file; raises TabrinError "Cannot open file '<path>': <reason>".
class TFileBytes : public TContainerBytes {
 public:
  explicit TFileBytes(const std::string& path);
  ~TFileBytes() override;
  TFileBytes(const TFileBytes&) = delete;
  TFileBytes& operator=(const TFileBytes&) = delete;
  std::uint64_t Size() const override { return size_; }
  // Raises TabrinError "Cannot read file '<path>': <reason>".
  void Read(std::uint64_t offset, std::size_t length, char* out) const override;
  // A read-only mapping of the bytes, while the file still holds them.
  std::unique_ptr<TLentBytes> Lend(std::uint64_t offset, std::size_t length) const override;
  // The first bytes of the file (all of it when it is shorter).
  std::string Head(std::size_t length) const;

 private:
  std::string path_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

class TCompoundFileReader {
 public:
  // The bytes must outlive the reader.
  explicit TCompoundFileReader(std::string_view bytes);
  explicit TCompoundFileReader(const TContainerBytes& bytes);

  // Names (UTF-8) of the streams directly inside the root storage.
  std::vector<std::string> RootStreamNames() const;
  // The contents of a stream of the root storage, its name matched without
  // regard to ASCII letter case; nullopt when there is none.
  std::optional<std::string> ReadRootStream(std::string_view name) const;
  // The size of such a stream, or nullopt when there is none.
  std::optional<std::uint64_t> RootStreamSize(std::string_view name) const;
  // Copies length bytes of that stream from offset on (which must lie
  // inside it) to out, reading only the sectors that hold them.
  void ReadRootStreamPart(std::string_view name, std::uint64_t offset, std::size_t length, char* out) const;
  // The same bytes lent by the container where they lie in one run of
  // sectors (as a workbook's stream usually does), else nullptr.
  std::unique_ptr<TLentBytes> LendRootStreamPart(std::string_view name, std::uint64_t offset, std::size_t length) const;

 private:
  struct TDirectoryEntry {
    std::string name;  // UTF-8
    std::uint8_t type = 0;
    std::uint32_t left = 0, right = 0, child = 0;
    std::uint32_t start = 0;
    std::uint64_t size = 0;
  };

  void ReadHeader();
  void ReadFat();
  void ReadDirectory();
  void ReadMiniFat();
  void Open();
  std::string Sector(std::uint32_t index, std::size_t length) const;
  std::vector<std::uint32_t> FollowChain(const std::vector<std::uint32_t>& table, std::uint32_t start,
                                         std::size_t needed, const char* what) const;
  std::string ReadRegularStream(std::uint32_t start, std::uint64_t size, const char* what) const;
  std::string ReadMiniStream(std::uint32_t start, std::uint64_t size) const;
  std::vector<std::uint32_t> RootChildren() const;
  const TDirectoryEntry* FindRootStream(std::string_view name) const;

  TMemoryBytes memory_{std::string_view()};
  const TContainerBytes& bytes_;
  std::uint64_t size_ = 0;
  std::string header_;
  unsigned sectorShift_ = 9;
  std::size_t sectorSize_ = 512;
  std::uint32_t miniCutoff_ = 4096;
  std::uint32_t fatSectorCount_ = 0;
  std::uint32_t firstDirectorySector_ = 0;
  std::uint32_t firstMiniFatSector_ = 0;
  std::uint32_t miniFatSectorCount_ = 0;
  std::uint32_t firstDifatSector_ = 0;
  std::uint32_t difatSectorCount_ = 0;
  bool version4_ = false;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> miniFat_;
  std::vector<TDirectoryEntry> entries_;
};

}  // namespace tabrin::detail
