#!/usr/bin/env bash
# Builds the libFuzzer targets (the clang preset "fuzz": ASan + UBSan) and runs each
# for SECONDS (default 60) on a scratch copy of its committed corpus. Prints per
# target the executions, their rate and the crashes; a crash's input is kept in
# build/fuzz/artifacts/<target>/.
#
#   scripts/fuzz.sh [SECONDS] [--merge] [TARGET...]
#   RUNS=10000000 scripts/fuzz.sh 20000 reply   # stops at RUNS executions, or at SECONDS
#   PROCESSES=2 RUNS=10000000 scripts/fuzz.sh 20000 reply   # the RUNS shared by two processes
#                                                           # on one corpus (one per core)
#
# --merge rebuilds each corpus, minimised: the named inputs (hand-made cases and the
# inputs of faults found) stay, and of the numbered ones, old and new, libFuzzer's merge
# keeps only those that reach code (edges, not hit counts) the rest does not.
set -u
cd "$(dirname "$0")/.."
seconds=60 merge=0 targets=()
for argument in "$@"; do
  case "$argument" in
    --merge) merge=1 ;;
    ''|*[!0-9]*) targets+=("$argument") ;;
    *) seconds=$argument ;;
  esac
done
[ "${#targets[@]}" -gt 0 ] || targets=(reply address pdb host_tags value telnet)
jobs=${JOBS:-2}
processes=${PROCESSES:-1}
runs=()
[ -n "${RUNS:-}" ] && runs=(-runs=$(((RUNS + processes - 1) / processes)))
# Allocation stacks are what AddressSanitizer spends most on per input here; a report
# still shows where the fault is, and an artifact run alone (the program and the file)
# shows them in full.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0}

# libFuzzer comes with clang's runtime libraries (Debian: clang, libclang-rt-14-dev).
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf '#include <cstddef>\n#include <cstdint>\nextern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }\n' \
  >"$probe/probe.cpp"
if ! clang++ -fsanitize=fuzzer "$probe/probe.cpp" -o "$probe/probe" 2>"$probe/error"; then
  echo "fuzz: clang++ cannot build a libFuzzer program:"
  cat "$probe/error"
  echo "fuzz: install clang and its runtime: scripts/install-deps.sh --fuzz (as root)"
  exit 2
fi

cmake --preset fuzz >/dev/null || exit 2
cmake --build --preset fuzz -j"$jobs" --target "${targets[@]/%/_fuzz}" || exit 2

results=() status=0
for target in "${targets[@]}"; do
  program=build/fuzz/tests/fuzz/${target}_fuzz
  corpus=tests/fuzz/corpus/$target
  scratch=build/fuzz/scratch/$target
  artifacts=build/fuzz/artifacts/$target/
  log=build/fuzz/logs/$target.log
  rm -rf "$scratch"
  mkdir -p "$scratch" "$artifacts" "$(dirname "$log")"
  cp "$corpus"/* "$scratch"/
  before=$(find "$artifacts" -type f | wc -l)
  echo "fuzz: $target for ${seconds}s (log: $log)"
  # A configuration block is 26424 bytes; the other inputs stay small.
  max_len=4096
  [ "$target" = pdb ] && max_len=26424
  # Tokens the mutations splice in: mnemonics, separators, control characters.
  dictionary=()
  case "$target" in
    reply) dictionary=(-dict=tests/fuzz/reply.dict) ;;
    address | host_tags) dictionary=(-dict=tests/fuzz/address.dict) ;;
  esac
  # Several processes share the scratch corpus: each takes up what the others find.
  parts=("$log")
  [ "$processes" -gt 1 ] && parts=($(seq -f "$log.%g" 1 "$processes"))
  for part in "${parts[@]}"; do
    "$program" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -print_final_stats=1 \
      "${runs[@]}" "${dictionary[@]}" -artifact_prefix="$artifacts" "$scratch" >"$part" 2>&1 &
  done
  code=0
  for pid in $(jobs -p); do wait "$pid" || code=$?; done
  [ "$processes" -gt 1 ] && cat "${parts[@]}" >"$log"
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "${parts[@]}" | awk '{n += $1} END {print n}')
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "${parts[@]}" | awk '{n += $1} END {print n}')
  coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1)
  crashes=$(($(find "$artifacts" -type f | wc -l) - before))
  [ "$code" -ne 0 ] && [ "$crashes" -eq 0 ] && crashes=1  # stopped by a fault without an artifact
  [ "$crashes" -gt 0 ] && status=1
  results+=("$(printf '%-10s executions %10s   per second %6s   %-18s crashes %d' "$target" "${executions:-?}" \
    "${rate:-?}" "${coverage:-cov: ?}" "$crashes")")
  if [ "$merge" -eq 1 ] && [ "$crashes" -eq 0 ]; then
    merged=build/fuzz/merged/$target
    rm -rf "$merged" && mkdir -p "$merged"
    find "$corpus" -type f -regextype posix-extended ! -regex '.*/[0-9a-f]{40}' -exec cp {} "$merged"/ \;
    before=$(find "$corpus" -type f | wc -l)
    if "$program" -merge=1 -use_counters=0 -max_len="$max_len" "$merged" "$corpus" "$scratch" >>"$log" 2>&1; then
      find "$corpus" -type f -regextype posix-extended -regex '.*/[0-9a-f]{40}' -delete
      cp -n "$merged"/* "$corpus"/
      echo "fuzz: $target: corpus of $before inputs now $(find "$corpus" -type f | wc -l)"
    else
      echo "fuzz: $target: merge failed (log: $log)" && status=1
    fi
  fi
done

echo
for line in "${results[@]}"; do echo "$line"; done
exit "$status"
