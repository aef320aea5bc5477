#!/usr/bin/env bash
# Checks a release package the way an integrator meets it: unpacked alone into an
# empty folder, a small C host (tests/packaging/package_host.c) is built from its
# contents only and run; it links the driver and calls GetPDBLen, FullPDB and TagEdAddr.
#
#   tests/packaging/check_package.sh linux|win64|win32 [DIST]      (DIST: dist/)
#
#   linux  the tar.gz: the host built once through find_package(Ostrevane800) and once
#          through pkg-config, the guide's example compiled, the tools run; the .deb
#          installed into and removed from a scratch root, ostrevane-host run from it.
#   win64, win32  the zip: the host built with MinGW against each import library and
#          run under Wine beside the packaged DLL.
# Every package: its checksum, its file list, no path of this checkout inside it, and
# the driver's export table.
#
# Exit status: 0 passed; 1 failed; 2 wrong usage or no package; 3 a tool is missing
# (named); 77 everything built, but Wine for this architecture cannot run here.
set -u

kind="${1:-}"
case "$kind" in
    linux | win64 | win32) ;;
    *) echo "usage: check_package.sh linux|win64|win32 [DIST]" >&2; exit 2 ;;
esac
root="$(cd "$(dirname "$0")/../.." && pwd)"
dist="$(cd "${2:-$root/dist}" 2>/dev/null && pwd)" || { echo "check_package: no folder ${2:-$root/dist}" >&2; exit 2; }
host_source="$root/tests/packaging/package_host.c"
version="$(sed -n 's/^#define OSTREVANE_FILE_VERSION_TEXT "\([0-9.]*\)".*/\1/p' "$root/src/sysinfo/version_values.h")"
work="$root/build/package-check/$kind"

failures=()
problem() { failures+=("$*"); echo "  problem: $*"; }
verdict() {
    if [ "${#failures[@]}" -gt 0 ]; then
        echo "check_package $kind: FAILED (${#failures[@]} problems)"
        printf '  %s\n' "${failures[@]}"
        exit 1
    fi
    echo "check_package $kind: $*"
}
need() {
    local missing=() tool
    for tool in "$@"; do command -v "$tool" >/dev/null || missing+=("$tool"); done
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "check_package $kind: MISSING ${missing[*]}"
        exit 3
    fi
}
# Runs a command quietly; on failure shows its output and records the problem.
run() {  # description, command...
    local description="$1" output
    shift
    if ! output="$("$@" 2>&1)"; then
        printf '%s\n' "$output" | tail -n 20
        problem "$description"
        return 1
    fi
}
# The package's line in SHA256SUMS must match it.
check_sum() {
    local file="$1"
    if ! grep -q "  $file\$" "$dist/SHA256SUMS" 2>/dev/null; then problem "$file is not in SHA256SUMS"; return; fi
    (cd "$dist" && grep "  $file\$" SHA256SUMS | sha256sum --quiet -c -) || problem "$file does not match its SHA256SUMS line"
}
# A package must not point back into this checkout (its build folders above all).
# Tools that name symbols after a path write "_" for every other character than a
# letter or digit.
check_no_checkout_paths() {
    local found mangled
    mangled="$(printf '%s' "$root" | sed 's/[^A-Za-z0-9]/_/g')"
    found="$(grep -rlF -e "$root" -e "$mangled" "$1")"
    [ -z "$found" ] || problem "paths of this checkout inside the package: $found"
}
# A fresh, empty folder.
fresh() { rm -rf "$1" && mkdir -p "$1"; }

