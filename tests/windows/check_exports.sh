#!/usr/bin/env bash
# Checks that each driver library exports exactly the fourteen entry points,
# undecorated: the Linux .so through its dynamic symbol table, the Windows DLLs
# through their PE export table. A DLL must also not need a MinGW runtime DLL.
#
#   tests/windows/check_exports.sh LIBRARY...
#
# Exit status 0 when every library passes, 1 otherwise, 2 on wrong usage.
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
    if [ "$(grep -v '^needs ' <<<"$names")" = "$(LC_ALL=C sort <<<"$expected")" ] && [ -z "$runtime" ]; then
        echo "ok   $library: the fourteen entry points, undecorated"
    else
        failures=$((failures + 1))
        echo "FAIL $library: ${runtime:+$runtime; }exports differ from the fourteen (< expected, > found):"
        diff <(LC_ALL=C sort <<<"$expected") <(grep -v '^needs ' <<<"$names") | grep '^[<>]'
    fi
done
[ "$failures" -eq 0 ] || { echo "check_exports: $failures of $# libraries failed"; exit 1; }
echo "check_exports: all $# libraries export exactly the fourteen entry points"
