#pragma once
// The five kinds of export source behind TFerranSourceAdapter, one class
// each: a data set, a list view, a data grid (over its data set), a string
// grid and a custom source.  Operations a kind does not have default to
// doing nothing.
#include <memory>
#include <string>
#include <string_view>

#include "export/source_adapter.h"

namespace tabrin::detail {

class TExportSource {
 public:
  virtual ~TExportSource() = default;

  virtual bool Assigned() const = 0;
  virtual bool Active() const { return true; }
  virtual bool IsEmpty() const = 0;
  virtual void Suspend() const {}
  virtual void Resume() const {}
  virtual void First() const = 0;
  virtual void Next() const = 0;
  virtual bool Eof(const TFerranWalkState& walk) const = 0;
  virtual int ItemCount() const { return 0; }
  virtual int KnownRecordCount() const = 0;

  virtual int ColumnCount() const = 0;
  virtual int IndexOfName(std::string_view name, bool onlyVisible) const = 0;
  virtual int IndexAtPosition(int i, bool /*allowBlob*/, bool /*onlyVisible*/) const { return i; }
  virtual std::string ColumnName(int index) const = 0;
  virtual TFerranColType ColumnKind(int index, bool autoCalcStrType, const TFerranFormats* formats) const = 0;
  virtual std::string ColumnCaption(int index, int captionRow) const = 0;
  virtual int ColumnWidth(int index) const = 0;
  virtual std::string ValueText(int index, const TFerranWalkState& walk) const = 0;
  // See TFerranSourceAdapter::Value.
  virtual const TValue* Value(int /*index*/) const { return nullptr; }
};

// The source of the selected kind.
std::unique_ptr<TExportSource> MakeExportSource(const TFerranSourceRefs& refs);

}  // namespace tabrin::detail
