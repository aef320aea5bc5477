#!/usr/bin/env bash
# Mutation run: how many small faults put into the driver do the native unit suites catch?
#
# Each mutant in tests/mutants/mutants.tsv changes one line of one source file: the
# line holding the mutant's original text (which must occur exactly once in the file)
# gets the mutated text instead. A mutant whose text is no longer found, or is found
# more than once, is "not applicable" and not counted. The mutants are applied one at a
# time to a scratch copy of the tracked tree with a build of its own (build/mutants),
# so only the changed file recompiles and the test programs relink; the unit suites
# then run with a time limit, the suite of the mutated subsystem first, stopping at the
# first failure.
#
#   scripts/mutants.sh                 every mutant
#   scripts/mutants.sh --only P01 E07  the named mutants
#   scripts/mutants.sh --list          the list, and whether each still applies
#   scripts/mutants.sh --jobs 2        two scratch builds working at once
#
# Per mutant it prints killed, survived, timed out or not compiled; at the end the
# counts and the kill rate, (killed + timed out) / (killed + survived + timed out):
# a mutant that makes the suites hang is caught too. Results: build/mutants/results.tsv.
# Not part of the regular test command: a full run takes about 15 minutes.
set -u
cd "$(dirname "$0")/.."
root=$(pwd)
list=tests/mutants/mutants.tsv
work=build/mutants  # below the checkout
jobs=1
only=()
mode=run

while [ $# -gt 0 ]; do
  case $1 in
    --list) mode=list ;;
    --jobs) jobs=${2:?--jobs needs a number}; shift ;;
    --only) shift; while [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; do only+=("$1"); shift; done; continue ;;
    -h|--help) sed -n '2,21p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "mutants.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done
case $jobs in ''|*[!0-9]*|0) echo "mutants.sh: --jobs needs a positive number" >&2; exit 2 ;; esac

# The unit test programs, and which to run first for a mutant in each source folder.
programs=(protocol_tests engine_tests write_tests tag_tests framework_tests serial_tests driver_tests
          wizard_tests diagnostics_tests platform_tests ui_tests)
