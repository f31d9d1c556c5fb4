#!/usr/bin/env bash
# Builds everything and runs every test under Wine. Extra arguments go to ctest (e.g. -R store).
# BUILD_DIR chooses the build tree (default build/mingw).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$root/build/mingw}

"$root/scripts/setup.sh"
"$root/scripts/check-format.sh"
cmake --preset mingw -S "$root" -B "$BUILD_DIR" >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"
exec "$root/scripts/run-tests.sh" "$@"
