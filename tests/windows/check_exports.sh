#!/usr/bin/env bash
# Checks that each driver library (.so or DLL) exports exactly the fourteen entry points,
# undecorated, and that a DLL needs no MinGW runtime DLL. Exit status 0, 1 failed, 2 usage.
#   tests/windows/check_exports.sh LIBRARY...
set -u
[ "$#" -gt 0 ] || { echo "usage: check_exports.sh LIBRARY..." >&2; exit 2; }
expected="$(printf '%s\n' DLLEdDev DLLTestDev DetectScanTime FreeDriver FullPDB GetDeviceStatus GetPDBLen \
    GetTagAddrList IniDriver IniDriverEx OnDataRead OnDataWrite TagEdAddr WriteLog)"

# The names a library exports, one a line; the DLLs it needs as "needs NAME".
exports_of() {
    case "$(head -c 4 "$1" | od -An -tx1 | tr -d ' \n')" in
    7f454c46) # defined dynamic symbols, version suffixes and the version node (absolute) left out
        nm -D --defined-only "$1" | awk 'NF >= 3 && $2 != "A" { sub(/@.*/, "", $3); print $3 }' ;;
    4d5a*) # the export name table ("[Ordinal/Name Pointer] Table", or the other way round)
        local tool
        for tool in objdump x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump; do
            command -v "$tool" >/dev/null && "$tool" -p "$1" >/dev/null 2>&1 && break
        done
        "$tool" -p "$1" | awk '
            /DLL Name: / { print "needs " $3 }
            /\[(Ordinal\/Name Pointer|Name Pointer\/Ordinal)\] Table/ { inTable = 1; next }
            inTable && /^[ \t]*\[ *[0-9]+\] / { sub(/^[ \t]*\[ *[0-9]+\] /, ""); print; next }
            inTable && NF == 0 { inTable = 0 }' ;;
    *) echo "needs neither-ELF-nor-PE" ;;
    esac
}

failures=0
for library in "$@"; do
    names="$(exports_of "$library" 2>&1 | LC_ALL=C sort)"
    runtime="$(grep -iE '^needs (libgcc|libstdc\+\+|libwinpthread|libssp|libgomp|neither)' <<<"$names" | tr '\n' ' ')"
    differ="$(diff <(echo "$expected") <(grep -v '^needs ' <<<"$names") | grep '^[<>]')"  # the fourteen are in order
    if [ -z "$differ$runtime" ]; then
        echo "ok   $library: the fourteen entry points, undecorated"
    else
        failures=$((failures + 1))
        printf 'FAIL %s: %sexports differ from the fourteen (< expected, > found):\n%s\n' "$library" "${runtime:+$runtime; }" "$differ"
    fi
done
echo "check_exports: $failures of $# libraries failed"
[ "$failures" -eq 0 ]
