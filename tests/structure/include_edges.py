#!/usr/bin/env python3
"""Holds every #include "..." under src/ to the layer picture of docs/ARCHITECTURE.md.

A file's room is its folder; windows (*_window.*) and the widgets they draw with (*_widget.*)
form a room of their own inside their subsystem's folder. Arrows point down only.

Usage: include_edges.py SRC_DIR       checks the tree, prints each bad edge as file:line
       include_edges.py --self-test   shows that an upward include is caught
"""
import os
import re
import sys
import tempfile

import source_tree

ENGINES = {"query", "keyword", "lookup", "store", "mail", "update"}
CORE = {"platform", "net"} | ENGINES

# Which rooms a room may include, besides itself.
ALLOWED = {
    "platform": set(),
    "net": {"platform"},
    "query": {"net", "platform"},
    "keyword": {"query", "net", "platform"},
    "lookup": {"query", "net", "platform"},
    "store": {"query", "net", "platform"},
    "mail": {"net", "platform"},
    "update": {"net", "platform"},
    "cli": CORE,
    "widgets": CORE,
    "windows": CORE | {"widgets"},
    "app": CORE | {"widgets", "windows"},
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
UI_FILE = re.compile(r"_(window|widget)\.(h|cpp)$")


def room(path):
    """(layer, folder) of a path relative to src/, e.g. ("windows", "store")."""
    folder, _, name = path.partition("/")
    if folder in ENGINES and UI_FILE.search(name):
        return "windows", folder
    return folder, folder


def allowed(source, target):
    (layer, folder), (target_layer, target_folder) = room(source), room(target)
    if layer not in ALLOWED:
        return False, f"folder {folder}/ is not in the layer table"
    if target_layer not in ALLOWED:
        return False, f"{target_folder}/ is not in the layer table"
    if target_layer == "windows" and layer == "windows":
        # A window may use its own folder's widgets, never another subsystem's window.
        return target_folder == folder, "a window includes another subsystem's window"
    if target_layer == layer:
        return True, ""
    return target_layer in ALLOWED[layer], f"{layer} may not include {target_layer}"


def violations(src):
    found = []
    for source, full in source_tree.source_files(src):
        with open(full, encoding="utf-8", errors="replace") as text:
            for number, line in enumerate(text, 1):
                match = INCLUDE.match(line)
                if not match or "/" not in match.group(1):
                    continue
                ok, why = allowed(source, match.group(1))
                if not ok:
                    found.append(f"src/{source}:{number}: includes \"{match.group(1)}\": {why}")
    return found


def self_test():
    cases = [  # (file, include, expected to pass)
        ("net/idhttp.cpp", "platform/tcp_socket.h", True),
        ("platform/tcp_socket.cpp", "net/idhttp.h", False),
        ("query/count_probes.cpp", "app/windows.h", False),
        ("store/history_window.cpp", "widgets/error_report.h", True),
        ("store/history_window.cpp", "store/history_chart_widget.h", True),
        ("store/history_window.cpp", "app/error_report.h", False),
        ("keyword/keyword_window.cpp", "store/history_window.h", False),
        ("widgets/domain_box.cpp", "app/main_window.h", False),
        ("widgets/domain_box.cpp", "store/site_list.h", True),
        ("store/history.cpp", "store/history_window.h", False),
        ("app/windows.cpp", "store/history_window.h", True),
        ("cli/main.cpp", "widgets/labels.h", False),
        ("gadgets/x.cpp", "platform/paths.h", False),
    ]
    failed = 0
    with tempfile.TemporaryDirectory() as src:
        for file, include, expected in cases:
            path = os.path.join(src, file)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as out:
                out.write(f'#pragma once\n\n#include "{include}"\n')
            reported = [v for v in violations(src) if v.startswith(f"src/{file}:3:")]
            if bool(reported) == expected:
                print(f"self-test: {file} -> {include}: expected {'pass' if expected else 'fail'}")
                failed += 1
            os.remove(path)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(source_tree.main(__doc__, violations, self_test))
