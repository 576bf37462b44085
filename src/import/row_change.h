#pragma once
// What one sheet row does to its record, as the import loop works it out:
// the code, whether the record is new, overwritten or left as it is, and for
// every field the branch writes the value stored before and the value the
// import stores (after the field's cuts and the check digit).  The import
// plan shows it to the clerk; the import journal keeps it so that the
// import can be taken back.
//
//   for (const TFieldChange& f : change.fields)
//     if (f.Changes()) std::cout << f.title << ": " << ValueText(f.before) << " → " << ValueText(f.after);
#include <string>
#include <string_view>
#include <vector>

#include "db/value.h"

namespace tabrin {

enum class TRowAction {
  raAppended,     // a code the table did not hold: a new record
  raOverwritten,  // a code it held, with the cover setting "0"
  raLeft,         // a code it held, left as it is (cover setting not "0")
  raNotAppended,  // a code the table did not hold, left out by an update-only import
};

struct TFieldChange {
  std::string_view field;  // target field name
  std::string_view title;  // what a clerk reads: the field's display title, else its name
  TValue before;           // as stored; null for a new record
  TValue after;            // as the import stores it
  // Whether storing after changes what the field holds (numbers compare by
  // value, date-times to the millisecond, null and the empty text alike).
  bool Changes() const;
};

struct TRowChange {
  TRowAction action = TRowAction::raLeft;
  std::string code;                  // as looked up (item numbers completed)
  std::vector<TFieldChange> fields;  // the fields the branch writes, in order; empty when left
  // An overwrite that keeps blanks: the fields whose blank cell left a
  // stored value alone (not in fields), by title.
  std::vector<std::string_view> keptBlanks;
  // An overwrite that stores what the record holds already.
  bool Same() const;
};

// Two stored values alike in the sense of TFieldChange::Changes.
bool SameStoredValue(const TValue& a, const TValue& b);

// A value as the clerk reads it: texts as they are, numbers and date-times
// in the regional formats, booleans "True"/"False", null as the empty text.
std::string ValueText(const TValue& value);

}  // namespace tabrin
