#!/usr/bin/env python3
"""Prints "PASSED FAILED SKIPPED" for the JUnit file CTest wrote for a stage.

Usage: junit_counts.py JUNIT_FILE CTEST_STATUS
A test skipped by its skip code counts as skipped; one CTest did not start for another
reason (a fixture that failed, a program not built) as failed. A stage whose ctest
ended badly (CTEST_STATUS not 0) with no failure in its file, or with no file, counts
one failure.
"""
import sys
import xml.etree.ElementTree as tree

counts = [0, 0, 0]
read = False
try:
    for case in tree.parse(sys.argv[1]).iter("testcase"):
        skip = case.find("skipped")
        if case.find("failure") is not None:
            counts[1] += 1
        elif skip is not None and not skip.get("message", "").startswith("SKIP_"):
            counts[1] += 1
        else:
            counts[2 if skip is not None else 0] += 1
    read = True
except (OSError, tree.ParseError):
    pass
if (not read or sys.argv[2] != "0") and counts[1] == 0:
    counts[1] = 1
print(*counts)
