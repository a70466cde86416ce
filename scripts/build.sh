#!/usr/bin/env bash
# Configures and builds the project in build/ (or the directory given as $1,
# with any further arguments passed to CMake).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Checkouts side by side share compiled objects through the compiler cache.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd .. && pwd)}"
dir=${1:-build}
shift || true
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
