#!/usr/bin/env python3
"""Static checks of the 32-bit release executable: the PE header and every
resource the game loads (dialogs, version record, icon and sounds), parsed from the
file itself. The menu bar and its shortcut keys are made at run time; the end-to-end
menu cases read them in the running game.

    python3 tests/static/check_release.py [EXE]      (default build/i686/win32/zirirar.exe)

pytest tests (ctest -R static_release); run as a program, pytest runs them on EXE.
Also the paths, readers and pytest runner of the other static checks.
"""

import collections
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

# VS_FIXEDFILEINFO's fields after its signature and structure version.
EXPECTED_FIXED_VERSION = {
    "file version MS": 0x00000001, "file version LS": 0x00000003,
    "product version MS": 0x00000001, "product version LS": 0x00000003, "flags mask": 0x3F,
    "flags": 0, "OS": VOS_NT_WINDOWS32, "file type": VFT_APP, "file subtype": 0, "date MS": 0,
    "date LS": 0,
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

# The predefined control classes' atoms.
PREDEFINED_CLASSES = {"button": 0x80, "edit": 0x81, "static": 0x82, "listbox": 0x83,
                      "scrollbar": 0x84, "combobox": 0x85}


# ---------------------------------------------------------------- binary reading

class Reader:
    """Little-endian cursor over a resource's bytes."""

    def __init__(self, data, offset=0):
        self.data = data
        self.pos = offset

    def take(self, fmt):
        size = struct.calcsize(fmt)
        assert self.pos + size <= len(self.data), "truncated at byte %d" % self.pos
        values = struct.unpack_from("<" + fmt, self.data, self.pos)
        self.pos += size
        return values if len(values) > 1 else values[0]

    def wstring(self):
        end = self.pos
        while self.data[end:end + 2] != b"\0\0":
            assert end + 2 <= len(self.data), "unterminated string at byte %d" % self.pos
            end += 2
        text = self.data[self.pos:end].decode("utf-16-le")
        self.pos = end + 2
        return text

    def sz_or_ord(self):
        """A template's string-or-ordinal field: None, an int, or a string."""
        first = struct.unpack_from("<H", self.data, self.pos)[0]
        if first not in (0x0000, 0xFFFF):
            return self.wstring()
        self.pos += 2
        return self.take("H") if first else None

    def align(self, boundary=4):
        self.pos = (self.pos + boundary - 1) // boundary * boundary


# ---------------------------------------------------------------- resource lookup

def entries(directory, key):
    """The entries of a resource directory whose id, or name without regard to case, is key."""
    key = key.upper() if isinstance(key, str) else key
    return [e for e in directory.entries
            if (e.id if e.name is None else str(e.name).upper()) == key]


def resource(pe, rtype, name, language):
    """The bytes of a resource that exists once, in exactly the one language given."""
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    assert root is not None, "the executable has no resources"
    types = entries(root, rtype)
    assert types, "no resources of type %r" % (rtype,)
    found = entries(types[0].directory, name)
    assert len(found) == 1, "resource %r of type %r appears %d times" % (name, rtype, len(found))
    languages = {lang.id: lang.data.struct for lang in found[0].directory.entries}
    assert sorted(languages) == [language], "languages of %r: %s" % (
        name, ", ".join("0x%04X" % lang for lang in languages))
    return pe.get_data(languages[language].OffsetToData, languages[language].Size)


# ---------------------------------------------------------------- template parsers

def decode_dialog(data):
    """Every field of a DIALOG or DIALOGEX template, in order, as a dict by name."""
    reader = Reader(data)
    fields = {}
    extended = data[:4] == b"\x01\x00\xff\xff"
    if extended:
        _, _, fields["help id"], ex_style, style = reader.take("HHIII")
    else:
        style, ex_style = reader.take("II")
    count = reader.take("H")
    fields.update({"style": hex(style), "extended style": hex(ex_style), "controls": count,
                   "position and size": reader.take("hhhh"), "menu": reader.sz_or_ord(),
                   "class": reader.sz_or_ord(), "caption": reader.wstring()})
    if style & DS_SETFONT:
        fields["font size"] = reader.take("H")
        if extended:
            fields["font weight, italic, charset"] = reader.take("HBB")
        fields["font"] = reader.wstring()
    for i in range(count):
        reader.align()
        what = "control %d " % (i + 1)
        if extended:
            fields[what + "help id"], ex_style, style = reader.take("III")
        else:
            style, ex_style = reader.take("II")
        fields.update({what + "style": hex(style), what + "extended style": hex(ex_style),
                       what + "position and size": reader.take("hhhh"),
                       what + "id": reader.take("I" if extended else "H"),
                       what + "class": reader.sz_or_ord(), what + "text": reader.sz_or_ord()})
        size = reader.take("H")
        assert reader.pos + size <= len(data), what + "creation data runs past the end"
        fields[what + "creation data"] = data[reader.pos:reader.pos + size]
        reader.pos += size
    assert reader.pos == len(data), "%d bytes after the last control" % (len(data) - reader.pos)
    return fields


def class_key(cls):
    """A control class as Windows looks it up: a predefined one's atom, else the name."""
    if isinstance(cls, str):
        return PREDEFINED_CLASSES.get(cls.lower(), cls.lower())
    return cls


def is_control_class(field):
    return field.startswith("control ") and field.endswith(" class")


def as_windows_sees(fields):
    """A decoded dialog with its control classes as Windows looks them up."""
    return {name: class_key(v) if is_control_class(name) else v for name, v in fields.items()}


VersionNode = collections.namedtuple("VersionNode", "key value type children end")


def parse_version_node(data, offset):
    """One VS_VERSIONINFO node and, within it, its children."""
    reader = Reader(data, offset)
    length, value_length, value_type = reader.take("HHH")
    end = offset + length
    assert length >= 6 and end <= len(data), "version node length %d at %d" % (length, offset)
    key = reader.wstring()
    reader.align()
    value_bytes = value_length * (2 if value_type == 1 else 1)
    value = data[reader.pos:min(reader.pos + value_bytes, end)]
    reader.pos += value_bytes
    children = []
    reader.align()
    while reader.pos < end:
        children.append(parse_version_node(data, reader.pos))
        reader.pos = children[-1].end
        reader.align()
    return VersionNode(key, value, value_type, children, end)


# ---------------------------------------------------------------- the checks

@pytest.fixture
def pe():
    return load("i686", "RESOURCE")


def test_pe_kind(pe):
    assert pe.FILE_HEADER.Machine == pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]
    assert pe.OPTIONAL_HEADER.Magic == pefile.OPTIONAL_HEADER_MAGIC_PE  # PE32


