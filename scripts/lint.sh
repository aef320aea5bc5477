#!/usr/bin/env bash
# Layout and static checks of the driver and the tools: clang-format (.clang-format) and
# clang-tidy (.clang-tidy) over src/ and tools/, every finding an error.
#
#   scripts/lint.sh [BUILD_DIR]    BUILD_DIR holds compile_commands.json (default build/debug)
#
# Windows-only sources are formatted but not analysed: the native build has no
# compile commands for them. Exit status: 0 clean; 1 findings; 2 a tool is missing.
set -u
cd "$(dirname "$0")/.."
build="${1:-build/debug}"
jobs="${JOBS:-2}"
for tool in clang-format clang-tidy; do
    command -v "$tool" >/dev/null || { echo "lint: $tool is not installed"; exit 2; }
done
[ -f "$build/compile_commands.json" ] || { echo "lint: no $build/compile_commands.json (configure that build first)"; exit 2; }

mapfile -t sources < <(git ls-files 'src/*.cpp' 'src/*.h' 'tools/*.cpp' 'tools/*.h')
status=0

echo "lint: clang-format over ${#sources[@]} files"
if ! clang-format --style=file --dry-run --Werror "${sources[@]}"; then
    echo "lint: layout differs from .clang-format (fix: clang-format -i FILE)"
    status=1
fi

mapfile -t analysed < <(printf '%s\n' "${sources[@]}" | grep -E '\.cpp$' | grep -v -E '_win32\.cpp$|/win32/')
echo "lint: clang-tidy over ${#analysed[@]} files"
findings="$(mktemp)"
trap 'rm -f "$findings"' EXIT
printf '%s\n' "${analysed[@]}" | xargs -P "$jobs" -n 8 clang-tidy -p "$build" --quiet >"$findings" 2>/dev/null
if grep -q -E '(warning|error):' "$findings"; then
    grep -E -A3 '(warning|error):' "$findings"
    echo "lint: clang-tidy found $(grep -c -E '(warning|error):' "$findings") problems"
    status=1
fi
[ "$status" -eq 0 ] && echo "lint: clean"
exit "$status"
