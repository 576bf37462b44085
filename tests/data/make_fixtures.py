#!/usr/bin/env python3
"""Writes the workbook fixtures of the reader tests, byte by byte.

This generator is deliberately independent of the project's C++ writer: it
builds the compound document and the BIFF records itself, so that a fault
shared by our writer and our reader cannot hide.  Run it once; the files are
committed.  When python3-xlrd is installed (/usr/bin/python3 has it on Debian)
every workbook is read back with xlrd as a check.

    python3 tests/data/make_fixtures.py
"""
import os
import struct
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))

# --------------------------------------------------------------------------
# Compound document

FREE, END, FATSECT, DIFSECT = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFC
NOSTREAM = 0xFFFFFFFF


def compound_document(streams, version=3, pad_to_mini_cutoff=True, extra_fat_sectors=0):
    """streams: list of (name, bytes) in the root storage."""
    ssize = 512 if version == 3 else 4096
    spf = ssize // 4
    if pad_to_mini_cutoff:
        streams = [(n, d + b"\0" * (4096 - len(d)) if len(d) < 4096 else d) for n, d in streams]

    sectors = []  # contents of each sector, in order
    fat = []

    def add_chain(data, size=ssize):
        count = (len(data) + size - 1) // size
        if count == 0:
            return END
        start = len(sectors)
        for i in range(count):
            chunk = data[i * size:(i + 1) * size]
            sectors.append(chunk + b"\0" * (size - len(chunk)))
            fat.append(start + i + 1 if i + 1 < count else END)
        return start

    # small streams go to the mini stream
    mini = b""
    minifat = []
    entries = []  # (name, type, start, size)
    for name, data in streams:
        if len(data) < 4096:
            count = (len(data) + 63) // 64
            start = len(minifat) if count else END
            for i in range(count):
                minifat.append(len(minifat) + 1 if i + 1 < count else END)
            mini += data + b"\0" * (count * 64 - len(data))
            entries.append((name, 2, start, len(data), True))
        else:
            entries.append((name, 2, None, len(data), False))
    # regular streams
    resolved = []
    for (name, typ, start, size, is_mini), (_, data) in zip(entries, streams):
        if not is_mini:
            start = add_chain(data)
        resolved.append((name, typ, start, size))
    mini_start = add_chain(mini) if mini else END
    minifat_bytes = b"".join(struct.pack("<I", v) for v in minifat)
    minifat_start = add_chain(minifat_bytes) if minifat else END
    minifat_count = (len(minifat_bytes) + ssize - 1) // ssize

    # directory: root, then the streams chained through right links in the
    # order of (name length, upper-case name)
    order = sorted(range(len(resolved)), key=lambda i: (len(resolved[i][0]), resolved[i][0].upper()))
    ids = {i: n + 1 for n, i in enumerate(order)}

    def dir_entry(name, typ, left, right, child, start, size):
        raw = name.encode("utf-16-le") + b"\0\0"
        e = raw + b"\0" * (64 - len(raw))
        e += struct.pack("<HBB", len(raw), typ, 1)
        e += struct.pack("<III", left, right, child)
        e += b"\0" * 16 + b"\0" * 4 + b"\0" * 16
        e += struct.pack("<IQ", start, size)
        return e

    directory = dir_entry("Root Entry", 5, NOSTREAM, NOSTREAM, ids[order[0]] if order else NOSTREAM,
                          mini_start, len(mini))
    for n, i in enumerate(order):
        name, typ, start, size = resolved[i]
        right = ids[order[n + 1]] if n + 1 < len(order) else NOSTREAM
        directory += dir_entry(name, typ, NOSTREAM, right, NOSTREAM, start, size)
    while len(directory) % ssize:
        unused = b"\0" * 64 + struct.pack("<HBB", 0, 0, 0) + struct.pack("<III", NOSTREAM, NOSTREAM, NOSTREAM)
        directory += unused + b"\0" * (128 - len(unused))
    dir_start = add_chain(directory)
    dir_count = len(directory) // ssize

    # FAT and DIFAT sectors go last; find how many are needed
    nfat = 1 + extra_fat_sectors
    while True:
        ndifat = 0 if nfat <= 109 else (nfat - 109 + spf - 2) // (spf - 1)
        if len(sectors) + nfat + ndifat <= nfat * spf:
            break
        nfat += 1
    fat_first = len(sectors)
    difat_first = fat_first + nfat
    fat += [FATSECT] * nfat + [DIFSECT] * ndifat
    fat += [FREE] * (nfat * spf - len(fat))
    for k in range(nfat):
        sectors.append(b"".join(struct.pack("<I", v) for v in fat[k * spf:(k + 1) * spf]))
    fat_ids = list(range(fat_first, fat_first + nfat))
    rest = fat_ids[109:]
    for k in range(ndifat):
        chunk = rest[k * (spf - 1):(k + 1) * (spf - 1)]
        chunk += [FREE] * (spf - 1 - len(chunk))
        nxt = difat_first + k + 1 if k + 1 < ndifat else END
        sectors.append(b"".join(struct.pack("<I", v) for v in chunk + [nxt]))

    header = bytes([0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1]) + b"\0" * 16
    header += struct.pack("<HHHHH", 0x3E, version, 0xFFFE, 9 if version == 3 else 12, 6)
    header += b"\0" * 6
    header += struct.pack("<IIIIIIIII", dir_count if version == 4 else 0, nfat, dir_start, 0, 4096,
                          minifat_start, minifat_count, difat_first if ndifat else END, ndifat)
    head_ids = fat_ids[:109] + [FREE] * (109 - min(109, nfat))
    header += b"".join(struct.pack("<I", v) for v in head_ids)
    assert len(header) == 512
    header += b"\0" * (ssize - 512)
    return header + b"".join(sectors)


