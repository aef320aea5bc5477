#!/usr/bin/env bash
# Runs the lifetime probe once per case, each in its own process and folder, with COM1
# on a pseudo-terminal: the process must end with status 0 and every driver object it
# left behind must have written its statistics block to the log.
#   run_lifetime.sh [--wine win64|win32] PROBE LIBRARY [CASE...]
# Exit status: 0 passed; 1 failed; 2 wrong usage; 77 this Wine cannot run here.
set -u
wine_arch=""
if [ "${1:-}" = "--wine" ]; then wine_arch="$2"; shift 2; fi
[ $# -ge 2 ] || { echo "usage: run_lifetime.sh [--wine win64|win32] PROBE LIBRARY [CASE...]" >&2; exit 2; }
probe="$(realpath "$1")" library="$(realpath "$2")"
shift 2
cases=("$@")
[ $# -gt 0 ] || cases=(untouched no-free thread-at-exit thread-ends reload)
root="$(cd "$(dirname "$0")/../.." && pwd)"
# Statistics blocks each case must leave, one per ended object; Windows ends other threads
# without their detach at exit, so an object such a thread holds is not ended there.
declare -A want=([untouched]=0 [no-free]=1 [thread-ends]=2 [thread-at-exit]=1 [reload]=2)
[ -n "$wine_arch" ] && want[thread-at-exit]=any

work="$(mktemp -d)"
holder_pid=""
cleanup() {
    [ -n "$holder_pid" ] && kill "$holder_pid" 2>/dev/null && wait "$holder_pid" 2>/dev/null
    [ -n "$wine_arch" ] && "$OSTREVANE_WINESERVER" -k >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

run=("$probe")
if [ -n "$wine_arch" ]; then
    # shellcheck source=scripts/wine-env.sh
    . "$root/scripts/wine-env.sh" "$wine_arch"
    status=$?
    [ "$status" -eq 77 ] && { echo "lifetime $wine_arch: SKIPPED (this Wine cannot run here)"; exit 77; }
    exec 9>"${OSTREVANE_WINE_LOCK:-/dev/null}"
    [ "$status" -eq 0 ] && flock -w 600 9 || { echo "lifetime: FAILED (no Wine prefix or it stayed locked)"; exit 1; }
    run=("$OSTREVANE_WINE" "$probe")
    library="Z:${library//\//\\}"
fi

# The line's far end: a holder that keeps the pseudo-terminal open and swallows the polls.
cc -O2 -o "$work/pty_hold" "$root/tests/windows/pty_hold.c" || { echo "lifetime: FAILED (no pty holder)"; exit 1; }
"$work/pty_hold" >"$work/pty-path" &
holder_pid=$!
for _ in $(seq 50); do [ -s "$work/pty-path" ] && break; sleep 0.1; done
slave="$(head -n 1 "$work/pty-path")"
[ -n "$slave" ] || { echo "lifetime: FAILED (no pseudo-terminal)"; exit 1; }
export OSTREVANE800_COM1="$slave"
unset ZORVA_PATH  # the log below each case's folder
if [ -n "$wine_arch" ]; then
    # The DLL honours the same mapping, where a POSIX path means nothing: COM1 is Wine's.
    unset OSTREVANE800_COM1
    "$OSTREVANE_WINE" reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$slave" /f >/dev/null 2>&1 &&
        "$OSTREVANE_WINESERVER" -k >/dev/null 2>&1
    "$OSTREVANE_WINESERVER" -w
fi

# The last line of an object's statistics block, and the banner's lines naming the
# driver and its version (on Windows read from the DLL's version resource), in GBK.
marker="$(printf '从驱动程序中退出' | iconv -f UTF-8 -t GBK)"
version="$(sed -n 's/^#define OSTREVANE_FILE_VERSION_TEXT "\([0-9.]*\)".*/\1/p' "$root/src/sysinfo/version_values.h")"
banner=("$(printf '启动驱动程序Ostrevane仪表  ...' | iconv -f UTF-8 -t GBK)" "$(printf '驱动程序版本%s  ...' "$version" | iconv -f UTF-8 -t GBK)")
failed=0
for scenario in "${cases[@]}"; do
    folder="$work/$scenario"
    mkdir -p "$folder"
    (cd "$folder" && timeout 60 "${run[@]}" "$library" "$scenario") >"$folder/output.txt" 2>&1
    status=$?
    log="$folder/Debug/Ostrevane800.Log"
    blocks=$(LC_ALL=C grep -a -c -F "$marker" "$log" 2>/dev/null)
    named=$(LC_ALL=C grep -a -o -F -e "${banner[0]}" -e "${banner[1]}" "$log" 2>/dev/null | sort -u | wc -l)
    if [ "$status" -ne 0 ] || ! grep -q "^$scenario: done" "$folder/output.txt"; then
        echo "lifetime $scenario: FAILED (exit status $status)"; sed 's/^/    /' "$folder/output.txt"; failed=1
    elif [ "$scenario" != untouched ] && [ "$named" != 2 ]; then
        echo "lifetime $scenario: FAILED (the log does not name the driver and its version $version)"; failed=1
    elif [ "${want[$scenario]}" != any ] && [ "${blocks:-0}" != "${want[$scenario]}" ]; then
        echo "lifetime $scenario: FAILED (${blocks:-0} statistics blocks in the log, expected ${want[$scenario]})"; failed=1
    else
        echo "lifetime $scenario: passed (statistics blocks: ${blocks:-0})"
    fi
done
exit $failed
