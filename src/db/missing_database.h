#pragma once
// A database file that is not where the program looks for it.  The message
// names the file and says how to get one, in the words of whoever reads it:
// what() is the command line's, whose users create the file with
// "tabrin-cli init-db"; WindowText() is the window's, whose clerks copy the
// store's database into the program folder or ask IT for it.
#include <string>

#include "text/error.h"

namespace tabrin {

class TMissingDatabaseError : public TabrinError {
 public:
  // `path`: the full name the file was looked for under.
  explicit TMissingDatabaseError(const std::string& path);
  const std::string& Path() const { return path_; }
  // "Could not find file '<path>'; the database must be in the program
  // folder <folder>: copy the store's <file name> there, or ask IT for it."
  std::string WindowText() const;

 private:
  std::string path_;
};

}  // namespace tabrin
