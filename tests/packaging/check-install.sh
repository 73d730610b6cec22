#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs of it: the
# program, the menu entry (valid, naming the installed program and an installed icon), the
# software-centre description (valid, launching that entry), the icon as SVG and 32 x 32
# PNG, and the help collection where the program looks for it (../share/parvello from
# its own folder).
#
#   check-install.sh BUILD_FOLDER
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
need_file() { [ -f "$prefix/$1" ] || fail "$1 is not installed"; }

cmake --install "$build" --prefix "$prefix" >/dev/null

need_file bin/parvello
[ -x "$prefix/bin/parvello" ] || fail "bin/parvello cannot be run"

desktop=$prefix/share/applications/parvello.desktop
need_file share/applications/parvello.desktop
if [ -f "$desktop" ]; then
    desktop-file-validate "$desktop" || fail "the menu entry does not validate"
    entry() { sed -n "s/^$1=//p" "$desktop"; }
    [ "$(entry Name)" = "Parvello Jr." ] || fail "the menu entry's name is '$(entry Name)'"
    for category in Audio Music; do
        [[ ";$(entry Categories)" == *";$category;"* ]] || fail "the menu entry is not in $category"
    done
    [ -x "$prefix/bin/$(entry Exec | cut -d' ' -f1)" ] || fail "Exec names no installed program"
    icon=$(entry Icon)
    [ "$icon" = parvello ] || fail "the menu entry's icon is '$icon'"
fi
need_file share/icons/hicolor/scalable/apps/parvello.svg
need_file share/icons/hicolor/32x32/apps/parvello.png
png=$prefix/share/icons/hicolor/32x32/apps/parvello.png
if [ -f "$png" ]; then
    # Width and height are the big-endian words at bytes 16 and 20 of a PNG.
    size=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
    [ "$size" = 32x32 ] || fail "the PNG icon is $size, not 32x32"
fi

metainfo=$prefix/share/metainfo/com.veltrane.ParvelloJr.metainfo.xml
need_file share/metainfo/com.veltrane.ParvelloJr.metainfo.xml
if [ -f "$metainfo" ]; then
    appstreamcli validate --no-net "$metainfo" >/dev/null ||
        fail "the software-centre description does not validate"
    grep -q '<launchable type="desktop-id">parvello.desktop</launchable>' "$metainfo" ||
        fail "the software-centre description launches another menu entry"
fi

need_file share/parvello/Parvello.hlp
need_file share/parvello/parvello.qch
# The collection names its documentation files; each must be found from the installed
# collection, not from the build folder.
collection=$prefix/share/parvello/Parvello.hlp
if [ -f "$collection" ]; then
    missing=$(/usr/bin/python3 - "$collection" <<'PY'
import os, sqlite3, sys
collection = sys.argv[1]
for (path,) in sqlite3.connect(collection).execute("SELECT FilePath FROM NamespaceTable"):
    found = os.path.join(os.path.dirname(collection), path)
    if path.startswith("/") or not os.path.isfile(found):
        print(path)
PY
    )
    [ -z "$missing" ] || fail "the help collection names documentation not installed: $missing"
fi

[ "$failures" -eq 0 ] && echo "install checked: $prefix"
exit $((failures > 0))
