#!/usr/bin/env bash
# Run by scripts/netns-run: the installed service "Velquin", started and
# stopped with sc as an administrator would, brings up the keeper, the
# stand-in tunnel client and the proxy; the echo host answers 127.0.0.1
# directly and the tunnel's own 127.0.0.N through the proxy, a new N after
# a stop and a start; a stop leaves no process and no listener.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }
wine_() { "$WINELOADER" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
ready() { wine_ reg query 'HKLM\Software\Velquin' /v Ready | awk '$1 == "Ready" { print $3 }'; }
# wait_for WHAT COMMAND...: polls COMMAND for up to 60 s.
wait_for() {
    local what=$1 deadline=$((SECONDS + 60))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || fail "$what did not happen within 60 s"
        sleep 0.2
    done
}
is_ready() { [ "$(ready)" = 0x1 ]; }
# The keeper and client processes of this Wine prefix (others may run on
# the machine).
tunnel_processes() {
    local count=0 pid
    for pid in /proc/[0-9]*; do
        tr "\\0" "\\n" 2>/dev/null <"$pid/cmdline" | grep -qE 'Velquin-(Keeper|Server2)\.exe' || continue
        tr "\\0" "\\n" 2>/dev/null <"$pid/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
        count=$((count + 1))
    done
    echo $count
}
visible() { curl -s --max-time 10 "$@" "http://$VELQUIN_ECHO_HOST/whip2.php"; }
through_tunnel() { visible -x http://127.0.0.1:8081; }

start_tunnel() {
    wine_ sc start Velquin >/dev/null
    wait_for "Ready = 1" is_ready
    [ "$(tunnel_processes)" = 2 ] || fail "keeper and client are not both running"
}
stop_tunnel() {
    wine_ sc stop Velquin >/dev/null
    # Checked at once: the stop request returns only when all is down.
    [ "$(ready)" = 0x0 ] || fail "Ready is $(ready) after the stop"
    [ "$(tunnel_processes)" = 0 ] || fail "tunnel processes left after the stop"
    if curl -s --max-time 5 -o /dev/null http://127.0.0.1:8081/; then
        fail "the proxy still listens after the stop"
    fi
}

start_tunnel
[ "$(visible)" = 127.0.0.1 ] || fail "direct address is '$(visible)'"
first=$(through_tunnel)
[[ $first =~ ^127\.0\.0\.[0-9]+$ && $first != 127.0.0.1 ]] || fail "tunnel address is '$first'"
echo "through the tunnel: $first"
stop_tunnel

start_tunnel
second=$(through_tunnel)
[[ $second =~ ^127\.0\.0\.[0-9]+$ && $second != "$first" ]] || fail "new address is '$second'"
echo "after a new start: $second"
stop_tunnel
echo PASS
