# Functions that give a command its own Wine world: a private prefix, a
# private HOME and XDG_DATA_HOME (so nothing touches the user's files or
# trash), and an Xvfb display. Sourced by the demo and the test commands.

# session_env DIR: points Wine and the desktop folders into DIR.
session_env() {
    local dir
    dir=$(realpath -m "$1")
    mkdir -p "$dir/home" "$dir/data"
    export WINEPREFIX="$dir/prefix"
    # Debian's launcher prefers the 32-bit loader, which this kernel cannot
    # run; the 64-bit loader and server are called directly.
    export WINEARCH=win64
    export WINELOADER=/usr/lib/wine/wine64
    export WINESERVER=/usr/lib/wine/wineserver64
    export WINEDEBUG=-all
    # A crash ends the process instead of waiting in the debugger, and no
    # menu entries or file associations leak onto the host.
    export WINEDLLOVERRIDES="winedbg.exe=d;winemenubuilder.exe=d"
    export HOME="$dir/home"
    export XDG_DATA_HOME="$dir/data"
    export XDG_CONFIG_HOME="$dir/home/.config"
    export XDG_CACHE_HOME="$dir/home/.cache"
}

# session_display: starts Xvfb on a free display and exports DISPLAY.
session_display() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" </dev/null >/dev/null 2>&1 &
    SESSION_XVFB_PID=$!
    local number
    read -r -t 30 number <"$fifo" || { echo "Xvfb did not start" >&2; rm -f "$fifo"; return 1; }
    rm -f "$fifo"
    export DISPLAY=":$number"
}

# session_prefix: creates the Wine prefix afresh and keeps a wineserver
# running, so that each program starts without the prefix set-up cost.
# Programs run in Wine's virtual desktop: it draws window frames and the
# notification area, and without a window manager on the display Wine would
# otherwise wait up to two seconds whenever a window is hidden.
session_prefix() {
    rm -rf "$WINEPREFIX"
    "$WINELOADER" wineboot -i </dev/null >/dev/null 2>&1
    "$WINELOADER" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f \
        </dev/null >/dev/null 2>&1
    "$WINELOADER" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f \
        </dev/null >/dev/null 2>&1
    "$WINESERVER" -w
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
    # Wine's own background processes (services, the desktop) start with the
    # first program and live as long as the server, keeping that program's
    # output open: start them here, with nothing to hold, so that a test
    # runner reading a test's output sees it end. What it prints goes to a
    # file, which those processes may keep open. A first program that fails
    # (seen once, with status 1) is shown and run once more; a second
    # failure ends the session.
    local first="$WINEPREFIX/first-program.log" status attempt
    for attempt in 1 2; do
        status=0
        "$WINELOADER" cmd /c exit </dev/null >"$first" 2>&1 || status=$?
        [ "$status" != 0 ] || break
        echo "Wine's first program in the new prefix failed (status $status), attempt $attempt:" >&2
        head -20 "$first" >&2
        [ "$attempt" = 1 ] || return 1
    done
    session_start_desktop
    # Each look is bounded too: a display that stops answering must end in
    # this message, not in a runner that waits without a word. A desktop
    # program that ended without showing its window, or that runs 20 s
    # without showing it (seen once in some hundred starts), is started
    # once more.
    local deadline=$((SECONDS + 60)) restarted=0 started=$SECONDS
    until timeout 5 xwininfo -root -tree 2>/dev/null | grep -q 'Wine desktop'; do
        if [ $SECONDS -ge $deadline ]; then
            echo "Wine's desktop did not appear; the desktop program" \
                "$(kill -0 "$SESSION_DESKTOP_PID" 2>/dev/null && echo runs || echo ended)," \
                "the display's windows:" >&2
            timeout 5 xwininfo -root -tree 2>&1 | head -20 >&2
            return 1
        fi
        if [ $restarted = 0 ] && ! kill -0 "$SESSION_DESKTOP_PID" 2>/dev/null; then
            local status=0
            wait "$SESSION_DESKTOP_PID" || status=$?
            echo "Wine's desktop program ended (status $status) without its window;" \
                "starting it again" >&2
            session_start_desktop
            restarted=1
        elif [ $restarted = 0 ] && [ $((SECONDS - started)) -ge 20 ]; then
            echo "Wine's desktop program shows no window after 20 s; starting it again" >&2
            kill "$SESSION_DESKTOP_PID" 2>/dev/null || true
            # The program ends by the signal: its status is no failure here.
            wait "$SESSION_DESKTOP_PID" 2>/dev/null || true
            session_start_desktop
            restarted=1
        fi
        sleep 0.1
    done
}

# session_start_desktop: starts Wine's virtual desktop program in the
# background; SESSION_DESKTOP_PID names it.
session_start_desktop() {
    "$WINELOADER" explorer /desktop=Default,1024x768 </dev/null >/dev/null 2>&1 &
    SESSION_DESKTOP_PID=$!
}

# session_end: stops every Wine process of the prefix and the display.
session_end() {
    "$WINESERVER" -k 2>/dev/null || true
    # The server saves the registry as it ends: let it finish before anyone
    # removes the prefix.
    timeout 10 "$WINESERVER" -w 2>/dev/null || true
    if [ -n "${SESSION_XVFB_PID:-}" ]; then
        kill "$SESSION_XVFB_PID" 2>/dev/null || true
        wait "$SESSION_XVFB_PID" 2>/dev/null || true
    fi
}

