#!/usr/bin/env bash
# Builds the product in BUILD_DIR/package/ (default build/mingw): the program folder Tarnwick/
# (cmake --install, component Tarnwick), the setup program TarnwickSetup-<version>.exe (NSIS) and
# Tarnwick-<version>.zip, and prints their sizes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/mingw}
"$root/scripts/setup.sh"
cmake --preset mingw -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target package_tarnwick
cd "$build/package"
for product in TarnwickSetup-*.exe Tarnwick-*.zip; do
    printf '%10d bytes  %s\n' "$(stat -c %s "$product")" "$build/package/$product"
done
printf '%10d bytes  %s (%d files)\n' \
    "$(find Tarnwick -type f -printf '%s\n' | awk '{ total += $1 } END { print total }')" \
    "$build/package/Tarnwick/" "$(find Tarnwick -type f | wc -l)"
