#pragma once
// TfrCustomSource: rows supplied by the host through two events.  The export
// asks OnGetNextRecord whether another record follows and OnGetColumnValue for
// each value of the current record.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "export/ferran_types.h"

namespace tabrin {

class TfrCustomColumns;

// A value handed back by OnGetColumnValue; monostate is the null value.
using TCustomValue = std::variant<std::monostate, bool, std::int64_t, double, std::string>;
// Text of a value as the export writes it (null: empty).
std::string CustomValueText(const TCustomValue& value);

class TfrCustomColumn {
 public:
  explicit TfrCustomColumn(TfrCustomColumns& owner);

  const std::string& ColumnName() const { return columnName_; }
  // An empty name, or one another column already has (any letter case),
  // leaves the name unchanged.
  void SetColumnName(std::string_view name);

  TFerranColType ColumnType = ectString;
  std::string Caption;
  int Width = 15;
  int Size = 15;  // kept for the text exporters; the workbook does not use it

  const std::string& DisplayName() const { return columnName_; }

 private:
  TfrCustomColumns& owner_;
  std::string columnName_;
};

class TfrCustomColumns {
 public:
  TfrCustomColumn& Add();
  int Count() const { return static_cast<int>(items_.size()); }
  TfrCustomColumn& Items(int index) { return *items_.at(static_cast<std::size_t>(index)); }
  const TfrCustomColumn& Items(int index) const { return *items_.at(static_cast<std::size_t>(index)); }
  // Position of the column of that name (any letter case), or -1.
  int IndexOfName(std::string_view name) const;
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TfrCustomColumn>> items_;
};

class TfrCustomSource {
 public:
  using TGetNextRecordEvent = std::function<void(TfrCustomSource& sender, int recNo, bool& eof)>;
  using TGetColumnValueEvent =
      std::function<void(TfrCustomSource& sender, int recNo, const TfrCustomColumn& column, TCustomValue& value)>;

  TfrCustomColumns Columns;
  TGetNextRecordEvent OnGetNextRecord;
  TGetColumnValueEvent OnGetColumnValue;

  // The walk: record 1 first, then one OnGetNextRecord per step until a
  // handler reports the end (or there is no handler).
  void First();
  void Next();
  bool Eof() const { return eof_ || !OnGetNextRecord; }
  int RecNo() const { return recNo_; }
  std::string ValueText(const TfrCustomColumn& column);

 private:
  int recNo_ = 1;
  bool eof_ = false;
};

}  // namespace tabrin
