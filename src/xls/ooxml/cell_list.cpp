#include "xls/ooxml/cell_list.h"

#include <string_view>

#include "text/format.h"
#include "text/translation.h"
#include "xls/ooxml/zip_package.h"

namespace tabrin::detail {

void TooManyCells() {
  throw TDamagedPackage(FormatMessage(Tr("a worksheet holds more than %d cells"), {static_cast<long long>(kXlsxMaxCells)}));
}

void TCellList::PlayInto(TWorksheetBuilder& builder) const {
  for (const TOp& op : ops_) {
    CheckRoomForCell(builder);
    TCellValue value;
    value.what = op.what;
    value.kind = op.kind;
    value.number = op.number;
    value.shared = op.a;
    if (op.what == TCellValue::TWhat::Own) value.text = std::string_view(texts_).substr(op.a, op.b);
    AddCell(builder, op.row, op.column, value);
  }
}

}  // namespace tabrin::detail
