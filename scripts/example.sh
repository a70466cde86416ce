#!/usr/bin/env bash
# Builds the program and runs the bundled example studies in examples/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build >/dev/null
cd examples
../build/kestran example.dat
echo
echo "Detailed output: examples/example.out   Summary output: examples/example.sum"
echo
# The second study, in its own folder, adds the two catchments' runoff, diverts
# part of the sum and sizes a storage volume for it.
cd storage_study
../../build/kestran study.dat
echo
echo "Detailed output: examples/storage_study/study.out   Summary output: examples/storage_study/study.sum"
