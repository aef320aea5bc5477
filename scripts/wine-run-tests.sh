#!/usr/bin/env bash
# Runs a cross-built Windows test program under Wine, with COM1 mapped to a
# pseudo-terminal.
#
#   scripts/wine-run-tests.sh [--e2e] win64|win32 [test arguments...]
#
# Without --e2e the program is the Windows suite
# (build/<preset>/tests/windows/ostrevane_windows_tests.exe, next to its copy of
# Ostrevane800.dll) and a holder (tests/windows/pty_hold.c) keeps the
# pseudo-terminal open, swallowing what the driver sends. With --e2e the program is
# ostrevane_windows_e2e_tests.exe and the line is served by the natively built
# instrument simulator (build/debug/tools/sim/ostrevane-sim, or $OSTREVANE_SIM)
# playing the instruments of tests/e2e/standard-instruments.args; then, with Debian's
# ser2net serving that line on loopback ports, the same program reaches it over
# Winsock: OSTREVANE800_COM1 names the RFC 2217 accepter (every test) and the raw one
# (the polling test). $OSTREVANE_BUILD_DIR replaces build/<preset> as the folder of the
# cross build.
#
# The program runs in the prefix of its architecture (scripts/wine-env.sh). The
# verdict comes from the program's own summary: a 32-bit program under a Wine that
# cannot run it may still exit 0.
#
# Exit status: 0 passed; 1 failed; 2 not built or wrong usage; 77 Wine for this
# architecture is not available here (the reason is printed).
set -u

mode=suite
if [ "${1:-}" = "--e2e" ]; then
    mode=e2e
    shift
fi
preset="${1:-}"
shift || true
case "$preset" in
    win64 | win32) ;;
    *) echo "usage: wine-run-tests.sh [--e2e] win64|win32 [test arguments...]" >&2; exit 2 ;;
esac

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${OSTREVANE_BUILD_DIR:-$root/build/$preset}"
if [ "$mode" = e2e ]; then
    program="$build/tests/windows/ostrevane_windows_e2e_tests.exe"
    simulator="${OSTREVANE_SIM:-$root/build/debug/tools/sim/ostrevane-sim}"
    label="$preset end-to-end"
else
    program="$build/tests/windows/ostrevane_windows_tests.exe"
    label="$preset"
fi
verdict() { echo "wine-run-tests $label: $*"; }

if [ ! -f "$program" ] || [ ! -f "$(dirname "$program")/Ostrevane800.dll" ]; then
    verdict "NOT BUILT ($program; run: cmake --preset $preset && cmake --build --preset $preset)"
    exit 2
fi
if [ "$mode" = e2e ] && [ ! -x "$simulator" ]; then
    verdict "NOT BUILT ($simulator; run: cmake --preset debug && cmake --build --preset debug)"
    exit 2
fi

# shellcheck source=scripts/wine-env.sh
. "$root/scripts/wine-env.sh" "$preset"
status=$?
if [ "$status" -eq 77 ]; then
    verdict "SKIPPED ($preset Wine cannot run on this machine)"
    exit 77
elif [ "$status" -ne 0 ]; then
    verdict "FAILED (the Wine prefix could not be prepared)"
    exit 1
fi

# One run at a time per prefix: the run rewrites COM1 and restarts the wineserver.
exec 9>"$OSTREVANE_WINE_LOCK"
if ! flock -w 600 9; then
    verdict "FAILED ($OSTREVANE_WINE_LOCK stayed locked)"
    exit 1
fi

work="$build/wine-run"
[ "$mode" = e2e ] && work="$build/wine-e2e"
mkdir -p "$work"
server_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    "$OSTREVANE_WINESERVER" -k >/dev/null 2>&1
}
trap cleanup EXIT

# The line's far end, a native program that prints the pseudo-terminal's path first.
rm -f "$work/pty-path"
if [ "$mode" = e2e ]; then
    # A fresh log for each run: the tests read what the driver wrote to it.
    rm -rf "$work/Debug"
    instruments=()
    while IFS= read -r line || [ -n "$line" ]; do
        line="${line%$'\r'}"
        case "$line" in "" | "#"*) ;; *) instruments+=("$line") ;; esac
    done <"$root/tests/e2e/standard-instruments.args"
    # Standard input closed: the simulator keeps serving the line without a console.
    "$simulator" --pty "${instruments[@]}" </dev/null >"$work/pty-path" 2>"$work/simulator-errors.txt" &
    server_pid=$!
