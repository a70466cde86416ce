#!/usr/bin/env bash
# Builds the program and runs the bundled example study in examples/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build >/dev/null
cd examples
../build/kestran example.dat
echo
echo "Detailed output: examples/example.out   Summary output: examples/example.sum"
