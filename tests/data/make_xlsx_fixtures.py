#!/usr/bin/python3
"""Writes the Excel 2007+ fixtures that LibreOffice and gnumeric do not:

- openpyxl_*.xlsx by python3-openpyxl (the item sheet of sources/items.fods,
  its formulas without cached results, as openpyxl writes them);
- xlsx_*.xlsx packages written part by part with zipfile, for what the
  programs above never write (inline and rich texts, cells and rows without
  references, ISO dates, error values, a chart sheet, prefixed XML, parts
  named through absolute targets) and for hostile packages.

Run with /usr/bin/python3 (Debian's python3-openpyxl) from make_xlsx_fixtures.sh.
"""
import datetime
import os
import zipfile

import openpyxl
from openpyxl.styles import numbers

HERE = os.path.dirname(os.path.abspath(__file__))


def path(name):
    return os.path.join(HERE, name)


# ---- openpyxl ----------------------------------------------------------

ITEM_TITLES = ["管理貨號", "國際碼", "品名", "建檔日期", "售價", "停用", "公式數", "公式文", "公式布", "混合", None, "備註"]
ITEM_ROWS = [
    [100234, 4710088412345, "可口可樂 600ml", datetime.datetime(2024, 3, 5), 25, True,
     "=E2*2", '="可"&"樂"', "=E2>10", 12345, "x1", "冰涼飲品"],
    [100235, 4901234567894, "Pocky 巧克力棒", datetime.datetime(2024, 3, 6, 14, 30, 15), 1.5, False,
     "=E3/5", '=""', "=E3>10", "ABC", None, None],
    [None, None, "無貨號", datetime.datetime(2023, 3, 15), 1e-7, None, None, None, None, 0.5, None, "說明：無條碼"],
    [999999, 4710000000017, "最後一筆", datetime.datetime(1999, 12, 31, 23, 59, 59), -3.25, True,
     "=E5+A5", '=C5&"!"', "=E5>10", "七十", None, None],
]


def openpyxl_items():
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "sheet1"
    sheet.append(ITEM_TITLES)
    for row in ITEM_ROWS:
        sheet.append(row)
    for r in range(2, 6):
        sheet.cell(r, 2).number_format = "0"
        cell = sheet.cell(r, 4)
        cell.number_format = "yyyy/m/d" if cell.value and cell.value.hour == 0 else "yyyy/m/d hh:mm:ss"
    book.create_sheet("說明").append(["說明文字", 42])
    book.save(path("openpyxl_items.xlsx"))


def openpyxl_upper_sheet1():
    book = openpyxl.Workbook()
    book.active.title = "資料"
    book.active.append(["另一張"])
    sheet = book.create_sheet("SHEET1")
    for row in [["小分類代碼", "小分類名稱"], ["001", "飲料"], [2, "零食"]]:
        sheet.append(row)
    book.save(path("openpyxl_upper_sheet1.xlsx"))


def openpyxl_date1904():
    book = openpyxl.Workbook()
    book.epoch = openpyxl.utils.datetime.CALENDAR_MAC_1904
    sheet = book.active
    sheet.title = "sheet1"
    sheet.append(["日期", "日期時間"])
    sheet.append([datetime.datetime(2024, 3, 5), datetime.datetime(2024, 3, 5, 8, 15)])
    sheet.append([datetime.datetime(1904, 1, 1), datetime.datetime(1999, 12, 31, 23, 59, 59)])
    for row in sheet.iter_rows(min_row=2):
        row[0].number_format = numbers.FORMAT_DATE_YYYYMMDD2
        row[1].number_format = "yyyy/m/d hh:mm:ss"
    book.save(path("openpyxl_date1904.xlsx"))


# ---- hand-made packages -----------------------------------------------

NS = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" ' \
     'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG_REL = 'xmlns="http://schemas.openxmlformats.org/package/2006/relationships"'
HEAD = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'

