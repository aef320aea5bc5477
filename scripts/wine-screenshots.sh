#!/usr/bin/env bash
# Drives the configuration wizard of the Windows Ostrevane800.dll through its real
# windows under Wine on a virtual display, checks what the wizard wrote, and keeps a
# picture of every page.
#
#   scripts/wine-screenshots.sh [win64] [--update-docs]
#
# The program is build/win64/tests/windows/wizard_drive.exe beside its copy of
# Ostrevane800.dll ($OSTREVANE_BUILD_DIR replaces build/win64). The pictures go to
# <build>/screenshots; with --update-docs they also replace those in docs/screenshots.
#
# Every run makes its own Wine prefix afresh (build/wine64-screenshots-prefix) inside
# the same virtual display as the program: a wineserver started without a display
# hangs windowed programs later. The prefix maps the Chinese system fonts to
# WenQuanYi Micro Hei and lets Wine draw the title bars itself (no window manager).
# Wine's Marlett font (package fonts-wine) is copied into the prefix for the title
# bar's buttons.
#
# Exit status: 0 passed; 1 failed; 2 not built or wrong usage; 77 Wine, Xvfb or the
# Chinese font is missing here (under CI=true that is a failure: 1).
set -u

root="$(cd "$(dirname "$0")/.." && pwd)"

# ---- inside the virtual display ------------------------------------------------------
if [ "${1:-}" = "--inside-display" ]; then
    set -o pipefail
    export WINEARCH=win64 WINEPREFIX="$OSTREVANE_SHOT_PREFIX"
    export WINEDEBUG="${OSTREVANE_WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
    wine="$OSTREVANE_SHOT_WINE"
    wineserver="$OSTREVANE_SHOT_WINESERVER"
    "$wineserver" -k >/dev/null 2>&1
    rm -rf "$WINEPREFIX"
    if ! "$wine" wineboot -i >/dev/null 2>&1; then
        echo "wine-screenshots: wineboot failed in $WINEPREFIX" >&2
        exit 1
    fi
    "$wineserver" -w
    # Wine draws the title bar's buttons with its Marlett font, which this Wine
    # build does not find in its own data folder: the prefix's font folder serves.
    for font in /usr/share/wine/fonts/marlett.ttf /usr/lib/wine/fonts/marlett.ttf; do
        if [ -f "$font" ]; then cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/" && break; fi
    done
    # regedit takes a Windows path; drive Z: is the root of the file system.
    registry="Z:${OSTREVANE_SHOT_REGISTRY//\//\\}"
    if ! "$wine" regedit /S "$registry" >/dev/null 2>&1; then
        echo "wine-screenshots: the registry settings could not be imported" >&2
        exit 1
    fi
    "$wineserver" -w
    cd "$OSTREVANE_SHOT_OUTPUT" || exit 1
    timeout 180 "$wine" "$OSTREVANE_SHOT_PROGRAM" 2>&1 | tr -d '\r'
    status=$?
    "$wineserver" -k >/dev/null 2>&1
    exit "$status"
fi

# ---- preparation ---------------------------------------------------------------------
preset=win64
update_docs=0
for argument in "$@"; do
    case "$argument" in
        win64) preset=win64 ;;
        --update-docs) update_docs=1 ;;
        *) echo "usage: wine-screenshots.sh [win64] [--update-docs]" >&2; exit 2 ;;
    esac
done
build="${OSTREVANE_BUILD_DIR:-$root/build/$preset}"
[ -d "$build" ] && build="$(cd "$build" && pwd)"
program="$build/tests/windows/wizard_drive.exe"
verdict() { echo "wine-screenshots $preset: $*"; }
unavailable() {
    if [ "${CI:-}" = "true" ]; then
        verdict "FAILED ($1)"
        exit 1
    fi
    verdict "SKIPPED ($1)"
    exit 77
}

if [ ! -f "$program" ] || [ ! -f "$(dirname "$program")/Ostrevane800.dll" ]; then
    verdict "NOT BUILT ($program; run: cmake --preset $preset && cmake --build --preset $preset --target wizard_drive)"
    exit 2
fi

wine=""
for candidate in /usr/lib/wine/wine64 "$(command -v wine64 2>/dev/null)" "$(command -v wine 2>/dev/null)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then wine="$candidate"; break; fi
done
wineserver=""
for candidate in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver32 "$(command -v wineserver 2>/dev/null)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then wineserver="$candidate"; break; fi
done
[ -n "$wine" ] && [ -n "$wineserver" ] || unavailable "Wine is not installed"
"$wine" --version >/dev/null 2>&1 || unavailable "$wine does not run on this machine"
command -v xvfb-run >/dev/null && command -v Xvfb >/dev/null && command -v xauth >/dev/null ||
    unavailable "xvfb-run, Xvfb or xauth is not installed (packages xvfb, xauth)"
if command -v fc-list >/dev/null && ! fc-list 2>/dev/null | grep -q "WenQuanYi Micro Hei"; then
    unavailable "the font WenQuanYi Micro Hei is not installed (package fonts-wqy-microhei)"
fi

prefix="$root/build/wine64-screenshots-prefix"
output="$build/screenshots"
rm -rf "$output"
mkdir -p "$output"

# The substitutes and the drawing of title bars, as a UTF-16 registry file.
registry="$build/wine-screenshots.reg"
{
    printf '\xff\xfe'
    printf '%s\r\n' \
        'Windows Registry Editor Version 5.00' '' \
        '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]' \
        '"Tahoma"="WenQuanYi Micro Hei"' \
        '"MS Shell Dlg"="WenQuanYi Micro Hei"' \
        '"MS Shell Dlg 2"="WenQuanYi Micro Hei"' \
        '"SimSun"="WenQuanYi Micro Hei"' \
        '"宋体"="WenQuanYi Micro Hei"' '' \
        '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' \
        '"Managed"="N"' '' | iconv -f UTF-8 -t UTF-16LE
} >"$registry" || { verdict "FAILED (could not write $registry)"; exit 1; }

# One run at a time: the run makes the prefix afresh.
exec 9>"$prefix.lock"
if ! flock -w 600 9; then
    verdict "FAILED ($prefix.lock stayed locked)"
    exit 1
fi

log="$output/drive-output.txt"
echo "running $program under $wine on a virtual display"
OSTREVANE_SHOT_PREFIX="$prefix" OSTREVANE_SHOT_WINE="$wine" OSTREVANE_SHOT_WINESERVER="$wineserver" \
    OSTREVANE_SHOT_REGISTRY="$registry" OSTREVANE_SHOT_OUTPUT="$output" OSTREVANE_SHOT_PROGRAM="$program" \
    xvfb-run -a -s "-screen 0 1024x768x24" bash "$root/scripts/wine-screenshots.sh" --inside-display 2>&1 | tee "$log"
exit_status=${PIPESTATUS[0]}

pictures=("$output"/*.png)
if ! grep -q '^wizard-drive: PASS' "$log"; then
    verdict "FAILED (see above; output in $log)"
    exit 1
elif [ "$exit_status" -ne 0 ]; then
    verdict "FAILED (exit status $exit_status; output in $log)"
    exit 1
elif [ ! -e "${pictures[0]}" ]; then
    verdict "FAILED (no pictures in $output)"
    exit 1
fi
if [ "$update_docs" -eq 1 ]; then
    mkdir -p "$root/docs/screenshots"
    cp "${pictures[@]}" "$root/docs/screenshots/"
    echo "copied ${#pictures[@]} pictures to docs/screenshots"
fi
verdict "PASSED (${#pictures[@]} pictures in $output)"
exit 0