def test_stamp_and_checksum(pe):
    # No link time in the header, so that the same sources give the same bytes; the
    # checksum that the linker writes must then be the right one.
    assert pe.FILE_HEADER.TimeDateStamp == 0, "link time stamp"
    assert pe.OPTIONAL_HEADER.CheckSum in (0, pe.generate_checksum()), "header checksum"


def test_gui_subsystem(pe):
    assert pe.OPTIONAL_HEADER.Subsystem == pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"]


def check_dialog(pe, name, wanted):
    """Every field of the dialog named against its table above, classes as Windows sees them."""
    want = {"style": hex(DIALOG_STYLE), "extended style": hex(0),
            "controls": len(wanted["controls"]), "position and size": wanted["rect"],
            "menu": None, "class": None, "caption": wanted["caption"], "font size": 8,
            "font": "MS Sans Serif"}
    for i, (cls, control_id, text, x, y, cx, cy, style) in enumerate(wanted["controls"], 1):
        what = "control %d " % i
        want.update({what + "style": hex(style), what + "extended style": hex(0),
                     what + "position and size": (x, y, cx, cy), what + "id": control_id,
                     what + "class": class_key(cls), what + "text": text or None,
                     what + "creation data": b""})
    assert as_windows_sees(decode_dialog(resource(pe, RT_DIALOG, name, FRENCH_FRANCE))) == want


