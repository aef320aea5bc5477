#!/usr/bin/env bash
# Builds the release packages for integrators into dist/:
#
#   Ostrevane800-<version>-win32.zip         the product: the 32-bit DLL for Windows hosts
#   Ostrevane800-<version>-win64.zip         the 64-bit DLL
#   Ostrevane800-<version>-linux-x86_64.tar.gz  and  ostrevane800_<version>_amd64.deb
#   SHA256SUMS                               over the four packages
#
#   scripts/package.sh
#
# <version> is the file version in src/sysinfo/version_values.h. Every package is
# built optimised, without tests, in build/package-<platform> (beside the presets'
# folders, so that the compiler cache serves both); the Windows ones need
# MinGW-w64 (scripts/install-deps.sh installs it). INTEGRATION.md, inside every
# package, is the integrator's guide. Exit status: 0 when all four were made; 3 when a
# tool is missing (named); 1 otherwise.
set -eu
cd "$(dirname "$0")/.."
root="$(pwd)"
jobs="${JOBS:-2}"

say() { printf '=== %s\n' "$*"; }
die() { echo "package: $*" >&2; exit 1; }

version="$(sed -n 's/^#define OSTREVANE_FILE_VERSION_TEXT "\([0-9.]*\)".*/\1/p' src/sysinfo/version_values.h)"
[ -n "$version" ] || die "no OSTREVANE_FILE_VERSION_TEXT in src/sysinfo/version_values.h"
missing=()
for tool in cmake cpack dpkg-deb dpkg-shlibdeps x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix llvm-dlltool; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ "${#missing[@]}" -gt 0 ]; then
    echo "package: missing ${missing[*]} (scripts/install-deps.sh installs them, as root)" >&2
    exit 3
fi

# platform, toolchain file (none for the native build), targets
build_platform() {
    local platform="$1" toolchain="$2"
    shift 2
    local build="build/package-$platform"
    say "Building $platform in $build"
    local options=(-DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON)
    if [ -n "$toolchain" ]; then
        options+=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain")
    else
        options+=(-DOSTREVANE_PACKAGE_BUILD=ON)  # the host without a path into this tree
    fi
    cmake -S . -B "$build" -G "Unix Makefiles" "${options[@]}" >/dev/null
    cmake --build "$build" -j"$jobs" --target "$@"
    say "Packaging $platform"
    rm -rf "$build/packages"
    # CPack installs the built files into a staging folder of its own.
    (cd "$build" && cpack -B "$root/$build/packages" >/dev/null)
    find "$build/packages" -maxdepth 1 -type f \( -name '*.zip' -o -name '*.tar.gz' -o -name '*.deb' \) \
        -exec cp {} dist/ \;
}

rm -rf dist
mkdir -p dist
build_platform linux "" Ostrevane800 ostrevane-host ostrevane-sim
build_platform win64 mingw-x86_64.cmake Ostrevane800 ostrevane-host
build_platform win32 mingw-i686.cmake Ostrevane800 ostrevane-host

expected=("Ostrevane800-$version-win32.zip" "Ostrevane800-$version-win64.zip"
          "Ostrevane800-$version-linux-x86_64.tar.gz" "ostrevane800_${version}_amd64.deb")
for file in "${expected[@]}"; do
    [ -f "dist/$file" ] || die "dist/$file was not made (dist/ holds: $(ls dist | tr '\n' ' '))"
done
(cd dist && sha256sum "${expected[@]}" >SHA256SUMS)
say "Packages of version $version in dist/"
(cd dist && ls -l "${expected[@]}" SHA256SUMS)
