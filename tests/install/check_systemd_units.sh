#!/bin/bash
# Checks the user units that run the daily site query: systemd-analyze reads them as systemd
# would, with ExecStart pointed at the program under test (verify wants it to exist).
# Usage: check_systemd_units.sh UNIT_DIR KELVANE_CLI
set -euo pipefail
units=$1
cli=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$units"/kelvane-sites.service "$units"/kelvane-sites.timer "$work"/
sed -i "s|/usr/bin/kelvane-cli|$cli|" "$work"/kelvane-sites.service
grep -q "^ExecStart=$cli site --all-listed" "$work"/kelvane-sites.service
# A user manager needs a runtime folder; a test machine may have none.
XDG_RUNTIME_DIR=$work systemd-analyze --user --man=no verify \
    "$work"/kelvane-sites.timer "$work"/kelvane-sites.service
