"""Independent readers (dbfread, GDAL) read the checkout's dBase tables and shapefile."""
import os
import subprocess
import sys
import tempfile

import dbfread

CHECKOUT = sys.argv[1]
FAILURES = []


def check(what, got, expected):
    if got != expected:
        FAILURES.append(f"{what}: got {got!r}, expected {expected!r}")


def ogr_features(path):
    """Feature count and the attribute values of every feature, by field name."""
    out = subprocess.run(["ogrinfo", "-al", "-q", path], capture_output=True, text=True,
                         encoding="utf-8", check=True).stdout
    features = []
    for line in out.splitlines():
        if line.startswith("OGRFeature"):
            features.append({})
        elif " = " in line and features:
            name, value = line.strip().split(" = ", 1)
            features[-1][name.split(" ")[0]] = value
        elif line.strip().startswith("POINT") and features:
            features[-1]["geometry"] = line.strip()
    return features


def upper_keys(record):
    return {k.upper(): v for k, v in record.items()}


def main():
    with tempfile.TemporaryDirectory(prefix="ve1 checkout ") as tmp:
        store = os.path.join(tmp, "vestra.db")
        out = os.path.join(tmp, "out")
        subprocess.run([CHECKOUT, "--store", store, "--generate", "30", "--seed", "3"], check=True,
                       capture_output=True)
        subprocess.run([CHECKOUT, "--store", store, "--tid", "1", "--dir", out, "--prefix", "syn"],
                       check=True, capture_output=True)

        t = os.path.join(out, "synt.dbf")
        with open(t, "rb") as f:
            check("t.dbf version byte (plain dBase without memo)", f.read(1), b"\x03")
        rows = [upper_keys(r) for r in dbfread.DBF(t, encoding="cp1252")]
        check("t.dbf rows", len(rows), 30)
        check("t.dbf fields", set(rows[0].keys()), {"KENNUNG", "TID", "FELDIXID", "VGNR", "SCHREIBEND"})
        check("t.dbf TID", {r["TID"] for r in rows}, {1})
        check("t.dbf SCHREIBEND", {r["SCHREIBEND"] for r in rows} <= {0, 1}, True)
        check("t.dbf FELDIXID distinct", len({r["FELDIXID"] for r in rows}), 30)
        ids = sorted(r["KENNUNG"] for r in rows)

        kl = [upper_keys(r) for r in dbfread.DBF(os.path.join(out, "synkl.dbf"), encoding="cp1252")]
        check("kl.dbf rows", len(kl), 4)
        check("kl.dbf TID", {r["TID"] for r in kl}, {1})
        check("kl.dbf identifiers apart from the objects'", set(r["KENNUNG"] for r in kl) & set(ids), set())

        pc = [upper_keys(r) for r in dbfread.DBF(os.path.join(out, "synpc.dbf"), encoding="cp1252")]
        check("pc.dbf rows", len(pc), 6)
        for r in pc:
            check("pc.dbf memo", r["BESCHR"].startswith("Ansicht von "), True)
            check("pc.dbf date", type(r["DATUM"]).__name__, "date")
            check("pc.dbf picture", os.path.isfile(os.path.join(out, "syn_Fotos", r["DATEI"])), True)

        features = ogr_features(t)
        check("ogrinfo t.dbf features", sorted(f.get("KENNUNG") for f in features), ids)
        points = ogr_features(os.path.join(out, "syn.shp"))
        check("ogrinfo shapefile identifiers", sorted(f.get("KENNUNG") for f in points), ids)
        check("ogrinfo shapefile classes", {f.get("KLASSE") for f in points} <= {"NSG", "FFH", "VSG", "LSG"}, True)
        check("ogrinfo shapefile points", all(f.get("geometry", "").startswith("POINT (") for f in points), True)

    for failure in FAILURES:
        print(failure)
    sys.exit(1 if FAILURES else 0)


main()
