#!/usr/bin/env bash
# Installs the build into a scratch root (DESTDIR staging, prefix /usr) and checks what a user
# gets: the installed kelvoran-batch runs, the desktop entry is valid and opens both file types,
# the MIME description names both extensions, and the installed example schedule runs.
# Usage: install_test.sh CMAKE BUILD_DIR GUI(ON|OFF)
set -euo pipefail
cmake_cmd=$1
build=$2
gui=$3

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

DESTDIR="$root/stage" "$cmake_cmd" --install "$build" --prefix /usr >"$root/install.log" ||
    { cat "$root/install.log" >&2; fail "cmake --install failed"; }
usr=$root/stage/usr

# The installed batch program runs on its own (no path back into the build tree is needed).
[ -x "$usr/bin/kelvoran-batch" ] || fail "bin/kelvoran-batch not installed"
help=$("$usr/bin/kelvoran-batch" --help) || fail "installed kelvoran-batch --help failed"
grep -q "schedule" <<<"$help" || fail "kelvoran-batch --help does not list its commands: $help"
if readelf -d "$usr/bin/kelvoran-batch" 2>/dev/null | grep -q "$build"; then
    fail "installed kelvoran-batch still has a run path into $build"
fi

[ -f "$usr/share/doc/kelvoran/README.md" ] || fail "README not installed"

# The SQLite extension for ODBC data sources loads on its own and gives DECODE and NVL.
extension=$(find "$usr/lib" -path '*/kelvoran/libkelvoran_sqlite_oracle.so' | head -n 1)
[ -n "$extension" ] || fail "lib/kelvoran/libkelvoran_sqlite_oracle.so not installed"
if command -v sqlite3 >/dev/null; then
    got=$(sqlite3 :memory: ".load ${extension%.so}" "SELECT NVL(NULL, 'n') || DECODE(2, 1, 'a', 2, 'b');") ||
        fail "the installed SQLite extension does not load"
    [ "$got" = nb ] || fail "the installed SQLite extension gives '$got' for NVL and DECODE, not 'nb'"
fi
examples=$usr/share/kelvoran/examples
for f in demo.sql sales_list.kvr sales_pivot.kvr nightly.kvs deploy/kelvoran-schedule.service; do
    [ -f "$examples/$f" ] || fail "example $f not installed"
done

if [ "$gui" = ON ]; then
    [ -x "$usr/bin/kelvoran" ] || fail "bin/kelvoran not installed"
    desktop=$usr/share/applications/kelvoran.desktop
    mime=$usr/share/mime/packages/kelvoran.xml
    icon=$usr/share/icons/hicolor/scalable/apps/kelvoran.svg
    for f in "$desktop" "$mime" "$icon"; do [ -f "$f" ] || fail "$f not installed"; done
    command -v desktop-file-validate >/dev/null ||
        fail "desktop-file-validate is missing (package desktop-file-utils, scripts/install-deps.sh)"
    desktop-file-validate "$desktop" || fail "desktop entry does not validate"
    # The MIME description is well-formed, gives each type one of the two extensions, and the
    # desktop entry claims exactly the types it declares; the icon is well-formed SVG.
    /usr/bin/python3 - "$mime" "$desktop" "$icon" <<'PY' || fail "MIME description or icon"
import sys, xml.etree.ElementTree as ET
ns = "{http://www.freedesktop.org/standards/shared-mime-info}"
types = {t.get("type"): [g.get("pattern") for g in t.findall(ns + "glob")]
         for t in ET.parse(sys.argv[1]).getroot().findall(ns + "mime-type")}
globs = sorted(p for ps in types.values() for p in ps)
assert globs == ["*.kvr", "*.kvs"], f"globs {globs}"
assert all(len(ps) == 1 for ps in types.values()), f"types {types}"
claimed = None
for line in open(sys.argv[2], encoding="utf-8"):
    if line.startswith("MimeType="):
        claimed = sorted(t for t in line.strip()[len("MimeType="):].split(";") if t)
    if line.startswith("Exec="):
        assert line.split()[-1] == "%f", f"Exec takes no file: {line}"
assert claimed == sorted(types), f"desktop entry claims {claimed}, MIME file declares {sorted(types)}"
assert ET.parse(sys.argv[3]).getroot().tag == "{http://www.w3.org/2000/svg}svg", "icon is not SVG"
PY
    # What the desktop's MIME database makes of it: each extension maps to its type.
    command -v update-mime-database >/dev/null ||
        fail "update-mime-database is missing (package shared-mime-info, scripts/install-deps.sh)"
    update-mime-database "$usr/share/mime" >/dev/null 2>&1 || fail "update-mime-database failed"
    grep -q ':application/x-kelvoran-settings:\*\.kvr$' "$usr/share/mime/globs2" ||
        fail "*.kvr is not mapped to its type"
    grep -q ':application/x-kelvoran-schedule:\*\.kvs$' "$usr/share/mime/globs2" ||
        fail "*.kvs is not mapped to its type"
fi

# The installed example schedule runs with the installed program, its log on stdout.
work=$root/work
mkdir -p "$work"
cp "$examples"/*.kvr "$examples"/*.kvs "$examples"/*.xlsx "$work"/
sqlite3 "$work/demo.sqlite" <"$examples/demo.sql"
printf '[DEMO]\ndriver=QSQLITE\ndatabase=%s/demo.sqlite\n' "$work" >"$work/aliases.ini"
: >"$work/creds.ini"
chmod 600 "$work/creds.ini"
set +e
(cd "$work" && KELVORAN_ALIASES="$work/aliases.ini" KELVORAN_SETTINGS="$work/none.ini" \
    "$usr/bin/kelvoran-batch" schedule nightly.kvs --credentials creds.ini --log-dir - --json \
    >"$root/out" 2>"$root/err")
status=$?
set -e
[ $status -eq 0 ] || fail "installed example schedule exited $status: $(cat "$root/err")"
summary='{"entries":2,"failed":0,"log":null,"ok":2,"unprocessed":0}'
[ "$(tail -1 "$root/err")" = "$summary" ] || fail "summary: $(cat "$root/err")"
[ "$(grep -c '「正常終了」@/;$' "$root/out")" -eq 2 ] || fail "log lines: $(cat "$root/out")"
echo "install check passed"