# --------------------------------------------------------------------------
# BIFF records

def rec(rtype, body=b""):
    return struct.pack("<HH", rtype, len(body)) + body


def needs_utf16(text):
    return any(ord(c) > 0xFF for c in text)


def u16chars(text, force_utf16=None):
    wide = needs_utf16(text) if force_utf16 is None else force_utf16
    return (1 if wide else 0), (text.encode("utf-16-le") if wide else text.encode("latin-1"))


def xl_string(text, count_bytes=2):
    flag, chars = u16chars(text)
    n = len(text.encode("utf-16-le")) // 2
    return (struct.pack("<H", n) if count_bytes == 2 else struct.pack("<B", n)) + bytes([flag]) + chars


BOF8 = lambda dt: rec(0x0809, struct.pack("<HHHHII", 0x0600, dt, 0x0DBB, 0x07CC, 0x000100C1, 0x00000406))
BOF5 = lambda dt: rec(0x0809, struct.pack("<HHHH", 0x0500, dt, 0x0DBB, 0x07CC))
EOF = rec(0x000A)


def font8(name="Arial"):
    return rec(0x0031, struct.pack("<HHHHHBBBB", 200, 0, 0x7FFF, 400, 0, 0, 0, 0, 0) + xl_string(name, 1))


def font5(name="Arial"):
    raw = name.encode("latin-1")
    return rec(0x0031, struct.pack("<HHHHHBBBB", 200, 0, 0x7FFF, 400, 0, 0, 0, 0, 0) + bytes([len(raw)]) + raw)


def xf8(fmt, style=False):
    flags = 0xFFF5 if style else 0x0001
    return rec(0x00E0, struct.pack("<HHHBBBBIIH", 0, fmt, flags, 0x20, 0, 0, 0, 0, 0, 0x20C0))


def xf5(fmt, style=False):
    flags = 0xFFF5 if style else 0x0001
    return rec(0x00E0, struct.pack("<HHHHII", 0, fmt, flags, 0x20, 0x20C0, 0))


