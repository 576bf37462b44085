#!/usr/bin/env python3
"""Reads a workbook written by the writer with independent readers.

Usage: writer_readback.py FILE [DUMP]
Prints the container's stream names (olefile), then one line per cell of
every sheet (xlrd): sheet, row, col, cell type, value (repr), number format.
With DUMP, also writes the "Workbook" stream's bytes to that file.
"""
import sys

import olefile
import xlrd


def main():
    path = sys.argv[1]
    ole = olefile.OleFileIO(path)
    streams = ["/".join(entry) for entry in ole.listdir(streams=True, storages=True)]
    print("streams", ",".join(streams))
    if len(sys.argv) > 2:
        with open(sys.argv[2], "wb") as out:
            out.write(ole.openstream("Workbook").read())
    ole.close()

    book = xlrd.open_workbook(path, formatting_info=True)
    for sheet in book.sheets():
        print("sheet", sheet.name, sheet.nrows, sheet.ncols)
        for row in range(sheet.nrows):
            for col in range(sheet.ncols):
                cell = sheet.cell(row, col)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                xf = book.xf_list[cell.xf_index]
                fmt = book.format_map[xf.format_key].format_str
                font = book.font_list[xf.font_index]
                value = cell.value
                if cell.ctype == xlrd.XL_CELL_DATE:
                    value = xlrd.xldate_as_tuple(value, book.datemode)[:3]
                text = repr(value)
                if len(text) > 80:
                    text = "%s...(%d)" % (text[:40], len(value))
                print("cell", sheet.name, row, col, cell.ctype, text, fmt,
                      "bold" if font.weight >= 700 else "regular")
        for col, info in sorted(sheet.colinfo_map.items()):
            print("colinfo", sheet.name, col, info.width)


if __name__ == "__main__":
    main()
