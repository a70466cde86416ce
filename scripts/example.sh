#!/usr/bin/env bash
# Builds the program and runs the bundled example study in examples/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build >/dev/null
cd examples
../build/kestran example.dat
echo
echo "Detailed output: examples/example.out   Summary output: examples/example.sum"
echo
# The second study adds, diverts and sizes storage for the two catchments.
../build/kestran storage_study.dat
echo
echo "Detailed output: examples/storage_study.out   Summary output: examples/storage_study.sum"
