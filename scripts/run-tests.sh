#!/usr/bin/env bash
# Runs the already built tests of BUILD_DIR under a pristine private Wine prefix and an Xvfb
# display. Extra arguments go to ctest (a -j of your own wins). Tests run side by side as far as
# they share nothing: those in the one prefix hold its lock (RESOURCE_LOCK wine_prefix) and run
# one at a time; the log-on scenarios and the longest test binary bring a prefix and a display of
# their own, and the host tools' tests need neither.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/mingw}

. "$root/scripts/wine-env.sh"
wine_env_fixed_layout "$0" "$@"
wine_env_start "$build"
trap wine_env_stop EXIT
# Three tests to a processor: the tests under Wine spend most of their time in the programs' own
# delays, not on a processor, and each with a prefix of its own can run beside the others.
ctest --test-dir "$build" --output-on-failure -j "$(($(nproc) * 3))" "$@"
