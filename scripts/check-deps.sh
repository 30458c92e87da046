#!/usr/bin/env bash
# Fails when a configured build reads a Debian package that scripts/deps.sh neither lists nor pulls
# in through a hard Depends of a listed package. A machine that happens to have the package
# installed (as a Recommends, say) still builds, so only this check notices the gap.
# Usage: scripts/check-deps.sh BUILD_DIR [BUILD_DIR...]
set -euo pipefail
QV_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$QV_ROOT/scripts/deps.sh"

if ! command -v dpkg >/dev/null || ! command -v apt-cache >/dev/null; then
    echo "check-deps: not a Debian machine (no dpkg or apt-cache); nothing to check"
    exit 77
fi
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [BUILD_DIR...]" >&2; exit 2; }

listed=("${QV_BUILD_PACKAGES[@]}" "${QV_TEST_PACKAGES[@]}")

# Everything the listed packages pull in: Depends and Pre-Depends only, recursively. Virtual
# packages appear as <name> with their providers below; both count.
declare -A covered=()
while read -r name; do
    name=${name#<}; name=${name%>}; name=${name%%:*}
    [ -n "$name" ] && covered[$name]=1
done < <(apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts \
             --no-breaks --no-replaces --no-enhances "${listed[@]}" 2>/dev/null |
         sed -n -e 's/^\([^ ].*\)$/\1/p' -e 's/^    \([^ ].*\)$/\1/p')
for p in "${listed[@]}"; do covered[$p]=1; done

# The package that owns what a package-config directory holds: its *Config.cmake file where there
# is one (a directory alone may be shared by several packages).
owner_of() {
    local dir=$1 probe=$1 f
    for f in "$dir"/*Config.cmake "$dir"/*-config.cmake; do
        [ -f "$f" ] && { probe=$f; break; }
    done
    dpkg -S "$probe" 2>/dev/null | sed -n '1s/^\([^:]*\).*/\1/p' | tr ',' '\n' | sed 's/ //g'
}

declare -A missing=()
checked=0
for build in "$@"; do
    cache="$build/CMakeCache.txt"
    [ -f "$cache" ] || { echo "check-deps: $cache not found (configure first)" >&2; exit 2; }
    while IFS='=' read -r key dir; do
        case "$dir" in /usr/* | /lib/* | /opt/*) ;; *) continue ;; esac
        [ -d "$dir" ] || continue
        checked=$((checked + 1))
        owners=$(owner_of "$dir")
        if [ -z "$owners" ]; then
            echo "check-deps: ${key%%:*}=$dir belongs to no Debian package" >&2
            missing["(unpackaged) $dir"]=1
            continue
        fi
        ok=0
        for o in $owners; do [ -n "${covered[$o]:-}" ] && ok=1; done
        [ $ok -eq 1 ] || for o in $owners; do missing["$o (for ${key%%:*})"]=1; done
    done < <(grep -E '^[A-Za-z0-9_]+_DIR:PATH=' "$cache" | grep -v '_INCLUDE_DIR:')
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "check-deps: the build reads packages that scripts/deps.sh does not install:" >&2
    printf '  %s\n' "${!missing[@]}" | sort >&2
    echo "Add them to QV_BUILD_PACKAGES (or QV_TEST_PACKAGES) in scripts/deps.sh." >&2
    exit 1
fi
echo "check-deps: $checked package-config directories, all from listed packages or their Depends"
