#!/usr/bin/env bash
# Fuzzes the command reader, every data-file reader and whole studies with
# libFuzzer under AddressSanitizer and UBSan, each target for SECONDS seconds
# (default 60). Usage: scripts/fuzz.sh TARGET|all [SECONDS]
# Targets: command_reader study storm_file mass_curve hourly_records
#          hydrograph_file default_values dwf_curves routing_tables
# Builds with clang in build-fuzz/ (KESTRAN_FUZZ=ON). Corpora grow in
# build-fuzz/corpus/TARGET, seeded from fuzz/seeds, the golden cases, the
# examples and the inputs that once failed (fuzz/regressions); an input that
# fails now is kept in build-fuzz/crashes/TARGET.
set -euo pipefail
cd "$(dirname "$0")/.."
targets=(command_reader study storm_file mass_curve hourly_records hydrograph_file default_values dwf_curves routing_tables)
which=${1:-all}
seconds=${2:-60}
if [ "$which" != all ]; then
  printf '%s\n' "${targets[@]}" | grep -qx "$which" || { echo "fuzz.sh: unknown target $which" >&2; exit 2; }
  targets=("$which")
fi

export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd .. && pwd)}"
cmake -S . -B build-fuzz -DKESTRAN_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTRAN_BENCH=OFF -DKESTRAN_PYTHON=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target $(printf 'fuzz_%s ' "${targets[@]}") >/dev/null

# The seeds of a target: its own files, and for the targets that read whole
# studies every input file of the golden cases and the examples.
seed() {
  local t=$1 dir=build-fuzz/corpus/$1
  mkdir -p "$dir"
  [ -d "fuzz/seeds/$t" ] && cp -n fuzz/seeds/"$t"/* "$dir"/
  [ -d "fuzz/regressions/$t" ] && cp -n fuzz/regressions/"$t"/* "$dir"/
  case $t in
    command_reader|study)
      find tests/golden examples -type f \( -name 'RUN*.DAT' -o -name '*.dat' \) -not -path '*/expected*' |
        while read -r f; do cp -n "$f" "$dir/$(echo "$f" | tr / _)"; done
      [ "$t" = command_reader ] && cp -n fuzz/seeds/study/* "$dir"/ ;;
    storm_file)
      find tests/golden examples -type f -name '*.STM' | while read -r f; do cp -n "$f" "$dir/$(echo "$f" | tr / _)"; done ;;
    default_values) cp -n tests/data/runoff/dv*.dat "$dir"/ ;;
  esac
  return 0
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for t in "${targets[@]}"; do
  seed "$t"
  mkdir -p "build-fuzz/crashes/$t"
  dict=()
  case $t in command_reader|study|routing_tables|dwf_curves) dict=(-dict=fuzz/kestran.dict) ;; esac
  log="build-fuzz/fuzz_$t.log"
  # -timeout: any input that runs longer than 10 s is a hang; every loop of
  # the program is bounded.
  if build-fuzz/fuzz/fuzz_"$t" "build-fuzz/corpus/$t" "${dict[@]}" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2560 -max_len=8192 -print_final_stats=1 -artifact_prefix="build-fuzz/crashes/$t/" >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    status=1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | head -1 | grep -o '[0-9]*$' || echo 0)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo 0)
  printf 'fuzz %-16s %s: %s runs in %ss, %s edges covered (log %s)\n' "$t" "$result" "$runs" "$seconds" "$cov" "$log"
  [ "$result" = ok ] || grep -m3 'ERROR\|SUMMARY\|kestran fuzz' "$log" || true
done
exit $status
