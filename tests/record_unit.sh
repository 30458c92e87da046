#!/usr/bin/env bash
# Checks the systemd unit of quorvane-record.
#   record_unit.sh check UNIT RECORD
#     The unit parses (systemd-analyze verify, with ExecStart pointed at RECORD), for a ttyUSB0
#     instance and a /dev/serial/by-id/ one, and its exposure is 1.0 or less ("SAFE").
#   record_unit.sh syscalls UNIT RECORD SIM
#     Every system call RECORD makes while recording SIM's pseudo-terminal, losing the device,
#     getting it back and ending on SIGTERM is one that the unit's SystemCallFilter lets through,
#     and none is one that its other settings forbid (sockets, writable code).
# Exit 77 (skipped) only where systemd-analyze, or strace for "syscalls", is not installed.
set -euo pipefail
export LC_ALL=C

mode=${1:-}
unit=${2:-}
record=${3:-}
if [ ! -f "$unit" ] || [ ! -x "$record" ]; then
    echo "usage: $0 check|syscalls UNIT RECORD [SIM]" >&2
    exit 2
fi
record=$(realpath "$record")
command -v systemd-analyze >/dev/null || { echo "systemd-analyze is not installed"; exit 77; }

work=$(mktemp -d)
pids=()
cleanup() {
    local p
    # strace blocks fatal signals while it traces: end the recorder, and strace ends with it.
    p=$(head -n 1 "$work/trace" 2>/dev/null | cut -d' ' -f1) || true
    if [ -n "$p" ]; then kill -KILL "$p" 2>/dev/null || true; fi
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    [ -s "$work/err" ] && { echo "quorvane-record's standard error:"; cat "$work/err"; } >&2
    echo "FAIL: $*" >&2
    exit 1
}

# Waits (up to a minute: a busy machine is slow, never this slow) until the command succeeds.
wait_until() {
    local what=$1 _
    shift
    for _ in $(seq 600); do "$@" && return 0; sleep 0.1; done
    fail "gave up waiting: $what"
}

check() {
    mkdir "$work/units"
    sed "s|^ExecStart=/usr/bin/quorvane-record |ExecStart=$record |" "$unit" \
        >"$work/units/quorvane-record@.service"
    grep -q "^ExecStart=$record " "$work/units/quorvane-record@.service" ||
        fail "the unit's ExecStart does not run /usr/bin/quorvane-record"
    local by_id inst out
    by_id=$(systemd-escape serial/by-id/usb-Example_USB_Serial_0001-if00-port0)
    for inst in ttyUSB0 "$by_id"; do
        local file="$work/units/quorvane-record@$inst.service"
        # Warnings (an unknown key, a bad value) leave the exit status 0: any line about the
        # unit fails. Lines about the host's own units are not this unit's business.
        out=$(systemd-analyze verify --man=no --recursive-errors=no "$file" 2>&1) ||
            fail "systemd-analyze verify $file: $out"
        if grep -F 'quorvane-record@' <<<"$out"; then fail "systemd-analyze verify: $inst"; fi
        out=$(systemd-analyze security --offline=yes --threshold=10 "$file" 2>&1) ||
            { echo "$out"; fail "exposure above 1.0: $inst"; }
        grep -F 'Overall exposure level' <<<"$out"
    done
}

