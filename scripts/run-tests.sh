#!/usr/bin/env bash
# Runs the already built tests of BUILD_DIR under a pristine private Wine prefix and an Xvfb
# display. Extra arguments go to ctest. Tests run one at a time: the GUI tests share the display
# and the prefix's registry.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/mingw}

. "$root/scripts/wine-env.sh"
wine_env_start "$build"
trap wine_env_stop EXIT
ctest --test-dir "$build" --output-on-failure "$@"
