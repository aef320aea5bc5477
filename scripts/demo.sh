#!/usr/bin/env bash
# The demo: builds the driver, the instrument simulator and the reference host, plays
# two instruments on a pseudo-terminal (an 808 at address 1 and an 847 at address 3,
# with moving values), points COM1 at it and runs ostrevane-host for about 20 seconds
# with the tag list docs/demo/tags.csv, writing two setpoints on the way.
#
#   ./scripts/demo.sh            [DURATION seconds, default 20]
#
# On a terminal the host shows a live table (type "SL1=30" to write, "quit" to end);
# otherwise it prints one line per change. Ctrl-C ends it early. The driver's log
# stays in build/demo/Debug/Ostrevane800.Log.
#
# DEMO_BUILD_DIR=dir builds there instead of the debug preset's build/debug.
set -u
cd "$(dirname "$0")/.."
root="$(pwd)"
duration="${1:-20}"
jobs="${JOBS:-2}"

say() { printf '=== %s\n' "$*"; }

# --- what the build needs --------------------------------------------------------
missing=()
for tool in cmake make g++; do command -v "$tool" >/dev/null || missing+=("$tool"); done
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
if [ "${#missing[@]}" -gt 0 ]; then
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
        say "Installing ${missing[*]}"
        packages=(cmake make g++ libgtest-dev)
        DEBIAN_FRONTEND=noninteractive apt-get update >/dev/null
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${packages[@]}" >/dev/null ||
            { echo "demo: could not install ${packages[*]}" >&2; exit 1; }
    else
        echo "demo: missing ${missing[*]} (install them, or run this script as root)" >&2
        exit 1
    fi
fi

# --- build ---------------------------------------------------------------------------
targets=(Ostrevane800 ostrevane-sim ostrevane-host)
if [ -n "${DEMO_BUILD_DIR:-}" ]; then
    build="$DEMO_BUILD_DIR"
    say "Building ${targets[*]} in $build"
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug >/dev/null &&
        cmake --build "$build" -j"$jobs" --target "${targets[@]}" >/dev/null ||
        { echo "demo: the build failed (run the commands above without >/dev/null to see why)" >&2; exit 1; }
else
    build="build/debug"
    say "Building ${targets[*]} (cmake --preset debug)"
    cmake --preset debug >/dev/null &&
        cmake --build --preset debug -j"$jobs" --target "${targets[@]}" >/dev/null ||
        { echo "demo: the build failed (run: cmake --preset debug && cmake --build --preset debug)" >&2; exit 1; }
fi
case "$build" in /*) ;; *) build="$root/$build" ;; esac
sim="$build/tools/sim/ostrevane-sim"
host="$build/tools/host/ostrevane-host"

# --- the instruments -----------------------------------------------------------------
work="$root/build/demo"
mkdir -p "$work"
sim_pid=""
stop_sim() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null
        wait "$sim_pid" 2>/dev/null
        sim_pid=""
    fi
}
trap stop_sim EXIT
# Ctrl-C reaches the host too; the script goes on once the host has freed the driver.
trap 'echo; say "Ctrl-C: the host stops the driver"' INT

rm -f "$work/sim-line"
say "Starting ostrevane-sim: an 808 at address 1, an 847 at address 3 (trace in build/demo/sim-trace.log)"
"$sim" --pty --pace 9600:10 --trace \
    --instrument 1:808 --instrument 3:847 \
    --ramp 1:PV=20..30/20s --value 1:SP=25.0 --value 1:SL=22.5 --sine 1:OP=50~25/12s \
    --sine 3:PV=150~20/15s --value 3:HS=180.0 --value 3:LA=120.0 \
    >"$work/sim-line" 2>"$work/sim-trace.log" </dev/null &
sim_pid=$!
line=""
for _ in $(seq 50); do
    line="$(head -n 1 "$work/sim-line" 2>/dev/null)"
    [ -n "$line" ] && break
    sleep 0.1
done
if [ -z "$line" ]; then
    echo "demo: the simulator did not start (see $work/sim-trace.log)" >&2
    exit 1
fi
say "COM1 is $line (OSTREVANE800_COM1)"

# --- the host --------------------------------------------------------------------------
say "Running ostrevane-host for $duration s; writes: SL1=30 after 5 s, HS3=195.5 after 8 s"
# In the foreground, so that it keeps the terminal for its table and typed commands.
(
    cd "$work" &&
        exec env OSTREVANE800_COM1="$line" "$host" run --tags "$root/docs/demo/tags.csv" \
            --device 1:808 --device 3:847 --duration "$duration" \
            --write SL1=30@5 --write HS3=195.5@8
)
status=$?
stop_sim

log="$work/Debug/Ostrevane800.Log"
say "The host ended with status $status"
say "The driver's log: $log"
exit "$status"
