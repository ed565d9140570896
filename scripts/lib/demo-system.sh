#!/usr/bin/env bash
# Run by scripts/demo inside scripts/netns-run: starts the installed
# controller. Headless, it presses "Hide IP Now", "Get A New IP" and
# "Restore Real IP" as a user would, prints what the window shows after
# each and saves a screenshot of each state, then exits the controller.
# On the user's own display (VELQUIN_DISPLAY) the user drives it instead.
# Usage: demo-system.sh DRIVER_EXE OUT_DIR
set -euo pipefail
driver=$1 out=$2
mkdir -p "$out"
if [ -n "${VELQUIN_ONION_EXITS:-}" ]; then
    echo "The real tunnel client, on a private onion network whose exits are $VELQUIN_ONION_EXITS"
fi

"$WINELOADER" "C:\\Program Files\\Velquin\\Velquin.exe" </dev/null >"$out/velquin.log" 2>&1 &
controller=$!

if [ -n "${VELQUIN_DISPLAY:-}" ]; then
    echo "Velquin runs on display $DISPLAY; it ends when you press Exit."
    wait "$controller"
    exit 0
fi

drive() { "$WINELOADER" "$driver" "$@" </dev/null 2>"$out/driver.err" | tr -d '\r'; }
# step TITLE SHOT DRIVER-ARGS...: runs the driver, prints its report and
# saves a screenshot.
step() {
    local title=$1 shot="$out/$2.png"
    shift 2
    echo "== $title"
    drive "$@" || { cat "$out/driver.err" >&2; exit 1; }
    import -window root "$shot"
    echo "Screenshot: $shot"
}

step "Velquin opened" 1-opened open
step "After Hide IP Now" 2-hidden press hide
step "After Get A New IP" 3-new-ip press new-ip
step "After Restore Real IP" 4-restored press restore
echo "== Exit"
drive press exit
wait "$controller" && code=0 || code=$?
echo "Velquin ended with exit code $code"
