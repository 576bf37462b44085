#pragma once
// The export commands of the main window without their dialogs: given the
// table to export and the file name the user chose, re-read the table
// through its export query and write it to a workbook with the window's
// stored exporter settings.
//
//   TFerran3XLS exporter;
//   ApplyHostExportSettings(exporter);
//   TQuery query(ExportQueryDef(TMasterTable::mtItem), connection);
//   RunExportCommand(exporter, query, "/home/store/items");  // writes items.xls
//   RunExportCommand(exporter, query, "/home/store/items.xlsx");  // writes items.xlsx
//
// An export may run on a worker thread with a cancel flag that another
// thread sets; the exporter and the query's connection belong to that
// thread until the call returns.
#include <optional>
#include <string>
#include <string_view>

#include "db/master_table.h"
#include "text/translation.h"
#include "text/work_control.h"

namespace tabrin {

class TFerran3XLS;
class TQuery;
struct TQueryDef;

// The export query of the tab (CLSExportQuery, ItemExportQuery, ...).
const TQueryDef& ExportQueryDef(TMasterTable table);

// The settings the main window stores with its exporter: date-times as
// "yyyy/MM/dd", one sheet "Sheet1", the footer "Page &P of &N", blue
// underlined hyperlinks, notes left/top in Tahoma 8.
void ApplyHostExportSettings(TFerran3XLS& exporter);

// The chosen name with its extension replaced by ".xls": the extension is the
// part from the last "." after the last "/"; a name without one gets ".xls"
// appended.
std::string ForceXlsExtension(std::string_view fileName);

// The kinds of file an export writes: two kinds of workbook and
// comma-separated text.
enum class TExportFormat { efXls, efXlsx, efCsv };

// What a chosen name asks for: a name ending in ".xlsx" (any letter case)
// an Excel 2007+ workbook of up to 1,048,575 records; one ending in ".csv"
// comma-separated text (UTF-8 with a byte-order mark); any other name an
// Excel 97-2003 workbook of up to 65,535.
TExportFormat ExportFormatOf(std::string_view chosenFileName);

// The file an export to the chosen name writes: the name itself for an
// .xlsx workbook or a .csv file, ForceXlsExtension of it otherwise.
std::string ExportFileName(std::string_view chosenFileName);

// The save dialog's filter: "活頁簿(*.xls)|*.xls|活頁簿(*.xlsx)|*.xlsx".
inline constexpr std::string_view kExportDialogFilter = "活頁簿(*.xls)|*.xls|活頁簿(*.xlsx)|*.xlsx";
// The kind of workbook each entry of that filter stands for, in its order.
inline constexpr TExportFormat kExportDialogFormats[] = {TExportFormat::efXls, TExportFormat::efXlsx};

// The file an export writes for a name chosen in the save dialog under one
// of its entries.  The dialog adds no extension of its own, so the entry
// decides: under "活頁簿(*.xlsx)" an .xlsx workbook, whose name gets ".xlsx" in
// place of its extension unless it ends in ".xlsx" already; under
// "活頁簿(*.xls)" ExportFileName of the name (a name typed as "abc.xlsx"
// still asks for an .xlsx workbook).  A name typed as "abc.csv" asks for
// text under either entry.
std::string ExportFileName(std::string_view chosenFileName, TExportFormat chosenEntry);

// Closes and reopens the export query (so the export sees the table as it is
// now), sets FileName (ExportFileName of the chosen name) and DataSet and
// runs the export.  Returns the name of
// the file written.  Errors pass through unchanged.
//
// control reports progress per record (done = records written, total = the
// query's records).  Its cancel request stops the run through the
// exporter's abort protocol: no file is written (an earlier file of that
// name stays as it was) and TWorkCancelled is raised with
// kExportCancelledMessage.  The exporter's own event handlers still run.
//
// times, when given, receives how long the two parts of the run took.
struct TExportTimes {
  double querySeconds = 0;  // closing and opening the export query
  double writeSeconds = 0;  // walking it and writing the workbook
};
std::string RunExportCommand(TFerran3XLS& exporter, TQuery& exportQuery, std::string_view chosenFileName,
                             const TWorkControl& control = {}, TExportTimes* times = nullptr);

// The text the window shows after a successful export.
inline constexpr std::string_view kExportDoneMessage = "匯出完畢";
// What a cancelled export says (translate with Tr).
inline constexpr const char* kExportCancelledMessage = TrNoop("已取消匯出，沒有寫入任何檔案");

}  // namespace tabrin
