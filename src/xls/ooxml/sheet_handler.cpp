#include "xls/ooxml/sheet_handler.h"

#include <optional>

#include "text/format.h"
#include "text/translation.h"
#include "xls/ooxml/cell_reference.h"
#include "xls/ooxml/value_text.h"
#include "xls/ooxml/xlsx_reader.h"
#include "xls/ooxml/zip_package.h"

namespace tabrin::detail {

namespace {

[[noreturn]] void Damaged(const std::string& reason) { throw TDamagedPackage(reason); }

}  // namespace

void TSheetHandler::StartElement(std::string_view name, const TXmlAttributes& attributes) {
  bounds_.Entered();
  switch (state_) {
    case State::Outside:
      if (name == "sheetData") Enter(State::Data);
      return;
    case State::Data:
      if (name == "row") StartRow(attributes.Get("r"));
      else if (name == "c") StartCell(attributes);
      return;
    case State::Cell:
      if (name == "v") {
        value_.clear();
        wantsText_ = true;
      } else if (name == "is") {
        value_.clear();
        inline_ = true;
        runs_.Reset();
      } else if (inline_) {
        runs_.Start(name, wantsText_);
      }
      return;
  }
}

void TSheetHandler::EndElement(std::string_view name) {
  bounds_.Left();
  if (state_ == State::Cell) {
    if (name == "c") {
      EndCell();
      Enter(State::Data);
    } else if (name == "v") {
      wantsText_ = false;
      hasValue_ = true;
    } else if (name == "is") {
      inline_ = false;
      hasValue_ = true;
    } else if (inline_) {
      runs_.End(name, wantsText_);
    }
  } else if (state_ == State::Data) {
    if (name == "sheetData") {
      Enter(State::Outside);
    } else {
      bounds_.NoteEnd();
    }
  }
}

void TSheetHandler::StartRow(std::string_view r) {
  if (r.empty()) {
    if (needsRowNumber_) throw TNeedsWholeSheet();
    row_ = rowSeen_ ? row_ + 1 : 0;
  } else {
    const std::optional<std::uint32_t> number = ParseIndex(r);
    if (!number || *number == 0) Damaged(Tr("a row has a number that is not one"));
    row_ = *number - 1;
  }
  needsRowNumber_ = false;
  if (row_ >= kXlsxMaxRows) Damaged(Tr("a row lies beyond the last row of a worksheet"));
  rowSeen_ = true;
  column_ = UINT32_MAX;  // the next cell without a reference is the first
}

void TSheetHandler::Cell(const TScannedCell& cell) {
  StartCell(cell.ref, cell.type, cell.style);
  Enter(State::Data);
  if (!cell.hasValue || DecodesText(type_)) {
    value_.assign(cell.value);
    hasValue_ = cell.hasValue;
    EndCell();
    return;
  }
  // A value read where it stands, without a copy.
  if (target_ == nullptr && list_ == nullptr) return;
  if (target_ != nullptr) CheckRoomForCell(*target_);
  AddCell(values_.ReadPlain(type_, style_, cell.value));
}

void TSheetHandler::StartCell(const TXmlAttributes& attributes) {
  static const char kNone[] = "";
  const char *ref = kNone, *type = kNone, *style = kNone;
  attributes.ForEachRaw([&](std::string_view name, const char* value) {
    if (name.size() != 1) return;
    switch (name[0]) {
      case 'r': ref = value; break;
      case 't': type = value; break;
      case 's': style = value; break;
      default: break;
    }
  });
  StartCell(ref, type, style);
}

void TSheetHandler::StartCell(const char* ref, const char* type, const char* style) {
  if (needsRowNumber_) throw TNeedsWholeSheet();
  Enter(State::Cell);
  style_ = 0;
  hasValue_ = false;
  inline_ = false;
  value_.clear();
  if (!rowSeen_) {  // a cell outside any row
    rowSeen_ = true;
    row_ = 0;
  }
  if (*ref == '\0') {
    column_ = column_ == UINT32_MAX ? 0 : column_ + 1;
  } else if (!PlainCellReference(ref, row_, column_) && !ParseCellReference(ref, row_, column_)) {
    Damaged(FormatMessage(Tr("a cell has the reference \"%s\", which names no cell"), {std::string_view(ref)}));
  }
  if (row_ >= kXlsxMaxRows) Damaged(Tr("a cell lies beyond the last row of a worksheet"));
  if (column_ >= kXlsxMaxColumns) Damaged(Tr("a cell lies beyond the last column of a worksheet"));
  type_ = CellTypeOf(type);
  if (*style != '\0' && !PlainIndex(style, style_)) style_ = ParseIndex(style).value_or(0);
}

void TSheetHandler::EndCell() {
  if (target_ == nullptr && list_ == nullptr) return;
  if (target_ != nullptr) CheckRoomForCell(*target_);
  AddCell(hasValue_ ? values_.Read(type_, style_, value_) : TCellValue());
}

void TSheetHandler::AddCell(const TCellValue& value) {
  if (target_ != nullptr) detail::AddCell(*target_, row_, column_, value);
  else list_->Add(row_, column_, value);
}

}  // namespace tabrin::detail
