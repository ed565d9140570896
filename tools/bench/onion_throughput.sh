#!/usr/bin/env bash
# Run by scripts/bench inside scripts/netns-run --onion: the local proxy's
# throughput through a real circuit against the tunnel client's SOCKS port
# alone. The service "Velquin" is started as an administrator would; a
# 20 MB body from an HTTP server on 127.0.0.1 is fetched by both routes in
# turn, five rounds, and the medians are compared (the chain against SOCKS
# alone is the proxy's own share of the cost).
set -euo pipefail
rounds=5
wine_() { "$WINELOADER" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
ready() { wine_ reg query 'HKLM\Software\Velquin' /v Ready | awk '$1 == "Ready" { print $3 }'; }

body=$(mktemp -d)
head -c $((20 << 20)) /dev/urandom >"$body/body"
python3 -m http.server 8090 --bind 127.0.0.1 --directory "$body" >/dev/null 2>&1 &
server=$!
trap 'wine_ sc stop Velquin >/dev/null; kill $server; rm -rf "$body"' EXIT

wine_ sc start Velquin >/dev/null
deadline=$((SECONDS + 120))
until [ "$(ready)" = 0x1 ]; do
    [ $SECONDS -lt $deadline ] || { echo "the tunnel did not become ready within 120 s" >&2; exit 1; }
    sleep 0.2
done

# The client maps the echo host to 127.0.0.1 for every port.
url="http://$VELQUIN_ECHO_HOST:8090/body"
rate() {
    curl -s -o /dev/null -w '%{size_download} %{speed_download}\n' --max-time 300 "$@" "$url" |
        awk -v want=$((20 << 20)) '$1 == want { printf "%.2f\n", $2 / 1e6; ok = 1 } END { exit !ok }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
socks=() chain=()
for _ in $(seq $rounds); do
    socks+=("$(rate --socks5-hostname 127.0.0.1:9050)")
    chain+=("$(rate --proxy http://127.0.0.1:8081)")
done
socks_median=$(printf '%s\n' "${socks[@]}" | median)
chain_median=$(printf '%s\n' "${chain[@]}" | median)
echo "20 MB body through a real circuit, $rounds rounds (MB/s):"
echo "  the client's SOCKS port alone: ${socks[*]} (median $socks_median)"
echo "  the local proxy, then that port: ${chain[*]} (median $chain_median)"
awk -v c="$chain_median" -v s="$socks_median" 'BEGIN { printf "  chain / SOCKS alone: %.2f\n", c / s }'
