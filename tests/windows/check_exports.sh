#!/usr/bin/env bash
# Checks that each driver library exports exactly the fourteen entry points,
# undecorated: the Linux .so through its dynamic symbol table, the Windows DLLs
# through their PE export table. A DLL must also not need a MinGW runtime DLL.
#
#   tests/windows/check_exports.sh LIBRARY...
#
# Exit status 0 when every library passes, 1 otherwise, 2 on wrong usage.
set -u

expected_sorted="$(printf '%s\n' DLLEdDev DLLTestDev DetectScanTime FreeDriver FullPDB GetDeviceStatus GetPDBLen \
    GetTagAddrList IniDriver IniDriverEx OnDataRead OnDataWrite TagEdAddr WriteLog | LC_ALL=C sort)"

if [ "$#" -eq 0 ]; then
    echo "usage: check_exports.sh LIBRARY..." >&2
    exit 2
fi

# The first objdump that understands the file (the host one usually reads PE too).
pe_objdump() {
    local tool
    for tool in objdump x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump; do
        if command -v "$tool" >/dev/null && "$tool" -p "$1" >/dev/null 2>&1; then
            echo "$tool"
            return 0
        fi
    done
    return 1
}

# Names in the export name table: the lines "[   n] Name" after "[Ordinal/Name Pointer] Table"
# (binutils 2.40 calls it "[Name Pointer/Ordinal] Table").
pe_exports() {
    "$1" -p "$2" | awk '
        /\[(Ordinal\/Name Pointer|Name Pointer\/Ordinal)\] Table/ { inTable = 1; next }
        inTable && /^[ \t]*\[ *[0-9]+\] / { sub(/^[ \t]*\[ *[0-9]+\] /, ""); if ($0 !~ /^\+base/) print; next }
        inTable && NF == 0 { inTable = 0 }'
}

# Defined dynamic symbols without version suffixes; the version node itself
# (an absolute symbol) is not an export.
elf_exports() {
    local listing
    if ! listing="$(nm -D --defined-only --without-symbol-versions "$1" 2>/dev/null)"; then
        listing="$(nm -D --defined-only "$1")" || return 1
    fi
    printf '%s\n' "$listing" | awk 'NF >= 3 && $2 != "A" { sub(/@.*/, "", $3); print $3 }'
}

failures=0
for library in "$@"; do
    problems=()
    if [ ! -f "$library" ]; then
        echo "FAIL $library: no such file"
        failures=$((failures + 1))
        continue
    fi
    case "$(head -c 4 "$library" | od -An -tx1 | tr -d ' \n')" in
        7f454c46)
            names="$(elf_exports "$library")" || problems+=("nm cannot read it")
            ;;
        4d5a*)
            if tool="$(pe_objdump "$library")"; then
                names="$(pe_exports "$tool" "$library")"
                runtime="$("$tool" -p "$library" | sed -n 's/^[ \t]*DLL Name: //p' |
                    grep -iE '^(libgcc|libstdc\+\+|libwinpthread|libssp|libgomp)' | tr '\n' ' ')"
                [ -n "$runtime" ] && problems+=("needs MinGW runtime DLLs: $runtime")
            else
                names=""
                problems+=("no objdump reads this PE file")
            fi
            ;;
        *)
            names=""
            problems+=("neither ELF nor PE")
            ;;
    esac

    # One name a line, blank lines dropped.
    names_sorted="$(printf '%s\n' "$names" | grep -v '^[[:space:]]*$' | LC_ALL=C sort)"
    decorated="$(printf '%s\n' "$names_sorted" | grep -E '@|^_' | tr '\n' ' ')"
    [ -n "$decorated" ] && problems+=("decorated names: $decorated")
    missing="$(LC_ALL=C comm -23 <(echo "$expected_sorted") <(echo "$names_sorted") | tr '\n' ' ')"
    extra="$(LC_ALL=C comm -13 <(echo "$expected_sorted") <(echo "$names_sorted") | grep -v '^$' | tr '\n' ' ')"
    [ -n "$missing" ] && problems+=("missing: $missing")
    [ -n "$extra" ] && problems+=("not to be exported: $extra")
    duplicates="$(printf '%s\n' "$names_sorted" | uniq -d | tr '\n' ' ')"
    [ -n "$duplicates" ] && problems+=("exported twice: $duplicates")

    if [ "${#problems[@]}" -eq 0 ]; then
        echo "ok   $library: the fourteen entry points, undecorated"
    else
        failures=$((failures + 1))
        for problem in "${problems[@]}"; do echo "FAIL $library: $problem"; done
    fi
done

if [ "$failures" -ne 0 ]; then
    echo "check_exports: $failures of $# libraries failed"
    exit 1
fi
echo "check_exports: all $# libraries export exactly the fourteen entry points"
