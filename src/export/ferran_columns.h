#pragma once
// The export columns of a run (TFerranColumns of TFerranColumn) and the row
// of the record being exported (TFerranRow of TFerranCol).
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "export/ferran_types.h"
#include "export/source_adapter.h"
#include "export/string_list.h"

namespace tabrin {

class TFerranFormats;

// What a column list reads from its holder (the export component or a sheet)
// each time it is built.  Pointers stay owned by the holder.
struct TFerranHolderSettings {
  const TStringList* ExportedFields = nullptr;
  TFerranSourceRefs Sources;
  bool OnlyVisibleFields = false;
  const TFerranFormats* Formats = nullptr;
  bool AutoCalcStrType = false;
  int CaptionRow = -1;
  const TStringList* UserFormats = nullptr;
  const TStringList* ColumnsWidth = nullptr;
  const TStringList* Captions = nullptr;
  int SkipRecCount = 0;
  int ExportRecCount = 0;
};

class TFerranColumnHolder {
 public:
  virtual ~TFerranColumnHolder() = default;
  virtual TFerranHolderSettings HolderSettings() const = 0;
};

struct TFerranColumn {
  int SourceIndex = -1;
  TFerranColType Kind = ectUnknown;
  std::string Name;
  std::string Caption;
  int Width = 0;
  std::string Format;
  // 0, or 1 + index of the sheet's field format that asks for an aggregate.
  int AggregateSlot = 0;
};

class TFerranColumns {
 public:
  explicit TFerranColumns(const TFerranColumnHolder& holder) : holder_(holder) {}

  // Appends one column per selected source column and fills its attributes;
  // the caller clears the list first.  BLOB fields are left out unless
  // allowBlob or ExportedFields names them.
  void Build(bool allowBlob);
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  TFerranColumn& Items(int index) { return items_.at(static_cast<std::size_t>(index)); }
  const TFerranColumn& Items(int index) const { return items_.at(static_cast<std::size_t>(index)); }
  // First column whose name equals name (any letter case), or -1.
  int IndexOfName(std::string_view name) const;
  // The settings of the last Build.
  const TFerranHolderSettings& Settings() const { return settings_; }

 private:
  void FillAttributes(TFerranColumn& column, const TFerranSourceAdapter& source) const;

  const TFerranColumnHolder& holder_;
  TFerranHolderSettings settings_;
  std::vector<TFerranColumn> items_;
};

struct TFerranCol {
  std::string Name;  // trimmed column name
  std::string Value;
  int ColumnIndex = -1;
};

class TFerranRow {
 public:
  void Clear();
  // Appends a cell with the trimmed name and an empty value.
  void Add(std::string_view name, int columnIndex);
  // Builds one cell per column, in column order, with its name index.
  void Build(const TFerranColumns& columns);
  // Stores the value, trimmed of blanks and control characters, in the
  // cell(s) of that name; a name the row does not have is ignored.
  void SetValue(std::string_view name, std::string_view value);
  // Stores the value in the cell at that position (same trimming).
  void SetValueAt(int position, std::string_view value);
  int Count() const { return static_cast<int>(cells_.size()); }
  TFerranCol& Items(int index) { return cells_.at(static_cast<std::size_t>(index)); }
  const TFerranCol& Items(int index) const { return cells_.at(static_cast<std::size_t>(index)); }

 private:
  std::vector<TFerranCol> cells_;
  // Column names (untrimmed) sorted without regard to case, with positions.
  std::vector<std::pair<std::string, int>> nameIndex_;
};

}  // namespace tabrin
