#!/usr/bin/env bash
# Builds everything and runs every test under Wine. Extra arguments go to ctest (e.g. -R store).
# BUILD_DIR chooses the build tree (default build/mingw).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/mingw}

"$root/scripts/setup.sh"
cmake --preset mingw -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)"

. "$root/scripts/wine-env.sh"
wine_env_start "$build"
trap wine_env_stop EXIT
ctest --test-dir "$build" --output-on-failure "$@"
