#!/usr/bin/env bash
# Puts Windows' "High Contrast Black" scheme (scripts/high-contrast-black.reg, which the tests'
# harness reads too) into the current Wine prefix. Wine cannot switch high contrast itself on: a
# program is told of it with TARNWICK_HIGH_CONTRAST=1.
set -euo pipefail
scheme="$(cd "$(dirname "$0")" && pwd)/high-contrast-black.reg"
wine regedit /S "Z:${scheme//\//\\}" </dev/null >/dev/null 2>&1