CONTENT_TYPES = HEAD + '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">' \
    '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>' \
    '<Default Extension="xml" ContentType="application/xml"/></Types>'


def root_rels(target="xl/workbook.xml"):
    return HEAD + f'<Relationships {PKG_REL}><Relationship Id="rId1" Type="{REL}/officeDocument" ' \
        f'Target="{target}"/></Relationships>'


def rels(entries):
    body = "".join(f'<Relationship Id="{i}" Type="{REL}/{t}" Target="{target}"/>' for i, t, target in entries)
    return HEAD + f"<Relationships {PKG_REL}>{body}</Relationships>"


def package(name, parts, compression=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(path(name), "w", compression) as z:
        for part, text in parts:
            z.writestr(part, text.encode("utf-8") if isinstance(text, str) else text)


def one_sheet_package(name, sheet_xml, strings=None, styles=None, workbook_pr=""):
    rel_entries = [("rId1", "worksheet", "worksheets/sheet1.xml")]
    parts = [("[Content_Types].xml", CONTENT_TYPES), ("_rels/.rels", root_rels()),
             ("xl/workbook.xml", HEAD + f'<workbook {NS}>{workbook_pr}<sheets><sheet name="Sheet1" sheetId="1" '
              'r:id="rId1"/></sheets></workbook>'),
             ("xl/worksheets/sheet1.xml", sheet_xml)]
    if strings is not None:
        rel_entries.append(("rId2", "sharedStrings", "sharedStrings.xml"))
        parts.append(("xl/sharedStrings.xml", strings))
    if styles is not None:
        rel_entries.append(("rId3", "styles", "styles.xml"))
        parts.append(("xl/styles.xml", styles))
    parts.append(("xl/_rels/workbook.xml.rels", rels(rel_entries)))
    package(name, parts)


def handmade():
    """Everything the programs above never write, in one workbook whose
    parts are reached the unusual ways: absolute targets, upper-case part
    names, prefixed elements, a chart sheet before the worksheet."""
    strings = HEAD + f'<x:sst {NS.replace("xmlns=", "xmlns:x=")} count="4" uniqueCount="4">' \
        '<x:si><x:t>管理貨號</x:t></x:si>' \
        '<x:si><x:r><x:rPr><x:b/></x:rPr><x:t>粗體</x:t></x:r><x:r><x:t xml:space="preserve"> 與細體</x:t></x:r></x:si>' \
        '<x:si><x:t>東京</x:t><x:rPh sb="0" eb="2"><x:t>トウキョウ</x:t></x:rPh><x:phoneticPr fontId="1"/></x:si>' \
        '<x:si><x:t>第一行_x000D__x000A_第二行</x:t></x:si>' \
        '</x:sst>'
    styles = HEAD + f'<styleSheet {NS}><numFmts count="3">' \
        '<numFmt numFmtId="164" formatCode="&quot;dd&quot;0.00"/>' \
        '<numFmt numFmtId="165" formatCode="[Red]0.00;[Blue]\\-0.00"/>' \
        '<numFmt numFmtId="166" formatCode="[$-404]e/m/d"/></numFmts>' \
        '<cellStyleXfs count="1"><xf numFmtId="14"/></cellStyleXfs>' \
        '<cellXfs count="6"><xf numFmtId="0"/><xf numFmtId="14"/><xf numFmtId="164"/><xf numFmtId="165"/>' \
        '<xf numFmtId="166"/><xf numFmtId="22"/></cellXfs></styleSheet>'
    sheet = HEAD + f'<x:worksheet {NS.replace("xmlns=", "xmlns:x=")}><x:dimension ref="A1:Z99"/><x:sheetData>' \
        '<x:row r="1"><x:c r="A1" t="s"><x:v>0</x:v></x:c><x:c t="inlineStr"><x:is><x:t>品名</x:t></x:is></x:c>' \
        '<x:c t="inlineStr"><x:is><x:r><x:t>日</x:t></x:r><x:r><x:rPr><x:i/></x:rPr><x:t>期</x:t></x:r></x:is></x:c>' \
        '<x:c r="E1" t="str"><x:v>數值</x:v></x:c><x:c r="F1" t="inlineStr"><x:is><x:t>其他</x:t></x:is></x:c></x:row>' \
        '<x:row><x:c><x:v>100234</x:v></x:c><x:c t="s"><x:v>1</x:v></x:c><x:c s="1"><x:v>45356</x:v></x:c>' \
        '<x:c r="E2" s="2"><x:v>7.5</x:v></x:c><x:c r="F2" t="b"><x:v>1</x:v></x:c></x:row>' \
        '<x:row r="4"><x:c r="A4" t="e"><x:f>1/0</x:f><x:v>#DIV/0!</x:v></x:c><x:c r="B4" t="s"><x:v>2</x:v></x:c>' \
        '<x:c r="C4" t="d"><x:v>2024-03-06T14:30:15</x:v></x:c><x:c r="E4" s="3"><x:v>-2</x:v></x:c>' \
        '<x:c r="F4" t="e"><x:v>#N/A</x:v></x:c></x:row>' \
        '<x:row r="5"><x:c r="A5"><x:f>SUM(B1:B2)</x:f></x:c><x:c r="B5" t="s"><x:v>3</x:v></x:c>' \
        '<x:c r="C5" s="4"><x:v>45000</x:v></x:c><x:c r="D5" s="5"><x:v>45356.75</x:v></x:c>' \
        '<x:c r="E5" t="str"><x:f>""</x:f><x:v></x:v></x:c><x:c r="F5" t="b"><x:f>FALSE()</x:f><x:v>0</x:v></x:c></x:row>' \
        '<x:row r="7"><x:c r="H7" s="1"/></x:row>' \
        '</x:sheetData></x:worksheet>'
    chart = HEAD + f'<chartsheet {NS}><sheetPr/></chartsheet>'
    package("xlsx_handmade.xlsx", [
        ("[Content_Types].xml", CONTENT_TYPES),
        ("_rels/.rels", root_rels("/XL/Book.xml")),
        ("XL/Book.xml", HEAD + f'<workbook {NS}><workbookPr date1904="false"/><sheets>'
         '<sheet name="圖表" sheetId="2" r:id="rId9"/><sheet name="Sheet1" sheetId="1" r:id="rId1"/>'
         '</sheets></workbook>'),
        ("XL/_rels/Book.xml.rels", rels([("rId1", "worksheet", "/XL/data/../Sheets/One.xml"),
                                         ("rId9", "chartsheet", "chartsheets/sheet1.xml"),
                                         ("rId2", "sharedStrings", "Strings.xml"),
                                         ("rId3", "styles", "/XL/Styles.xml")])),
        ("XL/Sheets/One.xml", sheet),
        ("XL/chartsheets/sheet1.xml", chart),
        ("XL/Strings.xml", strings),
        ("XL/Styles.xml", styles),
    ])


def hostile():
    plain_sheet = HEAD + f'<worksheet {NS}><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>x</t></is></c>' \
        '</row></sheetData></worksheet>'
    # Entity declarations: the classic "billion laughs".
    laughs = '<?xml version="1.0"?>\n<!DOCTYPE worksheet [<!ENTITY a "aaaaaaaaaa">' + "".join(
        f'<!ENTITY {chr(98 + i)} "{("&" + chr(97 + i) + ";") * 10}">' for i in range(8)) + ']>' \
        f'<worksheet {NS}><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>&i;</t></is></c></row>' \
        '</sheetData></worksheet>'
    one_sheet_package("xlsx_entities.xlsx", laughs)
    # An external entity that would read a local file.
    one_sheet_package("xlsx_external_entity.xlsx", '<?xml version="1.0"?>\n<!DOCTYPE worksheet '
                      '[<!ENTITY x SYSTEM "file:///etc/passwd">]>'
                      f'<worksheet {NS}><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>&x;</t></is></c>'
                      '</row></sheetData></worksheet>')
    # A ZIP bomb: a worksheet of 96 MiB of blanks in about 100 KiB.
    with zipfile.ZipFile(path("xlsx_bomb.xlsx"), "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        z.writestr("[Content_Types].xml", CONTENT_TYPES)
        z.writestr("_rels/.rels", root_rels())
        z.writestr("xl/workbook.xml", HEAD + f'<workbook {NS}><sheets><sheet name="Sheet1" sheetId="1" '
                   'r:id="rId1"/></sheets></workbook>')
        z.writestr("xl/_rels/workbook.xml.rels", rels([("rId1", "worksheet", "worksheets/sheet1.xml")]))
        with z.open("xl/worksheets/sheet1.xml", "w", force_zip64=True) as part:
            part.write((HEAD + f'<worksheet {NS}><sheetData>').encode())
            blanks = b" " * (1 << 20)
            for _ in range(96):
                part.write(blanks)
            part.write(b"</sheetData></worksheet>")
    # A workbook whose worksheet part is missing.
    package("xlsx_missing_sheet.xlsx", [
        ("[Content_Types].xml", CONTENT_TYPES), ("_rels/.rels", root_rels()),
        ("xl/workbook.xml", HEAD + f'<workbook {NS}><sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/>'
         '</sheets></workbook>'),
        ("xl/_rels/workbook.xml.rels", rels([("rId1", "worksheet", "worksheets/sheet1.xml")]))])
    # A worksheet that is not well-formed, and one with a cell past the grid.
    one_sheet_package("xlsx_malformed.xlsx", HEAD + f'<worksheet {NS}><sheetData><row r="1"><c r="A1">'
                      '<v>1</v></row></sheetData></worksheet>')
    one_sheet_package("xlsx_beyond_grid.xlsx", HEAD + f'<worksheet {NS}><sheetData><row r="1">'
                      '<c r="XFE1"><v>1</v></c></row></sheetData></worksheet>')
    one_sheet_package("xlsx_bad_shared_index.xlsx", HEAD + f'<worksheet {NS}><sheetData><row r="1">'
                      '<c r="A1" t="s"><v>5</v></c></row></sheetData></worksheet>',
                      strings=HEAD + f'<sst {NS}><si><t>only</t></si></sst>')
    # A sound one-sheet workbook, then the same cut short and with a flipped byte.
    one_sheet_package("xlsx_plain.xlsx", plain_sheet)
    with open(path("xlsx_plain.xlsx"), "rb") as f:
        whole = f.read()
    with open(path("xlsx_truncated.xlsx"), "wb") as f:
        f.write(whole[: len(whole) * 2 // 3])
    # Stored without compression, one letter of the worksheet changed: the
    # XML is still fine, only the checksum tells.
    package("xlsx_bad_checksum.xlsx", [("[Content_Types].xml", CONTENT_TYPES), ("_rels/.rels", root_rels()),
            ("xl/workbook.xml", HEAD + f'<workbook {NS}><sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/>'
             '</sheets></workbook>'),
            ("xl/_rels/workbook.xml.rels", rels([("rId1", "worksheet", "worksheets/sheet1.xml")])),
            ("xl/worksheets/sheet1.xml", plain_sheet)], compression=zipfile.ZIP_STORED)
    with open(path("xlsx_bad_checksum.xlsx"), "rb") as f:
        stored = bytearray(f.read())
    at = stored.index(b"<t>x</t>")
    stored[at + 3] = ord("y")
    with open(path("xlsx_bad_checksum.xlsx"), "wb") as f:
        f.write(bytes(stored))


if __name__ == "__main__":
    openpyxl_items()
    openpyxl_upper_sheet1()
    openpyxl_date1904()
    handmade()
    hostile()
