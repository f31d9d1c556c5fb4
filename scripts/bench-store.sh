#!/usr/bin/env bash
# Benchmark of the store routines (capture, launch list, restore) against the raw calls.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"
wine_env_fixed_layout "$0" "$@"
build=${BUILD_DIR:-$root/build/mingw}
"$root/scripts/setup.sh"
cmake --preset mingw -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target store_bench
wine_env_start "$build"
trap wine_env_stop EXIT
wine "$build/bench/store_bench.exe"
