#!/usr/bin/env bash
# Builds everything and runs the whole test suite (unit, golden and the
# FORMAT vectors). Usage: scripts/test.sh [build-dir [cmake args...]]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
scripts/build.sh "$@"
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
