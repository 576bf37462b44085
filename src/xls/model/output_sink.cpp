#include "xls/model/output_sink.h"

namespace tabrin {

TFileSink::TFileSink(std::FILE* file) : file_(file) {}

TFileSink::~TFileSink() {
  if (file_ != nullptr) std::fclose(file_);
}

std::size_t TFileSink::Write(const void* data, std::size_t count) {
  return std::fwrite(data, 1, count, file_);
}

bool TFileSink::Flush() { return std::fflush(file_) == 0 && std::ferror(file_) == 0; }

}  // namespace tabrin
