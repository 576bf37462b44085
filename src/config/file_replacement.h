#pragma once
// Replacing a file so that anyone who reads it sees either the old file or
// the complete new one, whatever happens to the writer on the way.
//
// The new content goes into a temporary file in the target's folder, so that
// putting it in place is one rename on one file system.  Where the file
// system allows, that file has no name until it is complete (O_TMPFILE): a
// writer that is killed leaves nothing behind.  Elsewhere, and for writers
// whose library opens the file by name, it is ".<name>.<digits>.tmp", locked
// while its writer lives; the next replacement of the same target removes
// those whose writer is gone.  Commit syncs the file, puts it in place and
// syncs the folder, so the rename survives a power cut.
//
// The rename needs no permission on the target itself, so an existing target
// the user may not write is refused up front: replacing a file is writing
// it.  The new file keeps the permission bits of the file it replaces; a new
// target gets 0666 less the umask, which the kernel applies when it creates
// the file, so no process-wide state is touched (the umask belongs to every
// thread at once).
//
//   TFileReplacement file(target, messages);
//   file.Write(bytes);  // or write through Descriptor() or Path()
//   file.Commit();      // without a commit the destructor discards the file
#include <functional>
#include <string>
#include <string_view>

namespace tabrin {

// The writer's own words for what failed, given the system's error number.
struct TReplacementMessages {
  // The temporary file cannot be made or named, or the target may not be written.
  std::function<std::string(int error)> cannotCreate;
  // Writing or syncing the new content failed.
  std::function<std::string(int error)> cannotWrite;
  // The complete file cannot take the target's place.
  std::function<std::string(int error)> cannotReplace;

  // One message for every failure.
  static TReplacementMessages Same(const std::function<std::string(int error)>& message) {
    return {message, message, message};
  }
};

enum class TTemporaryKind {
  tkUnnamed,  // no name until the commit, where the file system allows
  tkNamed,    // a name from the start, for a library that opens the file by name
};

class TFileReplacement {
 public:
  // Clears stale temporaries of the target and creates the new one.  Raises
  // TabrinError(messages.cannotCreate(error)) when the target exists and the
  // user may not write it, or when the temporary file cannot be created.
  TFileReplacement(std::string target, TReplacementMessages messages,
                   TTemporaryKind kind = TTemporaryKind::tkUnnamed);
  ~TFileReplacement();
  TFileReplacement(const TFileReplacement&) = delete;
  TFileReplacement& operator=(const TFileReplacement&) = delete;

  const std::string& Target() const { return target_; }
  // The temporary file, open for writing; -1 once committed or discarded.
  int Descriptor() const { return fd_; }
  // A name that opens the temporary file, for libraries that write to a
  // named file: its own name, or "/proc/self/fd/<n>" while it has none.
  std::string Path() const;

  // Appends bytes; raises messages.cannotWrite when the write fails.
  void Write(std::string_view bytes);
  // Syncs the file and puts it in place of the target.  Raises one of the
  // messages on failure; the temporary file is then gone and the target is
  // as before.
  void Commit();
  // Removes the temporary file; the target stays as it is.
  void Discard() noexcept;

 private:
  [[noreturn]] void Fail(const std::function<std::string(int)>& message, int error);
  void PutInPlace();

  std::string target_;
  TReplacementMessages messages_;
  std::string temporaryName_;  // empty while the file has no name
  int fd_ = -1;
};

}  // namespace tabrin
