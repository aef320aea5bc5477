#!/usr/bin/env bash
# Checks a release package as an integrator meets it: unpacked alone, package_host.c
# built from its contents only and run (linux: through find_package and pkg-config, and
# the .deb installed into and removed from a scratch root; win64|win32: with MinGW against
# each import library, and as Visual Studio links it, under Wine), plus checksum, files,
# no path of this checkout, exports.
#   tests/packaging/check_package.sh linux|win64|win32 [DIST]      (DIST: dist/)
# Exit status: 0 passed; 1 failed; 2 wrong usage or no package; 3 a tool is missing;
# 77 everything built, but Wine for this architecture cannot run here.
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
[ -n "$version" ] || { echo "check_package: no version in src/sysinfo/version_values.h" >&2; exit 2; }
work="$root/build/package-check/$kind"

failures=()
problem() { failures+=("$*"); echo "  problem: $*"; }
verdict() {
    [ "${#failures[@]}" -eq 0 ] || { echo "check_package $kind: FAILED (${#failures[@]} problems)"; exit 1; }
    echo "check_package $kind: $*"
}
need() {
    for tool in "$@"; do command -v "$tool" >/dev/null || { echo "check_package $kind: MISSING $tool"; exit 3; }; done
}
# Runs a command quietly; on failure shows its output and records the problem.
run() {  # description, command...
    local description="$1" output
    shift
    output="$("$@" 2>&1)" || { printf '%s\n' "$output" | tail -n 20; problem "$description"; return 1; }
}
fresh() { rm -rf "$1" && mkdir -p "$1"; }
# The package: in SHA256SUMS, unpacked, holding `files`, no path of this checkout inside
# (also as tools name symbols after a path, "_" for each non-alphanumeric), the exports.
unpack() {  # package, unpack command, folder, driver, files in the folder...
    local package="$1" unpacker="$2" folder="$3" driver="$3/$4" file
    shift 3
    [ -f "$dist/$package" ] || { echo "check_package $kind: no $dist/$package"; exit 2; }
    (cd "$dist" && grep "  $package\$" SHA256SUMS | sha256sum --quiet -c -) 2>/dev/null ||
        problem "$package does not match a line of SHA256SUMS"
    fresh "$work/unpacked"
    (cd "$work/unpacked" && $unpacker "$dist/$package") || problem "$package does not unpack"
    for file in "$@"; do [ -e "$work/unpacked/$folder/$file" ] || problem "$package lacks $file"; done
    local found
    found="$(grep -rlF -e "$root" -e "$(printf '%s' "$root" | sed 's/[^A-Za-z0-9]/_/g')" "$work/unpacked")"
    [ -z "$found" ] || problem "paths of this checkout inside the package: $found"
    "$root/tests/windows/check_exports.sh" "$work/unpacked/$driver" >/dev/null || problem "the driver's exports are not the fourteen"
}
# The C block of the guide's polling loop, as work/example.c.
guide_example() {
    awk '/^```c$/ { inside = 1; next } /^```$/ { inside = 0 } inside' "$1" >"$work/example.c"
    [ -s "$work/example.c" ] || { problem "no C example in $1"; return 1; }
}
# Runs a program in an empty folder (the driver writes its log below it); its output
# must hold a line matching `pattern`, as a program Wine could not start may end with 0.
run_in() {  # name, pattern, command...
    local name="$1" pattern="$2"
    shift 2
    fresh "$work/run-$name"
    (cd "$work/run-$name" && "$@" >output.txt 2>&1) || problem "$name ended with status $?"
    grep -q "$pattern" "$work/run-$name/output.txt" || problem "$name printed no line $pattern"
    head -n 3 "$work/run-$name/output.txt" | sed "s/^/  [$name] /"
}
passed='^package host: passed'

