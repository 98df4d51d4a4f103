r"""Compiles the resource script with both dialects of resource compiler, GNU windres
(what the build uses) and llvm-rc (which follows Microsoft's rc.exe), and compares the
two .res files resource by resource: the same types, names and languages, and in each
the same header fields and data bytes, so that the script builds the same game with
either. A resource in one output only is a failure.

    ctest -R static_rc_dialects    (win32/resources/zirirar.rc; a pytest test per resource)

Two differences are allowed, each normalised rather than skipped:
- Dialog control classes named in CONTROL statements: windres stores the name in
  capitals ("STATIC"), llvm-rc as written ("Static"), and rc.exe may store a predefined
  class as its atom (0x0082). Windows looks classes up regardless of case, and the atom
  stands for the predefined class of that name, so dialogs are decoded field by field
  and their control classes compared as atoms (predefined classes) or case-folded names;
  every other field, creation data included, must be equal.
- The memory flags of each resource header (MOVEABLE, PURE, DISCARDABLE): the two
  compilers set different ones (windres DISCARDABLE on the sounds, llvm-rc not). They are
  a relic of 16-bit Windows that the linker drops (a PE resource directory has no room
  for them), so they are not compared.
Both are reported on a "note" line of the resource's test. The order of the resources in
the two files differs as well and is not compared: the linker sorts them.

Why llvm-rc 14 is given the code page on its command line (/C 1252): it ignores
#pragma code_page. Its preprocessor (clang -E) passes the pragma on, but its reader skips
every line that begins with "#" and the program has no code for the pragma (not even the
word code_page among its strings; code_page(banana) passes unnoticed), so ui.rc's \351
is refused as an 8-bit character in a non-Unicode string whether the pragma stands at
the top of the file compiled or in an included one, preprocessed or not. Its code page
comes only from /C, which the check sets to the value of the script's own pragma.
"""

import functools
import os
import re
import shutil
import subprocess
import tempfile
from pathlib import Path

# The paths, readers and dialog decoder of the other static checks.
from check_release import (ROOT, RT_DIALOG, Reader, as_windows_sees, decode_dialog,
                           is_control_class)

SCRIPT = os.path.join(ROOT, "win32", "resources", "zirirar.rc")
# The release build's resource compiler (cmake/mingw-i686.cmake) and the folder of its
# <windows.h>, which llvm-rc is given too.
WINDRES = "i686-w64-mingw32-windres"
MINGW_INCLUDE = "/usr/i686-w64-mingw32/include"

TYPE_NAMES = {3: "icon image", 4: "menu", 5: "dialog", 6: "string table", 9: "accelerators",
              14: "icon group", 16: "version record", 24: "manifest", "WAVE": "sound"}
PRAGMA = re.compile(rb"^[ \t]*#[ \t]*pragma[ \t]+code_page[ \t]*\([ \t]*([^) \t]*)", re.M)


def describe(key):
    """A resource's type, name and language, such as "dialog LEVELBOX 040C"."""
    rtype, name, language = key
    return "%s %s %04X" % (TYPE_NAMES.get(rtype, "type %s" % (rtype,)), name, language)


# ---------------------------------------------------------------- compiling

def llvm_rc():
    path = shutil.which("llvm-rc-14") or shutil.which("llvm-rc")
    assert path, "no llvm-rc-14 or llvm-rc (scripts/setup.sh installs llvm-14)"
    # Started from its real folder, llvm-rc preprocesses with the clang of its own LLVM
    # found beside it; through /usr/bin it would need Debian's "clang" package.
    return os.path.realpath(path)


def code_page(folder):
    """The code page the scripts of the folder name in #pragma code_page, or None."""
    pages = set()
    for script in sorted(Path(folder).glob("*.rc")):
        pages.update(p.decode("latin-1") for p in PRAGMA.findall(script.read_bytes()))
    assert len(pages) <= 1, "the scripts name code pages %s; llvm-rc takes one" % sorted(pages)
    page = pages.pop() if pages else None
    assert page is None or page.isdigit(), "code_page(%s) is no number for llvm-rc /C" % page
    return page


