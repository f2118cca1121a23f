#!/usr/bin/env bash
# Builds the parser fuzzers with clang (in <build>/fuzz) and runs each for a
# bounded time on a copy of its corpus. Any crash, leak, sanitizer report or
# timeout fails the run; the input that caused it is left in <build>/fuzz.
#   fuzz/run_fuzzers.sh <build folder> [seconds per fuzzer, default 30] [fuzzer...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:?build folder}" && pwd)/fuzz"
seconds="${2:-${ROCKVANE_FUZZ_SECONDS:-30}}"
shift $(( $# >= 2 ? 2 : $# ))
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(readout dates criteria numbers)

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" > "$build.log" 2>&1 \
  || { cat "$build.log"; exit 1; }
cmake --build "$build" -j2 >> "$build.log" 2>&1 || { tail -n 60 "$build.log"; exit 1; }

for t in "${targets[@]}"; do
  work="$build/corpus-$t"
  mkdir -p "$work"
  echo "== fuzz_$t for ${seconds}s"
  (cd "$build" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     "./fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
     "$work" "$here/corpus/$t")
done
