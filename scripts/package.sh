#!/usr/bin/env bash
# Builds the product: the program folder, the setup program TarnwickSetup-1.6.0.exe (NSIS) and
# Tarnwick-1.6.0.zip, in BUILD_DIR/package/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/mingw}
"$root/scripts/setup.sh"
cmake --preset mingw -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target package_tarnwick
ls -l "$build/package"
