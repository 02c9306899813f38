"""The release's packing and its check, on a built plug-in DLL: two packings of the same files
give the same bytes, whatever the files' times and permissions; the check accepts the package
and refuses one whose install note is UTF-8 or has LF line ends, whose checksum is another
file's, whose DLL carries another version than the package, or that lacks an entry.
Usage: release_test.py --version X.Y.Z DLL"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(top, "scripts"))
import release_zip  # noqa: E402
from check_release import release_failures  # noqa: E402

PACKER = os.path.join(top, "scripts", "release_zip.py")
NOTE = os.path.join(top, "release", "LIESMICH.txt")
EPOCH = 1700000000


def zip_name(version):
    return "VE1TransAction-%s-win32.zip" % version


def packed(work, dll, note, version):
    """The packer's zip of the files, as the release command makes it."""
    out = os.path.join(work, zip_name(version))
    subprocess.run([sys.executable, PACKER, "--version", version, "--dll", dll, "--note", note,
                    "--epoch", str(EPOCH), "--out", out], check=True)
    with open(out, "rb") as f:
        return out, f.read()


def main():
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("--version", required=True)
    parser.add_argument("dll")
    args = parser.parse_args()
    version = args.version
    failures = []
    with tempfile.TemporaryDirectory() as work:
        first, second = os.path.join(work, "first"), os.path.join(work, "second")
        os.makedirs(first)
        os.makedirs(second)
        out, one = packed(first, args.dll, NOTE, version)
        # The same files again, copied with other times and permissions.
        dll, note = os.path.join(second, "in.dll"), os.path.join(second, "in.txt")
        shutil.copyfile(args.dll, dll)
        shutil.copyfile(NOTE, note)
        for f, mode in ((dll, 0o600), (note, 0o640)):
            os.chmod(f, mode)
            os.utime(f, (EPOCH + 86400, EPOCH + 86400))
        _, two = packed(second, dll, note, version)
        if one != two:
            failures.append("two packings of the same files differ")
        accepted = release_failures(out, version)
        failures += ["the check refuses the package: " + f for f in accepted]

        with open(args.dll, "rb") as f:
            dll_bytes = f.read()
        with open(NOTE, encoding="utf-8") as f:
            note_text = f.read().replace("@VERSION@", version)
        parts = [int(p) for p in version.split(".")]
        other = ".".join(map(str, parts[:-1] + [parts[-1] + 1]))
        # Each broken package and the word its refusal must contain.
        broken = {
            "note in UTF-8 with LF": ({"LIESMICH.txt": note_text.encode("utf-8")}, version, "LIESMICH.txt"),
            "note in UTF-8 with CRLF": ({"LIESMICH.txt": note_text.replace("\n", "\r\n").encode("utf-8")},
                                        version, "LIESMICH.txt does not name"),
            "note with LF": ({"LIESMICH.txt": note_text.encode("cp1252")}, version, "CRLF"),
            "checksum of another file": ({"SHA256SUMS": release_zip.windows_text(
                "%s *VE1TransAction.dll\n" % ("0" * 64))}, version, "SHA256SUMS says"),
            "DLL of another version": ({}, other, "FileVersion"),
        }
        for what, (changes, packed_version, word) in broken.items():
            files = release_zip.contents(packed_version, dll_bytes, note_text)
            files.update(changes)
            path = os.path.join(work, what.replace(" ", "_"), zip_name(packed_version))
            os.makedirs(os.path.dirname(path))
            release_zip.pack(path, files, EPOCH)
            refusal = release_failures(path, packed_version)
            if not any(word in f for f in refusal):
                failures.append("the check accepts a package with a %s (%s)" % (what, refusal))
        path = os.path.join(work, "lacking", zip_name(version))
        os.makedirs(os.path.dirname(path))
        release_zip.pack(path, release_zip.contents(version, dll_bytes, note_text), EPOCH,
                         [n for n in release_zip.ENTRIES if n != "VERSION"])
        if not any("holds" in f for f in release_failures(path, version)):
            failures.append("the check accepts a package without VERSION")
    for f in failures:
        print("release: " + f)
    if not failures:
        print("release: packing reproducible, the check accepts the package and refuses 6 broken ones")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