# The system calls of the names and @groups given, one a line.
expand_calls() {
    local -a queue=("$@")
    local -A seen=()
    local name
    local -a members
    while [ ${#queue[@]} -gt 0 ]; do
        name=${queue[0]}
        queue=("${queue[@]:1}")
        if [[ $name == @* ]]; then
            [ -n "${seen[$name]:-}" ] && continue
            seen[$name]=1
            mapfile -t members < <(systemd-analyze syscall-filter --no-pager "$name" |
                sed -e '1d' -e 's/^ *//' -e '/^#/d' -e '/^$/d')
            queue+=("${members[@]}")
        else
            echo "$name"
        fi
    done | sort -u
}

rows() {
    local n
    n=$(grep -cE '^ *[0-9]+ ,' "$work/out.csv" 2>/dev/null) || true
    echo "${n:-0}"
}
more_rows_than() { [ "$(rows)" -gt "$1" ]; }

syscalls() {
    local sim=${1:-}
    [ -x "$sim" ] || fail "no simulator given"
    sim=$(realpath "$sim")
    command -v strace >/dev/null || { echo "strace is not installed"; exit 77; }
    strace -f -qq -o /dev/null true || fail "strace cannot trace a program here"

    "$sim" --link "$work/meter" --rate 5 >/dev/null 2>&1 &
    pids+=($!)
    wait_until "the simulator's link" test -e "$work/meter"
    (cd "$work" && exec strace -f -qq -o "$work/trace" \
        "$record" --port "$work/meter" --dual --quiet out.csv 2>"$work/err") &
    local tracer=$!
    pids+=("$tracer")
    wait_until "two rows" more_rows_than 1
    # The device goes away and comes back, as a pulled cable does.
    kill "${pids[0]}"
    wait "${pids[0]}" || true
    wait_until "the disconnection" grep -q 'disconnected' "$work/err"
    "$sim" --link "$work/meter" --rate 5 >/dev/null 2>&1 &
    pids+=($!)
    wait_until "the reconnection" grep -q 'connected again' "$work/err"
    local before
    before=$(rows)
    wait_until "a row after the reconnection" more_rows_than "$before"
    # strace starts the recorder itself: the first line is its execve.
    kill -TERM "$(head -n 1 "$work/trace" | cut -d' ' -f1)"
    local status=0
    wait "$tracer" || status=$?
    [ "$status" -eq 0 ] || fail "quorvane-record exited with $status"

    sed -E -n 's/^[0-9]+ +([a-z0-9_]+)\(.*/\1/p' "$work/trace" | sort -u >"$work/used"
    if ! grep -qx ioctl "$work/used" || ! grep -qx fdatasync "$work/used"; then
        fail "the trace lacks the tty's and the file's calls: $(tr '\n' ' ' <"$work/used")"
    fi

    local -a allow=() deny=()
    local line
    local -a names
    while IFS= read -r line; do
        if [[ $line == '~'* ]]; then
            read -ra names <<<"${line#\~}"
            deny+=("${names[@]}")
        else
            read -ra names <<<"$line"
            allow+=("${names[@]}")
        fi
    done < <(sed -n 's/^SystemCallFilter=//p' "$unit")
    [ ${#allow[@]} -gt 0 ] || fail "the unit has no SystemCallFilter allow list"
    # systemd adds @default to every allow list.
    expand_calls @default "${allow[@]}" >"$work/allowed"
    expand_calls "${deny[@]}" >"$work/denied"
    local outside
    outside=$(comm -23 "$work/used" <(comm -23 "$work/allowed" "$work/denied") | tr '\n' ' ')
    [ -z "$outside" ] || fail "calls outside the unit's SystemCallFilter: $outside"

    if grep -qx 'RestrictAddressFamilies=none' "$unit" && grep -qxE 'socket|socketpair' "$work/used"; then
        fail "RestrictAddressFamilies=none, but quorvane-record makes sockets"
    fi
    # MemoryDenyWriteExecute refuses memory mapped writable and executable at once, and any
    # mprotect() that makes memory executable.
    if grep -qx 'MemoryDenyWriteExecute=yes' "$unit" &&
        grep -E '(PROT_WRITE\|PROT_EXEC|PROT_EXEC\|PROT_WRITE)|mprotect\(.*PROT_EXEC' "$work/trace"; then
        fail "MemoryDenyWriteExecute=yes, but quorvane-record asks for executable memory"
    fi
    echo "$(wc -l <"$work/used") distinct system calls, all inside the unit's filter:"
    tr '\n' ' ' <"$work/used"
    echo
}

case "$mode" in
check) check ;;
syscalls) syscalls "${4:-}" ;;
*) echo "usage: $0 check|syscalls UNIT RECORD [SIM]" >&2; exit 2 ;;
esac
