#pragma once
// The cells of one worksheet, as its XML streams past.
//
// For a worksheet read in pieces on two parsers (see piece_reading.h) the
// handler also says whether a piece left it exactly as it found it: the
// piece ended right after an element end within the sheet data, at the
// depth it began at, with no cell, value or text open.  A piece after the
// first has to begin with a row that names its number, as it cannot know
// the row before it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/text_pool.h"
#include "xls/model/worksheet_builder.h"
#include "xls/ooxml/cell_list.h"
#include "xls/ooxml/cell_values.h"
#include "xls/ooxml/piece_handler.h"
#include "xls/ooxml/run_text.h"
#include "xls/ooxml/scanned_cell.h"
#include "xls/ooxml/xml_part.h"

namespace tabrin::detail {

class TSheetHandler : public TPieceHandler<TWorksheetBuilder, TCellList>, public TScannedCellSink {
 public:
  // Thrown for a piece that cannot be read without the pieces before it.
  struct TNeedsWholeSheet {};

  TSheetHandler(const TTextPool& sharedStrings, const std::vector<bool>& dateStyles, bool dates1904)
      : values_(sharedStrings, dateStyles, dates1904) {}

  void StartElement(std::string_view name, const TXmlAttributes& attributes) override;
  void EndElement(std::string_view name) override;
  void Text(std::string_view text) override { value_.append(text); }
  // A cell whole, as its events would have given it; taken inside the sheet
  // data, outside any cell.
  void Cell(const TScannedCell& cell) override;
  void Row(std::string_view ref) override {
    bounds_.Entered();
    StartRow(ref);
  }

 private:
  enum class State { Outside, Data, Cell };

  // Nothing open that the next bytes could continue: the last event, the
  // end of an element inside the sheet data, ended where the bytes did.
  bool Settled(std::uint64_t fed) const override {
    return state_ == State::Data && bounds_.EndsAt(fed) && !wantsText_ && !inline_ && runs_.Idle();
  }
  void PieceBegins() override { needsRowNumber_ = true; }

  void Enter(State state) {
    state_ = state;
    takesCells_ = state == State::Data;
  }
  void StartRow(std::string_view ref);
  void StartCell(const TXmlAttributes& attributes);
  void StartCell(const char* ref, const char* type, const char* style);
  void EndCell();
  // Sends the cell to the target or the list, whichever there is.
  void AddCell(const TCellValue& value);

  TCellValueReader values_;
  TRunTextCollector runs_;
  State state_ = State::Outside;
  std::uint32_t row_ = 0, column_ = UINT32_MAX;
  bool rowSeen_ = false;
  TCellType type_ = TCellType::Number;
  std::uint32_t style_ = 0;
  bool hasValue_ = false;
  bool inline_ = false;
  std::string value_;
  bool needsRowNumber_ = false;  // a piece after the first has not yet named its row
};

}  // namespace tabrin::detail