def run(command, what, folder):
    result = subprocess.run(command, cwd=folder, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, universal_newlines=True)
    assert result.returncode == 0, "%s failed (status %d): %s" % (
        what, result.returncode, " | ".join(result.stdout.strip().splitlines()[-4:]))


def compile_both(script, folder):
    """Paths of the .res files windres and llvm-rc make of the script, in that order."""
    # The build's include folders: the source root, the script's own folder and the
    # shared data's (win32/CMakeLists.txt).
    includes = [ROOT, os.path.dirname(script), os.path.join(ROOT, "resources")]
    ours, theirs = os.path.join(folder, "windres.res"), os.path.join(folder, "llvm-rc.res")
    command = [WINDRES, "-O", "res"]
    for path in includes:
        command += ["-I", path]
    run(command + [script, ours], "windres", folder)
    assert os.path.isfile(os.path.join(MINGW_INCLUDE, "windows.h")), (
        "no %s/windows.h" % MINGW_INCLUDE)
    command = [llvm_rc()]
    for path in [MINGW_INCLUDE] + includes:
        command += ["/I", path]
    page = code_page(os.path.dirname(script))
    if page:
        command += ["/C", page]
    # "--" ends the options: llvm-rc reads a path such as /usr/... as its /U option.
    run(command + ["/FO", theirs, "--", script], "llvm-rc", folder)
    return ours, theirs


# ---------------------------------------------------------------- reading

def read_res(path):
    """{(type, name, language): (memory flags, other header fields, data)} of a .res file."""
    data = Path(path).read_bytes()
    resources = {}
    reader = Reader(data)
    while reader.pos < len(data):
        start = reader.pos
        size, header_size = reader.take("II")
        rtype, name = reader.sz_or_ord(), reader.sz_or_ord()
        reader.align()
        data_version, flags, language, version, characteristics = reader.take("IHHII")
        assert reader.pos == start + header_size, "%s: header size at byte %d" % (path, start)
        assert reader.pos + size <= len(data), "%s: truncated at byte %d" % (path, start)
        body = data[reader.pos:reader.pos + size]
        reader.pos += size
        reader.align()
        if rtype == 0 and size == 0:  # the empty entry every .res begins with
            continue
        key = (rtype, name, language)
        assert key not in resources, "%s appears twice in %s" % (describe(key), path)
        resources[key] = (flags, (data_version, version, characteristics), body)
    return resources


@functools.lru_cache(maxsize=None)
def outputs():
    """The resources of windres's and of llvm-rc's .res files, compiled once per run."""
    with tempfile.TemporaryDirectory() as folder:
        return tuple(read_res(path) for path in compile_both(SCRIPT, folder))


# ---------------------------------------------------------------- comparing

def pytest_generate_tests(metafunc):
    """One test per resource of either output, such as [dialog_LEVELBOX_040C]."""
    ours, theirs = outputs()
    keys = sorted(set(ours) | set(theirs),
                  key=lambda key: [(isinstance(part, str), part) for part in key])
    metafunc.parametrize("key", keys, ids=[re.sub(r"\W+", "_", describe(k)) for k in keys])


def test(key):
    ours, theirs = outputs()
    assert key in ours, "only in llvm-rc's output"
    assert key in theirs, "only in windres's output"
    (flags, header, data), (other_flags, other_header, other_data) = ours[key], theirs[key]
    if flags != other_flags:
        print("note memory flags (not kept in an executable, not compared) differ: windres "
              "0x%04X, llvm-rc 0x%04X" % (flags, other_flags))
    assert header == other_header, "data version, version and characteristics (windres, llvm-rc)"
    if key[0] != RT_DIALOG:
        assert data == other_data, "data (windres, llvm-rc)"
        return
    # Every field of the dialogs, their control classes as Windows looks them up.
    dialog, other_dialog = decode_dialog(data), decode_dialog(other_data)
    assert as_windows_sees(dialog) == as_windows_sees(other_dialog), "fields (windres, llvm-rc)"
    renamed = {(cls, other_dialog[field]) for field, cls in dialog.items()
               if is_control_class(field) and cls != other_dialog[field]}
    if renamed:
        print("note control classes stored as %s (windres / llvm-rc), the same classes to "
              "Windows" % ", ".join("%r / %r" % pair for pair in sorted(renamed, key=repr)))
