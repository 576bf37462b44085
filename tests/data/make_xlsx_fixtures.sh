#!/bin/sh
# Re-makes the Excel 2007+ fixture workbooks: LibreOffice (soffice) and
# gnumeric (ssconvert) convert the hand-written sources in sources/, the
# same ones the .xls fixtures come from; make_xlsx_fixtures.py writes the
# openpyxl workbooks and the hand-made and hostile packages.  Run it by hand
# on a machine with both programs and python3-openpyxl; the build only reads
# the committed results.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
src="$here/sources"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch"

lo() {  # lo SOURCE.fods TARGET.xlsx
  soffice --headless --convert-to xlsx --outdir "$scratch" "$src/$1" >/dev/null
  mv "$scratch/${1%.fods}.xlsx" "$here/$2"
}
lo items.fods lo_items.xlsx
lo upper_sheet1.fods lo_upper_sheet1.xlsx
lo date1904.fods lo_date1904.xlsx
# The item export of the sample data (export_items.xls), as LibreOffice saves it.
soffice --headless --convert-to xlsx --outdir "$scratch" "$here/export_items.xls" >/dev/null
mv "$scratch/export_items.xlsx" "$here/lo_export_items.xlsx"

ssconvert -T Gnumeric_Excel:xlsx2 "$src/items.gnumeric" "$here/gnumeric_items.xlsx"
ssconvert -T Gnumeric_Excel:xlsx2 "$src/upper_sheet1.gnumeric" "$here/gnumeric_upper_sheet1.xlsx"
ssconvert -T Gnumeric_Excel:xlsx2 "$src/date1904.gnumeric" "$here/gnumeric_date1904.xlsx"

/usr/bin/python3 "$here/make_xlsx_fixtures.py"
