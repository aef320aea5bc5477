#!/usr/bin/env bash
# Runs the Windows build of ostrevane-host (with the Windows Ostrevane800.dll beside
# it) under Wine against the natively built instrument simulator, its output piped,
# and checks what it shows and what the driver logged: values that move, a write
# acknowledged, link states normal, the exit statistics.
#
#   scripts/host-under-wine.sh win64|win32
#
# Needs build/<preset>/tools/host/ostrevane-host.exe (cmake --build --preset <preset>
# --target ostrevane-host) and build/debug/tools/sim/ostrevane-sim (or $OSTREVANE_SIM);
# $OSTREVANE_BUILD_DIR replaces build/<preset>. The simulator's line becomes Wine's COM1.
#
# Exit status: 0 passed; 1 failed; 2 not built or wrong usage; 77 Wine for this
# architecture is not available here (the reason is printed).
set -u

preset="${1:-}"
case "$preset" in
    win64 | win32) ;;
    *) echo "usage: host-under-wine.sh win64|win32" >&2; exit 2 ;;
esac
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${OSTREVANE_BUILD_DIR:-$root/build/$preset}"
program="$build/tools/host/ostrevane-host.exe"
simulator="${OSTREVANE_SIM:-$root/build/debug/tools/sim/ostrevane-sim}"
verdict() { echo "host-under-wine $preset: $*"; }

if [ ! -f "$program" ] || [ ! -f "$(dirname "$program")/Ostrevane800.dll" ]; then
    verdict "NOT BUILT ($program; run: cmake --preset $preset && cmake --build --preset $preset --target ostrevane-host)"
    exit 2
fi
if [ ! -x "$simulator" ]; then
    verdict "NOT BUILT ($simulator; run: cmake --preset debug && cmake --build --preset debug --target ostrevane-sim)"
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

work="$build/host-under-wine"
rm -rf "$work"
mkdir -p "$work"
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    "$OSTREVANE_WINESERVER" -k >/dev/null 2>&1
}
trap cleanup EXIT

cat >"$work/tags.csv" <<'TAGS'
id,name,address,type,interval,initial
1,PV1,PV1:0.0,number,0,
2,SL1,SL1:0.0,number,0,
3,PV3,PV3:0.0,number,0,
10,COMMLINK,COMMLINK,text,0,
11,DEVICELINK1,DEVICELINK1,number,0,
12,DEVICELINK3,DEVICELINK3,number,0,
TAGS

"$simulator" --pty --instrument 1:808 --instrument 3:847 --ramp 1:PV=20..30/3s --value 1:SL=12.5 \
    --value 3:PV=-12.5 </dev/null >"$work/pty-path" 2>"$work/simulator-errors.txt" &
sim_pid=$!
for _ in $(seq 50); do
    [ -s "$work/pty-path" ] && break
    sleep 0.1
done
slave="$(head -n 1 "$work/pty-path" 2>/dev/null)"
if [ -z "$slave" ]; then
    verdict "FAILED (the simulator named no line)"
    cat "$work/simulator-errors.txt" >&2
    exit 1
fi

# Wine creates its COM devices from this key when the prefix's wineserver starts.
if ! "$OSTREVANE_WINE" reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$slave" /f >/dev/null 2>&1; then
    verdict "FAILED (could not map COM1 to $slave)"
    exit 1
fi
"$OSTREVANE_WINESERVER" -k >/dev/null 2>&1
"$OSTREVANE_WINESERVER" -w

echo "running $program under $OSTREVANE_WINE (COM1 -> $slave)"
output="$work/host-output.txt"
(cd "$work" && timeout 120 "$OSTREVANE_WINE" "$program" run --tags tags.csv --device 1:808 --device 3:847 \
    --duration 5 --write SL1=42@2) </dev/null 2>"$work/host-errors.txt" | tr -d '\r' >"$output"
host_status=${PIPESTATUS[0]}

failures=()
expect() {  # description, text that a line of the output must hold
    grep -qF -- "$2" "$output" || failures+=("$1: no line with '$2'")
}
expect "the driver started" " start driver="
grep -q " start .* result=true " "$output" || failures+=("IniDriver did not succeed")
pv_values="$(grep -c ' value id=1 name=PV1 address=PV1:0.0 quality=good' "$output")"
[ "$pv_values" -ge 5 ] || failures+=("PV1 was reported $pv_values times; the ramp should move it")
expect "PV3" " value id=3 name=PV3 address=PV3:0.0 quality=good stamp="
expect "the line" " link scope=line state=normal"
expect "device 1" " link scope=device device=1 state=normal"
expect "device 3" " link scope=device device=3 state=normal"
expect "the write" " write id=2 name=SL1 value=42 result=true"
expect "the written value" " written id=2 name=SL1 value=42"
expect "the end" " stop reason=duration"
expect "the exit statistics" " log exit=written"
# The log, in GBK: the driver's last statistics line.
log="$work/Debug/Ostrevane800.Log"
exit_line="$(printf '\xb4\xd3\xc7\xfd\xb6\xaf\xb3\xcc\xd0\xf2\xd6\xd0\xcd\xcb\xb3\xf6')"  # 从驱动程序中退出
grep -qaF -- "$exit_line" "$log" 2>/dev/null || failures+=("no exit statistics in $log")
[ "$host_status" -eq 0 ] || failures+=("the host ended with status $host_status")

if [ "${#failures[@]}" -gt 0 ]; then
    printf '  %s\n' "${failures[@]}"
    echo "--- host output (first 40 lines of $output):"
    head -n 40 "$output"
    echo "--- host errors:"
    cat "$work/host-errors.txt"
    verdict "FAILED"
    exit 1
fi
verdict "PASSED (PV1 reported $pv_values times, the write acknowledged, log $log)"
exit 0
