#!/usr/bin/env bash
# Installs what the build and the test suites need on a Debian bookworm machine,
# and nothing when it is all there already (then it returns at once, without
# touching the package lists). Run as root.
#
# 32-bit Wine (wine32:i386) is optional: when it cannot be installed the script
# says so and still succeeds; the 32-bit Wine leg of the tests is then skipped.
# clang, lld and llvm: the Visual Studio import libraries (llvm-dlltool) and the
# package check's Visual Studio host (clang for the MSVC target, lld-link).
# Exit status: 0 when everything but possibly wine32 is installed, 1 otherwise.
#
# With --fuzz it installs only what scripts/fuzz.sh needs: clang and its runtime
# libraries, which hold libFuzzer.
set -u
export DEBIAN_FRONTEND=noninteractive

required=(cmake g++ make ccache libgtest-dev libbenchmark-dev
    mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 xvfb xauth
    fonts-wqy-microhei fonts-wine dpkg-dev pkg-config clang-format clang-tidy clang lld llvm ser2net)
wine32=wine32:i386
fuzz=0
if [ "${1:-}" = --fuzz ]; then
    fuzz=1
    required=(cmake make ccache clang libclang-rt-14-dev)
fi
# Used only when Debian's i386 security index is out of step with amd64: the
# main archive's versions, with the one library whose amd64 and i386 builds must match.
wine32_fallback=(-t bookworm "$wine32"
    libgstreamer-plugins-base1.0-0=1.22.0-3+deb12u6 libgstreamer-plugins-base1.0-0:i386=1.22.0-3+deb12u6)

installed() {  # package[:arch]
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]
}

missing=()
for package in "${required[@]}"; do installed "$package" || missing+=("$package"); done
need_wine32=0
[ "$fuzz" -eq 1 ] || installed "$wine32" || need_wine32=1

if [ "${#missing[@]}" -eq 0 ] && [ "$need_wine32" -eq 0 ]; then
    echo "install-deps: everything is installed"
    exit 0
fi
echo "install-deps: missing: ${missing[*]} $([ "$need_wine32" -eq 1 ] && echo "$wine32")"

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: not root: cannot install them (run as root, or: sudo $0)"
    exit 1
fi
if ! command -v apt-get >/dev/null; then
    echo "install-deps: no apt-get: install them by hand"
    exit 1
fi

if [ "$need_wine32" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386 || echo "install-deps: could not add the i386 architecture"
fi
# An index that fails to load (the i386 security index may lag behind) is not fatal:
# what the other indexes offer still installs.
apt-get update || echo "install-deps: apt-get update reported errors; going on with the indexes it got"

status=0
if [ "${#missing[@]}" -gt 0 ]; then
    if ! apt-get install -y --no-install-recommends "${missing[@]}"; then
        # One package that cannot be had must not keep the others out.
        for package in "${missing[@]}"; do
            installed "$package" || apt-get install -y --no-install-recommends "$package" || true
        done
    fi
    for package in "${missing[@]}"; do
        if ! installed "$package"; then
            echo "install-deps: COULD NOT INSTALL $package"
            status=1
        fi
    done
fi

if [ "$need_wine32" -eq 1 ]; then
    if ! apt-get install -y --no-install-recommends "$wine32"; then
        echo "install-deps: plain install of $wine32 failed; trying the main archive's versions"
        apt-get install -y --allow-downgrades --no-install-recommends "${wine32_fallback[@]}" || true
    fi
    if installed "$wine32"; then
        echo "install-deps: $wine32 installed (32-bit Wine prefixes made before this are made afresh)"
    else
        echo "install-deps: COULD NOT INSTALL $wine32: the 32-bit Wine tests will be reported as skipped"
    fi
fi

if [ "$status" -eq 0 ]; then echo "install-deps: done"; fi
exit "$status"
