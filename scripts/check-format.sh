#!/usr/bin/env bash
# Fails when a C++ file under src/ tests/ bench/ fuzz/ is not laid out as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' \
    'fuzz/*.cpp' 'fuzz/*.h' | xargs -0 clang-format --dry-run --Werror
