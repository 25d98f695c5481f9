#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks its control fields and file list.
# Usage: check_package.sh BUILD_DIR OUT_DIR VERSION
set -euo pipefail
build=$1
out=$2
version=$3

rm -rf "$out"
mkdir -p "$out"
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log" >&2
    exit 1
fi
debs=("$out"/kelvane_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "expected one kelvane_*.deb" >&2; exit 1; }
deb=${debs[0]}

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
field() { dpkg-deb -f "$deb" "$1"; }

[ "$(field Package)" = kelvane ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
! field Description | grep -q ';' || fail "Description carries a list separator"
[ "$(field Recommends)" = fonts-wqy-microhei ] || fail "Recommends: $(field Recommends)"
depends=$(field Depends)
echo "Depends: $depends"
dpkg-deb -I "$deb" >/dev/null || fail "dpkg-deb -I"

# Every library the programs link directly is named by the package that ships it.
listing=$(dpkg-deb -c "$deb")
extracted="$out/extracted"
dpkg-deb -x "$deb" "$extracted"
depends_names=$(sed 's/ ([^)]*)//g; s/, */\n/g' <<<"$depends")
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for program in kelvane kelvane-cli; do
    for soname in $(objdump -p "$extracted/usr/bin/$program" | awk '$1 == "NEEDED" { print $2 }'); do
        owner=$(dpkg -S "*/$multiarch/$soname" 2>/dev/null | head -n1 | cut -d: -f1) || true
        [ -n "$owner" ] || { fail "$soname: no package ships it"; continue; }
        grep -qxF "$owner" <<<"$depends_names" || fail "$program needs $soname, Depends lacks $owner"
    done
done
for library in libqt6core6 libqt6widgets6 'libre2-[0-9]+' 'libicu[0-9]+'; do
    grep -Eqx "$library" <<<"$depends_names" || fail "Depends lacks $library"
done

expected=(
    ./usr/bin/kelvane
    ./usr/bin/kelvane-cli
    ./usr/share/applications/org.kelvane.Kelvane.desktop
    ./usr/share/metainfo/org.kelvane.Kelvane.metainfo.xml
    ./usr/share/icons/hicolor/scalable/apps/org.kelvane.Kelvane.svg
    ./usr/share/icons/hicolor/48x48/apps/org.kelvane.Kelvane.png
    ./usr/share/icons/hicolor/256x256/apps/org.kelvane.Kelvane.png
    ./usr/share/kelvane/
    ./usr/share/man/man1/kelvane-cli.1.gz
)
paths=$(awk '{ print $6 }' <<<"$listing")
for path in "${expected[@]}"; do
    grep -qxF "$path" <<<"$paths" || fail "missing $path"
done
# Nothing of the build (tests, benchmarks, headers) and nothing outside /usr.
stray=$(grep -Ev '^\./(usr/?|usr/bin/.*|usr/share/.*)?$' <<<"$paths" || true)
[ -z "$stray" ] || fail "unexpected files: $stray"
owners=$(awk '{ print $2 }' <<<"$listing" | sort -u)
[ "$owners" = root/root ] || fail "owners: $owners"
# Stripped: the package carries no debugging sections.
for program in kelvane kelvane-cli; do
    ! objdump -h "$extracted/usr/bin/$program" | grep -q '\.debug_info' || fail "$program not stripped"
done

if [ "$failures" -ne 0 ]; then
    echo "$listing" >&2
    exit 1
fi
echo "ok: $(basename "$deb"), $(wc -l <<<"$paths") entries, $(stat -c %s "$deb") bytes"
