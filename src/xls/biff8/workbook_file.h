#pragma once
// The output file of one export, kept safe until the workbook is complete.
//
// Open creates the temporary file of a TFileReplacement beside the target (so
// a folder that cannot be written, or a target the user may not write, fails
// before any record is produced).  The workbook stream is built in memory
// (Stream()).  Commit writes the compound document into the temporary file
// and puts it in place of the target; Discard (also run by the destructor
// when Commit was never reached) removes the temporary file and leaves an
// existing target untouched.  So a failed or aborted export never destroys
// the user's previous file nor leaves a half-written one.
#include <cstdio>
#include <memory>
#include <string>

#include "xls/model/output_sink.h"
#include "xls/biff8/xls_stream.h"

namespace tabrin {

class TFileReplacement;

class TWorkbookFile {
 public:
  // fileName is UTF-8.  Raises TabrinError "Cannot write '<file>': <the
  // system's error text>" when the temporary file cannot be created or the
  // target may not be written.
  explicit TWorkbookFile(const std::string& fileName, TOutputSinkFactory sinkFactory = {});
  ~TWorkbookFile();
  TWorkbookFile(const TWorkbookFile&) = delete;
  TWorkbookFile& operator=(const TWorkbookFile&) = delete;

  TxlsMemoryStream& Stream() { return stream_; }
  const std::string& FileName() const { return fileName_; }

  // Writes the container and puts it in place of the target.  Raises
  // "Error writing output file" (or the system's text of a failed rename);
  // after a failure the temporary file is gone and the target is as before.
  void Commit();
  void Discard() noexcept;

 private:
  std::string fileName_;
  std::unique_ptr<TFileReplacement> replacement_;
  std::FILE* file_ = nullptr;
  TOutputSinkFactory sinkFactory_;
  TxlsMemoryStream stream_;
};

}  // namespace tabrin
