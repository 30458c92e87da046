#!/usr/bin/env bash
# The package check: builds the Debian packages from an already built tree and checks them as a
# user's machine would meet them: the file list, the validators (desktop-file-validate,
# appstreamcli, lintian, man), and the installed programs run from the unpacked package with a
# bare environment, away from the source and build trees.
# Usage: packaging/check-package.sh BUILD_DIR
set -euo pipefail
QV_ROOT=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
if ! command -v dpkg-deb >/dev/null; then
    echo "check-package: not a Debian machine (no dpkg-deb); nothing to check"
    exit 77
fi
build=$(cd "$1" && pwd)
source "$build/packaging/package-info.sh"
arch=$(dpkg --print-architecture)

work=$(mktemp -d)
sim=""
trap '[ -n "$sim" ] && kill "$sim" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

"$QV_ROOT/scripts/package.sh" --build-dir "$build" --out "$work/out" >/dev/null
deb="$work/out/quorvane_${QV_VERSION}_${arch}.deb"
record_deb="$work/out/quorvane-record_${QV_VERSION}_${arch}.deb"
debs=("$deb" "$record_deb")
programs=(quorvane quorvane-meter-sim quorvane-decode quorvane-record)
files_of() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort; }

# -- What the package holds
expected=(usr/share/applications/$QV_APP_ID.desktop usr/share/metainfo/$QV_APP_ID.metainfo.xml
          usr/share/icons/hicolor/scalable/apps/$QV_APP_ID.svg
          usr/share/doc/quorvane/copyright usr/share/doc/quorvane/changelog.gz)
for p in "${programs[@]}"; do expected+=(usr/bin/$p usr/share/man/man1/$p.1.gz); done
for s in 16 22 24 32 48 64 128 256; do
    expected+=(usr/share/icons/hicolor/${s}x$s/apps/$QV_APP_ID.png)
done
held=$(files_of "$deb")
for f in "${expected[@]}"; do
    grep -qxF "$f" <<<"$held" || fail "quorvane's package lacks $f"
done
want=$(printf '%s\n' usr/bin/quorvane-record usr/share/man/man1/quorvane-record.1.gz \
           usr/share/doc/quorvane-record/copyright usr/share/doc/quorvane-record/changelog.gz |
       sort)
[ "$(files_of "$record_deb")" = "$want" ] ||
    fail "quorvane-record's package holds $(files_of "$record_deb" | tr '\n' ' ')"
# A box without a desktop gets no display libraries.
depends=$(dpkg-deb -f "$record_deb" Depends)
for lib in libqt6core6 libqt6serialport6; do
    grep -q "\b$lib\b" <<<"$depends" || fail "quorvane-record does not depend on $lib"
done
! grep -Eq 'libqt6(gui|widgets|printsupport)|qpa|libx|libgl' <<<"$depends" ||
    fail "quorvane-record depends on display libraries: $depends"
grep -q 'qt6-qpa-plugins' <<<"$(dpkg-deb -f "$deb" Depends)" ||
    fail "quorvane does not depend on the display plugins"

# -- The validators, on the files as installed
root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop="$root/usr/share/applications/$QV_APP_ID.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Exec=quorvane' "$desktop" || fail "the desktop entry does not start quorvane"
grep -qx "Icon=$QV_APP_ID" "$desktop" || fail "the desktop entry names another icon"
metainfo="$root/usr/share/metainfo/$QV_APP_ID.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -q "<launchable type=\"desktop-id\">$QV_APP_ID.desktop</launchable>" "$metainfo" ||
    fail "the metadata does not name the desktop entry"
grep -q "<release version=\"$QV_VERSION\"" "$metainfo" || fail "the metadata's release is not $QV_VERSION"
lintian --fail-on error "${debs[@]}" || fail "lintian found errors"

# -- Manual pages: clean for man, the sections a reader looks for, every option of --help
export QT_QPA_PLATFORM=offscreen
for p in "${programs[@]}"; do
    page="$root/usr/share/man/man1/$p.1.gz"
    [ "$p" = quorvane-record ] && dpkg-deb -x "$record_deb" "$work/record-root" &&
        page="$work/record-root/usr/share/man/man1/$p.1.gz"
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man warns about $p.1: $warnings"
    text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$page" 2>/dev/null | col -b)
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES "EXIT STATUS" EXAMPLES; do
        grep -qx "$section" <<<"$text" || fail "$p.1 has no $section section"
    done
    for opt in $(timeout 20 "$root/usr/bin/$p" --help 2>/dev/null | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
        grep -qF -- "$opt" <<<"$text" || fail "$p.1 does not describe $opt"
    done
done
cp "$work/record-root/usr/bin/quorvane-record" "$root/usr/bin/"

# -- The programs as installed, with nothing of this tree around them
mkdir "$work/home"
cd "$work/home"
bare=(timeout 20 env -i PATH="$root/usr/bin:/usr/bin:/bin" HOME="$work/home" QT_QPA_PLATFORM=offscreen)
for p in "${programs[@]}"; do
    out=$("${bare[@]}" "$p" --version) || fail "$p --version exits $?"
    [ "$out" = "$p $QV_VERSION" ] || fail "$p --version prints \"$out\""
    out=$("${bare[@]}" "$p" --help) || fail "$p --help exits $?"
    grep -q "$p" <<<"$out" || fail "$p --help does not name the program"
done

# The installed simulator read back by the installed decoder (and recorder).
"${bare[@]:2}" quorvane-meter-sim --link "$work/meter" --rate 20 >/dev/null &
sim=$!
for _ in $(seq 100); do [ -e "$work/meter" ] && break; sleep 0.1; done
timeout 20 head -c 48 "$work/meter" >"$work/capture" || fail "no packets from the simulator"
decoded=$("${bare[@]}" quorvane-decode "$work/capture")
[ "$(grep -cE $'\t%RH\t.*\t ?Deg C$' <<<"$decoded")" = 3 ] ||
    fail "the decoder read the simulator as: $decoded"
env -i PATH="$root/usr/bin:/usr/bin:/bin" timeout 60 quorvane-record --port "$work/meter" --dual --samples 3 --quiet \
    "$work/rec.csv" 2>/dev/null || fail "quorvane-record exits $?"
rows=$(grep -cE '^ [0-9]+ ,[-+ ][0-9.]+,%RH,' "$work/rec.csv" || true)
[ "$rows" = 3 ] && [ "$(grep -c '^High,' "$work/rec.csv")" = 1 ] &&
    [ "$(grep -c '^Lo,' "$work/rec.csv")" = 1 ] ||
    fail "quorvane-record wrote: $(cat "$work/rec.csv")"

if [ $failures -gt 0 ]; then
    echo "check-package: $failures failures" >&2
    exit 1
fi
echo "check-package: ${debs[*]##*/}: file lists, validators, manual pages and programs all right"
