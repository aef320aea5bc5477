#!/usr/bin/env bash
# Prepares the Wine prefix for one Windows architecture and describes it.
#
#   scripts/wine-env.sh win64|win32      prepare, then print the settings as export lines
#   . scripts/wine-env.sh win64|win32    prepare and set them in the calling shell
#
# Settings: WINEARCH, WINEPREFIX (build/wine64-prefix or build/wine32-prefix),
# WINEDEBUG=-all (or $OSTREVANE_WINEDEBUG), WINEDLLOVERRIDES (no Mono/Gecko installers), OSTREVANE_WINE
# (the loader for this architecture), OSTREVANE_WINESERVER, OSTREVANE_WINE_LOCK
# (a lock file; hold it with flock while using the prefix).
#
# Exit status (return status when sourced): 0 ready; 77 this architecture cannot
# run here (the reason is printed); 1 the prefix could not be prepared.
#
# A prefix is made afresh whenever the Wine installation changed since it was
# made: a prefix made by 64-bit-only Wine does not start once 32-bit Wine is in.

ostrevane_wine_env_main() {
    local arch="${1:-}"
    local root
    root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

    case "$arch" in
        win64) WINEARCH=win64; WINEPREFIX="$root/build/wine64-prefix" ;;
        win32) WINEARCH=win32; WINEPREFIX="$root/build/wine32-prefix" ;;
        *) echo "usage: wine-env.sh win64|win32" >&2; return 2 ;;
    esac
    export WINEARCH WINEPREFIX
    # Quiet unless asked: OSTREVANE_WINEDEBUG=err+all shows why a program did not start.
    export WINEDEBUG="${OSTREVANE_WINEDEBUG:--all}"
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export OSTREVANE_WINE_LOCK="$WINEPREFIX.lock"

    # Debian keeps one loader per architecture in /usr/lib/wine; its "wine" script
    # always picks the 32-bit one when wine32 is installed. Elsewhere "wine" (or
    # "wine64") on PATH serves.
    OSTREVANE_WINE=""
    if [ "$arch" = win64 ]; then
        local candidate
        for candidate in /usr/lib/wine/wine64 "$(command -v wine64 2>/dev/null)" "$(command -v wine 2>/dev/null)"; do
            if [ -n "$candidate" ] && [ -x "$candidate" ]; then OSTREVANE_WINE="$candidate"; break; fi
        done
    else
        if [ -e /usr/lib/wine/wine ]; then
            OSTREVANE_WINE=/usr/lib/wine/wine
        elif [ -x /usr/lib/wine/wine64 ]; then
            OSTREVANE_WINE=""  # Debian without wine32:i386
        else
            OSTREVANE_WINE="$(command -v wine 2>/dev/null || true)"
        fi
    fi
    if [ -z "$OSTREVANE_WINE" ]; then
        if [ "$arch" = win32 ]; then
            echo "wine-env: 32-bit Wine is not installed (wine32:i386); the 32-bit leg cannot run" >&2
        else
            echo "wine-env: Wine is not installed" >&2
        fi
        return 77
    fi
    OSTREVANE_WINESERVER=""
    for candidate in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver32 "$(command -v wineserver 2>/dev/null)"; do
        if [ -n "$candidate" ] && [ -x "$candidate" ]; then OSTREVANE_WINESERVER="$candidate"; break; fi
    done
    export OSTREVANE_WINE OSTREVANE_WINESERVER
    if [ -z "$OSTREVANE_WINESERVER" ]; then
        echo "wine-env: no wineserver found" >&2
        return 1
    fi

    local version
    if ! version="$("$OSTREVANE_WINE" --version 2>&1)"; then
        echo "wine-env: $OSTREVANE_WINE does not run on this machine: $version" >&2
        if [ "$arch" = win32 ]; then
            echo "wine-env: (32-bit Linux programs cannot be executed here; the 32-bit leg cannot run)" >&2
        fi
        return 77
    fi

    mkdir -p "$root/build"
    local stamp="$WINEPREFIX/.ostrevane-prefix"
    local fingerprint
    fingerprint="$arch $version loaders: $(find /usr/lib/wine /usr/lib/i386-linux-gnu/wine /usr/lib/x86_64-linux-gnu/wine -maxdepth 1 2>/dev/null | LC_ALL=C sort | tr "\n" " ")"

    (
        flock -w 600 9 || { echo "wine-env: $OSTREVANE_WINE_LOCK is held by another run" >&2; exit 1; }
        if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$fingerprint" ] && [ -f "$WINEPREFIX/system.reg" ]; then
            exit 0
        fi
        echo "wine-env: creating $WINEPREFIX ($version, $arch)" >&2
        "$OSTREVANE_WINESERVER" -k >/dev/null 2>&1 || true
        rm -rf "$WINEPREFIX"
        # wineboot needs no display for a console-only prefix; without one it
        # simply draws nothing.
        if ! "$OSTREVANE_WINE" wineboot -i >/dev/null 2>&1; then
            echo "wine-env: wineboot failed in $WINEPREFIX" >&2
            exit 1
        fi
        "$OSTREVANE_WINESERVER" -w
        # A program of this architecture must run and print: a 32-bit program under a
        # Wine that cannot run it may still exit 0.
        local probe
        probe="$("$OSTREVANE_WINE" cmd /c echo ostrevane-wine-ready 2>/dev/null | tr -d '\r')"
        "$OSTREVANE_WINESERVER" -w
        if [ "$probe" != "ostrevane-wine-ready" ]; then
            echo "wine-env: a $arch program does not run in $WINEPREFIX" >&2
            exit 77
        fi
        echo "$fingerprint" >"$stamp"
    ) 9>"$OSTREVANE_WINE_LOCK"
}

if [ "${BASH_SOURCE[0]}" != "$0" ]; then
    ostrevane_wine_env_main "$@"
else
    set -u
    ostrevane_wine_env_main "$@" || exit $?
    for name in WINEARCH WINEPREFIX WINEDEBUG WINEDLLOVERRIDES OSTREVANE_WINE OSTREVANE_WINESERVER OSTREVANE_WINE_LOCK; do
        printf 'export %s=%q\n' "$name" "${!name}"
    done
fi
