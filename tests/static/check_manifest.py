#!/usr/bin/env python3
"""Checks the application manifest built into both Windows executables: present as
the one resource of type 24 (RT_MANIFEST) with id 1, well-formed XML, the committed
win32/resources/zirirar.manifest byte for byte, and saying what the game asks of
Windows: the rights of whoever starts it, the versions of Windows from Vista to 10 and 11,
per-monitor (v2) pixel density with the system's as the fallback, and no dependency
(no common controls of version 6: the dialogs keep the classic look).

    python3 tests/static/check_manifest.py [I686_EXE [X86_64_EXE]]
        (default build/i686/win32/zirirar.exe and build/x64/win32/zirirar.exe)

pytest tests (ctest -R static_manifest); run as a program, pytest runs them on the
executables given.
"""

import os
import sys
import xml.etree.ElementTree as ElementTree

# The paths, resource reader, loader and pytest runner of the other static checks.
from check_release import KINDS, ROOT, entries, load, main, pytest, resource

SOURCE = os.path.join(ROOT, "win32", "resources", "zirirar.manifest")

RT_MANIFEST, MANIFEST_ID, LANG_NEUTRAL = 24, 1, 0
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"

# The supportedOS identifiers Windows defines, oldest first.
SUPPORTED_OS = [
    ("Vista", "{e2011457-1546-43c5-a5fe-008deee3d3f0}"),
    ("7", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"),
    ("8", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"),
    ("8.1", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"),
    ("10 and 11", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"),
]


def only(parent, path, what):
    found = parent.findall(path)
    assert len(found) == 1, "number of %s elements" % what
    return found[0]


@pytest.fixture(params=KINDS)
def data(request):
    """The bytes of the one RT_MANIFEST resource, which must be id 1, language neutral."""
    pe = load(request.param, "RESOURCE")
    data = resource(pe, RT_MANIFEST, MANIFEST_ID, LANG_NEUTRAL)
    manifests = entries(pe.DIRECTORY_ENTRY_RESOURCE, RT_MANIFEST)[0].directory.entries
    assert len(manifests) == 1, "manifest resources"
    return data


@pytest.fixture
def root(data):
    return ElementTree.fromstring(data)  # fails on XML that is not well-formed


def test_present(data):
    assert len(data) > 0, "empty manifest"


def test_same_as_source(data):
    with open(SOURCE, "rb") as f:
        wanted = f.read()
    assert all(b < 0x80 for b in wanted), "win32/resources/zirirar.manifest is not plain ASCII"
    assert data == wanted, "the manifest against win32/resources/zirirar.manifest"


def test_well_formed(data, root):
    assert data.startswith(b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'), (
        "no XML declaration with UTF-8 and standalone=\"yes\"")
    assert root.tag == ASM_V1 + "assembly", "root element"
    assert root.get("manifestVersion") == "1.0"
    identity = only(root, ASM_V1 + "assemblyIdentity", "assemblyIdentity")
    assert identity.get("type") == "win32", "assemblyIdentity type"
    assert identity.get("name"), "assemblyIdentity has no name"
    parts = (identity.get("version") or "").split(".")
    assert len(parts) == 4 and all(p.isdigit() for p in parts), (
        "assemblyIdentity version %r is not four numbers" % identity.get("version"))


def test_execution_level(root):
    level = only(root, "%strustInfo/%ssecurity/%srequestedPrivileges/%srequestedExecutionLevel"
                 % ((ASM_V3,) * 4), "requestedExecutionLevel")
    assert (level.get("level"), level.get("uiAccess")) == ("asInvoker", "false")


def test_supported_os(root):
    application = only(root, COMPATIBILITY + "compatibility/" + COMPATIBILITY + "application",
                       "compatibility application")
    got = [e.get("Id") for e in application.findall(COMPATIBILITY + "supportedOS")]
    names = {guid: name for name, guid in SUPPORTED_OS}
    assert [names.get(g, g) for g in got] == [name for name, _ in SUPPORTED_OS]


def test_dpi_awareness(root):
    settings = only(root, ASM_V3 + "application/" + ASM_V3 + "windowsSettings", "windowsSettings")
    # Before Windows 10 version 1607 only dpiAware is read: "true" is the system's density.
    aware = only(settings, SETTINGS_2005 + "dpiAware", "dpiAware")
    assert (aware.text or "").strip().lower() == "true", "dpiAware"
    # From then on dpiAwareness, whose first value known to that Windows is taken.
    awareness = only(settings, SETTINGS_2016 + "dpiAwareness", "dpiAwareness")
    values = [v.strip().lower() for v in (awareness.text or "").split(",")]
    assert values == ["permonitorv2", "system"], "dpiAwareness values, in order"


def test_no_dependency(root):
    assert root.findall(".//" + ASM_V1 + "dependency") == [], (
        "dependency elements (the common controls of version 6 would change the dialogs' look)")


if __name__ == "__main__":
    sys.exit(main(__file__, sys.argv[1:]))
