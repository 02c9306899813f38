"""The transaction exchange with other dBase programs: object and identifier lists that
python3-dbf (dBase III) and GDAL write are imported with every value right, and the action list
the export writes is read by dbfread and GDAL with its two fields KENNUNG C(41) and AKTION C(1).
The plug-in runs loaded by the host stand-in, driven by a scenario written here."""
import os
import subprocess
import sys
import tempfile

import dbf
import dbfread

FXSIM, PLUGIN = sys.argv[1], sys.argv[2]
FAILURES = []

# Identifier, TID, FELDIXID, VGNR, SCHREIBEND; 41 characters at most, as VESTRA's lists hold them.
OBJECTS = [
    ("NSG-Müllerwiese", 7, 1001, 3, 1),
    ("FFH-Aue-ß-€", 7, 1002, 0, 2),
    ("L" * 41, 7, 1003, 12345, 0),
]
POOL = [("NSG-Frei-Ä1", 7), ("NSG-Frei-2", 7)]


def check(what, got, expected):
    if got != expected:
        FAILURES.append(f"{what}: got {got!r}, expected {expected!r}")


def write_with_dbf(directory, prefix):
    table = dbf.Table(os.path.join(directory, prefix + "t.dbf"),
                      "KENNUNG C(41); TID N(10,0); FELDIXID N(10,0); VGNR N(5,0); SCHREIBEND N(1,0)",
                      dbf_type="db3", codepage="cp1252")
    table.open(dbf.READ_WRITE)
    for row in OBJECTS:
        table.append(row)
    table.close()
    pool = dbf.Table(os.path.join(directory, prefix + "kl.dbf"), "KENNUNG C(41); TID N(10,0)",
                     dbf_type="db3", codepage="cp1252")
    pool.open(dbf.READ_WRITE)
    for row in POOL:
        pool.append(row)
    pool.close()


def write_with_gdal(directory, prefix):
    for member, header, types, rows in (
            ("t", "KENNUNG,TID,FELDIXID,VGNR,SCHREIBEND", "String(41),Integer(10),Integer(10),Integer(5),Integer(1)",
             OBJECTS),
            ("kl", "KENNUNG,TID", "String(41),Integer(10)", POOL)):
        csv = os.path.join(directory, member + ".csv")
        with open(csv, "w", encoding="utf-8") as f:
            f.write(header + "\n" + "".join(",".join(f'"{v}"' if isinstance(v, str) else str(v) for v in r) + "\n"
                                            for r in rows))
        with open(csv + "t", "w", encoding="utf-8") as f:
            f.write(types + "\n")
        subprocess.run(["ogr2ogr", "-f", "ESRI Shapefile", "-lco", "ENCODING=CP1252",
                        os.path.join(directory, prefix + member + ".dbf"), csv], check=True)
        os.remove(csv)
        os.remove(csv + "t")


def scenario(path, import_dir, export_dir):
    expect = "".join(
        f'expect-row TA_LIST.DBF KENNUNGO="{k}" KENNUNG="{k}" TID={t} FELDIXID={f} VGNR={v} SCHREIBEND={s} '
        f'CHANGED=IGNORED\n' for k, t, f, v, s in OBJECTS)
    expect += "".join(f'expect-row TA_KL.DBF KENNUNG="{k}" TID={t}\n' for k, t in POOL)
    member = os.path.join(import_dir, "Moor1t.dbf").replace("\\", "\\\\")
    target = os.path.join(export_dir, "Moor1_Export").replace("\\", "\\\\")
    with open(path, "w", encoding="utf-8") as f:
        f.write(f"""class 1 NSG
load
command VE1CustomImport
file-dialog open "{member}"
expect-result -1
{expect}expect-rows TA_LIST.DBF {len(OBJECTS)}
expect-row TA_ID.DBF TID=7 NAME="Moor Süd" OWNER=Kreis
command VE1CustomExport
message confirmation "Bitte überprüfen Sie*" yes
file-dialog save "{target}"
expect-result -1
""")


def run(tmp, writer):
    import_dir = os.path.join(tmp, writer.__name__, "Austausch")
    export_dir = os.path.join(tmp, writer.__name__, "Export")
    os.makedirs(import_dir)
    os.makedirs(export_dir)
    writer(import_dir, "Moor1")
    with open(os.path.join(import_dir, "Moor1.tid"), "wb") as f:
        f.write("[Transaktionsdaten]\r\nTransaktion=7\r\nName=Moor Süd\r\nOwner=Kreis\r\n".encode("cp1252"))
    scn = os.path.join(tmp, writer.__name__, "import.scn")
    scenario(scn, import_dir, export_dir)
    done = subprocess.run([FXSIM, "--plugin", PLUGIN, "--quiet", scn], capture_output=True, text=True)
    if done.returncode != 0:
        FAILURES.append(f"{writer.__name__}: the import scenario failed:\n{done.stdout}{done.stderr}")
        return
    action_list = os.path.join(export_dir, "Moor1__aktion.dbf")
    table = dbfread.DBF(action_list, encoding="cp1252")
    check("dbfread fields", [(f.name, f.type, f.length) for f in table.fields],
          [("KENNUNG", "C", 41), ("AKTION", "C", 1)])
    # Write-locked objects only, in the list's order, each "I" (nothing changed yet).
    check("dbfread rows", [(r["KENNUNG"], r["AKTION"]) for r in table],
          [(k, "I") for k, _, _, _, s in OBJECTS if s != 0])
    out = subprocess.run(["ogrinfo", "-al", "-oo", "ENCODING=CP1252", action_list], capture_output=True,
                         text=True, encoding="utf-8").stdout
    check("ogrinfo KENNUNG", "KENNUNG: String (41.0)" in out, True)
    check("ogrinfo AKTION", "AKTION: String (1.0)" in out, True)
    check("ogrinfo values", f"KENNUNG (String) = {OBJECTS[0][0]}" in out, True)


def main():
    with tempfile.TemporaryDirectory() as tmp:
        run(tmp, write_with_dbf)
        run(tmp, write_with_gdal)
    for failure in FAILURES:
        print("FAIL", failure)
    print("exchange members:", "failed" if FAILURES else "passed")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
