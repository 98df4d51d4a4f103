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
from check_release import KINDS, Failure, load, main, pytest

IMAGE_FILE_MACHINE_I386, IMAGE_FILE_MACHINE_AMD64 = 0x14C, 0x8664
IMAGE_FILE_RELOCS_STRIPPED = 0x0001
DLLCHAR_HIGH_ENTROPY_VA, DLLCHAR_DYNAMIC_BASE, DLLCHAR_NX_COMPAT = 0x0020, 0x0040, 0x0100
DLLCHAR_FORCE_INTEGRITY = 0x0080
SCN_CNT_CODE, SCN_CNT_INITIALIZED_DATA = 0x00000020, 0x00000040
SCN_MEM_EXECUTE, SCN_MEM_WRITE = 0x20000000, 0x80000000
REL_ABSOLUTE, REL_HIGHLOW, REL_DIR64 = 0, 3, 10

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
        self.is64 = self.pe.OPTIONAL_HEADER.Magic == 0x20B
        if self.is64 != (kind == "x86_64"):
            raise Failure("the %s build's executable is not a %s one" % (kind, kind))

    def sections(self):
        for s in self.pe.sections:
            yield s.Name.rstrip(b"\0").decode("latin-1"), s

    def relocation_targets(self):
        """RVAs that the loader patches, and the entry types found."""
        targets, types = set(), set()
        for block in getattr(self.pe, "DIRECTORY_ENTRY_BASERELOC", []):
            for entry in block.entries:
                types.add(entry.type)
                if entry.type != REL_ABSOLUTE:
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
    want = IMAGE_FILE_MACHINE_AMD64 if img.is64 else IMAGE_FILE_MACHINE_I386
    if img.pe.FILE_HEADER.Machine != want:
        raise Failure("machine 0x%X, expected 0x%X" % (img.pe.FILE_HEADER.Machine, want))


def expect_flag(img, flag, name):
    value = img.pe.OPTIONAL_HEADER.DllCharacteristics
    if not value & flag:
        raise Failure("DllCharacteristics 0x%04X lacks %s" % (value, name))


def test_DYNAMIC_BASE(img):
    expect_flag(img, DLLCHAR_DYNAMIC_BASE, "DYNAMIC_BASE")


def test_NX_COMPAT(img):
    expect_flag(img, DLLCHAR_NX_COMPAT, "NX_COMPAT")


@pytest.mark.parametrize("img", ["x86_64"], indirect=True)
def test_HIGH_ENTROPY_VA(img):
    expect_flag(img, DLLCHAR_HIGH_ENTROPY_VA, "HIGH_ENTROPY_VA")


def test_no_writable_code(img):
    bad = [name for name, s in img.sections()
           if s.Characteristics & SCN_MEM_WRITE and s.Characteristics & SCN_MEM_EXECUTE]
    if bad:
        raise Failure("writable and executable: %s" % ", ".join(bad))
    code = [name for name, s in img.sections() if s.Characteristics & SCN_MEM_EXECUTE]
    if not code:
        raise Failure("no executable section at all")


def test_relocation_table(img):
    """The image can be moved: relocations kept, well formed, each one patching an
    address of the image."""
    pe = img.pe
    if pe.FILE_HEADER.Characteristics & IMAGE_FILE_RELOCS_STRIPPED:
        raise Failure("the file says its relocations were stripped")
    directory = pe.OPTIONAL_HEADER.DATA_DIRECTORY[5]
    if directory.VirtualAddress == 0 or directory.Size == 0:
        raise Failure("no base relocation directory")
    targets, types = img.relocation_targets()
    if not targets:
        raise Failure("the relocation table is empty")
    wanted = REL_DIR64 if img.is64 else REL_HIGHLOW
    if types - {REL_ABSOLUTE, wanted}:
        raise Failure("relocation types %s, expected only %d" % (sorted(types), wanted))
    base, size = pe.OPTIONAL_HEADER.ImageBase, pe.OPTIONAL_HEADER.SizeOfImage
    width, fmt = (8, "<Q") if img.is64 else (4, "<I")
    for rva in sorted(targets):
        section = pe.get_section_by_rva(rva)
        if section is None or rva + width > section.VirtualAddress + max(
                section.Misc_VirtualSize, section.SizeOfRawData):
            raise Failure("relocation at RVA 0x%X lies outside every section" % rva)
        value = struct.unpack(fmt, pe.get_data(rva, width))[0]
        if not base <= value < base + size:
            raise Failure("relocation at RVA 0x%X patches 0x%X, not an address of the image"
                          % (rva, value))


def test_relocations_cover_pointers(img):
    """Every word of the initialised data that holds an address of the image has a
    relocation (else it would point into the void once the image moved)."""
    pe = img.pe
    targets, _ = img.relocation_targets()
    base, size = pe.OPTIONAL_HEADER.ImageBase, pe.OPTIONAL_HEADER.SizeOfImage
    width, fmt = (8, "<Q") if img.is64 else (4, "<I")
    problems = []
    for name, s in img.sections():
        if name in (".rsrc", ".reloc", ".idata") or s.Characteristics & SCN_CNT_CODE:
            continue
        if not s.Characteristics & SCN_CNT_INITIALIZED_DATA:
            continue
        data = s.get_data()
        candidates, uncovered = 0, []
        for offset in range(0, min(len(data), s.Misc_VirtualSize) - width + 1, width):
            value = struct.unpack_from(fmt, data, offset)[0]
            if not base <= value < base + size:
                continue
            word = data[offset:offset + width]
            if looks_like_text(word):
                continue
            candidates += 1
            if s.VirtualAddress + offset not in targets:
                uncovered.append("0x%X at RVA 0x%X" % (value, s.VirtualAddress + offset))
        writable = s.Characteristics & SCN_MEM_WRITE
        limit = 0 if writable else int(candidates * RDATA_UNCOVERED_LIMIT)
        if len(uncovered) > limit:
            problems.append("%s: %d of %d addresses without a relocation (%s)"
                            % (name, len(uncovered), candidates, ", ".join(uncovered[:4])))
    if problems:
        raise Failure("; ".join(problems))


def looks_like_text(word):
    """ASCII or UTF-16 characters, which can read as a number in the image's range."""
    printable = [0x20 <= b < 0x7F for b in word]
    return all(p or b == 0 for p, b in zip(printable, word)) and any(printable)


def test_imports_known_dlls(img):
    names, delayed = img.imported_dlls()
    if not names:
        raise Failure("no import table")
    outside = [n for n in names + delayed if n.lower() not in KNOWN_DLLS]
    if outside:
        raise Failure("imports DLLs outside the KnownDLLs, searched for beside the program: %s"
                      % ", ".join(outside))
    if delayed:
        raise Failure("delay-loaded imports: %s" % ", ".join(delayed))


def test_runtime_linked_in(img):
    names, delayed = img.imported_dlls()
    runtime = [n for n in names + delayed if n.lower().startswith(COMPILER_RUNTIME_PREFIXES)]
    if runtime:
        raise Failure("needs the compiler's runtime DLLs: %s" % ", ".join(runtime))


if __name__ == "__main__":
    sys.exit(main(__file__, sys.argv[1:]))
