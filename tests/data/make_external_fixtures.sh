#!/bin/sh
# Re-makes the fixture workbooks written by LibreOffice and gnumeric from the
# hand-written sources in sources/.  Run it by hand on a machine with
# LibreOffice (soffice) and gnumeric (ssconvert); the build only reads the
# committed results.  The Excel 95 file needs a Traditional Chinese locale
# for gnumeric to write Big5 (code page 950); one is compiled into a scratch
# folder with localedef, so nothing outside that folder changes.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
src="$here/sources"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# Both programs keep settings under $HOME; keep them out of the user's.
export HOME="$scratch"

lo() {  # lo SOURCE.fods TARGET.xls
  soffice --headless --convert-to xls --outdir "$scratch" "$src/$1" >/dev/null
  mv "$scratch/${1%.fods}.xls" "$here/$2"
}
lo items.fods lo_items.xls
lo upper_sheet1.fods lo_upper_sheet1.xls
lo date1904.fods lo_date1904.xls

ssconvert -T Gnumeric_Excel:excel_biff8 "$src/items.gnumeric" "$here/gnumeric_items.xls"
ssconvert -T Gnumeric_Excel:excel_biff8 "$src/upper_sheet1.gnumeric" "$here/gnumeric_upper_sheet1.xls"
ssconvert -T Gnumeric_Excel:excel_biff8 "$src/date1904.gnumeric" "$here/gnumeric_date1904.xls"

mkdir "$scratch/locales"
localedef -i zh_TW -f UTF-8 "$scratch/locales/zh_TW.UTF-8"
LOCPATH="$scratch/locales" LANG=zh_TW.UTF-8 LC_ALL=zh_TW.UTF-8 \
  ssconvert -T Gnumeric_Excel:excel_biff7 "$src/items.gnumeric" "$here/gnumeric_biff7.xls"
