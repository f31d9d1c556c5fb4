#!/usr/bin/env bash
# CTest's emulator: runs one Windows test binary under the run's private Wine prefix.
# With TARNWICK_OWN_PREFIX set (a test property) the binary gets a prefix of its own at that path,
# a fresh copy of the run's template, and a display of its own: it shares nothing with the tests
# of the run's prefix and needs not wait for their lock.
# A binary that ends abnormally says so on its output, which CTest keeps in its log: the exit
# code and what it means, and Wine's own errors (a missing DLL, a crash report) come with it.
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-run: WINEPREFIX is not set; run the tests with scripts/test.sh" >&2
    exit 2
fi
. "$(dirname "$0")/wine-env.sh"
wine_env_fixed_layout "$0" "$@"

if [ -n "${TARNWICK_OWN_PREFIX:-}" ]; then
    template=$(dirname "$WINEPREFIX")/template
    export WINEPREFIX=$TARNWICK_OWN_PREFIX
    wine_env_end_server "$WINEPREFIX"
    rm -rf "$WINEPREFIX"
    cp -a "$template" "$WINEPREFIX"
    wine_env_display
    trap 'wineserver -k >/dev/null 2>&1 || true; wine_env_display_stop' EXIT
    wineserver -p
    # As in wine_env_start: the prefix's first process starts Wine's services, detached from the
    # test's output.
    wine cmd /c exit </dev/null >/dev/null 2>&1
fi

# GoogleTest removes this file once its tests are over: still there afterwards, the binary ended
# before that, whatever its exit code says. Made here, so that a binary that never got to its
# tests leaves it too.
unfinished=$(mktemp "${TMPDIR:-/tmp}/tarnwick-unfinished.XXXXXX")
export TEST_PREMATURE_EXIT_FILE="Z:${unfinished//\//\\}"
# Wine's errors are few in a run that goes well, and they are what tells a missing DLL (exit code
# 53) from a crash; the crash report replaces the crash dialog (see wine_env_template).
export WINEDEBUG=-all,err+all
start=$SECONDS
wine "$@"
code=$?
if [ -e "$unfinished" ] || { [ "$code" -ne 0 ] && [ "$code" -ne 1 ]; }; then
    echo "wine-run: $(basename "$1") ended abnormally after $((SECONDS - start)) s," \
        "exit code $code: $(wine_exit_meaning "$code")" >&2
    [ -e "$unfinished" ] && echo "wine-run: its tests did not run to their end" >&2
    [ "$code" -eq 0 ] && code=1
fi
rm -f "$unfinished"
exit "$code"