def cell_hdr(r, c, xf):
    return struct.pack("<HHH", r, c, xf)


def rk_int(v):
    return (v << 2) | 2


def rk_cent(v100):  # value*100 as an integer, RK divides by 100
    return (v100 << 2) | 3


def formula(r, c, xf, result8, rgce=b"\x1e\x01\x00"):
    return rec(0x0006, cell_hdr(r, c, xf) + result8 + struct.pack("<HIH", 0, 0, len(rgce)) + rgce)


def fnum(v):
    return struct.pack("<d", v)


def fspecial(kind, value=0):
    return bytes([kind, 0, value, 0, 0, 0, 0xFF, 0xFF])


class SstBuilder:
    """Shared strings, split into SST + CONTINUE records of at most limit bytes.

    A string's header never splits; its characters may, and the CONTINUE that
    carries the rest starts with a fresh option byte.  Rich-text runs and
    phonetic blocks split anywhere."""

    def __init__(self, limit=8224):
        self.limit = limit
        self.strings = []   # (text, runs, phonetic bytes, force_utf16)
        self.index = {}
        self.refs = 0

    def add(self, text, runs=0, phonetic=b"", force_utf16=None):
        self.refs += 1
        key = (text, runs, phonetic, force_utf16)
        if key not in self.index:
            self.index[key] = len(self.strings)
            self.strings.append(key)
        return self.index[key]

    def records(self):
        bodies = [bytearray(struct.pack("<II", self.refs, len(self.strings)))]

        def room():
            return self.limit - len(bodies[-1])

        for text, runs, phonetic, force in self.strings:
            flag, chars = u16chars(text, force)
            width = 2 if flag else 1
            opts = flag | (0x08 if runs else 0) | (0x04 if phonetic else 0)
            head = struct.pack("<HB", len(chars) // width, opts)
            if runs:
                head += struct.pack("<H", runs)
            if phonetic:
                head += struct.pack("<I", len(phonetic))
            if room() < len(head) + width:
                bodies.append(bytearray())
            bodies[-1] += head
            while chars:
                take = (room() // width) * width
                if take == 0:
                    bodies.append(bytearray([flag]))
                    continue
                bodies[-1] += chars[:take]
                chars = chars[take:]
            tail = b"".join(struct.pack("<HH", i, 0) for i in range(runs)) + phonetic
            while tail:
                if room() == 0:
                    bodies.append(bytearray())
                take = room()
                bodies[-1] += tail[:take]
                tail = tail[take:]
        out = rec(0x00FC, bytes(bodies[0]))
        for b in bodies[1:]:
            out += rec(0x003C, bytes(b))
        return out


def workbook8(sheets, sst, formats=(), date1904=False, filepass=False, codepage=1200, xf_formats=()):
    """sheets: list of (name, kind, body records).  xf_formats: the number
    format of cell XFs 16, 17, ..."""

    def globals_(offsets):
        g = BOF8(0x0005)
        if filepass:
            g += rec(0x002F, struct.pack("<HHH", 1, 1, 1) + b"\0" * 48)
        g += rec(0x0042, struct.pack("<H", codepage))
        g += rec(0x0022, struct.pack("<H", 1 if date1904 else 0))
        for _ in range(5):
            g += font8()
        for idx, code in formats:
            g += rec(0x041E, struct.pack("<H", idx) + xl_string(code))
        for i in range(16):
            g += xf8(0, style=i < 15)
        for fmt in xf_formats:
            g += xf8(fmt)
        for (name, kind, _), off in zip(sheets, offsets):
            g += rec(0x0085, struct.pack("<IBB", off, 0, kind) + xl_string(name, 1))
        g += sst.records()
        g += EOF
        return g

    size = len(globals_([0] * len(sheets)))
    offsets, pos = [], size
    streams = []
    for name, kind, body in sheets:
        offsets.append(pos)
        sub = BOF8(0x0010 if kind == 0 else 0x0020) + body + EOF
        streams.append(sub)
        pos += len(sub)
    return globals_(offsets) + b"".join(streams)


def workbook5(sheets, codepage, xf_formats=(), formats=()):
    def globals_(offsets):
        g = BOF5(0x0005)
        g += rec(0x0042, struct.pack("<H", codepage))
        g += rec(0x0022, struct.pack("<H", 0))
        for _ in range(5):
            g += font5()
        for idx, code in formats:
            raw = code.encode("latin-1")
            g += rec(0x041E, struct.pack("<HB", idx, len(raw)) + raw)
        for i in range(16):
            g += xf5(0, style=i < 15)
        for fmt in xf_formats:
            g += xf5(fmt)
        for (name, _), off in zip(sheets, offsets):
            raw = name.encode("cp950")
            g += rec(0x0085, struct.pack("<IBBB", off, 0, 0, len(raw)) + raw)
        g += EOF
        return g

    size = len(globals_([0] * len(sheets)))
    offsets, pos, subs = [], size, []
    for name, body in sheets:
        offsets.append(pos)
        sub = BOF5(0x0010) + body + EOF
        subs.append(sub)
        pos += len(sub)
    return globals_(offsets) + b"".join(subs)


def dimensions(r0, r1, c0, c1):
    return rec(0x0200, struct.pack("<IIHHH", r0, r1 + 1, c0, c1 + 1, 0))


def label_sst(sst, r, c, text, xf=15, **kw):
    return rec(0x00FD, cell_hdr(r, c, xf) + struct.pack("<I", sst.add(text, **kw)))


def number(r, c, v, xf=15):
    return rec(0x0203, cell_hdr(r, c, xf) + fnum(v))


def rk(r, c, rkval, xf=15):
    return rec(0x027E, cell_hdr(r, c, xf) + struct.pack("<I", rkval))


def boolerr(r, c, value, is_error=False, xf=15):
    return rec(0x0205, cell_hdr(r, c, xf) + struct.pack("<BB", value, 1 if is_error else 0))


def blank(r, c, xf=15):
    return rec(0x0201, cell_hdr(r, c, xf))


def label8(r, c, text, xf=15):
    return rec(0x0204, cell_hdr(r, c, xf) + xl_string(text))


def string8(text):
    return rec(0x0207, xl_string(text))


def serial(y, m, d, hh=0, mm=0, ss=0):
    import datetime
    delta = datetime.datetime(y, m, d, hh, mm, ss) - datetime.datetime(1899, 12, 30)
    return delta.days + delta.seconds / 86400.0


# XF numbers of the cell formats used below
XF_DATE, XF_DATETIME, XF_BUILTIN_DATE, XF_DAYS, XF_TIME22 = 16, 17, 18, 19, 20
FORMATS = [(164, "yyyy/m/d"), (165, "yyyy/m/d hh:mm:ss"), (166, '0.00" days"')]
XF_FORMATS = [164, 165, 14, 166, 22]

ITEM_TITLES = ["管理貨號", "國際碼", "品名", "建檔日期", "售價", "停用", "公式數", "公式文", "公式布", "混合", None, "備註"]
LONG_TEXT = "這是一段很長的備註文字，" * 6 + "END"
LONG_LATIN = "A long note in Latin letters that runs past the end of its record. " * 2


def basic_item_workbook(container_version=3, pad=True, extra_fat=0, second_sheet=True, sst_limit=120):
    sst = SstBuilder(limit=sst_limit)
    body = dimensions(0, 7, 0, 12)
    for c, title in enumerate(ITEM_TITLES):
        body += label_sst(sst, 0, c, title) if title else blank(0, c)
    # row 1
    body += rk(1, 0, rk_int(100234))
    body += number(1, 1, 4710088412345.0)
    body += label_sst(sst, 1, 2, "可口可樂 600ml")
    body += number(1, 3, serial(2024, 3, 5), XF_DATE)
    body += rk(1, 4, rk_int(25))
    body += boolerr(1, 5, 1)
    body += formula(1, 6, 15, fnum(50.0))
    body += formula(1, 7, 15, fspecial(0)) + string8("可樂")
    body += formula(1, 8, 15, fspecial(1, 1))
    body += number(1, 9, 12345.0)
    body += label_sst(sst, 1, 10, "x1")
    body += label_sst(sst, 1, 11, LONG_TEXT, runs=2, phonetic=b"\x01\x00\x02\x00" * 5)
    # row 2
    body += rk(2, 0, rk_int(100235))
    body += number(2, 1, 4710088412352.0)
    body += label_sst(sst, 2, 2, "Pocky 巧克力棒")
    body += number(2, 3, serial(2024, 3, 6, 14, 30, 15), XF_DATETIME)
    body += rk(2, 4, rk_cent(150))
    body += boolerr(2, 5, 0)
    body += formula(2, 6, 15, fnum(0.1 + 0.2))
    body += formula(2, 7, 15, fspecial(3))
    body += formula(2, 8, 15, fspecial(1, 0))
    body += label_sst(sst, 2, 9, "ABC")
    body += blank(2, 10)
    body += label_sst(sst, 2, 11, LONG_LATIN, force_utf16=False)
    # row 3: no item number
    body += label_sst(sst, 3, 2, "無貨號")
    body += number(3, 3, 45000.0, XF_BUILTIN_DATE)
    body += number(3, 4, 1e-7)
    body += boolerr(3, 5, 1)
    body += formula(3, 6, 15, fspecial(2, 0x07))
    body += number(3, 9, serial(2024, 1, 1), XF_DATE)
    body += label_sst(sst, 3, 11, "Wide latin", force_utf16=True)
    # row 4: MULRK, MULBLANK, LABEL and RSTRING records
    body += rk(4, 0, rk_int(100236))
    body += rec(0x0204, cell_hdr(4, 2, 15) + xl_string("標籤文字"))
    body += rec(0x00BD, struct.pack("<HH", 4, 3) + struct.pack("<HI", XF_DATE, rk_int(45300)) +
                struct.pack("<HI", 15, rk_int(99)) + struct.pack("<H", 4))
    body += rec(0x00BE, struct.pack("<HH", 4, 5) + struct.pack("<HHHH", 15, 15, 15, 15) + struct.pack("<H", 8))
    body += boolerr(4, 9, 1)
    body += rec(0x00D6, cell_hdr(4, 11, 15) + xl_string("富文字") + struct.pack("<H", 1) + struct.pack("<HH", 0, 0))
    # row 5 is empty; row 6
    body += number(6, 0, 999999.0)
    body += label_sst(sst, 6, 2, "最後一筆")
    body += number(6, 4, -3.25)
    body += number(6, 6, 2.5, XF_DAYS)
    # row 7: only a formatted blank cell, so the used range reaches it
    body += blank(7, 12)
    sheets = [("Sheet1", 0, body)]
    if second_sheet:
        sheets.append(("說明", 0, dimensions(0, 0, 0, 0) + label_sst(sst, 0, 0, "第二張工作表")))
    stream = workbook8(sheets, sst, FORMATS, xf_formats=XF_FORMATS)
    return compound_document([("Workbook", stream)], container_version, pad, extra_fat)


def simple_workbook(titles, rows, sheet_names=("Sheet1",), target=0, date1904=False, version=3, pad=False,
                    filepass=False):
    sst = SstBuilder()
    body = dimensions(0, len(rows), 0, len(titles) - 1)
    for c, t in enumerate(titles):
        body += label_sst(sst, 0, c, t)
    for r, row in enumerate(rows, start=1):
        for c, v in enumerate(row):
            if v is None:
                continue
            if isinstance(v, bool):
                body += boolerr(r, c, int(v))
            elif isinstance(v, tuple):  # a date
                s = serial(*v)
                if date1904:
                    s -= 1462
                body += number(r, c, s, XF_DATETIME if len(v) > 3 else XF_DATE)
            elif isinstance(v, (int, float)):
                body += number(r, c, float(v))
            else:
                body += label_sst(sst, r, c, v)
    sheets = []
    for i, name in enumerate(sheet_names):
        sheets.append((name, 0, body if i == target else dimensions(0, 0, 0, 0) + label_sst(sst, 0, 0, "另一張")))
    stream = workbook8(sheets, sst, FORMATS, date1904=date1904, filepass=filepass, xf_formats=XF_FORMATS)
    return compound_document([("Workbook", stream)], version, pad)


def biff5_big5_workbook():
    def label5(r, c, text):
        raw = text.encode("cp950")
        return rec(0x0204, cell_hdr(r, c, 15) + struct.pack("<H", len(raw)) + raw)

    body = label5(0, 0, "小分類代碼") + label5(0, 1, "小分類名稱") + label5(0, 2, "數量")
    body += label5(1, 0, "01") + label5(1, 1, "飲料") + rk(1, 2, rk_int(12))
    body += label5(2, 0, "02") + label5(2, 1, "許功蓋") + number(2, 2, 2.5)
    raw = "公式結果".encode("cp950")
    body += label5(3, 0, "03") + formula(3, 1, 15, fspecial(0)) + rec(0x0207, struct.pack("<H", len(raw)) + raw)
    body += boolerr(3, 2, 0x07, is_error=True)
    body += label5(4, 0, "04") + label5(4, 1, "Cafe 咖啡") + number(4, 2, serial(2023, 12, 31), 16)
    other = label5(0, 0, "說明文字")
    stream = workbook5([("Sheet1", body), ("說明", other)], 950, xf_formats=[14])
    return compound_document([("Book", stream)], 3, True)


def biff5_cp1252_workbook():
    def label5(r, c, text):
        raw = text.encode("cp1252")
        return rec(0x0204, cell_hdr(r, c, 15) + struct.pack("<H", len(raw)) + raw)

    body = label5(0, 0, "Name") + label5(1, 0, "Café Crème") + label5(2, 0, "€ 5")
    stream = workbook5([("Sheet1", body)], 1252)
    return compound_document([("Book", stream)], 3, False)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def zip_file(name, members):
    with zipfile.ZipFile(os.path.join(HERE, name), "w") as z:
        for member, text in members:
            z.writestr(member, text)


def main():
    write("item_basic.xls", basic_item_workbook())
    write("item_mini_stream.xls", basic_item_workbook(pad=False, second_sheet=False))
    write("item_v4.xls", basic_item_workbook(container_version=4))
    write("item_difat.xls", basic_item_workbook(extra_fat=120))
    write("item_whole_sst.xls", basic_item_workbook(sst_limit=8224))
    write("upper_sheet1.xls", simple_workbook(["小分類代碼", "小分類名稱"], [["A1", "飲料"], ["B2", "零食"]],
                                              sheet_names=("資料", "SHEET1"), target=1))
    write("no_sheet1.xls", simple_workbook(["x"], [["1"]], sheet_names=("資料", "Sheet2")))
    write("date1904.xls", simple_workbook(["日期", "時間"], [[(2024, 3, 5), (2024, 3, 5, 8, 15, 0)],
                                                          [(1904, 1, 1), (1999, 12, 31, 23, 59, 59)]],
                                          date1904=True, version=4))
    write("cls.xls", simple_workbook(["小分類代碼", "小分類名稱"], [["001", "飲料"], ["002", "零食"], [3, "日用品"]]))
    write("supplier.xls", simple_workbook(
        ["廠商代號", "廠商姓名", "地址", "負責人", "聯絡電話1", "聯絡電話2", "訂貨電話", "傳真電話", "給予折扣",
         "稅別", "聯絡人", "交易別", "備註"],
        [["S001", "大同貿易", "台北市中山路1號", "王大明", "02-12345678", None, "02-23456789", "02-34567890",
          95, "1", "陳小姐", "月結", "老客戶"]]))
    write("customer.xls", simple_workbook(
        ["顧客編號", "身分證字號", "姓名", "性別", "電話1", "地址", "會員等級"],
        [["C0001", "A123456789", "林美麗", "女", "0912345678", "高雄市前鎮區", "VIP"],
         ["C0002", None, "張三", "男", None, None, "一般"]]))
    write("title_only.xls", simple_workbook(["管理貨號", "品名"], []))
    write("password.xls", simple_workbook(["x"], [["1"]], filepass=True))
    write("biff5_big5.xls", biff5_big5_workbook())
    write("biff5_cp1252.xls", biff5_cp1252_workbook())
    write("not_workbook.doc", compound_document([("WordDocument", b"\xec\xa5" + b"\0" * 5000)]))
    write("encrypted.xlsx", compound_document([("EncryptionInfo", b"\x04\0\x04\0" + b"\0" * 200),
                                               ("EncryptedPackage", b"\0" * 5000)]))
    write("plain_text.xls", "管理貨號,品名\n100234,可樂\n".encode("utf-8"))
    zip_file("workbook.xlsx", [("[Content_Types].xml", "<Types/>"), ("xl/workbook.xml", "<workbook/>")])
    zip_file("spreadsheet.ods", [("mimetype", "application/vnd.oasis.opendocument.spreadsheet"),
                                 ("content.xml", "<office:document-content/>")])
    check_with_xlrd()


def open_with_xlrd(xlrd, name):
    # xlrd places the sectors of version 4 containers wrongly, so olefile
    # takes the stream out and xlrd reads the bare stream.
    try:
        import olefile
    except ImportError:
        return xlrd.open_workbook(os.path.join(HERE, name))
    with olefile.OleFileIO(os.path.join(HERE, name)) as ole:
        stream = ole.openstream("Workbook" if ole.exists("Workbook") else "Book").read()
    return xlrd.open_workbook(file_contents=stream)


def check_with_xlrd():
    try:
        import xlrd
    except ImportError:
        print("xlrd not available: fixtures written without the cross-check")
        return
    for name in ["item_basic.xls", "item_mini_stream.xls", "item_v4.xls", "item_difat.xls", "item_whole_sst.xls",
                 "upper_sheet1.xls",
                 "date1904.xls", "cls.xls", "supplier.xls", "customer.xls", "biff5_big5.xls", "biff5_cp1252.xls"]:
        try:
            book = open_with_xlrd(xlrd, name)
        except xlrd.XLRDError as e:
            # xlrd counts the characters of a BIFF5 STRING record after
            # decoding, so a Big5 formula text (counted in bytes) fails there.
            print(name, "not checked by xlrd:", e)
            continue
        sheet = book.sheet_by_index(1 if name == "upper_sheet1.xls" else 0)
        print(name, book.biff_version, book.datemode, [s.name for s in book.sheets()], sheet.nrows, sheet.ncols)
        for r in range(min(sheet.nrows, 3)):
            print("   ", [sheet.cell(r, c).value for c in range(sheet.ncols)])
    book = open_with_xlrd(xlrd, "item_basic.xls")
    sheet = book.sheet_by_index(0)
    assert sheet.cell(1, 11).value == LONG_TEXT
    assert sheet.cell(2, 11).value == LONG_LATIN
    assert sheet.cell(2, 1).value == 4710088412352.0
    assert sheet.cell(4, 2).value == "標籤文字"


if __name__ == "__main__":
    main()
