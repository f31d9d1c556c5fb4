# Sourced by the test, demo and benchmark scripts: a private Wine prefix inside the build tree,
# an Xvfb display, and a persistent wineserver for the length of one run.
#   wine_env_start BUILD_DIR   exports WINEPREFIX, HOME, XDG_DATA_HOME, DISPLAY, WINEDEBUG
#   wine_env_stop              ends the prefix's server (and every stray child) and the display
#   wine_env_display           starts a display of its own (Xvfb) and exports DISPLAY
#   wine_env_display_stop      ends that display

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
        wineserver -w
    )
    touch "$template/.tarnwick-ready"
}

wine_env_start() {
    local base
    base=$(mkdir -p "$1" && cd "$1" && pwd)
    wine_env_template "$base"
    # Wine looks for its own fonts (Tahoma, the title-bar glyphs) under XDG_DATA_HOME, which the
    # harness moves into the build tree.
    mkdir -p "$base/wine/data/fonts"
    ln -sf /usr/share/wine/fonts/*.ttf "$base/wine/data/fonts/"
    export HOME="$base/wine/home" XDG_DATA_HOME="$base/wine/data" WINEDEBUG=-all
    export WINEPREFIX="$base/wine/prefix"
    # Every run starts from a pristine copy of the template: nothing an earlier run left behind counts.
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
}

# A display of its own: a fresh Xvfb on the first free number from :91, as DISPLAY. Tests that
# run side by side look for one at the same moment: the number is ours only once the lock names
# our server, else the next one is tried.
wine_env_display() {
    local n=90 i
    while :; do
        n=$((n + 1))
        if [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; then continue; fi
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
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
