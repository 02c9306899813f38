"""Packs the release zip: the plug-in DLL, the install note LIESMICH.txt (kept as UTF-8 with LF
in the repository, shipped in Windows-1252 with CRLF and the version filled in), the version and
the DLL's SHA-256 checksum. The zip's bytes depend on the contents and the time stamp only: the
entries come in a fixed order, with the given time, the same permissions (rw-r--r--) and no
extra fields. Written under a temporary name, then renamed.
Usage: release_zip.py --version X.Y.Z --dll DLL --note LIESMICH.txt --epoch SECONDS --out ZIP"""
import argparse
import hashlib
import os
import sys
import time
import zipfile

DLL_NAME = "VE1TransAction.dll"
# The entries in the zip's order.
ENTRIES = (DLL_NAME, "LIESMICH.txt", "VERSION", "SHA256SUMS")
# A zip's clock starts in 1980.
ZIP_EPOCH = 315532800


def windows_text(text):
    """Text with CRLF line ends in Windows-1252 (failing on a character it lacks)."""
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp1252")


def contents(version, dll, note):
    """The entries' bytes by name."""
    readme = windows_text(note.replace("@VERSION@", version))
    sums = "%s *%s\n" % (hashlib.sha256(dll).hexdigest(), DLL_NAME)
    return {DLL_NAME: dll, "LIESMICH.txt": readme, "VERSION": windows_text(version + "\n"),
            "SHA256SUMS": windows_text(sums)}


def pack(out, files, epoch, names=ENTRIES):
    """Writes the zip: the entries named, in that order, each with the time stamp of the epoch
    (in UTC) and the permissions rw-r--r--, deflated at the highest level."""
    stamp = time.gmtime(max(epoch, ZIP_EPOCH))[:6]
    part = out + ".part"
    with zipfile.ZipFile(part, "w") as z:
        for name in names:
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, files[name], compresslevel=9)
    os.replace(part, out)


def main():
    parser = argparse.ArgumentParser(usage=__doc__)
    for option in ("--version", "--dll", "--note", "--out"):
        parser.add_argument(option, required=True)
    parser.add_argument("--epoch", type=int, required=True)
    args = parser.parse_args()
    with open(args.dll, "rb") as f:
        dll = f.read()
    with open(args.note, encoding="utf-8") as f:
        note = f.read()
    try:
        files = contents(args.version, dll, note)
    except UnicodeEncodeError as e:
        sys.exit("%s: %r has no Windows-1252 form" % (args.note, e.object[e.start:e.end]))
    pack(args.out, files, args.epoch)


if __name__ == "__main__":
    main()
