#!/usr/bin/env python3
"""Reads the example workbooks with programs other than the writer.

Usage: check_examples.py xlrd|libreoffice|gnumeric FOLDER

xlrd         notes and hyperlinks come back with their cells and texts.
libreoffice  one soffice call converts every example to .xlsx; the packages
             hold the comments, the hyperlinks, the drawing with both
             pictures and the sheet background picture.
gnumeric     ssconvert converts every example without a word on its error
             stream (one known exception below); the notes, the hyperlinks
             and the images are in the result.
Exits 77 (skipped) when the program needed is not installed.
"""
import glob
import gzip
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

EXAMPLES = ["notes", "hyperlinks", "images", "background"]
NOTES = {(2, 0): "New harvest from Alishan.\nPrice valid until June.", (3, 1): "Special offer"}
LINKS = {(1, 1): ("url", "https://www.example.com/mountain-tea", "Web site", "Opens the supplier's web site"),
         (2, 1): ("local file", "C:\\Contracts\\Harbour Foods 2024.doc", "Contract", None)}

errors = []

# gnumeric takes a sheet background (BITMAP) only when its byte count lcb is
# smaller than the record's data after the first 8 bytes; a record whose
# picture fills it exactly, lcb = 12 + pixel bytes as the published format
# has it ([MS-XLS] 2.4.19 BkHim: lcb is the size of imageBlob, the 12-byte
# bitmap core header and the pixels), draws this warning and no background.
# gnumeric keeps no sheet background in its own files either way.  Only this
# message is forgiven, and only for the background example.
GNUMERIC_BACKGROUND_WARNING = re.compile(
    r'\A\(ssconvert:\d+\): gnumeric:read-WARNING \*\*: [\d:.]+: File is most likely corrupted\.\n'
    r'\(Condition "q->length >= 8 && image_len < q->length - 8" failed in excel_read_os2bmp\.\)\Z')


def expect(condition, message):
    if not condition:
        errors.append(message)


def check_xlrd(folder):
    import xlrd
    book = xlrd.open_workbook(os.path.join(folder, "notes.xls"), formatting_info=True)
    sheet = book.sheet_by_index(0)
    notes = {key: note.text for key, note in sheet.cell_note_map.items()}
    expect(notes == NOTES, "notes %r" % notes)

    book = xlrd.open_workbook(os.path.join(folder, "hyperlinks.xls"), formatting_info=True)
    sheet = book.sheet_by_index(0)
    links = {}
    for link in sheet.hyperlink_list:
        links[(link.frowx, link.fcolx)] = (link.type, link.url_or_path, link.desc, getattr(link, "quicktip", None))
        expect(sheet.cell_value(link.frowx, link.fcolx) == link.desc, "title cell of %r" % link.desc)
        font = book.font_list[book.xf_list[sheet.cell_xf_index(link.frowx, link.fcolx)].font_index]
        expect(font.underline_type == 1 and font.colour_index == 12, "link %r is not blue and underlined" % link.desc)
    expect(links == LINKS, "hyperlinks %r" % links)

    for name in ("images", "background"):
        sheet = xlrd.open_workbook(os.path.join(folder, name + ".xls"), formatting_info=True).sheet_by_index(0)
        expect(sheet.nrows > 1, "%s: no rows" % name)


