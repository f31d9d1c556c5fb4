#!/usr/bin/env bash
# Builds everything and runs every test under Wine. Extra arguments go to ctest (e.g. -R store).
# BUILD_DIR chooses the build tree (default build/mingw).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$root/build/mingw}
. "$root/scripts/wine-env.sh"
wine_env_fixed_layout "$0" "$@"

"$root/scripts/setup.sh"
"$root/scripts/check-format.sh"
cmake --preset mingw -S "$root" -B "$BUILD_DIR" >/dev/null
# The tests' template Wine prefix is made while the build runs: wineboot spends most of its time
# waiting on Wine's services, not computing.
wine_env_template "$(mkdir -p "$BUILD_DIR" && cd "$BUILD_DIR" && pwd)" &
template=$!
cmake --build "$BUILD_DIR" -j "$(nproc)"
wait "$template"
exec "$root/scripts/run-tests.sh" "$@"
