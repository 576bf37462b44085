#pragma once
// The one set of source operations an export walks, answered for each of the
// five source kinds (data set, list view, data grid, string grid, custom).
#include <memory>
#include <string>
#include <string_view>

#include "export/ferran_types.h"

namespace tabrin {

class TQuery;
class TValue;
class TfrCustomSource;
class TListViewModel;
class TDataGridModel;
class TStringGridModel;
class TFerranFormats;

// The source selection of a holder: its kind and one reference per kind
// (not owned; only the one of the selected kind is used).  The export
// component and each sheet settings hold it as their base, so that its
// fields are theirs by name (exporter.DataSet) and it passes from one to
// another as one value.
struct TFerranSourceRefs {
  TFerranSource ExportSource = esDataSet;
  TQuery* DataSet = nullptr;
  TfrCustomSource* CustomSource = nullptr;
  TListViewModel* ListView = nullptr;
  TDataGridModel* DBGrid = nullptr;
  TStringGridModel* StringGrid = nullptr;

  // The selection alone, apart from the rest of its holder's settings.
  const TFerranSourceRefs& SourceRefs() const { return *this; }
  TFerranSourceRefs& SourceRefs() { return *this; }
  // Clears every reference to a component that goes away.
  void Forget(const void* removed);
};

struct TFerranWalkState {
  int RecordCounter = 0;
  int SkipRecCount = 0;
  int ExportRecCount = 0;
};

namespace detail {
class TExportSource;
}

// Answers for the selected kind of source (see source_kinds.h).
class TFerranSourceAdapter {
 public:
  explicit TFerranSourceAdapter(const TFerranSourceRefs& refs);
  ~TFerranSourceAdapter();
  TFerranSourceAdapter(const TFerranSourceAdapter&) = delete;
  TFerranSourceAdapter& operator=(const TFerranSourceAdapter&) = delete;

  TFerranSource Kind() const { return refs_.ExportSource; }
  // Raise the export messages 34014 and 34016 with the kind's name.
  void CheckAssigned() const;
  void CheckActive() const;
  bool IsEmpty() const;
  void Suspend() const;
  void Resume() const;
  void First() const;
  // The caller has added 1 to the record counter already.
  void Next() const;
  bool Eof(const TFerranWalkState& walk) const;
  int ItemCount() const;  // list items (list view only; 0 otherwise)
  // Number of records the source holds, or -1 when it cannot tell (custom).
  int KnownRecordCount() const;

  int ColumnCount() const;
  // Source position of a column named in ExportedFields, or -1.
  int IndexOfName(std::string_view name, bool onlyVisible) const;
  // Source position i when it is exported with ExportedFields empty, or -1.
  int IndexAtPosition(int i, bool allowBlob, bool onlyVisible) const;
  std::string ColumnName(int index) const;
  TFerranColType ColumnKind(int index, bool autoCalcStrType, const TFerranFormats* formats) const;
  std::string ColumnCaption(int index, int captionRow) const;
  int ColumnWidth(int index) const;
  std::string ValueText(int index, const TFerranWalkState& walk) const;
  // The value the data layer holds for a column of a data set source's
  // current record; nullptr for the other kinds, which hold texts.
  const TValue* Value(int index) const;

 private:
  TFerranSourceRefs refs_;
  std::unique_ptr<detail::TExportSource> source_;
};

// Kind guessed from a text: empty -> string, Boolean texts -> Boolean, then
// integer, float, date / time / date-time, else string.
TFerranColType GuessColType(std::string_view text, const TFerranFormats* formats);

}  // namespace tabrin
