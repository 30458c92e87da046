#!/usr/bin/env bash
# Builds the Debian packages from a clean Release build:
#   quorvane_<version>_<arch>.deb         everything (desktop program, quorvane-record, tools)
#   quorvane-record_<version>_<arch>.deb  quorvane-record and its manual page alone
# Usage: scripts/package.sh [--out DIR] [--build-dir DIR]
#   --out DIR        where the packages go (default: build-deb/)
#   --build-dir DIR  package an existing, built tree instead of a clean Release build (the
#                    package check uses the test build this way)
set -euo pipefail
QV_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$QV_ROOT/scripts/deps.sh"

out="" build=""
while [ $# -gt 0 ]; do
    case "$1" in
    --out) out=${2:?--out needs a folder}; shift 2 ;;
    --build-dir) build=${2:?--build-dir needs a folder}; shift 2 ;;
    *) echo "usage: $0 [--out DIR] [--build-dir DIR]" >&2; exit 2 ;;
    esac
done

if [ -z "$build" ]; then
    qv_ensure_packages "${QV_BUILD_PACKAGES[@]}" "${QV_PACKAGE_PACKAGES[@]}"
    build="$QV_ROOT/build-deb/release"
    rm -rf "$build"
    # Debian's hardening flags (fortify, stack protector, relro, bindnow); CMake reads no CPPFLAGS.
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
        LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
        cmake -S "$QV_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
    cmake --build "$build" -j "$(nproc)" --target installables
fi
build=$(cd "$build" && pwd)
out=${out:-$QV_ROOT/build-deb}
mkdir -p "$out"
out=$(cd "$out" && pwd)

info="$build/packaging/package-info.sh"
[ -f "$info" ] || { echo "package: $info not found (configure $build first)" >&2; exit 2; }
source "$info"
changelog="$QV_ROOT/packaging/changelog"
logged=$(dpkg-parsechangelog -l "$changelog" -S Version)
if [ "$logged" != "$QV_VERSION" ]; then
    echo "package: packaging/changelog's last entry is $logged, the project is $QV_VERSION;" \
        "add an entry for $QV_VERSION" >&2
    exit 1
fi
maintainer=$(dpkg-parsechangelog -l "$changelog" -S Maintainer)
arch=$(dpkg --print-architecture)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
umask 022

# stage NAME [COMPONENT]: installs the build (or one component of it) under $work/src/debian/NAME,
# with what a Debian package adds: compressed manual pages, copyright and changelog.
stage() {
    local name=$1 root="$work/src/debian/$1" comp=()
    [ $# -gt 1 ] && comp=(--component "$2")
    DESTDIR="$root" cmake --install "$build" --prefix /usr --strip "${comp[@]}" >/dev/null
    # What a stripped binary still carries and nobody reads.
    strip --remove-section=.comment --remove-section=.note "$root/usr/bin/"*
    find "$root/usr/share/man" -type f -name '*.[1-9]' -exec gzip -9n {} +
    install -D -m 644 "$QV_ROOT/packaging/copyright" "$root/usr/share/doc/$name/copyright"
    gzip -9n <"$changelog" >"$root/usr/share/doc/$name/changelog.gz"
    chmod -R u+w,go-w,a+rX "$root"
    mkdir -m 755 "$root/DEBIAN" # also how dpkg-shlibdeps finds the package's root
}

# The packages each binary's libraries come from (dpkg-shlibdeps wants a debian/control).
shlibs() {
    mkdir -p "$work/src/debian"
    printf 'Source: quorvane\n\nPackage: quorvane\nArchitecture: any\n' >"$work/src/debian/control"
    (cd "$work/src" && dpkg-shlibdeps -O "${@#"$work/src/"}") | sed -n 's/^shlibs:Depends=//p'
}

# control NAME DEPENDS SYNOPSIS DESCRIPTION [FIELD...]: writes DEBIAN/control and md5sums.
control() {
    local name=$1 depends=$2 synopsis=$3 description=$4 root="$work/src/debian/$1"
    shift 4
    (cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$root/DEBIAN/md5sums"
    {
        echo "Package: $name"
        [ "$name" != quorvane ] && echo "Source: quorvane"
        echo "Version: $QV_VERSION"
        echo "Architecture: $arch"
        echo "Maintainer: $maintainer"
        echo "Installed-Size: $(du -s -k --exclude=DEBIAN "$root" | cut -f1)"
        echo "Depends: $depends"
        for f in "$@"; do echo "$f"; done
        echo "Section: science"
        echo "Priority: optional"
        echo "Homepage: $QV_HOMEPAGE"
        echo "Description: $synopsis"
        printf '%s\n' "$description" | sed -e 's/^$/./' -e 's/^/ /'
    } >"$root/DEBIAN/control"
    chmod 644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
    dpkg-deb --build --root-owner-group -Zxz "$root" "$out/${name}_${QV_VERSION}_${arch}.deb" >/dev/null
    echo "$out/${name}_${QV_VERSION}_${arch}.deb"
}

stage quorvane
bins=("$work/src/debian/quorvane/usr/bin/"*)
# Qt finds its display plugin at run time, out of shlibdeps' sight.
depends="$(shlibs "${bins[@]}"), qt6-qpa-plugins"
overlap=("Provides: quorvane-record (= $QV_VERSION)" "Conflicts: quorvane-record"
         "Replaces: quorvane-record")
control quorvane "$depends" "handheld meter reader: live view, recording, datalogger download" \
"Quorvane reads a handheld measuring meter (humidity, temperature, air flow,
light, UV, sound, pressure and others) over an RS-232 or USB-serial line and
shows its readings live: digits with the recorded highs and lows, needle
gauges, a graph and the raw data. It records samples into comma-separated
files on a schedule, downloads the meter's datalogger memory into a file and
lists saved files.

This package holds the desktop program, quorvane-record (the same recording
without a window), a meter simulator and a packet decoder." "${overlap[@]}"

stage quorvane-record record
control quorvane-record "$(shlibs "$work/src/debian/quorvane-record/usr/bin/quorvane-record")" \
    "record a handheld meter's readings into CSV files, without a display" \
"quorvane-record reads a handheld measuring meter over a serial line and
records samples of its readings into comma-separated save files on a
schedule, line for line as the Quorvane desktop program writes them, with no
window and no display: over SSH, or started by the system at boot.

This package holds quorvane-record alone, for a box without a desktop; the
quorvane package holds it too, beside the desktop program." \
    "Conflicts: quorvane" "Replaces: quorvane"