def check_libreoffice(folder):
    soffice = shutil.which("soffice") or shutil.which("libreoffice")
    if soffice is None:
        print("LibreOffice is not installed")
        sys.exit(77)
    out = tempfile.mkdtemp(prefix="tabrin-examples-lo-")
    profile = tempfile.mkdtemp(prefix="tabrin-examples-profile-")
    try:
        files = [os.path.join(folder, name + ".xls") for name in EXAMPLES]
        run = subprocess.run([soffice, "-env:UserInstallation=file://" + profile, "--headless",
                              "--convert-to", "xlsx", "--outdir", out] + files,
                             capture_output=True, text=True, timeout=240)
        expect(run.returncode == 0, "soffice failed: %s" % run.stderr)
        packages = {}
        for name in EXAMPLES:
            path = os.path.join(out, name + ".xlsx")
            if not os.path.exists(path):
                errors.append("%s was not converted: %s" % (name, run.stdout + run.stderr))
                continue
            with zipfile.ZipFile(path) as z:
                packages[name] = {part: z.read(part) for part in z.namelist()}
        if "notes" in packages:
            parts = packages["notes"]
            comments = b"".join(data for part, data in parts.items() if part.startswith("xl/comments"))
            for cell, text in (("A3", "New harvest from Alishan.&#10;Price valid until June."), ("B4", "Special offer")):
                expect(('ref="%s"' % cell).encode() in comments, "comment on %s missing" % cell)
                expect(text.encode() in comments, "comment text %r missing" % text)
        if "hyperlinks" in packages:
            parts = packages["hyperlinks"]
            rels = parts.get("xl/worksheets/_rels/sheet1.xml.rels", b"")
            sheet = parts.get("xl/worksheets/sheet1.xml", b"")
            expect(b'Target="https://www.example.com/mountain-tea"' in rels, "URL link missing: %r" % rels)
            expect(b"Harbour%20Foods%202024.doc" in rels, "file link missing: %r" % rels)
            expect(b'ref="B2"' in sheet and b'ref="B3"' in sheet, "hyperlink cells missing")
        if "images" in packages:
            parts = packages["images"]
            media = sorted(part for part in parts if part.startswith("xl/media/"))
            expect(len(media) == 2, "images: media %r" % media)
            drawing = b"".join(data for part, data in parts.items() if re.match(r"xl/drawings/drawing\d+\.xml$", part))
            expect(drawing.count(b"<xdr:pic>") == 2, "images: %d pictures in the drawing" % drawing.count(b"<xdr:pic>"))
            expect(b'name="Image_0"' in drawing and b'name="Front shelf"' in drawing, "images: titles missing")
            # Both images start in row 4 (0-based 3), in columns A and D.
            starts = re.findall(rb"<xdr:from><xdr:col>(\d+)</xdr:col><xdr:colOff>\d+</xdr:colOff><xdr:row>(\d+)</xdr:row>",
                                drawing)
            expect(sorted(starts) == [(b"0", b"3"), (b"3", b"3")], "images: anchors %r" % starts)
        if "background" in packages:
            parts = packages["background"]
            sheet = parts.get("xl/worksheets/sheet1.xml", b"")
            media = [part for part in parts if part.startswith("xl/media/")]
            expect(b"<picture " in sheet and len(media) == 1, "background: no sheet picture (%r)" % media)
            # The bitmap came through whole: LibreOffice stores it as a PNG
            # of the picture's own 64 x 64 pixels.
            if len(media) == 1:
                png = parts[media[0]]
                size = struct.unpack(">II", png[16:24]) if png[:8] == b"\x89PNG\r\n\x1a\n" else None
                expect(size == (64, 64), "background: %s is not a 64 x 64 PNG (%r)" % (media[0], size))
    finally:
        shutil.rmtree(out, ignore_errors=True)
        shutil.rmtree(profile, ignore_errors=True)


def check_gnumeric(folder):
    ssconvert = shutil.which("ssconvert")
    if ssconvert is None:
        print("gnumeric is not installed")
        sys.exit(77)
    out = tempfile.mkdtemp(prefix="tabrin-examples-gnumeric-")
    try:
        documents = {}
        for name in EXAMPLES:
            target = os.path.join(out, name + ".gnumeric")
            run = subprocess.run([ssconvert, os.path.join(folder, name + ".xls"), target],
                                 capture_output=True, text=True, timeout=120)
            expect(run.returncode == 0, "%s: ssconvert failed: %s" % (name, run.stderr))
            said = run.stderr.strip()
            if name == "background" and GNUMERIC_BACKGROUND_WARNING.match(said):
                print("background: ssconvert gives its known BITMAP warning")
            else:
                expect(said == "", "%s: ssconvert complains: %s" % (name, said))
            if os.path.exists(target):
                with gzip.open(target) as f:
                    documents[name] = f.read().decode("utf-8")
        notes = re.findall(r'<gnm:CellComment ObjectBound="([A-Z]+\d+)"[^>]*Text="([^"]*)"', documents.get("notes", ""))
        expect(sorted(notes) == [("A3", "New harvest from Alishan.&#10;Price valid until June."), ("B4", "Special offer")],
               "gnumeric notes %r" % notes)
        links = re.findall(r'<gnm:HyperLink type="(\w+)" target="([^"]*)"', documents.get("hyperlinks", ""))
        expect(sorted(links) == [("GnmHLinkExternal", "C:\\Contracts\\Harbour Foods 2024.doc"),
                                 ("GnmHLinkURL", "https://www.example.com/mountain-tea")], "gnumeric links %r" % links)
        images = re.findall(r'<gnm:SheetObjectImage Name="([^"]*)"', documents.get("images", ""))
        expect(sorted(images) == ["Front shelf", "Image_0"], "gnumeric images %r" % images)
    finally:
        shutil.rmtree(out, ignore_errors=True)


def main():
    reader, folder = sys.argv[1], sys.argv[2]
    for name in EXAMPLES:
        if not os.path.exists(os.path.join(folder, name + ".xls")):
            print("missing example workbook %s.xls" % name)
            return 1
    {"xlrd": check_xlrd, "libreoffice": check_libreoffice, "gnumeric": check_gnumeric}[reader](folder)
    for message in errors:
        print(message)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
