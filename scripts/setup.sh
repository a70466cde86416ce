#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Quick and silent
# when everything is already there; safe to run any number of times.
set -euo pipefail

packages=(g++ cmake make libgtest-dev libgmock-dev libbenchmark-dev ccache)
# The Python package (built with pybind11 against Debian's /usr/bin/python3) and
# its tests: numpy arrays, pandas frames, thread and Dask batches, progress bars.
packages+=(pybind11-dev python3-dev python3-numpy python3-pandas python3-pytest python3-distributed python3-tqdm)
# Plots (matplotlib, drawn with Agg) and the run report's browser test:
# headless Chromium driven over its DevTools pipe, the screenshot read with PIL.
packages+=(python3-matplotlib python3-pil chromium)
# The fuzzing targets: clang with its libFuzzer and sanitizer runtimes.
packages+=(clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