check_linux() {
    need tar cc cmake make pkg-config dpkg dpkg-deb objdump nm
    local name="Ostrevane800-$version-linux-x86_64" deb="ostrevane800_${version}_amd64.deb"
    unpack "$name.tar.gz" "tar -xzf" "$name" lib/libOstrevane800.so{,.3,."$version"} include/Ostrevane800.h \
        bin/ostrevane-{host,sim} lib/pkgconfig/Ostrevane800.pc lib/cmake/Ostrevane800/Ostrevane800Config{,Version}.cmake \
        share/doc/ostrevane800/INTEGRATION.md
    local prefix="$work/unpacked/$name"
    objdump -p "$prefix/lib/libOstrevane800.so.$version" | grep -qE 'SONAME +libOstrevane800\.so\.3$' ||
        problem "the library's soname is not libOstrevane800.so.3"

    # The host through the CMake package, which refuses a host asking for another major version.
    local major accepted
    for major in 3 4; do
        fresh "$work/cmake-host-$major"
        cp "$host_source" "$work/cmake-host-$major/"
        printf '%s\n' 'cmake_minimum_required(VERSION 3.16)' 'project(package_host C)' \
            "find_package(Ostrevane800 $major REQUIRED)" 'add_executable(package_host package_host.c)' \
            'target_link_libraries(package_host PRIVATE Ostrevane800::Ostrevane800)' >"$work/cmake-host-$major/CMakeLists.txt"
        cmake -S "$work/cmake-host-$major" -B "$work/cmake-host-$major/build" -DCMAKE_PREFIX_PATH="$prefix" \
            >/dev/null 2>&1 && accepted=3 || accepted=4
        [ "$accepted" = "$major" ] || problem "find_package(Ostrevane800 $major) got the wrong answer for $version"
    done
    run "find_package(Ostrevane800) host does not build" cmake --build "$work/cmake-host-3/build" &&
        run_in "find_package host" "$passed" "$work/cmake-host-3/build/package_host"

    # The host and the guide's polling loop through pkg-config.
    local pc=(env PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config) flags
    [ "$("${pc[@]}" --modversion Ostrevane800)" = "$version" ] || problem "pkg-config does not report version $version"
    flags="$("${pc[@]}" --cflags --libs Ostrevane800) -Wl,-rpath,$("${pc[@]}" --variable=libdir Ostrevane800)"
    # shellcheck disable=SC2086
    run "pkg-config host does not build" cc -Wall -Werror -o "$work/package_host" "$host_source" $flags &&
        run_in "pkg-config host" "$passed" "$work/package_host"
    # shellcheck disable=SC2086
    guide_example "$prefix/share/doc/ostrevane800/INTEGRATION.md" &&
        run "the guide's example does not build" cc -Wall -Werror -o "$work/example" "$work/example.c" $flags
    # The tools of the tar.gz find the library beside them in ../lib; ostrevane-host lists the tag types.
    run_in "ostrevane-host of the tar.gz" '^PV ' "$prefix/bin/ostrevane-host" types
    "$prefix/bin/ostrevane-sim" --help >/dev/null 2>&1 || problem "ostrevane-sim --help fails from the tar.gz"
    check_deb "$deb"
    verdict "PASSED ($name.tar.gz: find_package and pkg-config hosts; $deb installed and removed)"
}

# The .deb installed into a scratch root with its own dpkg database and removed again;
# a stand-in ldconfig records that the maintainer scripts refresh the loader cache.
check_deb() {
    local deb="$1" scratch="$work/deb-root" stand_ins="$work/deb-stand-ins"
    [ "$(dpkg-deb -f "$dist/$deb" Package Version Architecture | tr '\n' ' ')" = \
        "Package: ostrevane800 Version: $version Architecture: amd64 " ] || problem "$deb control fields are wrong"
    fresh "$scratch"
    mkdir -p "$scratch/var/lib/dpkg/info" "$scratch/var/lib/dpkg/updates"
    touch "$scratch/var/lib/dpkg/status"
    fresh "$stand_ins"
    printf '#!/bin/sh\necho "ldconfig $*" >>"%s/calls"\n' "$stand_ins" >"$stand_ins/ldconfig"
    chmod +x "$stand_ins/ldconfig"
    local dpkg_scratch=(env PATH="$stand_ins:$PATH" dpkg --root="$scratch" --force-script-chrootless --force-depends --log=/dev/null)
    [ "$(id -u)" = 0 ] || dpkg_scratch+=(--force-not-root)
    run "$deb does not install into a scratch root" "${dpkg_scratch[@]}" -i "$dist/$deb" || return
    [ "$(wc -l <"$stand_ins/calls" 2>/dev/null)" = 1 ] || problem "installing $deb did not refresh the loader cache"
    [ -L "$scratch/usr/lib/libOstrevane800.so.3" ] || problem "$deb did not install usr/lib/libOstrevane800.so.3"
    run_in "ostrevane-host of the .deb" '^PV ' "$scratch/usr/bin/ostrevane-host" types
    run "$deb does not remove cleanly" "${dpkg_scratch[@]}" -r ostrevane800 || return
    local left
    left="$(cd "$scratch" && find . ! -type d ! -path './var/lib/dpkg/*' | head -n 5)"
    [ -z "$left" ] || problem "files left after removing $deb: $left"
    [ "$(wc -l <"$stand_ins/calls")" = 2 ] || problem "removing $deb did not refresh the loader cache"
}

