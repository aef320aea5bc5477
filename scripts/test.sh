#!/usr/bin/env bash
# Runs every test suite of the project: the native suite, the sanitizer suite and
# the Windows DLLs (32-bit and 64-bit) under Wine. On a fresh machine, run as root,
# it first installs what is missing from Debian's packages.
#
# Outside CI a missing Windows toolchain or Wine is reported as skipped;
# under CI=true it is a failure.
set -u
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
passed=0 failed=0 skipped=0
failures=()

say() { printf '\n=== %s\n' "$*"; }
pass() { passed=$((passed + 1)); printf '=== PASS: %s\n' "$1"; }
fail() { failed=$((failed + 1)); failures+=("$1"); printf '=== FAIL: %s\n' "$1"; }
skip() {
  if [ "${CI:-}" = "true" ]; then fail "$1 (not available: $2)"; else
    skipped=$((skipped + 1)); printf '=== SKIPPED: %s (%s)\n' "$1" "$2"; fi
}

if [ "$(id -u)" = 0 ] && [ -x scripts/install-deps.sh ]; then
  say "Installing what is missing"
  scripts/install-deps.sh || echo "install-deps.sh reported problems; the suites below say what they miss"
fi

native_suite() {  # preset
  say "Native suite: $1"
  cmake --preset "$1" >/dev/null &&
    cmake --build --preset "$1" -j"$jobs" &&
    ctest --preset "$1" -j"$jobs"
}

if native_suite debug; then pass "native"; else fail "native"; fi
# Layout and static checks, on the compile commands of the debug build.
say "Lint: clang-format and clang-tidy"
scripts/lint.sh build/debug
case $? in
  0) pass "lint" ;;
  2) skip "lint" "clang-format or clang-tidy missing" ;;
  *) fail "lint" ;;
esac
if native_suite asan; then pass "sanitizer (ASan+UBSan)"; else fail "sanitizer (ASan+UBSan)"; fi
if native_suite tsan; then pass "thread sanitizer (TSan)"; else fail "thread sanitizer (TSan)"; fi
# The optimised library is the one hosts load: the same suites run against it.
if native_suite release; then pass "native optimised"; else fail "native optimised"; fi

libs=(build/debug/src/libOstrevane800.so build/release/src/libOstrevane800.so)
for preset in win64 win32; do
  compiler=$([ "$preset" = win64 ] && echo x86_64 || echo i686)-w64-mingw32-g++-posix
  if ! command -v "$compiler" >/dev/null; then skip "Windows $preset build" "$compiler missing"; continue; fi
  say "Windows build: $preset"
  if cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j"$jobs"; then
    pass "Windows $preset build"
    libs+=("build/$preset/src/Ostrevane800.dll")
  else
    fail "Windows $preset build"; continue
  fi
  # The Windows suite, the end-to-end tests against the native simulator (built by
  # the native suite above), on COM1 and through ser2net over Winsock, the Windows
  # reference host against it, and (64-bit,
  # the one Wine that runs everywhere here) the wizard driven through its windows.
  modes=(suite e2e host lifetime)
  [ "$preset" = win64 ] && modes+=(wizard)
  for mode in "${modes[@]}"; do
    name="Wine $preset $mode"
    say "$name"
    case $mode in
      suite) scripts/wine-run-tests.sh "$preset" ;;
      e2e) scripts/wine-run-tests.sh --e2e "$preset" ;;
      host) scripts/host-under-wine.sh "$preset" ;;
      wizard) scripts/wine-screenshots.sh "$preset" ;;
      lifetime) tests/lifetime/run_lifetime.sh --wine "$preset" "build/$preset/tests/windows/lifetime_probe.exe" \
                  "build/$preset/src/Ostrevane800.dll" ;;
    esac
    case $? in
      0) pass "$name" ;;
      # A kernel without 32-bit execution cannot run 32-bit Wine at all: that is a
      # fact of the machine, not a missing install, so it stays a skip under CI too.
      77) if [ "$preset" = win32 ]; then
            skipped=$((skipped + 1)); echo "=== SKIPPED: $name (this machine cannot run 32-bit Wine)"
          else skip "$name" "Wine for this architecture cannot run here"; fi ;;
      *) fail "$name" ;;
    esac
  done
done

# The release packages, each unpacked alone: a small host built from its contents and
# run (32-bit: built, its run skipped where 32-bit Wine cannot run).
say "Release packages"
scripts/package.sh
case $? in
  0) packaged=yes ;;
  3) packaged=no; skip "release packages" "a tool is missing" ;;
  *) packaged=no; fail "release packages (scripts/package.sh)" ;;
esac
if [ "$packaged" = yes ]; then
  for kind in linux win64 win32; do
    tests/packaging/check_package.sh "$kind" dist
    case $? in
      0) pass "package $kind" ;;
      3) skip "package $kind" "a tool is missing" ;;
      77) if [ "$kind" = win32 ]; then
            skipped=$((skipped + 1)); echo "=== SKIPPED: package $kind run (this machine cannot run 32-bit Wine)"
          else skip "package $kind run" "Wine for this architecture cannot run here"; fi ;;
      *) fail "package $kind" ;;
    esac
  done
fi

say "Export tables"
if tests/windows/check_exports.sh "${libs[@]}"; then pass "export tables"; else fail "export tables"; fi

say "Summary"
for f in "${failures[@]}"; do echo "failed: $f"; done
echo "suites: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
