#pragma once
// The dialog "欄位對應": when the sheet opened on a tab lacks columns its
// import reads, each column the import reads beside a choice of the sheet's
// titles, "（未對應）" and, but for the code column, "〈不匯入此欄位〉"; filled
// in by the proposed mapping, with the name the mapping is saved under.
#include <QDialog>

#include <string>
#include <string_view>
#include <vector>

#include "db/master_table.h"
#include "import/column_mapping.h"

class QComboBox;
class QLineEdit;

namespace tabrin::app {

class TMappingDialog : public QDialog {
  Q_OBJECT
 public:
  // columns: those the import reads, the code column first.
  TMappingDialog(TMasterTable table, const std::vector<std::string_view>& columns,
                 const std::vector<std::string>& titles, const TColumnMapping& proposed, QWidget* parent = nullptr);

  // The mapping the choices make: a title other than the column's own maps
  // it, "〈不匯入此欄位〉" leaves it alone.
  TColumnMapping Mapping() const;
  // The name to save it under (the default when the field is left empty).
  std::string Name() const;

  // One choice a column the import reads, in the order given.
  std::vector<QComboBox*> choices;
  QLineEdit* nameEdit = nullptr;

 private:
  std::vector<std::string> columns_;
  std::string defaultName_;
};

// The entries of a choice besides the sheet's titles.
inline constexpr std::string_view kUnmappedEntry = "（未對應）";
inline constexpr std::string_view kLeaveEntry = "〈不匯入此欄位〉";

}  // namespace tabrin::app
