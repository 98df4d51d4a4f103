#!/usr/bin/env python3
"""Static checks of the 32-bit release executable: the PE header and every
resource the game loads (dialogs, version record, icon and sounds), parsed from the
file itself. The menu bar and its shortcut keys are made at run time; the end-to-end
menu cases read them in the running game.

    python3 tests/static/check_release.py [EXE]      (default build/i686/win32/zirirar.exe)

pytest tests (ctest -R static_release); run as a program, pytest runs them on EXE.
Also the paths, readers and pytest runner of the other static checks.
"""

import functools
import os
import struct
import sys

try:
    import pefile
    import pytest
except ImportError:  # an interpreter outside the system one: use Debian's packages
    sys.path.append("/usr/lib/python3/dist-packages")
    import pefile
    import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
KINDS = ["i686", "x86_64"]


def exe(kind):
    """The executable of a Windows build: $ZIRIRAR_I686_EXE or $ZIRIRAR_X86_64_EXE, else
    build/i686/win32/zirirar.exe or build/x64/win32/zirirar.exe."""
    folder = {"i686": "i686", "x86_64": "x64"}[kind]
    return os.environ.get("ZIRIRAR_%s_EXE" % kind.upper(),
                          os.path.join(ROOT, "build", folder, "win32", "zirirar.exe"))


