#!/usr/bin/env bash
# Builds the program alone and runs the example studies of examples/: first
# the Cedar Brook catchment system, then the two short introductory studies.
# The build is its own (build-example/): no tests, benchmarks or Python
# package, the sources compiled in a few unity batches at -O1 with the common
# headers precompiled, which takes a fraction of the time of the full build
# (scripts/test.sh builds everything).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd .. && pwd)}"
dir=build-example
configure() {
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" \
    -DKESTRAN_TESTS=OFF -DKESTRAN_BENCH=OFF -DKESTRAN_PYTHON=OFF -DKESTRAN_PCH=ON -DCMAKE_UNITY_BUILD="$1" >/dev/null
}
configure ON
if ! cmake --build "$dir" -j"$(nproc)" --target kestran >/dev/null 2>"$dir/unity-errors.txt"; then
  # A new file whose file-local names clash with a neighbour's in a unity
  # batch: build file by file instead (slower, same program).
  echo "example: the unity build failed (see $dir/unity-errors.txt); building file by file" >&2
  configure OFF
  cmake --build "$dir" -j"$(nproc)" --target kestran >/dev/null
fi
program="$(pwd)/$dir/kestran"

# The realistic study: farmland and a subdivision under a 100-year design
# storm (dual drainage, trunk sewer, pond with spillway, brook), then the
# subdivision's sanitary sewer under a recorded storm. Its summary output
# follows; review.txt beside it says what each block shows and how it was
# checked.
(cd examples/catchment_system && "$program" study.dat)
echo
echo "Detailed output: examples/catchment_system/study.out"
echo "Summary output:  examples/catchment_system/study.sum"
echo "Outlet hydrograph: examples/catchment_system/OUTLET.001"

# The two introductory studies: a tour of the commands one by one, and a
# storage sizing for the sum of two catchments.
(cd examples && "$program" example.dat >/dev/null 2>&1)
(cd examples/storage_study && "$program" study.dat >/dev/null 2>&1)
echo "Introductory studies: examples/example.out, examples/storage_study/study.out"
