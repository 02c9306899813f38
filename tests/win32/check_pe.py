"""Checks the export and import tables of the plug-in DLL: exactly the hooks, under their plain
names, and imports of Windows' own DLLs and the host's fxAPI32.dll only. With --version, also
its version resource: file and product version, product name and German description.
With --stand-in, only the version resource of one of the host stand-in's files.
Usage: check_pe.py [--machine i686|x86_64] [--version X.Y.Z [--stand-in]] FILE
(i686, the product's, unless said)"""
import argparse
import os
import struct
import sys

HOOKS = {
    "VE1CustomImport", "VE1CustomExport", "MakeTransActionReport", "BeforeLoadProject",
    "AfterLoadProject", "BeforeCloseProject", "BeforeCreateObject", "InsertInTransActionList",
    "DeleteFromTransActionList", "AfterEditObject", "GeometryChanged", "OnTablePost",
    "CheckStatus", "BeforeChangeKennung", "AfterChangeKennung", "UpdateKennungPreCorrection",
    "SwitchKennung", "CreateListToAssign", "AssignToTransaction", "ProcessFoto",
    "CorrectHauptfoto", "AfterFELDIXCommand",
}
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comdlg32.dll", "advapi32.dll", "msvcrt.dll",
    "comctl32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll", "ws2_32.dll", "shlwapi.dll",
}
HOST_DLL = "fxapi32.dll"
# Machine field and optional header magic of each architecture: PE32 and PE32+.
MACHINES = {"i686": (0x14C, 0x10B), "x86_64": (0x8664, 0x20B)}
PRODUCT = "VE1TransAction"
DESCRIPTION = "FELDIX-Erweiterung f\u00fcr VESTRA-Transaktionen"
# The string table's language and code page: German, UTF-16.
TRANSLATION = (0x0407, 1200)
RT_VERSION = 16
VFT_APP, VFT_DLL = 1, 2


class Pe:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections = struct.unpack_from("<HH", data, pe + 4)[:2]
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        if self.magic not in (0x10B, 0x20B):
            raise ValueError("unknown optional header magic %#x" % self.magic)
        # PE32+ has 8-byte image base and stack and heap sizes: its directories start later.
        directories = optional + (96 if self.magic == 0x10B else 112)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            vsize, vaddr, rsize, raddr = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            self.sections.append((vaddr, max(vsize, rsize), raddr))

    def offset(self, rva):
        for vaddr, size, raddr in self.sections:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raddr
        raise ValueError("address %#x lies in no section" % rva)

    def string(self, rva):
        start = self.offset(rva)
        end = self.data.index(b"\0", start)
        return self.data[start:end].decode("ascii")

    def exports(self):
        rva, size = self.directories[0]
        if not rva:
            return []
        names, name_table = struct.unpack_from("<II", self.data, self.offset(rva) + 24)[0], \
            struct.unpack_from("<I", self.data, self.offset(rva) + 32)[0]
        return [self.string(struct.unpack_from("<I", self.data, self.offset(name_table) + 4 * i)[0])
                for i in range(names)]

    def resource(self, type_id):
        """The data of the first resource of a type (its first name, first language), or None."""
        rva, size = self.directories[2]
        if not rva:
            return None
        root = self.offset(rva)
        at = root
        for level in range(3):
            named, numbered = struct.unpack_from("<HH", self.data, at + 12)
            entries = [struct.unpack_from("<II", self.data, at + 16 + 8 * i) for i in range(named + numbered)]
            if level == 0:
                entries = [e for e in entries if e[0] == type_id]
            if not entries:
                return None
            target = entries[0][1]
            # Two levels of directories (type, name, language), then the data entry.
            if (level < 2) != bool(target & 0x80000000):
                raise ValueError("resource directory malformed at level %d" % level)
            at = root + (target & 0x7FFFFFFF)
        data_rva, data_size = struct.unpack_from("<II", self.data, at)
        start = self.offset(data_rva)
        return self.data[start:start + data_size]

    def imports(self):
        rva, size = self.directories[1]
        dlls = []
        at = self.offset(rva)
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, at)
            if not name and not thunks:
                return dlls
            dlls.append(self.string(name))
            at += 20


def align4(n):
    return (n + 3) & ~3


