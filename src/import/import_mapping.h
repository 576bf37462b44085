#pragma once
// What an importer is made of, as data: the target query, how a sheet row's
// code is read and looked up, and for every target field where its value
// comes from in a new record and in an overwritten one.
#include <cstddef>
#include <span>
#include <string_view>

#include "db/schema.h"

namespace tabrin {

// Where one field's value comes from.
enum class TCellRule {
  crNotWritten,  // the field is left alone in this branch
  crCode,        // the row's code (the completed item number for items)
  crText,        // the cell's text; blank gives the empty text
  crTextCut,     // the cell's text cut to cutBytes Big5 bytes before it is written
  crDate,        // the cell's text into a date-time field; blank gives null
  crNumber,      // blank gives blankValue, else the cell's number
  crFalse,       // the constant false
  crEmptyText,   // the constant empty text
};

struct TCellSource {
  TCellRule rule = TCellRule::crNotWritten;
  std::string_view column;  // sheet column title, for the rules that read a cell
  double blankValue = 0;    // crNumber
  std::size_t cutBytes = 0; // crTextCut
};

// One target field and its source in each branch.
struct TFieldMapping {
  std::string_view field;
  TCellSource newRecord;  // a code the table does not hold yet
  TCellSource overwrite;  // a code it holds, with the cover setting "0"
};

struct TImporterDef {
  const TQueryDef* target = nullptr;  // declared field list and component name
  std::string_view lookupSql;         // one "?" for the code
  std::string_view codeColumn;        // sheet column holding the code
  std::string_view codeField;         // target field the code is looked up in
  bool completeItemNumber = false;    // six digits become an EAN-8 item number
  // Rows whose code cell is empty are not rows of this sheet (the item tab's
  // filter); elsewhere an empty code is looked up like any other.
  bool skipEmptyCode = false;
  std::span<const TFieldMapping> fields;  // in the order they are written
};

}  // namespace tabrin