@functools.lru_cache(maxsize=None)
def load(kind, *directories):
    """A build's executable with the data directories named parsed, once per run."""
    pe = pefile.PE(exe(kind), fast_load=True)
    pe.parse_data_directories(
        directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_" + d] for d in directories])
    return pe


def main(path, exes):
    """Runs a module's tests on the executables given, [I686_EXE [X86_64_EXE]]; with the
    first alone, only the tests of the i686 build."""
    os.environ.update(zip(("ZIRIRAR_I686_EXE", "ZIRIRAR_X86_64_EXE"),
                          map(os.path.abspath, exes)))
    only_i686 = ["-k", "not x86_64"] if len(exes) == 1 else []
    return pytest.main(["-q", "-p", "no:cacheprovider", path] + only_i686)

# Window, control and resource constants, as the platform headers define them.
WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_BORDER, WS_SYSMENU = 0x00C00000, 0x00800000, 0x00080000
WS_VSCROLL, WS_GROUP, WS_TABSTOP = 0x00200000, 0x00020000, 0x00010000
DS_SETFONT, DS_MODALFRAME = 0x40, 0x80
SS_LEFT = 0x0
CBS_DROPDOWNLIST = 0x3
BS_PUSHBUTTON, BS_DEFPUSHBUTTON = 0x0, 0x1
ES_MULTILINE, ES_READONLY = 0x4, 0x800
VOS_NT_WINDOWS32, VFT_APP = 0x00040004, 0x1
RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_VERSION = 3, 5, 14, 16
IMAGE_FILE_MACHINE_I386, PE32_MAGIC, IMAGE_SUBSYSTEM_WINDOWS_GUI = 0x14C, 0x10B, 2

FRENCH_FRANCE, ENGLISH_UK = 0x040C, 0x0809

DIALOG_STYLE = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT
CHILD = WS_CHILD | WS_VISIBLE
STATIC_STYLE = CHILD | SS_LEFT | WS_GROUP
COMBO_STYLE = CHILD | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP
NO_ID = 0xFFFF  # -1 as the template's 16-bit identifier

# (class, id, text, x, y, cx, cy, style)
EXPECTED_LEVEL_BOX = {
    "caption": "Choisir un niveau", "rect": (50, 25, 200, 100),
    "controls": [
        ("static", NO_ID, "Veuillez choisir un tableau et un niveau de comp\u00e9tences",
         10, 10, 180, 20, STATIC_STYLE),
        ("static", NO_ID, "Tableau:", 10, 35, 30, 12, STATIC_STYLE),
        ("combobox", 640, "", 50, 35, 100, 40, COMBO_STYLE),
        ("static", NO_ID, "Niveau:", 10, 55, 30, 12, STATIC_STYLE),
        ("combobox", 642, "", 50, 55, 100, 40, COMBO_STYLE),
        ("button", 1, "OK", 70, 80, 40, 14, CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP),
        ("button", 2, "Annuler", 120, 80, 40, 14, CHILD | BS_PUSHBUTTON | WS_TABSTOP),
    ],
}
EXPECTED_INSTRUCT_BOX = {
    "caption": "Instructions", "rect": (50, 0, 400, 200),
    "controls": [
        ("edit", 658, "", 0, 0, 400, 170,
         CHILD | ES_MULTILINE | ES_READONLY | WS_BORDER | WS_VSCROLL | WS_TABSTOP),
        ("button", 2, "Fermer", 180, 180, 40, 14, CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP),
    ],
}

EXPECTED_VERSION_STRINGS = {
    "FileDescription": "Rudoz game for Windows", "FileVersion": "1.03",
    "ProductVersion": "1.03", "InternalName": "radevuvo", "ProductName": "Radevuvo",
    "Comments": "", "CompanyName": "", "OriginalFilename": "",
}

# The sounds' files in the order of their ids: each is the WAVE resource numbered id + 1.
SOUND_FILES = ["a%d.wav" % n for n in range(53, 73)] + ["buzz.wav", "ding.wav", "win.wav"]

STANDARD_16_COLOURS = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

CONTROL_ORDINALS = {0x80: "button", 0x81: "edit", 0x82: "static", 0x83: "listbox",
                    0x84: "scrollbar", 0x85: "combobox"}


class Failure(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Failure(message)


def equal(actual, wanted, what):
    if actual != wanted:
        raise Failure("%s: got %r, want %r" % (what, actual, wanted))


# ---------------------------------------------------------------- binary reading

class Reader:
    """Little-endian cursor over a resource's bytes."""

    def __init__(self, data, offset=0):
        self.data = data
        self.pos = offset

    def take(self, fmt):
        size = struct.calcsize(fmt)
        expect(self.pos + size <= len(self.data), "truncated at byte %d" % self.pos)
        values = struct.unpack_from("<" + fmt, self.data, self.pos)
        self.pos += size
        return values if len(values) > 1 else values[0]

    def wstring(self):
        end = self.pos
        while True:
            expect(end + 2 <= len(self.data), "unterminated string at byte %d" % self.pos)
            if self.data[end:end + 2] == b"\0\0":
                break
            end += 2
        text = self.data[self.pos:end].decode("utf-16-le")
        self.pos = end + 2
        return text

    def sz_or_ord(self):
        """A template's string-or-ordinal field: None, an int, or a string."""
        first = struct.unpack_from("<H", self.data, self.pos)[0]
        if first == 0x0000:
            self.pos += 2
            return None
        if first == 0xFFFF:
            self.pos += 2
            return self.take("H")
        return self.wstring()

    def align(self, boundary=4):
        self.pos = (self.pos + boundary - 1) // boundary * boundary


# ---------------------------------------------------------------- resource lookup

class Resources:
    def __init__(self, pe):
        self.pe = pe
        self.root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)

    @staticmethod
    def _matches(entry, key):
        if isinstance(key, int):
            return entry.name is None and entry.id == key
        return entry.name is not None and str(entry.name).upper() == key.upper()

    def _type(self, rtype):
        expect(self.root is not None, "the executable has no resources")
        for entry in self.root.entries:
            if self._matches(entry, rtype):
                return entry
        raise Failure("no resources of type %r" % (rtype,))

    def languages(self, rtype, name):
        """{language id: bytes} of one resource, its name matched without regard to case."""
        found = [e for e in self._type(rtype).directory.entries if self._matches(e, name)]
        expect(found, "no resource %r of type %r" % (name, rtype))
        expect(len(found) == 1, "resource %r of type %r appears %d times" % (name, rtype, len(found)))
        result = {}
        for lang in found[0].directory.entries:
            rva, size = lang.data.struct.OffsetToData, lang.data.struct.Size
            result[lang.id] = self.pe.get_data(rva, size)
        return result

    def single(self, rtype, name, language):
        """The bytes of a resource that exists in exactly the one language given."""
        langs = self.languages(rtype, name)
        equal(sorted("0x%04X" % l for l in langs), ["0x%04X" % language],
              "languages of %r" % (name,))
        return langs[language]


# ---------------------------------------------------------------- template parsers

def parse_dialog(data):
    """A DIALOG or DIALOGEX template as a dict."""
    reader = Reader(data)
    signature = struct.unpack_from("<HH", data, 0)
    extended = signature == (1, 0xFFFF)
    if extended:
        reader.take("HHI")  # version, signature, help id
        ex_style, style = reader.take("II")
    else:
        style, ex_style = reader.take("II")
    count, x, y, cx, cy = reader.take("Hhhhh")
    dialog = {"style": style, "exstyle": ex_style, "rect": (x, y, cx, cy),
              "menu": reader.sz_or_ord(), "class": reader.sz_or_ord(),
              "caption": reader.wstring(), "font": None, "controls": []}
    if style & DS_SETFONT:
        size = reader.take("H")
        if extended:
            reader.take("HBB")  # weight, italic, charset
        dialog["font"] = (size, reader.wstring())
    for _ in range(count):
        reader.align()
        if extended:
            reader.take("I")  # help id
            ex_style, style = reader.take("II")
        else:
            style, ex_style = reader.take("II")
        x, y, cx, cy = reader.take("hhhh")
        control_id = reader.take("I" if extended else "H")
        cls = reader.sz_or_ord()
        if isinstance(cls, int):
            cls = CONTROL_ORDINALS.get(cls, "ordinal 0x%X" % cls)
        text = reader.sz_or_ord()
        extra = reader.take("H")
        reader.pos += extra
        dialog["controls"].append({
            "class": (cls or "").lower(), "id": control_id & 0xFFFF, "text": text,
            "rect": (x, y, cx, cy), "style": style, "exstyle": ex_style})
    return dialog


def parse_version_node(data, offset):
    """One VS_VERSIONINFO node: (key, value bytes, value type, children, end)."""
    reader = Reader(data, offset)
    length, value_length, value_type = reader.take("HHH")
    end = offset + length
    expect(length >= 6 and end <= len(data), "version node length %d at %d" % (length, offset))
    key = reader.wstring()
    reader.align()
    value_bytes = value_length * (2 if value_type == 1 else 1)
    value = data[reader.pos:min(reader.pos + value_bytes, end)]
    reader.pos += value_bytes
    children = []
    reader.align()
    while reader.pos < end:
        child = parse_version_node(data, reader.pos)
        children.append(child)
        reader.pos = child[4]
        reader.align()
    return key, value, value_type, children, end


def text_value(value):
    text = value.decode("utf-16-le", errors="replace")
    return text.rstrip("\0")


# ---------------------------------------------------------------- the checks

@pytest.fixture
def pe():
    return load("i686", "RESOURCE")


@pytest.fixture
def res(pe):
    return Resources(pe)


def test_pe_kind(pe):
    equal(hex(pe.FILE_HEADER.Machine), hex(IMAGE_FILE_MACHINE_I386), "machine")
    equal(hex(pe.OPTIONAL_HEADER.Magic), hex(PE32_MAGIC), "optional header magic (PE32)")


def test_stamp_and_checksum(pe):
    # No link time in the header, so that the same sources give the same bytes; the
    # checksum that the linker writes must then be the right one.
    equal(pe.FILE_HEADER.TimeDateStamp, 0, "link time stamp")
    stored = pe.OPTIONAL_HEADER.CheckSum
    expect(stored in (0, pe.generate_checksum()),
           "header checksum 0x%x, the image's is 0x%x" % (stored, pe.generate_checksum()))


def test_gui_subsystem(pe):
    equal(pe.OPTIONAL_HEADER.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI, "subsystem")


def check_dialog(res, name, wanted):
    dialog = parse_dialog(res.single(RT_DIALOG, name, FRENCH_FRANCE))
    equal(hex(dialog["style"]), hex(DIALOG_STYLE), "dialog style")
    equal(dialog["exstyle"], 0, "dialog extended style")
    equal(dialog["rect"], wanted["rect"], "position and size")
    equal((dialog["menu"], dialog["class"]), (None, None), "menu and class")
    equal(dialog["caption"], wanted["caption"], "caption")
    equal(dialog["font"], (8, "MS Sans Serif"), "font")
    equal(len(dialog["controls"]), len(wanted["controls"]), "number of controls")
    for i, (got, want) in enumerate(zip(dialog["controls"], wanted["controls"])):
        cls, control_id, text, x, y, cx, cy, style = want
        what = "control %d (%s)" % (i + 1, text or control_id)
        equal(got["class"], cls, what + " class")
        equal(got["id"], control_id, what + " id")
        equal(got["text"] or "", text, what + " text")
        equal(got["rect"], (x, y, cx, cy), what + " position and size")
        equal(hex(got["style"]), hex(style), what + " style")
        equal(got["exstyle"], 0, what + " extended style")


def test_level_box(res):
    check_dialog(res, "LevelBox", EXPECTED_LEVEL_BOX)


def test_instruct_box(res):
    check_dialog(res, "InstructBox", EXPECTED_INSTRUCT_BOX)


def version_root(res):
    data = res.single(RT_VERSION, 1, ENGLISH_UK)
    key, value, _, children, end = parse_version_node(data, 0)
    equal(key, "VS_VERSION_INFO", "root key")
    equal(end, len(data), "version record length")
    return value, children


def test_version_fixed(res):
    value, _ = version_root(res)
    equal(len(value), 52, "fixed part size")
    fields = struct.unpack("<13I", value)
    equal(hex(fields[0]), hex(0xFEEF04BD), "signature")
    names = ["file version MS", "file version LS", "product version MS", "product version LS",
             "flags mask", "flags", "OS", "file type", "file subtype", "date MS", "date LS"]
    wanted = [0x00000001, 0x00000003, 0x00000001, 0x00000003, 0x3F, 0, VOS_NT_WINDOWS32,
              VFT_APP, 0, 0, 0]
    for name, got, want in zip(names, fields[2:], wanted):
        equal(hex(got), hex(want), name)


def test_version_strings(res):
    _, children = version_root(res)
    blocks = {c[0]: c for c in children}
    equal(sorted(blocks), ["StringFileInfo", "VarFileInfo"], "blocks")
    tables = blocks["StringFileInfo"][3]
    equal([t[0] for t in tables], ["080904b0"], "string tables")
    got = {}
    for key, value, value_type, _, _ in tables[0][3]:
        expect(key not in got, "key %r appears twice" % key)
        expect(value_type == 1 or not value, "%r is not text" % key)
        got[key] = text_value(value)
    equal(got, EXPECTED_VERSION_STRINGS, "strings")
    variables = blocks["VarFileInfo"][3]
    equal([v[0] for v in variables], ["Translation"], "variables")
    equal(struct.unpack("<HH", variables[0][1]), (0x0809, 0x04B0), "translation")


def test_icon(res):
    group = res.single(RT_GROUP_ICON, "MainIcon", ENGLISH_UK)
    reader = Reader(group)
    equal(reader.take("HHH"), (0, 1, 1), "group header (reserved, type, count)")
    width, height, colours, _, planes, bits, size, icon_id = reader.take("BBBBHHIH")
    equal((width, height, colours, bits), (32, 32, 16, 4), "group entry size and colours")
    image = res.single(RT_ICON, icon_id, ENGLISH_UK)
    equal(len(image), size, "image size named in the group")
    header = struct.unpack_from("<IiiHHI", image, 0)
    equal(header, (40, 32, 64, 1, 4, 0), "bitmap header (size, width, 2 x height, planes, bpp, "
          "compression)")
    palette = [tuple(image[40 + 4 * i + c] for c in (2, 1, 0)) for i in range(16)]
    equal(palette, STANDARD_16_COLOURS, "palette")
    xor_size, mask_size = 32 * 16, 32 * 4
    equal(len(image), 40 + 64 + xor_size + mask_size, "image bytes (colour bits and mask)")
    mask = image[40 + 64 + xor_size:]
    transparent = sum(bin(b).count("1") for b in mask)
    expect(0 < transparent < 32 * 32 // 2, "the mask leaves %d of 1024 pixels transparent"
           % transparent)
    # The committed icon file is what went into the executable.
    path = os.path.join(ROOT, "resources", "main_icon.ico")
    with open(path, "rb") as f:
        ico = f.read()
    offset = struct.unpack_from("<I", ico, 6 + 12)[0]
    equal(image == ico[offset:], True, "icon image equals resources/main_icon.ico")


@pytest.mark.parametrize("sound, name", enumerate(SOUND_FILES), ids=SOUND_FILES)
def test_sound(res, sound, name):
    data = res.single("WAVE", sound + 1, ENGLISH_UK)
    path = os.path.join(ROOT, "resources", "sounds", name)
    expect(os.path.exists(path), "missing %s" % os.path.relpath(path, ROOT))
    with open(path, "rb") as f:
        wanted = f.read()
    name_of_file = os.path.relpath(path, ROOT)
    equal(len(data), len(wanted), "size against %s" % name_of_file)
    differ = [i for i in range(len(data)) if data[i] != wanted[i]]
    expect(not differ, "%d bytes differ from %s, the first at offset %d"
           % (len(differ), name_of_file, differ[0] if differ else 0))


if __name__ == "__main__":
    sys.exit(main(__file__, sys.argv[1:]))
