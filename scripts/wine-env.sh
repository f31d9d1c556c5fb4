# Sourced by the test, demo and benchmark scripts: a private Wine prefix inside the build tree,
# an Xvfb display, and a persistent wineserver for the length of one run.
#   wine_env_fixed_layout "$0" "$@"   first thing in a script that runs Wine: runs it again with
#                              address spaces laid out the same way each time
#   wine_env_start BUILD_DIR   exports WINEPREFIX, HOME, XDG_DATA_HOME, DISPLAY, WINEDEBUG; one run
#                              of a build tree at a time: a second one waits for the first
#   wine_env_stop              ends the prefix's server (and every stray child) and the display
#   wine_env_display           starts a display of its own (Xvfb) and exports DISPLAY
#   wine_env_display_stop      ends that display
#   wine_env_end_server DIR    ends the server of the prefix at DIR, before the folder is replaced

# Debian's Wine comes without the preloader that reserves Wine's fixed places before the system's
# loader runs, and Linux puts a program's heap anywhere in the gigabyte after it: now and then on
# the page at 0x7ffe0000 where Wine maps the data it shares with its server. Such a process ends
# as it starts ("failed to map the shared user data: c0000018"; the CreateProcess that started it
# fails with error 1359), measured about once in a thousand starts: once in two or three runs of
# the tests. Without the randomisation (setarch -R, inherited by every process the script starts,
# Wine's included) the heap lies right after the program, well below that page, every time.
wine_env_fixed_layout() {
    local personality
    personality=$(cat "/proc/$$/personality" 2>/dev/null) || return 0
    (((0x$personality & 0x0040000) == 0)) || return 0
    if setarch "$(uname -m)" -R true 2>/dev/null; then
        exec setarch "$(uname -m)" -R "$BASH" "$@"
    fi
    echo "wine-env: address randomisation stays on (setarch -R is refused here):" \
        "now and then a Wine process will end as it starts" >&2
}

wine_env_template() {
    local base=$1
    local template="$base/wine/template"
    [ -f "$template/.tarnwick-ready" ] && return 0
    rm -rf "$template"
    mkdir -p "$template" "$base/wine/home" "$base/wine/data"
    (
        export WINEPREFIX="$template" HOME="$base/wine/home" XDG_DATA_HOME="$base/wine/data"
        export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
        wineboot -i </dev/null >/dev/null 2>&1
        # Without a window manager every hide of a managed top-level window costs about 2 s.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
        # A program that crashes writes Wine's report to its error output and ends. Wine's crash
        # dialog would keep it waiting for a click that never comes on Xvfb, and its test would
        # hang until CTest's time limit.
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
            </dev/null >/dev/null 2>&1
        wineserver -w
    )
    touch "$template/.tarnwick-ready"
}

wine_env_start() {
    local base
    base=$(mkdir -p "$1" && cd "$1" && pwd)
    wine_env_lock "$base"
    wine_env_template "$base"
    # Wine looks for its own fonts (Tahoma, the title-bar glyphs) under XDG_DATA_HOME, which the
    # harness moves into the build tree.
    mkdir -p "$base/wine/data/fonts"
    ln -sf /usr/share/wine/fonts/*.ttf "$base/wine/data/fonts/"
    export HOME="$base/wine/home" XDG_DATA_HOME="$base/wine/data" WINEDEBUG=-all
    export WINEPREFIX="$base/wine/prefix"
    # Every run starts from a pristine copy of the template: nothing an earlier run left behind counts.
    wine_env_end_server "$WINEPREFIX"
    rm -rf "$WINEPREFIX"
    cp -a "$base/wine/template" "$WINEPREFIX"

    [ -n "${TARNWICK_USE_DISPLAY:-}" ] || wine_env_display

    wineserver -p
    # The first process of a prefix starts services.exe and explorer.exe, which inherit its
    # stdout; start them here, detached, so no later pipe waits on them.
    wine cmd /c exit </dev/null >/dev/null 2>&1
}

wine_env_stop() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
    wine_env_display_stop
    [ -n "${TARNWICK_RUN_LOCK:-}" ] && rm -rf "$TARNWICK_RUN_LOCK"
    TARNWICK_RUN_LOCK=
}

# A server is found by its prefix folder's inode: once the folder is replaced, nothing reaches the
# server that an interrupted run left running in it, and a persistent one lives on for good.
wine_env_end_server() {
    if [ -d "$1" ]; then WINEPREFIX=$1 wineserver -k >/dev/null 2>&1 || true; fi
}

# Two runs in one build tree would share its prefixes: the second copies the run's prefix afresh
# under the first's tests and ends their servers, which ends their programs mid-test. The lock is
# a folder holding the run's process id; one whose process is gone is taken over.
wine_env_lock() {
    local lock="$1/wine/run.lock" owner told=
    mkdir -p "$1/wine"
    until mkdir "$lock" 2>/dev/null; do
        owner=$(cat "$lock/pid" 2>/dev/null)
        if [ -n "$owner" ] && ! kill -0 "$owner" 2>/dev/null; then
            rm -rf "$lock"
            continue
        fi
        [ -n "$told" ] || echo "wine-env: waiting for the test run ${owner:-that starts} in $1" >&2
        told=1
        sleep 1
    done
    echo $$ >"$lock/pid"
    TARNWICK_RUN_LOCK=$lock
}

# What the exit code of a Windows program run by `wine` says, where it is not a test's 0 or 1.
# The shell sees the low byte of the program's code, so a status of the system's (0xC0000005)
# shows as that byte; codes from 129 are a Unix signal that ended the process.
wine_exit_meaning() {
    case $1 in
        0) echo "success" ;;
        3) echo "abort (an exception nothing caught, or a failed assertion)" ;;
        5) echo "0xC0000005, an access violation (Wine's crash report comes before this)" ;;
        53) echo "0xC0000135, a DLL it imports is missing (a program not linked -static)" ;;
        129 | 1[3-8][0-9] | 19[0-2]) echo "killed by signal $(($1 - 128)) ($(kill -l $(($1 - 128))))," \
            "as when its wineserver ends or a time limit is reached" ;;
        *) printf 'a Windows exit code whose low byte is 0x%02X\n' "$1" ;;
    esac
}

# A display of its own: a fresh Xvfb on the first free number from :91, as DISPLAY, of
# TARNWICK_SCREEN pixels (1280x1024 unless set). Tests that run side by side look for one at the
# same moment: the number is ours only once the lock names our server, else the next one is tried.
wine_env_display() {
    local n=90 i
    while :; do
        n=$((n + 1))
        if [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; then continue; fi
        Xvfb ":$n" -screen 0 "${TARNWICK_SCREEN:-1280x1024}x24" -nolisten tcp </dev/null >/dev/null 2>&1 &
        TARNWICK_XVFB_PID=$!
        for i in $(seq 100); do
            [ -e "/tmp/.X11-unix/X$n" ] || ! kill -0 "$TARNWICK_XVFB_PID" 2>/dev/null && break
            sleep 0.05
        done
        if kill -0 "$TARNWICK_XVFB_PID" 2>/dev/null &&
            [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$TARNWICK_XVFB_PID" ]; then
            break
        fi
        wine_env_display_stop
    done
    export DISPLAY=":$n"
}

wine_env_display_stop() {
    if [ -n "${TARNWICK_XVFB_PID:-}" ]; then
        kill "$TARNWICK_XVFB_PID" 2>/dev/null || true
        wait "$TARNWICK_XVFB_PID" 2>/dev/null || true
        TARNWICK_XVFB_PID=
    fi
}