check_linux() {
    need tar cc cmake make pkg-config dpkg dpkg-deb objdump nm
    local archive="Ostrevane800-$version-linux-x86_64.tar.gz" deb="ostrevane800_${version}_amd64.deb"
    local name="${archive%.tar.gz}" file
    for file in "$archive" "$deb"; do
        [ -f "$dist/$file" ] || { echo "check_package $kind: no $dist/$file"; exit 2; }
        check_sum "$file"
    done

    fresh "$work/unpacked"
    tar -xzf "$dist/$archive" -C "$work/unpacked" || problem "$archive does not unpack"
    local prefix="$work/unpacked/$name"
    for file in lib/libOstrevane800.so lib/libOstrevane800.so.3 "lib/libOstrevane800.so.$version" include/Ostrevane800.h \
        bin/ostrevane-host bin/ostrevane-sim lib/pkgconfig/Ostrevane800.pc lib/cmake/Ostrevane800/Ostrevane800Config.cmake \
        lib/cmake/Ostrevane800/Ostrevane800ConfigVersion.cmake share/doc/ostrevane800/INTEGRATION.md; do
        [ -e "$prefix/$file" ] || problem "$archive lacks $name/$file"
    done
    check_no_checkout_paths "$work/unpacked"
    local soname
    soname="$(objdump -p "$prefix/lib/libOstrevane800.so.$version" 2>/dev/null | awk '$1 == "SONAME" { print $2 }')"
    [ "$soname" = libOstrevane800.so.3 ] || problem "the library's soname is '$soname', not libOstrevane800.so.3"
    "$root/tests/windows/check_exports.sh" "$prefix/lib/libOstrevane800.so" >/dev/null || problem "the library's exports are not the fourteen"

    # The host through the CMake package, configured in a folder of its own.
    fresh "$work/cmake-host"
    cp "$host_source" "$work/cmake-host/"
    cat >"$work/cmake-host/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.16)
project(package_host C)
find_package(Ostrevane800 3 REQUIRED)
add_executable(package_host package_host.c)
target_link_libraries(package_host PRIVATE Ostrevane800::Ostrevane800)
CMAKE
    run "find_package(Ostrevane800) host does not configure" \
        cmake -S "$work/cmake-host" -B "$work/cmake-host/build" -DCMAKE_PREFIX_PATH="$prefix" &&
        run "find_package(Ostrevane800) host does not build" cmake --build "$work/cmake-host/build" &&
        run_host "find_package" "$work/cmake-host/build/package_host"
    # The CMake package refuses a host that asks for another major version.
    sed -i 's/find_package(Ostrevane800 3 REQUIRED)/find_package(Ostrevane800 4 REQUIRED)/' "$work/cmake-host/CMakeLists.txt"
    if cmake -S "$work/cmake-host" -B "$work/cmake-host/build-4" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null 2>&1; then
        problem "find_package(Ostrevane800 4) accepted version $version"
    fi

    # The host through pkg-config.
    fresh "$work/pkg-config-host"
    local flags libdir
    if flags="$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs Ostrevane800)" &&
        libdir="$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --variable=libdir Ostrevane800)"; then
        [ "$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --modversion Ostrevane800)" = "$version" ] ||
            problem "pkg-config reports another version than $version"
        # shellcheck disable=SC2086
        run "pkg-config host does not build" cc -Wall -Werror -o "$work/pkg-config-host/package_host" "$host_source" \
            $flags -Wl,-rpath,"$libdir" && run_host "pkg-config" "$work/pkg-config-host/package_host"
        # The guide's polling loop must build against the package as printed.
        extract_guide_example "$prefix/share/doc/ostrevane800/INTEGRATION.md" "$work/pkg-config-host/example.c" &&
            run "the guide's example does not build" cc -Wall -Werror -o "$work/pkg-config-host/example" \
                "$work/pkg-config-host/example.c" $flags
    else
        problem "pkg-config does not find Ostrevane800 in $prefix/lib/pkgconfig"
    fi

    # The tools of the tar.gz find the library beside them in ../lib.
    fresh "$work/tools"
    (cd "$work/tools" && "$prefix/bin/ostrevane-host" types >types.txt 2>&1) || problem "ostrevane-host types fails from the tar.gz"
    grep -q '^PV ' "$work/tools/types.txt" || problem "ostrevane-host types from the tar.gz lists no PV"
    "$prefix/bin/ostrevane-sim" --help >/dev/null 2>&1 || problem "ostrevane-sim --help fails from the tar.gz"

    check_deb "$deb"
    verdict "PASSED ($archive: find_package and pkg-config hosts; $deb installed and removed)"
}

# Installs the .deb into a scratch root with its own dpkg database, runs the host from
# there and removes it again. Maintainer scripts run outside the scratch root; a
# stand-in ldconfig records that the loader cache would be refreshed.
check_deb() {
    local deb="$1" scratch="$work/deb-root" stand_ins="$work/deb-stand-ins"
    local fields
    fields="$(dpkg-deb -f "$dist/$deb" Package Version Architecture 2>&1 | tr '\n' ' ')"
    [ "$fields" = "Package: ostrevane800 Version: $version Architecture: amd64 " ] || problem "$deb control fields: $fields"
    fresh "$scratch"
    fresh "$stand_ins"
    mkdir -p "$scratch/var/lib/dpkg/info" "$scratch/var/lib/dpkg/updates"
    touch "$scratch/var/lib/dpkg/status"
    printf '#!/bin/sh\necho "ldconfig $*" >>"%s/calls"\n' "$stand_ins" >"$stand_ins/ldconfig"
    chmod +x "$stand_ins/ldconfig"
    local dpkg_scratch=(dpkg --root="$scratch" --force-script-chrootless --force-depends --log=/dev/null)
    [ "$(id -u)" = 0 ] || dpkg_scratch+=(--force-not-root)
    PATH="$stand_ins:$PATH" run "$deb does not install into a scratch root" "${dpkg_scratch[@]}" -i "$dist/$deb" || return
    [ "$(wc -l <"$stand_ins/calls" 2>/dev/null)" = 1 ] || problem "installing $deb did not refresh the loader cache"
    [ -L "$scratch/usr/lib/libOstrevane800.so.3" ] || problem "$deb did not install usr/lib/libOstrevane800.so.3"
    fresh "$work/deb-run"
    (cd "$work/deb-run" && "$scratch/usr/bin/ostrevane-host" types >types.txt 2>&1) || problem "ostrevane-host types fails from the .deb"
    grep -q '^PV ' "$work/deb-run/types.txt" || problem "ostrevane-host types from the .deb lists no PV"
    PATH="$stand_ins:$PATH" run "$deb does not remove cleanly" "${dpkg_scratch[@]}" -r ostrevane800 || return
    local left
    left="$(cd "$scratch" && find . ! -type d ! -path './var/lib/dpkg/*' | head -n 5)"
    [ -z "$left" ] || problem "files left after removing $deb: $left"
    [ "$(wc -l <"$stand_ins/calls")" = 2 ] || problem "removing $deb did not refresh the loader cache"
}

