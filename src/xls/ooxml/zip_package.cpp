#include "xls/ooxml/zip_package.h"

#include <zip.h>

#include <utility>

#include "text/format.h"
#include "text/translation.h"

namespace tabrin::detail {

namespace {

std::string ZipErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

[[noreturn]] void NotReadable(int code) {
  switch (code) {
    case ZIP_ER_NOZIP: throw TDamagedPackage(Tr("it is not a complete ZIP archive (cut short or not a ZIP file)"));
    case ZIP_ER_INCONS: throw TDamagedPackage(Tr("its ZIP directory does not agree with its contents"));
    case ZIP_ER_MEMORY: throw TDamagedPackage(Tr("there is not enough memory to open it"));
    default: throw TDamagedPackage(FormatMessage(Tr("its ZIP archive cannot be read (%s)"), {ZipErrorText(code)}));
  }
}

}  // namespace

// ---- TPartReader

TPartReader::TPartReader(zip_file* file, std::string name, std::uint64_t compressedSize,
                         std::optional<std::uint64_t> declaredSize, std::uint64_t maxBytes)
    : file_(file), name_(std::move(name)), compressedSize_(compressedSize), declaredSize_(declaredSize.value_or(0)),
      declaredSizeKnown_(declaredSize.has_value()), maxBytes_(maxBytes) {}

TPartReader::~TPartReader() { zip_fclose(file_); }

std::size_t TPartReader::Read(char* buffer, std::size_t size) {
  const zip_int64_t got = zip_fread(file_, buffer, size);
  if (got < 0) {
    zip_error_t* error = zip_file_get_error(file_);
    const int code = zip_error_code_zip(error);
    if (code == ZIP_ER_CRC) throw TDamagedPackage(FormatMessage(Tr("the part %s fails its checksum"), {name_}));
    if (code == ZIP_ER_EOF || code == ZIP_ER_READ || code == ZIP_ER_INCONS) {
      throw TDamagedPackage(FormatMessage(Tr("the part %s is cut short"), {name_}));
    }
    throw TDamagedPackage(FormatMessage(Tr("the part %s cannot be inflated (%s)"), {name_, zip_error_strerror(error)}));
  }
  inflated_ += static_cast<std::uint64_t>(got);
  // A sound part inflates to exactly the size its headers state; one that
  // goes past it is damaged, or a bomb that understates its size.
  if (declaredSizeKnown_ && inflated_ > declaredSize_) {
    throw TDamagedPackage(FormatMessage(Tr("the part %s inflates past the %d bytes it declares"),
                                        {name_, static_cast<long long>(declaredSize_)}));
  }
  if (inflated_ > maxBytes_) {
    throw TDamagedPackage(FormatMessage(Tr("the part %s inflates to more than %d MiB"),
                                        {name_, static_cast<long long>(maxBytes_ >> 20)}));
  }
  if (inflated_ > kRatioCheckedFrom && inflated_ / kMaxCompressionRatio > compressedSize_) {
    throw TDamagedPackage(FormatMessage(
        Tr("the part %s inflates more than %d times over, which only a ZIP bomb does"),
        {name_, static_cast<long long>(kMaxCompressionRatio)}));
  }
  return static_cast<std::size_t>(got);
}

// ---- TZipPackage

TZipPackage TZipPackage::OpenFile(const std::string& path) {
  int code = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &code);
  if (archive == nullptr) NotReadable(code);
  return TZipPackage(archive);
}

TZipPackage TZipPackage::OpenBytes(std::string_view bytes) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  if (source == nullptr) {
    zip_error_fini(&error);
    throw TDamagedPackage(Tr("there is not enough memory to open it"));
  }
  zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
  if (archive == nullptr) {
    const int code = zip_error_code_zip(&error);
    zip_source_free(source);
    zip_error_fini(&error);
    NotReadable(code);
  }
  zip_error_fini(&error);
  return TZipPackage(archive);
}

TZipPackage::TZipPackage(TZipPackage&& other) noexcept : archive_(std::exchange(other.archive_, nullptr)) {}

TZipPackage& TZipPackage::operator=(TZipPackage&& other) noexcept {
  if (this != &other) {
    if (archive_ != nullptr) zip_discard(archive_);
    archive_ = std::exchange(other.archive_, nullptr);
  }
  return *this;
}

TZipPackage::~TZipPackage() {
  if (archive_ != nullptr) zip_discard(archive_);
}

bool TZipPackage::Has(std::string_view partName) const {
  return zip_name_locate(archive_, std::string(partName).c_str(), ZIP_FL_NOCASE) >= 0;
}

std::unique_ptr<TPartReader> TZipPackage::Open(std::string_view partName, std::uint64_t maxBytes) const {
  const std::string name(partName);
  const zip_int64_t index = zip_name_locate(archive_, name.c_str(), ZIP_FL_NOCASE);
  if (index < 0) throw TDamagedPackage(FormatMessage(Tr("the part %s is missing"), {name}));
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &stat) != 0) {
    throw TDamagedPackage(FormatMessage(Tr("the part %s cannot be read"), {name}));
  }
  if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && stat.encryption_method != ZIP_EM_NONE) {
    throw TDamagedPackage(FormatMessage(Tr("the part %s is encrypted"), {name}));
  }
  if ((stat.valid & ZIP_STAT_SIZE) != 0 && stat.size > maxBytes) {
    throw TDamagedPackage(FormatMessage(Tr("the part %s inflates to more than %d MiB"),
                                        {name, static_cast<long long>(maxBytes >> 20)}));
  }
  zip_file_t* file = zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0);
  if (file == nullptr) {
    const int code = zip_error_code_zip(zip_get_error(archive_));
    if (code == ZIP_ER_COMPNOTSUPP) {
      throw TDamagedPackage(FormatMessage(Tr("the part %s is compressed in a way that cannot be read"), {name}));
    }
    throw TDamagedPackage(FormatMessage(Tr("the part %s cannot be read (%s)"), {name, ZipErrorText(code)}));
  }
  const std::uint64_t compressed = (stat.valid & ZIP_STAT_COMP_SIZE) != 0 ? stat.comp_size : 0;
  const std::optional<std::uint64_t> declared =
      (stat.valid & ZIP_STAT_SIZE) != 0 ? std::optional<std::uint64_t>(stat.size) : std::nullopt;
  return std::unique_ptr<TPartReader>(new TPartReader(file, name, compressed, declared, maxBytes));
}

}  // namespace tabrin::detail