first_for() {
  case $1 in
    src/protocol/*) echo "protocol_tests engine_tests write_tests" ;;
    src/engine/*) echo "engine_tests write_tests protocol_tests" ;;
    src/framework/*) echo "tag_tests framework_tests engine_tests write_tests" ;;
    src/serial/*) echo "serial_tests" ;;
    src/driver/*) echo "driver_tests" ;;
    src/wizard/*) echo "wizard_tests" ;;
    *) echo "" ;;
  esac
}
# Every test of these programs takes part (about 10 s in all); the end-to-end suites,
# the host programs and the lifetime probes are not part of this run.
gtest_filter='*'

mutants() {  # the selected rows, without the header
  grep -v '^#' "$list" | grep -v '^[[:space:]]*$' | if [ ${#only[@]} -gt 0 ]; then
    awk -F'\t' -v ids=" ${only[*]} " 'index(ids, " " $1 " ") > 0'
  else cat; fi
}

# apply/restore/check one mutant in a tree: python for exact text replacement.
edit() {  # action tree id file original mutated  -> prints the file it changed (relative)
  python3 - "$@" <<'PY'
import os, sys
action, tree, mid, hint, original, mutated = sys.argv[1:7]
def occurrences(path):
    try:
        with open(path, encoding='utf-8') as f: return f.read().count(original)
    except (OSError, UnicodeDecodeError): return 0
path = os.path.join(tree, hint)
if not os.path.exists(path):
    # The file moved or was renamed: look for the text anywhere below src/.
    found = []
    for folder, _, names in os.walk(os.path.join(tree, 'src')):
        for name in names:
            candidate = os.path.join(folder, name)
            n = occurrences(candidate)
            if n: found.append((candidate, n))
    path = found[0][0] if len(found) == 1 else path
if occurrences(path) != 1:
    sys.exit(3)
relative = os.path.relpath(path, tree)
if action == 'apply':
    with open(path, encoding='utf-8') as f: text = f.read()
    with open(path + '.orig', 'w', encoding='utf-8') as f: f.write(text)
    with open(path, 'w', encoding='utf-8') as f: f.write(text.replace(original, mutated))
print(relative)
PY
}

restore() {  # tree relative-file
  # Touched, so that make rebuilds the file (the compiler cache makes that quick).
  if [ -f "$1/$2.orig" ]; then mv "$1/$2.orig" "$1/$2" && touch "$1/$2"; fi
}

if [ "$mode" = list ]; then
  mutants | while IFS=$'\t' read -r id file original mutated what; do
    if where=$(edit check "$root" "$id" "$file" "$original" "$mutated" 2>/dev/null); then
      printf '%-4s %-40s %s\n' "$id" "$where" "$what"
    else
      printf '%-4s %-40s %s\n' "$id" "$file" "NOT APPLICABLE: text not found exactly once"
    fi
  done
  exit 0
fi

# Brings a scratch copy up to date with the tracked tree: only files whose content
# differs are copied, so an existing build stays valid. A file left mutated by an
# interrupted run differs too and is put right.
sync_copy() {  # dest
  mkdir -p "$1"
  git ls-files -z | python3 -c '
import os, shutil, sys
dest = sys.argv[1]
for name in sys.stdin.buffer.read().decode().split("\0"):
    if not name or not os.path.isfile(name): continue
    target = os.path.join(dest, name)
    stale = target + ".orig"
    if os.path.exists(stale): os.remove(stale)
    try:
        with open(name, "rb") as a, open(target, "rb") as b:
            if a.read() == b.read(): continue
    except OSError: pass
    os.makedirs(os.path.dirname(target) or ".", exist_ok=True)
    shutil.copy(name, target)  # a new time stamp: make rebuilds what changed
' "$1"
}

build() {  # worker-dir
  cmake --build "$1/build" -j2 --target "${programs[@]}" >"$1/build.log" 2>&1
}

run_program() {  # worker-dir program limit -> 0 pass, 1 fail, 124 timeout
  local exe
  exe=$(find "$1/build/tests" -name "$2" -type f -perm -u+x | head -1)
  [ -n "$exe" ] || return 1
  (cd "$1/run" && timeout -k 5 "$3" "$exe" --gtest_filter="$gtest_filter" --gtest_brief=1 >/dev/null 2>&1)
  local rc=$?
  [ $rc = 0 ] && return 0
  [ $rc = 124 ] || [ $rc = 137 ] && return 124
  return 1
}

# Sets up a worker's copy and build, runs the unmutated suites once (they must pass)
# and records each program's time; the per-program limit is three times that.
prepare() {  # worker-dir
  local dir=$1
  sync_copy "$dir/src-copy"
  mkdir -p "$dir/run"
  if [ ! -f "$dir/build/CMakeCache.txt" ]; then
    cmake -S "$dir/src-copy" -B "$dir/build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Debug -DOSTREVANE_SANITIZE=OFF \
      -DOSTREVANE_TSAN=OFF -DOSTREVANE_BENCHMARKS=OFF -DCMAKE_GTEST_DISCOVERY_MODE=PRE_TEST >"$dir/configure.log" 2>&1 ||
      { echo "configure failed: $dir/configure.log" >&2; return 1; }
  fi
  build "$dir" || { echo "the unmutated build fails: $dir/build.log" >&2; return 1; }
  : >"$dir/limits"
  local p start ms
  for p in "${programs[@]}"; do
    start=$(date +%s%N)
    run_program "$dir" "$p" 600 || { echo "the unmutated $p fails; fix that first" >&2; return 1; }
    ms=$((($(date +%s%N) - start) / 1000000))
    echo "$p $((ms * 3 / 1000 + 10))" >>"$dir/limits"
  done
}

limit_of() { awk -v p="$2" '$1 == p { print $2 }' "$1/limits"; }

# Runs the given rows in one worker; one result line per mutant on stdout.
worker() {  # worker-dir rows-file
  local dir=$1 id file original mutated what where start verdict p order rc
  while IFS=$'\t' read -r id file original mutated what; do
    start=$(date +%s)
    if ! where=$(edit apply "$dir/src-copy" "$id" "$file" "$original" "$mutated" 2>/dev/null); then
      printf '%s\t%s\t%s\t%s\t%s\n' "$id" "$file" "not applicable" 0 "$what"
      continue
    fi
    if ! build "$dir"; then
      verdict="not compiled"
    else
      verdict=survived
      order="$(first_for "$where") ${programs[*]}"
      declare -A seen=()
      for p in $order; do
        [ -n "${seen[$p]:-}" ] && continue
        seen[$p]=1
        run_program "$dir" "$p" "$(limit_of "$dir" "$p")"
        rc=$?
        if [ $rc = 124 ]; then verdict="timed out ($p)"; break; fi
        if [ $rc != 0 ]; then verdict="killed ($p)"; break; fi
      done
      unset seen
    fi
    restore "$dir/src-copy" "$where"
    printf '%s\t%s\t%s\t%s\t%s\n' "$id" "$where" "$verdict" "$(($(date +%s) - start))" "$what"
  done <"$2"
  # Leave the build matching the sources again (the restored files come from the cache).
  build "$dir"
}

rows=$(mktemp)
trap 'rm -f "$rows" "$rows".*' EXIT
mutants >"$rows"
total=$(wc -l <"$rows")
[ "$total" -gt 0 ] || { echo "no mutants selected" >&2; exit 2; }
mkdir -p "$work"
echo "Mutation run: $total mutants, $jobs worker(s), scratch builds in $work/"

pids=()
for ((k = 1; k <= jobs; k++)); do
  awk -v k="$k" -v n="$jobs" '(NR - 1) % n == k - 1' "$rows" >"$rows.$k"
  dir=$root/$work; [ "$k" -gt 1 ] && dir=$root/$work/worker$k
  (
    prepare "$dir" || exit 1
    echo "worker $k ready: limits per program (s): $(tr '\n' ' ' <"$dir/limits")" >&2
    worker "$dir" "$rows.$k" | while IFS= read -r line; do
      printf '%s\n' "$line" >>"$rows.out"
      IFS=$'\t' read -r id where verdict seconds what <<<"$line"
      printf '%-4s %-30s %4ss  %-32s %s\n' "$id" "$verdict" "$seconds" "$where" "$what"
    done
  ) &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
[ -f "$rows.out" ] || { echo "no results" >&2; exit 1; }

{ printf 'id\tfile\tverdict\tseconds\twhat it models\n'; sort "$rows.out"; } >"$work/results.tsv"
count() { cut -f3 "$rows.out" | grep -c "^$1" ; }
killed=$(count killed) survived=$(count survived) timed=$(count "timed out") broken=$(count "not compiled")
na=$(count "not applicable")
counted=$((killed + survived + timed))
rate=$(awk -v k=$((killed + timed)) -v n=$counted 'BEGIN { if (n) printf "%.1f", 100 * k / n; else print "n/a" }')
echo
echo "Survivors:"
awk -F'\t' '$3 == "survived" { printf "  %-4s %-34s %s\n", $1, $2, $5 }' "$work/results.tsv"
echo "killed $killed / survived $survived / timed out $timed / not compiled $broken: kill rate $rate%" \
  "(timed out counts as killed; $na not applicable)"
echo "Results: $work/results.tsv"
exit $status