check_windows() {
    local arch library status built=() name="Ostrevane800-$version-$kind" folder="$work/unpacked/Ostrevane800-$version-$kind"
    arch="$([ "$kind" = win64 ] && echo x86_64 || echo i686)-w64-mingw32"
    need "$arch-gcc" flock
    unpack "$name.zip" "cmake -E tar xf" "$name" Ostrevane800.{dll,lib,def} libOstrevane800.dll.a include/Ostrevane800.h \
        ostrevane-host.exe INTEGRATION.md
    # One host beside the DLL per import library, given by its file so the linker cannot use the DLL.
    for library in libOstrevane800.dll.a Ostrevane800.lib; do
        run "the host does not build against $library" "$arch-gcc" -Wall -Werror -I"$folder/include" \
            -o "$folder/package_host-${library//./-}.exe" "$host_source" "$folder/$library" &&
            built+=("$folder/package_host-${library//./-}.exe")
    done
    guide_example "$folder/INTEGRATION.md" && run "the guide's example does not build against $name.zip" "$arch-gcc" \
        -Wall -Werror -I"$folder/include" -o "$work/example.exe" "$work/example.c" "$folder/libOstrevane800.dll.a" -lole32
    check_visual_studio_host "$folder"

    # shellcheck source=scripts/wine-env.sh
    . "$root/scripts/wine-env.sh" "$kind"
    status=$?
    [ "$status" -ne 77 ] || { verdict "BUILT; the run is SKIPPED ($kind Wine cannot run on this machine)"; exit 77; }
    exec 9>"${OSTREVANE_WINE_LOCK:-/dev/null}"
    [ "$status" -eq 0 ] && flock -w 600 9 || { problem "no Wine prefix, or it stayed locked"; verdict ""; }
    for program in "${built[@]}"; do run_in "$(basename "$program" .exe)" "$passed" timeout 120 "$OSTREVANE_WINE" "$program"; done
    "$OSTREVANE_WINESERVER" -k >/dev/null 2>&1
    verdict "PASSED ($name.zip: MinGW hosts against both import libraries and a Visual Studio host, run under Wine)"
}

# A host as Visual Studio builds one: clang for the MSVC target and lld-link with its
# default options (a 32-bit image gets /SAFESEH), from the header and Ostrevane800.lib
# alone; kernel32's few functions come from an import library made here, as there is
# no C runtime. The header compiles for that target as C and as C++.
check_visual_studio_host() {  # unpacked folder
    local folder="$1" target machine language
    target="$([ "$kind" = win64 ] && echo x86_64 || echo i686)-pc-windows-msvc"
    machine="$([ "$kind" = win64 ] && echo i386:x86-64 || echo i386)"
    need clang lld-link llvm-dlltool
    for language in c c++; do
        run "the header does not compile for $target as $language" clang --target="$target" -ffreestanding \
            -fsyntax-only -Wall -Werror -x "$language" "$folder/include/Ostrevane800.h"
    done
    # 64-bit names carry no stdcall argument size.
    sed "$([ "$kind" = win64 ] && echo 's/@[0-9]*$//')" "$root/tests/packaging/kernel32.def" >"$work/kernel32.def"
    run "no kernel32 import library for $target" llvm-dlltool -m "$machine" -k -d "$work/kernel32.def" \
        -l "$work/kernel32.lib" &&
        run "the Visual Studio host does not compile" clang --target="$target" -ffreestanding -Wall -Werror \
            -I"$folder/include" -c -o "$work/msvc_host.obj" "$host_source" &&
        run "the Visual Studio host does not link against Ostrevane800.lib with lld-link's defaults" lld-link \
            /nologo /subsystem:console /entry:hostMain /nodefaultlib /out:"$folder/package_host-msvc.exe" \
            "$work/msvc_host.obj" "$folder/Ostrevane800.lib" "$work/kernel32.lib" &&
        built+=("$folder/package_host-msvc.exe")
}

if [ "$kind" = linux ]; then check_linux; else check_windows; fi