def test_level_box(pe):
    check_dialog(pe, "LevelBox", EXPECTED_LEVEL_BOX)


def test_instruct_box(pe):
    check_dialog(pe, "InstructBox", EXPECTED_INSTRUCT_BOX)


def version_root(pe):
    data = resource(pe, RT_VERSION, 1, ENGLISH_UK)
    root = parse_version_node(data, 0)
    assert root.key == "VS_VERSION_INFO", "root key"
    assert root.end == len(data), "version record length"
    return root


def test_version_fixed(pe):
    value = version_root(pe).value
    assert len(value) == 52, "fixed part size"
    signature, _, *fields = struct.unpack("<13I", value)
    assert signature == 0xFEEF04BD, "signature"
    assert dict(zip(EXPECTED_FIXED_VERSION, fields)) == EXPECTED_FIXED_VERSION


def test_version_strings(pe):
    blocks = {block.key: block.children for block in version_root(pe).children}
    assert sorted(blocks) == ["StringFileInfo", "VarFileInfo"], "blocks"
    tables = blocks["StringFileInfo"]
    assert [table.key for table in tables] == ["080904b0"], "string tables"
    strings = tables[0].children
    keys = [s.key for s in strings]
    assert len(set(keys)) == len(keys), "a key appears twice: %s" % keys
    assert [s.key for s in strings if s.type != 1 and s.value] == [], "values not text"
    assert {s.key: s.value.decode("utf-16-le", errors="replace").rstrip("\0")
            for s in strings} == EXPECTED_VERSION_STRINGS
    variables = blocks["VarFileInfo"]
    assert [v.key for v in variables] == ["Translation"], "variables"
    assert struct.unpack("<HH", variables[0].value) == (0x0809, 0x04B0), "translation"


def test_icon(pe):
    reader = Reader(resource(pe, RT_GROUP_ICON, "MainIcon", ENGLISH_UK))
    assert reader.take("HHH") == (0, 1, 1), "group header (reserved, type, count)"
    width, height, colours, _, planes, bits, size, icon_id = reader.take("BBBBHHIH")
    assert (width, height, colours, bits) == (32, 32, 16, 4), "group entry size and colours"
    image = resource(pe, RT_ICON, icon_id, ENGLISH_UK)
    assert len(image) == size, "image size named in the group"
    assert struct.unpack_from("<IiiHHI", image, 0) == (40, 32, 64, 1, 4, 0), (
        "bitmap header (size, width, 2 x height, planes, bpp, compression)")
    palette = [tuple(image[40 + 4 * i + c] for c in (2, 1, 0)) for i in range(16)]
    assert palette == STANDARD_16_COLOURS
    xor_size, mask_size = 32 * 16, 32 * 4
    assert len(image) == 40 + 64 + xor_size + mask_size, "image bytes (colour bits and mask)"
    transparent = sum(bin(b).count("1") for b in image[40 + 64 + xor_size:])
    assert 0 < transparent < 32 * 32 // 2, "pixels of 1024 the mask leaves transparent"
    # The committed icon file is what went into the executable.
    with open(os.path.join(ROOT, "resources", "main_icon.ico"), "rb") as f:
        ico = f.read()
    offset = struct.unpack_from("<I", ico, 6 + 12)[0]
    assert image == ico[offset:], "icon image against resources/main_icon.ico"


@pytest.mark.parametrize("sound, name", enumerate(SOUND_FILES), ids=SOUND_FILES)
def test_sound(pe, sound, name):
    with open(os.path.join(ROOT, "resources", "sounds", name), "rb") as f:
        assert resource(pe, "WAVE", sound + 1, ENGLISH_UK) == f.read(), (
            "WAVE %d against resources/sounds/%s" % (sound + 1, name))


if __name__ == "__main__":
    sys.exit(main(__file__, sys.argv[1:]))
