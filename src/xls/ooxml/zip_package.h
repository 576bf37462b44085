#pragma once
// The parts of a ZIP package (the container of an Excel 2007+ workbook),
// read one inflated chunk at a time so that no part is ever held whole.
//
// A package is hostile input: every part is read under a size limit, a
// compression-ratio check and the size the package states for it (reading
// stops as soon as a part inflates past that), and checksums, truncation and
// encryption are reported as TDamagedPackage with a reason meant for the
// user.
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct zip;
struct zip_file;

namespace tabrin::detail {

class TDamagedPackage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parts may not inflate to more than this many bytes per compressed byte
// once they are past kRatioCheckedFrom bytes: ordinary worksheets inflate
// ten to fifty times, a ZIP bomb about a thousand.
inline constexpr std::uint64_t kMaxCompressionRatio = 250;
inline constexpr std::uint64_t kRatioCheckedFrom = std::uint64_t{64} << 20;

class TZipPackage;

// One part being inflated.
class TPartReader {
 public:
  TPartReader(const TPartReader&) = delete;
  TPartReader& operator=(const TPartReader&) = delete;
  ~TPartReader();
  // Fills buffer with up to size bytes; 0 at the end of the part.
  std::size_t Read(char* buffer, std::size_t size);
  // How big the package says the part is once inflated; Read raises as soon
  // as the part goes past it (0 when the package does not say).
  std::uint64_t DeclaredSize() const { return declaredSize_; }

 private:
  friend class TZipPackage;
  TPartReader(zip_file* file, std::string name, std::uint64_t compressedSize,
              std::optional<std::uint64_t> declaredSize, std::uint64_t maxBytes);
  zip_file* file_;
  std::string name_;
  std::uint64_t compressedSize_;
  std::uint64_t declaredSize_;
  bool declaredSizeKnown_;
  std::uint64_t maxBytes_;
  std::uint64_t inflated_ = 0;
};

class TZipPackage {
 public:
  // Raises TDamagedPackage when the file is not a readable ZIP archive
  // (truncated, no central directory, inconsistent headers).
  static TZipPackage OpenFile(const std::string& path);
  // The same for bytes in memory, which must outlive the package.
  static TZipPackage OpenBytes(std::string_view bytes);
  TZipPackage(TZipPackage&&) noexcept;
  TZipPackage& operator=(TZipPackage&&) noexcept;
  ~TZipPackage();

  // Part names compare without regard to letter case, as the packaging
  // conventions have it.
  bool Has(std::string_view partName) const;
  // Raises TDamagedPackage for a missing or encrypted part; the reader
  // raises it for a part past maxBytes, the ratio limit or its declared size,
  // a bad checksum or a package cut short.
  std::unique_ptr<TPartReader> Open(std::string_view partName, std::uint64_t maxBytes) const;

 private:
  explicit TZipPackage(zip* archive) : archive_(archive) {}
  zip* archive_ = nullptr;
};

}  // namespace tabrin::detail
