#!/usr/bin/env python3
"""Hardening checks of both Windows executables, read from the files themselves:
address-space randomisation with a relocation table that really relocates the
image, no-execute data, no section both writable and executable, and an import
table that names only DLLs Windows loads from its own folder (its KnownDLLs), so
that no DLL placed beside the game can be loaded in place of one it imports, and
no runtime DLL of the compiler (the runtime is linked in).

    python3 tests/static/check_hardening.py [I686_EXE [X86_64_EXE]]
        (default build/i686/win32/zirirar.exe and build/x64/win32/zirirar.exe)

pytest tests (ctest -R static_hardening); run as a program, pytest runs them on the
executables given.
"""

import struct
import sys

# The paths, loader and pytest runner of the other static checks.
from check_release import KINDS, load, main, pefile, pytest

RELOCATION = pefile.RELOCATION_TYPE

# Windows' KnownDLLs (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs):
# always mapped from the system folder, whatever lies beside the program. ntdll is
# loaded before any program and is never searched for either.
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "combase.dll", "comdlg32.dll", "coml2.dll", "difxapi.dll",
    "gdi32.dll", "gdiplus.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll", "msctf.dll",
    "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll",
    "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shcore.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll", "wldap32.dll", "ws2_32.dll", "ntdll.dll",
}
# Runtime DLLs of the compiler: the game must carry its runtime inside.
COMPILER_RUNTIME_PREFIXES = ("libgcc", "libstdc++", "libwinpthread", "libssp", "libatomic")

# Share of address-like words in read-only data that may lack a relocation: tables of
# plain numbers (colours, sample values) can fall inside the 32-bit image's range.
RDATA_UNCOVERED_LIMIT = 0.05


class Image:
    def __init__(self, kind):
        self.pe = load(kind, "IMPORT", "DELAY_IMPORT", "BASERELOC")
        self.is64 = self.pe.PE_TYPE == pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS
        assert self.is64 == (kind == "x86_64"), "the %s build's executable is not one" % kind
        header = self.pe.OPTIONAL_HEADER
        self.base, self.size = header.ImageBase, header.SizeOfImage
        self.width, self.format = (8, "<Q") if self.is64 else (4, "<I")

    def sections(self):
        for s in self.pe.sections:
            yield s.Name.rstrip(b"\0").decode("latin-1"), s

    def relocation_targets(self):
        """RVAs that the loader patches, and the entry types found."""
        targets, types = set(), set()
        for block in getattr(self.pe, "DIRECTORY_ENTRY_BASERELOC", []):
            for entry in block.entries:
                types.add(entry.type)
                if entry.type != RELOCATION["IMAGE_REL_BASED_ABSOLUTE"]:
                    targets.add(entry.rva)
        return targets, types

    def imported_dlls(self):
        names = [e.dll.decode("latin-1") for e in getattr(self.pe, "DIRECTORY_ENTRY_IMPORT", [])]
        delayed = [e.dll.decode("latin-1")
                   for e in getattr(self.pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])]
        return names, delayed


# ---------------------------------------------------------------- the checks

@pytest.fixture(params=KINDS)
def img(request):
    return Image(request.param)


def test_machine(img):
    want = "IMAGE_FILE_MACHINE_AMD64" if img.is64 else "IMAGE_FILE_MACHINE_I386"
    assert img.pe.FILE_HEADER.Machine == pefile.MACHINE_TYPE[want]


def test_DYNAMIC_BASE(img):
    assert img.pe.OPTIONAL_HEADER.IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE


def test_NX_COMPAT(img):
    assert img.pe.OPTIONAL_HEADER.IMAGE_DLLCHARACTERISTICS_NX_COMPAT


@pytest.mark.parametrize("img", ["x86_64"], indirect=True)
def test_HIGH_ENTROPY_VA(img):
    assert img.pe.OPTIONAL_HEADER.IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA


def test_no_writable_code(img):
    code = [(name, s.IMAGE_SCN_MEM_WRITE) for name, s in img.sections() if s.IMAGE_SCN_MEM_EXECUTE]
    assert code, "no executable section at all"
    assert [name for name, writable in code if writable] == [], "writable and executable"


def test_relocation_table(img):
    """The image can be moved: relocations kept, well formed, each one patching an
    address of the image."""
    pe = img.pe
    assert not pe.FILE_HEADER.IMAGE_FILE_RELOCS_STRIPPED, "the file says relocations were stripped"
    directory = pe.OPTIONAL_HEADER.DATA_DIRECTORY[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
    assert directory.VirtualAddress and directory.Size, "no base relocation directory"
    targets, types = img.relocation_targets()
    assert targets, "the relocation table is empty"
    wanted = RELOCATION["IMAGE_REL_BASED_DIR64" if img.is64 else "IMAGE_REL_BASED_HIGHLOW"]
    assert types <= {RELOCATION["IMAGE_REL_BASED_ABSOLUTE"], wanted}, "relocation types"
    for rva in sorted(targets):
        section = pe.get_section_by_rva(rva)
        assert section is not None and rva + img.width <= section.VirtualAddress + max(
            section.Misc_VirtualSize, section.SizeOfRawData), (
            "relocation at RVA 0x%X lies outside every section" % rva)
        value = struct.unpack(img.format, pe.get_data(rva, img.width))[0]
        assert img.base <= value < img.base + img.size, (
            "relocation at RVA 0x%X patches 0x%X, not an address of the image" % (rva, value))


def test_relocations_cover_pointers(img):
    """Every word of the initialised data that holds an address of the image has a
    relocation (else it would point into the void once the image moved)."""
    targets, _ = img.relocation_targets()
    problems = []
    for name, s in img.sections():
        skipped = name in (".rsrc", ".reloc", ".idata") or s.IMAGE_SCN_CNT_CODE
        if skipped or not s.IMAGE_SCN_CNT_INITIALIZED_DATA:
            continue
        data = s.get_data()
        candidates, uncovered = 0, []
        for offset in range(0, min(len(data), s.Misc_VirtualSize) - img.width + 1, img.width):
            value = struct.unpack_from(img.format, data, offset)[0]
            word = data[offset:offset + img.width]
            if not img.base <= value < img.base + img.size or looks_like_text(word):
                continue
            candidates += 1
            if s.VirtualAddress + offset not in targets:
                uncovered.append("0x%X at RVA 0x%X" % (value, s.VirtualAddress + offset))
        limit = 0 if s.IMAGE_SCN_MEM_WRITE else int(candidates * RDATA_UNCOVERED_LIMIT)
        if len(uncovered) > limit:
            problems.append("%s: %d of %d addresses without a relocation (%s)"
                            % (name, len(uncovered), candidates, ", ".join(uncovered[:4])))
    assert problems == []


def looks_like_text(word):
    """ASCII or UTF-16 characters, which can read as a number in the image's range."""
    printable = [0x20 <= b < 0x7F for b in word]
    return all(p or b == 0 for p, b in zip(printable, word)) and any(printable)


def test_imports_known_dlls(img):
    names, delayed = img.imported_dlls()
    assert names, "no import table"
    assert [n for n in names + delayed if n.lower() not in KNOWN_DLLS] == [], (
        "DLLs outside the KnownDLLs, searched for beside the program")
    assert delayed == [], "delay-loaded imports"


def test_runtime_linked_in(img):
    names, delayed = img.imported_dlls()
    assert [n for n in names + delayed if n.lower().startswith(COMPILER_RUNTIME_PREFIXES)] == [], (
        "the compiler's runtime DLLs")


if __name__ == "__main__":
    sys.exit(main(__file__, sys.argv[1:]))
