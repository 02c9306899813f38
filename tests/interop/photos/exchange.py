"""The photo exchange table: what our export writes is read by dbfread and GDAL with the exact
field names, types and memo texts; a table with memo that python3-dbf writes imports with every
value right."""
import datetime
import os
import subprocess
import sys
import tempfile

import dbf
import dbfread

TOOL = sys.argv[1]
FAILURES = []
FIELDS = ["PhotoID", "Kurzname", "Datei", "RW", "HW", "Richtung", "Datum", "Quelle", "Beschr"]
MEMO = "Erste Zeile: Grünfläche\r\nZweite – 12 € „Zitat“\r\n\r\nß" + " lang" * 200


def check(what, got, expected):
    if got != expected:
        FAILURES.append(f"{what}: got {got!r}, expected {expected!r}")


def escape(value):
    if value is None:
        return "\\N"
    return str(value).replace("\\", "\\\\").replace("\r", "\\r").replace("\n", "\\n").replace("\t", "\\t")


def unescape(cell):
    out, i = "", 0
    while i < len(cell):
        if cell[i] == "\\" and i + 1 < len(cell):
            out += {"n": "\n", "r": "\r", "t": "\t"}.get(cell[i + 1], cell[i + 1])
            i += 2
        else:
            out += cell[i]
            i += 1
    return out


def ours_read_by_others(tmp):
    photos = [
        # FotoID, Kurzname, RW, HW, Blickrichtung, Aufnahmedatum, Quelle, PicFileName, Bildbeschreibung
        (-1, "Müller-Wiese €", 3512345, 5812345, 315, "2024-02-29", "Q" * 254 + "ä", "FXFoto1.jpg", MEMO),
        (-2, "x" * 50, None, None, None, None, None, "FXFoto2.jpg", None),
    ]
    subprocess.run([TOOL, "export", tmp, "T5"], check=True, text=True, encoding="utf-8",
                   input="".join("\t".join(escape(v) for v in p) + "\n" for p in photos))
    path = os.path.join(tmp, "T5pc.dbf")
    table = dbfread.DBF(path, encoding="cp1252")
    check("dbfread field names", table.field_names, FIELDS)
    types = [(f.name, f.type, f.length) for f in table.fields]
    check("dbfread field types", [(n, t) for n, t, _ in types],
          [("PhotoID", "N"), ("Kurzname", "C"), ("Datei", "C"), ("RW", "N"), ("HW", "N"), ("Richtung", "N"),
           ("Datum", "D"), ("Quelle", "C"), ("Beschr", "M")])
    check("dbfread widths", [types[i][2] for i in (1, 2, 7)], [50, 50, 255])
    rows = list(table)
    check("dbfread rows", len(rows), 2)
    a, b = rows
    check("PhotoID", [a["PhotoID"], b["PhotoID"]], [-1, -2])
    check("Kurzname", [a["Kurzname"], b["Kurzname"]], ["Müller-Wiese €", "x" * 50])
    check("Datei", [a["Datei"], b["Datei"]], ["FXFoto1.jpg", "FXFoto2.jpg"])
    check("RW HW Richtung", [a["RW"], a["HW"], a["Richtung"]], [3512345, 5812345, 315])
    check("null numbers", [b["RW"], b["HW"], b["Richtung"]], [0, 0, 0])
    check("Datum", [a["Datum"], b["Datum"]], [datetime.date(2024, 2, 29), datetime.date(1899, 12, 30)])
    check("Quelle", a["Quelle"], "Q" * 254 + "ä")
    check("Beschr", a["Beschr"], MEMO)
    check("empty Beschr", b["Beschr"] or "", "")
    check("pictures", sorted(os.listdir(os.path.join(tmp, "T5_Fotos"))), ["FXFoto1.jpg", "FXFoto2.jpg"])

    out = subprocess.run(["ogrinfo", "-so", "-al", path], capture_output=True, text=True,
                         encoding="utf-8").stdout
    declared = [line.split(":")[0].strip() for line in out.splitlines()
                if ": " in line and "(" in line and line.split(":")[0].strip() in FIELDS]
    check("ogrinfo field names", declared, FIELDS)
    kinds = {line.split(":")[0].strip(): line.split(":")[1].strip().split(" ")[0] for line in out.splitlines()
             if ": " in line and line.split(":")[0].strip() in FIELDS}
    # The engine keeps 32-bit integers as 11-digit numbers (room for the sign), which GDAL
    # declares 64-bit.
    check("ogrinfo types", [kinds.get(f) for f in ("PhotoID", "RW", "Kurzname", "Datum", "Quelle")],
          ["Integer64", "Integer64", "String", "Date", "String"])
    data = subprocess.run(["ogrinfo", "-q", "-al", path], capture_output=True, text=True, encoding="utf-8").stdout
    check("ogrinfo Kurzname", "Kurzname (String) = Müller-Wiese €" in data, True)
    check("ogrinfo Datum", "Datum (Date) = 1899/12/30" in data, True)


def others_read_by_ours(tmp):
    layout = ("PhotoID N(11,0); Kurzname C(50); Datei C(50); RW N(11,0); HW N(11,0); Richtung N(11,0); "
            "Datum D; Quelle C(255); Beschr M")
    table = dbf.Table(os.path.join(tmp, "T6pc.dbf"), layout, dbf_type="db3", codepage="cp1252")
    table.open(dbf.READ_WRITE)
    rows = [
        dict(photoid=4711, kurzname="Grün – €", datei="V4711.jpg", rw=3500001, hw=5800002, richtung=90,
             datum=datetime.date(2023, 7, 14), quelle="VESTRA „Bestand“", beschr=MEMO),
        dict(photoid=-2147483648, kurzname="leer", datei="V2.jpg", rw=None, hw=None, richtung=None, datum=None,
             quelle=None, beschr=None),
    ]
    for r in rows:
        table.append(r)
    table.close()
    os.makedirs(os.path.join(tmp, "T6_Fotos"))
    proc = subprocess.run([TOOL, "import", tmp, "T6"], check=True, capture_output=True, text=True,
                          encoding="utf-8")
    got = [list(map(unescape, line.split("\t"))) for line in proc.stdout.splitlines()]
    # FotoID, Kurzname, RW, HW, Blickrichtung, Aufnahmedatum, Quelle, PicFileName, Bildbeschreibung, IsNew
    check("imported rows", got, [
        ["4711", "Grün – €", "3500001", "5800002", "90", "2023-07-14", "VESTRA „Bestand“", "V4711.jpg", MEMO, "2"],
        ["-2147483648", "leer", "0", "0", "0", "", "", "V2.jpg", "", "2"],
    ])


with tempfile.TemporaryDirectory() as tmp:
    os.makedirs(os.path.join(tmp, "a"))
    os.makedirs(os.path.join(tmp, "b"))
    ours_read_by_others(os.path.join(tmp, "a"))
    others_read_by_ours(os.path.join(tmp, "b"))

for f in FAILURES:
    print(f)
sys.exit(1 if FAILURES else 0)
