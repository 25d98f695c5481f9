"""What the structure checks share: the walk over src/ and the command line."""
import os
import sys


def source_files(src):
    """(path relative to src with / separators, full path) of every .h and .cpp, in order."""
    for top, _, files in sorted(os.walk(src)):
        for name in sorted(files):
            if name.endswith((".h", ".cpp")):
                full = os.path.join(top, name)
                yield os.path.relpath(full, src).replace(os.sep, "/"), full


def main(doc, violations, self_test):
    """check.py SRC_DIR prints each violation and fails on any; check.py --self-test."""
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    if len(sys.argv) != 2:
        print(doc, file=sys.stderr)
        return 2
    found = violations(sys.argv[1])
    for line in found:
        print(line)
    return 1 if found else 0
