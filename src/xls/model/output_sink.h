#pragma once
// Where a finished workbook file goes.  TOutputSink is a plain forward-only
// byte sink; Write returns how many bytes it took, and the container writer
// treats anything short as "Error writing output file".  TFileSink writes to
// an open file; tests wrap or replace it to make writes fail.
#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace tabrin {

class TOutputSink {
 public:
  virtual ~TOutputSink() = default;
  virtual std::size_t Write(const void* data, std::size_t count) = 0;
  // Pushes buffered bytes to the file; false when that fails.
  virtual bool Flush() = 0;
};

// Writes to a file opened by the caller; the sink owns and closes it.
class TFileSink : public TOutputSink {
 public:
  explicit TFileSink(std::FILE* file);
  ~TFileSink() override;
  std::size_t Write(const void* data, std::size_t count) override;
  bool Flush() override;

 private:
  std::FILE* file_;
};

// Given the temporary file the workbook is written to, returns the sink the
// container is written through.  The default wraps the file in a TFileSink.
using TOutputSinkFactory = std::function<std::unique_ptr<TOutputSink>(std::FILE* file)>;

}  // namespace tabrin
