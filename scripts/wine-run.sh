#!/usr/bin/env bash
# CTest's emulator: runs one Windows test binary under the run's private Wine prefix.
# With TARNWICK_OWN_PREFIX set (a test property) the binary gets a prefix of its own at that path,
# a fresh copy of the run's template, and a display of its own: it shares nothing with the tests
# of the run's prefix and needs not wait for their lock.
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-run: WINEPREFIX is not set; run the tests with scripts/test.sh" >&2
    exit 2
fi
[ -n "${TARNWICK_OWN_PREFIX:-}" ] || exec wine "$@"

. "$(dirname "$0")/wine-env.sh"
template=$(dirname "$WINEPREFIX")/template
export WINEPREFIX=$TARNWICK_OWN_PREFIX
rm -rf "$WINEPREFIX"
cp -a "$template" "$WINEPREFIX"
wine_env_display
trap 'wineserver -k >/dev/null 2>&1 || true; wine_env_display_stop' EXIT
wineserver -p
# As in wine_env_start: the prefix's first process starts Wine's services, detached from the
# test's output.
wine cmd /c exit </dev/null >/dev/null 2>&1
wine "$@"
