"""Independent readers (dbfread, GDAL) read what the engine writes; the engine reads what
independent writers (python3-dbf for dBase III, IV and Visual FoxPro, GDAL) write."""
import datetime
import json
import os
import subprocess
import sys
import tempfile

import dbf
import dbfread

TOOL = sys.argv[1]
TEXTS = ["Müller € „Zitat“ – ß", "ÄÖÜäöü", "plain", "x" * 50]
FAILURES = []


def check(what, got, expected):
    if got != expected:
        FAILURES.append(f"{what}: got {got!r}, expected {expected!r}")


def tool(*args, stdin=None):
    r = subprocess.run([TOOL, *args], input=stdin, capture_output=True, text=True, encoding="utf-8")
    if r.returncode != 0:
        raise RuntimeError(f"dbftool {args}: {r.stderr}")
    return r.stdout


def dump(path):
    return [json.loads(line) for line in tool("dump", path).splitlines()]


def ours_read_by_others(tmp):
    path = os.path.join(tmp, "OURS.DBF")
    tool("create", path, "KENNUNG:C:50,TID:I,BETRAG:N:10:2,DATUM:D,OK:L,BESCHR:M")
    rows = [
        (TEXTS[0], -2147483648, "12.50", "2024-02-29", "T", TEXTS[0] + " im Memo"),
        (TEXTS[1], 2147483647, "-0.25", "1899-12-30", "F", "m" * 700),
        (TEXTS[2], 0, "\\N", "\\N", "T", "\\N"),
        (TEXTS[3], -1, "99999.99", "2000-01-01", "F", TEXTS[1]),
    ]
    tool("append", path, stdin="".join("\t".join(map(str, r)) + "\n" for r in rows))
    tool("index", path, "idxKennung", "KENNUNG")
    tool("index", path, "idxTID", "TID")

    got = list(dbfread.DBF(path))
    check("dbfread row count", len(got), len(rows))
    for r, g in zip(rows, got):
        check("dbfread KENNUNG", g["KENNUNG"], r[0])
        check("dbfread TID", g["TID"], r[1])
        check("dbfread BETRAG", g["BETRAG"], None if r[2] == "\\N" else float(r[2]))
        check("dbfread DATUM", g["DATUM"], None if r[3] == "\\N" else datetime.date.fromisoformat(r[3]))
        check("dbfread OK", g["OK"], r[4] == "T")
        check("dbfread BESCHR", g["BESCHR"], None if r[5] == "\\N" else r[5])

    out = subprocess.run(["ogrinfo", "-al", "-q", path], capture_output=True, text=True, encoding="utf-8").stdout
    values = {}
    feature = -1
    for line in out.splitlines():
        if line.startswith("OGRFeature"):
            feature += 1
        elif " = " in line and feature >= 0:
            name, value = line.strip().split(" = ", 1)
            values[(feature, name.split(" ")[0])] = value
    check("ogrinfo features", feature + 1, len(rows))
    for i, r in enumerate(rows):
        check(f"ogrinfo KENNUNG {i}", values.get((i, "KENNUNG")), r[0])
        check(f"ogrinfo TID {i}", values.get((i, "TID")), str(r[1]))
        if r[3] != "\\N":
            check(f"ogrinfo DATUM {i}", values.get((i, "DATUM")), r[3].replace("-", "/"))


def others_read_by_ours(tmp):
    # python3-dbf: dBase III, FoxPro and Visual FoxPro, each with memo (its dBase IV writer is
    # not usable: the module keeps it private and it fails to create a table).
    variants = [
        ("db3", "name C(50); amount N(10,2); count N(11,0); day D; flag L; note M"),
        ("fp", "name C(50); amount N(10,2); count N(11,0); day D; flag L; note M; ratio F(12,4)"),
        ("vfp", "name C(50); amount N(10,2); count I; day D; flag L; note M; ratio B"),
    ]
    for kind, spec in variants:
        path = os.path.join(tmp, f"py_{kind}.dbf")
        table = dbf.Table(path, spec, dbf_type=kind, codepage="cp1252")
        table.open(dbf.READ_WRITE)  # (its Visual FoxPro integers refuse both limits)
        expected = []
        for i, text in enumerate(TEXTS):
            row = {"name": text, "amount": 1.25 * i - 3, "count": ([-2147483648, 2147483647] if kind != "vfp" else [-2147483647, 2147483646])[i % 2] if i < 2 else [0, 42][i - 2],
                   "day": datetime.date(1999 + i, 12, 31), "flag": i % 2 == 0}
            if "note" in spec:
                row["note"] = f"Notiz {i}: {text}"
            if "ratio" in spec:
                row["ratio"] = 0.5 * i
            table.append(row)
            expected.append(row)
        dbf.delete(table[1])  # a deleted row stays invisible
        del expected[1]
        table.close()
        got = dump(path)
        check(f"{kind} row count", len(got), len(expected))
        for e, g in zip(expected, got):
            check(f"{kind} NAME", g["NAME"], e["name"])
            check(f"{kind} AMOUNT", float(g["AMOUNT"]), e["amount"])
            check(f"{kind} COUNT", g["COUNT"], e["count"])
            check(f"{kind} DAY", g["DAY"], e["day"].isoformat())
            check(f"{kind} FLAG", g["FLAG"], e["flag"])
            if "note" in e:
                check(f"{kind} NOTE", g["NOTE"], e["note"])
            if "ratio" in e:
                check(f"{kind} RATIO", float(g["RATIO"]), e["ratio"])

    # GDAL: a table converted from CSV with declared column types.
    csv = os.path.join(tmp, "src.csv")
    with open(csv, "w", encoding="utf-8") as f:
        f.write("KENNUNG,TID,BETRAG,DATUM\n")
        for i, text in enumerate(TEXTS):
            f.write(f"\"{text}\",{[-2147483648, 2147483647, 0, 7][i]},{i * 1.5},2020/0{i + 1}/15\n")
    with open(csv + "t", "w") as f:
        f.write("String(50),Integer,Real(10.2),Date\n")
    out = os.path.join(tmp, "gdal.dbf")
    subprocess.run(["ogr2ogr", "-f", "ESRI Shapefile", "-lco", "ENCODING=CP1252", out, csv], check=True)
    got = dump(out)
    check("gdal row count", len(got), len(TEXTS))
    for i, (text, g) in enumerate(zip(TEXTS, got)):
        check("gdal KENNUNG", g["KENNUNG"], text)
        check("gdal TID", g["TID"], [-2147483648, 2147483647, 0, 7][i])
        check("gdal BETRAG", float(g["BETRAG"]), i * 1.5)
        check("gdal DATUM", g["DATUM"], f"2020-0{i + 1}-15")


with tempfile.TemporaryDirectory() as tmp:
    ours_read_by_others(tmp)
    others_read_by_ours(tmp)

for f in FAILURES:
    print(f)
sys.exit(1 if FAILURES else 0)
