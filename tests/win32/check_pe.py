"""Checks the export and import tables of the plug-in DLL: exactly the hooks, under their plain
names, and imports of Windows' own DLLs and the host's fxAPI32.dll only.
Usage: check_pe.py [--machine i686|x86_64] DLL   (i686, the product's, unless said)"""
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


def main(path, arch="i686"):
    with open(path, "rb") as f:
        pe = Pe(f.read())
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
    for f in failures:
        print("%s: %s" % (path, f))
    if not failures:
        print("%s: %d exports, imports %s" % (path, len(exports), ", ".join(imports)))
    return 1 if failures else 0


if __name__ == "__main__":
    args = sys.argv[1:]
    if len(args) == 3 and args[0] == "--machine" and args[1] in MACHINES:
        sys.exit(main(args[2], args[1]))
    if len(args) == 1:
        sys.exit(main(args[0]))
    sys.exit(__doc__)
