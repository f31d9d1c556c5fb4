#!/usr/bin/env bash
# CTest's emulator: runs one Windows test binary under the run's private Wine prefix.
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-run: WINEPREFIX is not set; run the tests with scripts/test.sh" >&2
    exit 2
fi
exec wine "$@"