# The C block of the guide's polling loop, as a file of its own.
extract_guide_example() {  # guide, output
    awk '/^```c$/ { inside = 1; next } /^```$/ { inside = 0 } inside' "$1" >"$2"
    [ -s "$2" ] || { problem "no C example in $1"; return 1; }
}

# Runs a built host in an empty folder (the driver writes its log below it).
run_host() {  # how it was built, program, [runner...]
    local how="$1" program="$2" status
    shift 2
    fresh "$work/run-$how"
    (cd "$work/run-$how" && "$@" "$program" >output.txt 2>&1)
    status=$?
    tr -d '\r' <"$work/run-$how/output.txt" | sed "s/^/  [$how] /"
    # The verdict comes from the program's own line: a program that Wine could not
    # start may still end with status 0.
    if ! tr -d '\r' <"$work/run-$how/output.txt" | grep -q '^package host: passed'; then
        problem "the $how host did not pass"
    elif [ "$status" -ne 0 ]; then
        problem "the $how host ended with status $status"
    fi
}

check_windows() {
    local arch
    arch="$([ "$kind" = win64 ] && echo x86_64 || echo i686)-w64-mingw32"
    need "$arch-gcc" flock
    local archive="Ostrevane800-$version-$kind.zip"
    local name="${archive%.zip}" file
    [ -f "$dist/$archive" ] || { echo "check_package $kind: no $dist/$archive"; exit 2; }
    check_sum "$archive"

    fresh "$work/unpacked"
    (cd "$work/unpacked" && cmake -E tar xf "$dist/$archive") || problem "$archive does not unpack"
    local folder="$work/unpacked/$name"
    for file in Ostrevane800.dll Ostrevane800.lib libOstrevane800.dll.a Ostrevane800.def include/Ostrevane800.h \
        ostrevane-host.exe INTEGRATION.md; do
        [ -f "$folder/$file" ] || problem "$archive lacks $name/$file"
    done
    check_no_checkout_paths "$work/unpacked"
    "$root/tests/windows/check_exports.sh" "$folder/Ostrevane800.dll" >/dev/null || problem "the DLL's exports are not the fourteen"

    # One host per import library, each given by its file so that the linker cannot
    # fall back to the DLL itself.
    fresh "$work/hosts"
    local library built=()
    for library in libOstrevane800.dll.a Ostrevane800.lib; do
        local program="$work/hosts/package_host-${library//./-}.exe"
        run "the host does not build against $library" "$arch-gcc" -Wall -Werror -I"$folder/include" -o "$program" \
            "$host_source" "$folder/$library" -lole32 && built+=("$program")
    done
    extract_guide_example "$folder/INTEGRATION.md" "$work/hosts/example.c" &&
        run "the guide's example does not build against $archive" "$arch-gcc" -Wall -Werror -I"$folder/include" \
            -o "$work/hosts/example.exe" "$work/hosts/example.c" "$folder/libOstrevane800.dll.a" -lole32

    # shellcheck source=scripts/wine-env.sh
    . "$root/scripts/wine-env.sh" "$kind"
    local status=$?
    if [ "$status" -eq 77 ]; then
        verdict "BUILT; the run is SKIPPED ($kind Wine cannot run on this machine)"
        exit 77
    elif [ "$status" -ne 0 ]; then
        problem "the Wine prefix could not be prepared"
        verdict ""
    fi
    exec 9>"$OSTREVANE_WINE_LOCK"
    flock -w 600 9 || { problem "$OSTREVANE_WINE_LOCK stayed locked"; verdict ""; }
    # Each host runs beside the packaged DLL, as a host program is installed.
    for program in "${built[@]}"; do
        cp "$program" "$folder/"
        run_host "$(basename "$program" .exe)" "$folder/$(basename "$program")" timeout 120 "$OSTREVANE_WINE"
        rm -f "$folder/$(basename "$program")"
    done
    "$OSTREVANE_WINESERVER" -k >/dev/null 2>&1
    verdict "PASSED ($archive: hosts built against both import libraries and run under Wine)"
}

[ -n "$version" ] || { echo "check_package: no version in src/sysinfo/version_values.h" >&2; exit 2; }
if [ "$kind" = linux ]; then check_linux; else check_windows; fi