else
    # The pseudo-terminal holder is built here with the machine's C compiler.
    holder="$build/pty_hold"
    holder_source="$root/tests/windows/pty_hold.c"
    if [ ! -x "$holder" ] || [ "$holder_source" -nt "$holder" ]; then
        if ! cc -O2 -o "$holder" "$holder_source"; then
            verdict "FAILED (could not build the pseudo-terminal holder)"
            exit 1
        fi
    fi
    "$holder" >"$work/pty-path" &
    server_pid=$!
fi
for _ in $(seq 50); do
    [ -s "$work/pty-path" ] && break
    sleep 0.1
done
slave="$(head -n 1 "$work/pty-path" 2>/dev/null)"
if [ -z "$slave" ]; then
    verdict "FAILED (no pseudo-terminal)"
    [ "$mode" = e2e ] && cat "$work/simulator-errors.txt" >&2
    exit 1
fi

# Wine creates its COM devices from this key when the prefix's wineserver starts.
if ! "$OSTREVANE_WINE" reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$slave" /f >/dev/null 2>&1; then
    verdict "FAILED (could not map COM1 to $slave)"
    exit 1
fi
"$OSTREVANE_WINESERVER" -k >/dev/null 2>&1
"$OSTREVANE_WINESERVER" -w

# One run of the program: its output in $1, its verdict from its own summary.
run_program() {  # log-file label [test arguments...]
    local log="$1" what="$2"
    shift 2
    (cd "$work" && OSTREVANE_WINE_COM1="$slave" timeout 600 "$OSTREVANE_WINE" "$program" --gtest_color=no "$@") 2>&1 |
        tr -d '\r' | tee "$log"
    local exit_status=${PIPESTATUS[0]}
    passed_count="$(sed -n 's/^\[  PASSED  \] \([0-9][0-9]*\) tests\{0,1\}\..*/\1/p' "$log" | tail -n 1)"
    if grep -q '^\[  FAILED  \]' "$log"; then
        verdict "FAILED $what (see the failed tests above; output in $log)"
    elif [ "$exit_status" -ne 0 ]; then
        verdict "FAILED $what (exit status $exit_status; output in $log)"
    elif [ -z "$passed_count" ] || [ "$passed_count" -eq 0 ]; then
        verdict "FAILED $what (no test summary: the program did not run; output in $log)"
    elif grep -q '^\[  SKIPPED \]' "$log"; then
        verdict "FAILED $what (tests were skipped although COM1 was mapped; output in $log)"
    else
        return 0
    fi
    return 1
}

echo "running $program under $OSTREVANE_WINE (COM1 -> $slave)"
run_program "$work/test-output.txt" "" "$@" || exit 1
total=$passed_count

if [ "$mode" = e2e ]; then
    if ! command -v ser2net >/dev/null && [ ! -x /usr/sbin/ser2net ]; then
        verdict "FAILED (ser2net is missing: scripts/install-deps.sh installs it)"
        exit 1
    fi
    # Two free loopback ports, ser2net on the simulator's line, killed when the run ends.
    read -r raw_port telnet_port < <(python3 -c 'import socket
s=[socket.socket() for _ in range(2)]
[x.bind(("127.0.0.1",0)) for x in s]
print(*[x.getsockname()[1] for x in s])')
    cat >"$work/ser2net.yaml" <<YAML
connection: &raw
  accepter: tcp,127.0.0.1,$raw_port
  connector: serialdev,$slave,9600n81,local
connection: &telnet
  accepter: telnet(rfc2217),tcp,127.0.0.1,$telnet_port
  connector: serialdev,$slave,9600n81,local
YAML
    PATH="$PATH:/usr/sbin" ser2net -n -d -c "$work/ser2net.yaml" -P "$work/ser2net.pid" >"$work/ser2net.txt" 2>&1 &
    ser2net_pid=$!
    trap 'kill -9 "$ser2net_pid" 2>/dev/null; wait "$ser2net_pid" 2>/dev/null; cleanup' EXIT
    for _ in $(seq 50); do
        grep -q ":$(printf '%04X' "$telnet_port") 00000000:0000 0A" /proc/net/tcp && break
        sleep 0.1
    done
    for way in "rfc2217:$telnet_port:*" "tcp:$raw_port:Polling.*"; do
        IFS=: read -r scheme port filter <<<"$way"
        echo "running $program under $OSTREVANE_WINE (COM1 -> $scheme://127.0.0.1:$port, ser2net)"
        OSTREVANE800_COM1="$scheme://127.0.0.1:$port" run_program "$work/test-output-$scheme.txt" "through $scheme" \
            --gtest_filter="$filter" "$@" || exit 1
        total=$((total + passed_count))
    done
fi
verdict "PASSED ($total tests)"
exit 0
