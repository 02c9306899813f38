"""Reads a release zip back: it holds exactly the plug-in DLL, LIESMICH.txt, VERSION and
SHA256SUMS; the DLL is a PE32 i386 plug-in with the 22 hooks and a version resource of the
version; SHA256SUMS matches the DLL; LIESMICH.txt is Windows-1252 with CRLF line ends and names
what an administrator needs; VERSION says the version.
Usage: check_release.py --version X.Y.Z ZIP"""
import argparse
import hashlib
import os
import sys
import zipfile

from check_pe import DESCRIPTION, Pe, plugin_failures

DLL_NAME = "VE1TransAction.dll"
NAMES = {DLL_NAME, "LIESMICH.txt", "VERSION", "SHA256SUMS"}
# What the install note must name: where the DLL goes, the switch of the check-in dialog, the
# registry keys, the files in a project.
NOTE_MENTIONS = ("Verfahrensverzeichnis", "applicat.ini", "[VESTRA]", "AutoCheckIn=1",
                 "HKEY_CURRENT_USER\\Software\\kalvero\\feldix\\3.2\\VESTRA2\\VE2Transaktionen",
                 "HKEY_CURRENT_USER\\Vestra\\AutoCheckIn", "TA_ID.DBF", "TA_KL.DBF", "TA_LIST.DBF",
                 "FXPhotos", "Fotos", "Datensicherung", DESCRIPTION)


def windows_text_failures(name, data):
    """What keeps bytes from being Windows-1252 text with CRLF line ends (and no other)."""
    failures = []
    if not data.endswith(b"\r\n"):
        failures.append("%s does not end with CRLF" % name)
    if data.count(b"\n") != data.count(b"\r\n") or data.count(b"\r") != data.count(b"\r\n"):
        failures.append("%s has line ends other than CRLF" % name)
    try:
        data.decode("cp1252")
    except UnicodeDecodeError as e:
        failures.append("%s is not Windows-1252: %s" % (name, e))
    return failures


def release_failures(path, version):
    failures = []
    expected_name = "VE1TransAction-%s-win32.zip" % version
    if os.path.basename(path) != expected_name:
        failures.append("named %s, not %s" % (os.path.basename(path), expected_name))
    with zipfile.ZipFile(path) as z:
        broken = z.testzip()
        if broken:
            return failures + ["%s fails its CRC" % broken]
        names = z.namelist()
        if len(names) != len(NAMES) or set(names) != NAMES:
            return failures + ["holds %s, not %s" % (sorted(names), sorted(NAMES))]
        files = {n: z.read(n) for n in names}

    dll = files[DLL_NAME]
    try:
        failures += plugin_failures(Pe(dll), DLL_NAME, "i686", version)
    except (ValueError, IndexError) as e:
        failures.append("%s is no PE file: %s" % (DLL_NAME, e))

    sums = files["SHA256SUMS"]
    failures += windows_text_failures("SHA256SUMS", sums)
    lines = sums.decode("cp1252", "replace").splitlines()
    wanted = "%s *%s" % (hashlib.sha256(dll).hexdigest(), DLL_NAME)
    if lines != [wanted]:
        failures.append("SHA256SUMS says %r, not %r" % (lines, wanted))

    note = files["LIESMICH.txt"]
    failures += windows_text_failures("LIESMICH.txt", note)
    text = note.decode("cp1252", "replace")
    missing = [m for m in NOTE_MENTIONS + (version,) if m not in text]
    if missing:
        failures.append("LIESMICH.txt does not name %s" % ", ".join(missing))

    if files["VERSION"] != (version + "\r\n").encode("ascii"):
        failures.append("VERSION holds %r, not %s" % (files["VERSION"], version))
    return failures


def main():
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("--version", required=True)
    parser.add_argument("zip")
    args = parser.parse_args()
    failures = release_failures(args.zip, args.version)
    for f in failures:
        print("%s: %s" % (args.zip, f))
    if not failures:
        with zipfile.ZipFile(args.zip) as z:
            listing = ", ".join("%s (%d bytes)" % (i.filename, i.file_size) for i in z.infolist())
        print("%s: %d bytes, holds %s" % (args.zip, os.path.getsize(args.zip), listing))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