def version_nodes(block, start, end):
    """The nodes of a VS_VERSIONINFO block between two offsets: key, value (text or bytes) and
    the range of the node's children."""
    at = start
    while at + 6 <= end:
        length, value_length, text = struct.unpack_from("<HHH", block, at)
        if length < 6 or at + length > end:
            raise ValueError("version resource malformed at %#x" % at)
        key_end = at + 6
        while block[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = block[at + 6:key_end].decode("utf-16-le")
        value_at = align4(key_end + 2)
        # A text value's length counts UTF-16 characters, a binary one's bytes.
        value = block[value_at:value_at + (2 * value_length if text else value_length)]
        if text:
            value = value.decode("utf-16-le").split("\0")[0]
        children = align4(value_at + (2 * value_length if text else value_length))
        yield key, value, children, at + length
        at = align4(at + length)


def version_info(block):
    """(file version, product version, file type, {(table, name): text}, [translations]) of a
    VS_VERSIONINFO block."""
    (key, fixed, children, end), = [n for n in version_nodes(block, 0, len(block))][:1]
    if key != "VS_VERSION_INFO" or len(fixed) < 52 or struct.unpack_from("<I", fixed)[0] != 0xFEEF04BD:
        raise ValueError("no VS_VERSION_INFO with its fixed part")
    fields = struct.unpack_from("<13I", fixed)
    file_version = (fields[2] >> 16, fields[2] & 0xFFFF, fields[3] >> 16, fields[3] & 0xFFFF)
    product_version = (fields[4] >> 16, fields[4] & 0xFFFF, fields[5] >> 16, fields[5] & 0xFFFF)
    strings, translations = {}, []
    for key, _, first, last in version_nodes(block, children, end):
        for table, value, table_first, table_last in version_nodes(block, first, last):
            if key == "StringFileInfo":
                for name, text, _, _ in version_nodes(block, table_first, table_last):
                    strings[(table.upper(), name)] = text
            elif key == "VarFileInfo" and table == "Translation":
                translations += [struct.unpack_from("<HH", value, i) for i in range(0, len(value) - 3, 4)]
    return file_version, product_version, fields[9], strings, translations


def version_failures(pe, path, version, description=DESCRIPTION):
    """What is wrong with the file's version resource: the version (X.Y.Z, the fourth binary
    part 0) in the fixed part and the texts, the product name, the file name, the description
    (any when None) and the file type."""
    block = pe.resource(RT_VERSION)
    if block is None:
        return ["no version resource"]
    try:
        file_version, product_version, file_type, strings, translations = version_info(block)
    except (ValueError, struct.error) as e:
        return ["version resource unreadable: %s" % e]
    failures = []
    parts = tuple(int(p) for p in version.split("."))
    expected = (parts + (0, 0, 0, 0))[:4]
    for name, got in (("file version", file_version), ("product version", product_version)):
        if got != expected:
            failures.append("%s %s, not %s" % (name, ".".join(map(str, got)), ".".join(map(str, expected))))
    table = "%04X%04X" % TRANSLATION
    if TRANSLATION not in translations:
        failures.append("translations %s lack German in UTF-16 (%s)" % (translations, table))
    name = os.path.basename(path)
    wanted = {"FileVersion": version, "ProductVersion": version, "ProductName": PRODUCT,
              "OriginalFilename": name, "FileDescription": description}
    for key, value in wanted.items():
        got = strings.get((table, key))
        if got is None:
            failures.append("no %s in the string table %s" % (key, table))
        elif value is not None and got != value:
            failures.append("%s %r, not %r" % (key, got, value))
        elif not got:
            failures.append("%s is empty" % key)
    kind = VFT_APP if name.lower().endswith(".exe") else VFT_DLL
    if file_type != kind:
        failures.append("file type %d, not %d" % (file_type, kind))
    return failures


def report(path, failures, summary):
    for f in failures:
        print("%s: %s" % (path, f))
    if not failures:
        print("%s: %s" % (path, summary))
    return 1 if failures else 0


def plugin_failures(pe, name, arch="i686", version=None):
    """What is wrong with a plug-in DLL (its file name given): machine, exports, imports and,
    with a version, the version resource."""
    failures = []
    machine, magic = MACHINES[arch]
    if pe.machine != machine or pe.magic != magic:
        failures.append("machine %#x (optional header %#x) is not %s" % (pe.machine, pe.magic, arch))
    exports = pe.exports()
    decorated = [n for n in exports if "@" in n or n.startswith("_")]
    if decorated:
        failures.append("decorated exports: " + ", ".join(decorated))
    if len(exports) != len(HOOKS) or set(exports) != HOOKS:
        missing = sorted(HOOKS - set(exports))
        extra = sorted(set(exports) - HOOKS)
        failures.append("exports differ from the %d hooks: missing %s, extra %s" % (len(HOOKS), missing, extra))
    imports = pe.imports()
    foreign = [d for d in imports if d.lower() not in SYSTEM_DLLS and d.lower() != HOST_DLL]
    if foreign:
        failures.append("imports DLLs beside Windows' and the host's: " + ", ".join(foreign))
    if HOST_DLL not in [d.lower() for d in imports]:
        failures.append("does not import " + HOST_DLL)
    if version is not None:
        failures += version_failures(pe, name, version)
    return failures


def main(path, arch="i686", version=None, stand_in=False):
    with open(path, "rb") as f:
        pe = Pe(f.read())
    if stand_in:
        return report(path, version_failures(pe, path, version, None), "version %s" % version)
    return report(path, plugin_failures(pe, path, arch, version), "%d exports, imports %s%s" % (
        len(pe.exports()), ", ".join(pe.imports()), "" if version is None else ", version %s" % version))


if __name__ == "__main__":
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("--machine", choices=sorted(MACHINES), default="i686")
    parser.add_argument("--version")
    parser.add_argument("--stand-in", action="store_true")
    parser.add_argument("file")
    args = parser.parse_args()
    if args.stand_in and not args.version:
        parser.error("--stand-in needs --version")
    sys.exit(main(args.file, args.machine, args.version, args.stand_in))
