#pragma once
// The export component's message table.  Every error text is looked up by its
// numeric id through the one process-wide TFerranLocale, so the texts can be
// replaced in one place without touching the code that raises them.
#include <initializer_list>
#include <string>

#include "text/format.h"

namespace tabrin {

// Ids of the messages the export pipeline raises.
enum TFerranMessageId {
  msgSourceNotAssigned = 34014,   // "Export source (%s) is not assigned"
  msgSheetDefineError = 34015,    // "Sheet %s define with error: %s"
  msgSourceClosed = 34016,        // "Export source (%s) is closed"
  msgSourceEmpty = 34017,         // "Export source (%s) is empty"
  msgFileNameMissing = 34023,     // "Result file name not present"
  msgDirectoryNotCreated = 34025  // "Directory "%s" not found and cannot be created"
};

class TFerranLocale {
 public:
  // Created on first use, lives until the process ends; holds nothing that
  // changes, so any thread may use it.
  static const TFerranLocale& Instance();

  // The text of a message id; empty for an id the table does not hold.  Like
  // a string resource read into a 1024-character buffer, at most 1023
  // characters come back.
  std::string LoadMessage(int id) const;

 private:
  TFerranLocale() = default;
};

// The message of an id with its %s/%d arguments filled in.
std::string FerranMessage(int id, std::initializer_list<MessageArg> args = {});
// Raises TabrinError with that message.
[[noreturn]] void RaiseFerranError(int id, std::initializer_list<MessageArg> args = {});

}  // namespace tabrin
