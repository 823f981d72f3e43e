#!/usr/bin/env bash
# Whole-process benchmark: runs ldsgen through its dialogue for growing occasion counts and both
# models, and compares it with cat copying the same bytes into the same folder.
# Usage: bench/run.sh [RUNS]   (RUNS: timed runs per figure, median taken; default 5)
# Needs: cmake, a C++ compiler, strace, valgrind, GNU time (/usr/bin/time), libbenchmark-dev.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
build=$root/build/bench
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLDSGEN_TESTS=OFF -DLDSGEN_BENCH=ON \
  >/dev/null
cmake --build "$build" >/dev/null
bin=$build/ldsgen
work=$(mktemp -d "$root/build/bench-work.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# seconds OUTPUT COMMAND...: wall time of one run, standard output to OUTPUT.
seconds() {
  local out=$1 t0=$EPOCHREALTIME
  shift
  "$@" >"$out" 2>/dev/null
  awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.6f\n", b - a }'
}

echo "| model | N | script | ldsgen | cat | ldsgen / cat | dd bs=64K | MB/s | peak RSS | write calls | KiB per write | instructions per byte |"
echo "|---|---|---|---|---|---|---|---|---|---|---|---|"
for model in 0 1; do
  for n in 10 1000 100000 1000000; do
    printf 'script.inp %s d.dat %s\n' "$model" "$n" >answers
    ours=() theirs=() floor=() ratios=()
    for ((r = 0; r < runs; r++)); do
      # Every run writes a new file: emptying a large old one would be timed too.
      rm -f script.inp copy.inp
      a=$(seconds /dev/null "$bin" <answers)
      b=$(seconds copy.inp cat script.inp)
      rm -f copy.inp
      c=$(seconds copy.inp dd if=script.inp bs=64K status=none)
      ours+=("$a") theirs+=("$b") floor+=("$c")
      ratios+=("$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.2f\n", a / b }')")
    done
    t_ours=$(printf '%s\n' "${ours[@]}" | median)
    t_cat=$(printf '%s\n' "${theirs[@]}" | median)
    t_dd=$(printf '%s\n' "${floor[@]}" | median)
    ratio=$(printf '%s\n' "${ratios[@]}" | median)
    size=$(stat -c %s script.inp)
    peak=$(/usr/bin/time -f %M "$bin" <answers 2>&1 >/dev/null | tail -n 1)
    # libstdc++ hands a file's blocks to writev, the console's lines to write: count both.
    strace -f -c -e trace=write,writev -o strace.txt "$bin" <answers >/dev/null 2>&1
    writes=$(awk '$NF == "write" || $NF == "writev" { n += $4 } END { print n }' strace.txt)
    per_byte="-"
    if [ "$n" = 100000 ]; then
      valgrind --tool=callgrind --callgrind-out-file=/dev/null "$bin" <answers >/dev/null 2>cg.txt
      ir=$(grep -o 'Collected : [0-9]*' cg.txt | grep -o '[0-9]*$')
      per_byte=$(awk -v i="$ir" -v s="$size" 'BEGIN { printf "%.2f", i / s }')
    fi
    awk -v m="$model" -v n="$n" -v s="$size" -v a="$t_ours" -v b="$t_cat" -v r="$ratio" \
      -v d="$t_dd" -v p="$peak" -v w="$writes" -v i="$per_byte" 'BEGIN {
        printf "| %s | %d | %.3f MB | %.4f s | %.4f s | %s | %.4f s | %.0f | %.2f MiB | %d | %.1f | %s |\n",
          (m == 0 ? "univariate" : "bivariate"), n, s / 1e6, a, b, r, d, s / 1e6 / a, p / 1024,
          w, s / 1024 / w, i }'
  done
done
echo
echo "The statement writer alone (Google Benchmark):"
"$build/bench/ldsgen_writer_bench" --benchmark_min_time=0.2 2>/dev/null | tail -n +4

# The web page in headless Chromium: its weight, the first preview, a bivariate script of
# 100,000 occasions (needs emscripten, chromium and `npm ci` in tests/web).
if command -v emcmake >/dev/null && [ -d "$root/tests/web/node_modules/playwright-core" ]; then
  echo
  echo "The web page:"
  bash "$root/tests/web/run.sh" "$root" "$bin" | grep '^measured:'
fi
