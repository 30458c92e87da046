# Sourced by run.sh and test.sh: installs the Debian packages that are missing.
# Everything the build and the tests need is listed here; nothing else is assumed on the machine.
# qt6-svg-dev: the build paints the scalable application icon; the plot writes SVG pictures.
QV_BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools
                   qt6-serialport-dev libgl-dev qt6-svg-dev)
# dpkg-dev: scripts/package.sh (dpkg-buildflags, dpkg-shlibdeps, dpkg-parsechangelog).
QV_PACKAGE_PACKAGES=(dpkg-dev)
# locales: a German locale is built for the number-text test.
# poppler-utils: pdftoppm turns the printed graph into an image for its test; pdfinfo counts the
#   pages of the plot's PDF files.
# lintian, desktop-file-utils, appstream, man-db: the package check's validators.
# systemd: systemd-analyze checks the recorder's unit (it parses, its exposure, its call filter).
# strace: lists the system calls quorvane-record makes, to hold them against that filter.
# dbus-daemon: dbus-run-session, the private session bus of the notification test.
QV_TEST_PACKAGES=(clang libclang-rt-14-dev locales poppler-utils dpkg-dev lintian desktop-file-utils
                  appstream man-db systemd strace dbus-daemon)

qv_ensure_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Configures (once) and builds the tree in $1 with build type $2: the targets named after that,
# or everything.
qv_build() {
    local dir=$1 type=$2
    shift 2
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$QV_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type"
    fi
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
}
