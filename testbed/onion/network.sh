# A private onion network for the test world, from Debian's Linux tor:
# three directory authorities and three exit relays, all on loopback, with
# a fast voting schedule. Each exit listens on and leaves from its own
# address 127.0.0.N, so the IP-echo server sees which exit a circuit used.
# Sourced by scripts/netns-run, which calls it only inside its
# loopback-only network namespace: tor started anywhere else would join the
# public network.
#
# onion_start DIR HOST...: starts the network in DIR (HOSTs are the names
#   a client maps to 127.0.0.1, as the exits have no name server). Sets
#   ONION_EXITS (the exits' addresses) and ONION_CLIENT_TORRC (the lines
#   that make a client's torrc use this network).
# onion_wait: returns once a circuit through every exit reaches the IP-echo
#   server, or fails after 180 s.
# onion_stop: ends every process that onion_start started.

ONION_PIDS=()
ONION_EXITS=""
ONION_CLIENT_TORRC=""
onion_exit_fingerprints=()
onion_probe_pid=""
onion_hosts=()
onion_started=0
onion_exit_hosts=(11 12 13)

# Ports: authorities' OR and directory ports, exits' OR ports, the probe
# client's SOCKS and control ports. None is one that Velquin uses.
onion_auth_or=5101 onion_auth_dir=7101 onion_exit_or=5111
onion_probe_socks=9060 onion_probe_control=9061

# onion_log DIR: the end of each node's log, for a failure's report.
onion_log() {
    local node
    for node in "$1"/*/; do
        [ -f "$node/notice.log" ] || continue
        echo "--- $(basename "$node"):"
        tail -n 8 "$node/notice.log"
    done
}

# The settings every node of the network shares.
onion_common() {
    local dir=$1 nick=$2
    cat <<EOF
TestingTorNetwork 1
DataDirectory $dir
Nickname $nick
Log notice file $dir/notice.log
SafeLogging 0
ShutdownWaitLength 0
ContactInfo velquin-test-world
EOF
    cat "$ONION_DIR/dir-authorities"
}

# onion_identity NODE_DIR NICK ORPORT_ADDRESS: makes the node's relay
# identity; its fingerprint on standard output.
onion_identity() {
    local dir=$1 nick=$2 address=$3
    mkdir -p "$dir"
    tor --list-fingerprint --defaults-torrc "$ONION_DIR/empty" -f "$ONION_DIR/empty" \
        --DataDirectory "$dir" --ORPort "$address" --Nickname "$nick" --Log "err stderr" >/dev/null
    awk '{ print $2 }' "$dir/fingerprint"
}

onion_start_node() {
    local dir=$1
    shift
    "$@" --defaults-torrc "$ONION_DIR/empty" -f "$dir/torrc" >"$dir/stdout.log" 2>&1 &
    ONION_PIDS+=($!)
}

# onion_probe_exit FINGERPRINT ADDRESS HOST: whether a circuit through that
# exit reaches the echo server, which must see the exit's address. The
# probe client takes the exit as its only one for a new circuit (a new
# SOCKS user name is a circuit of its own).
onion_probe_exit() {
    local fingerprint=$1 address=$2 host=$3 control reply answer
    { exec {control}<>"/dev/tcp/127.0.0.1/$onion_probe_control"; } 2>/dev/null || return 1
    printf 'AUTHENTICATE\r\nSETCONF ExitNodes=%s StrictNodes=1\r\nQUIT\r\n' "$fingerprint" >&$control
    reply=$(timeout 5 cat <&$control)
    exec {control}>&-
    [ "$(grep -c '^250' <<<"$reply")" -ge 2 ] || return 1
    answer=$(curl -s --max-time 15 \
        --proxy "socks5h://probe-$RANDOM:x@127.0.0.1:$onion_probe_socks" "http://$host/whip2.php")
    [ "$answer" = "$address" ]
}

onion_start() {
    ONION_DIR=$1
    shift
    onion_hosts=("$@")
    onion_started=$SECONDS
    local i
    # Never where anything but loopback has an address.
    if ip -o addr show | awk '$2 != "lo"' | grep -q .; then
        echo "onion network: refused, this network has more than loopback:" >&2
        ip -o addr show >&2
        return 1
    fi
    mkdir -p "$ONION_DIR"
    : >"$ONION_DIR/empty"
    gcc -shared -fPIC -O2 -o "$ONION_DIR/bind_exit.so" "$(dirname "${BASH_SOURCE[0]}")/bind_exit.c" -ldl

    # The authorities' keys and the one list of them that every node reads.
    : >"$ONION_DIR/dir-authorities"
    for i in 1 2 3; do
        local dir="$ONION_DIR/auth$i" or=$((onion_auth_or + i - 1)) dirport=$((onion_auth_dir + i - 1))
        mkdir -p "$dir/keys"
        echo | tor-gencert --create-identity-key --passphrase-fd 0 -m 12 -a "127.0.0.1:$dirport" \
            -i "$dir/keys/authority_identity_key" -s "$dir/keys/authority_signing_key" \
            -c "$dir/keys/authority_certificate" >/dev/null 2>&1
        local v3 relay
        v3=$(awk '$1 == "fingerprint" { print $2 }' "$dir/keys/authority_certificate")
        relay=$(onion_identity "$dir" "auth$i" "127.0.0.1:$or")
        echo "DirAuthority auth$i orport=$or no-v2 v3ident=$v3 127.0.0.1:$dirport $relay" \
            >>"$ONION_DIR/dir-authorities"
    done
    for i in 1 2 3; do
        local dir="$ONION_DIR/auth$i"
        {
            onion_common "$dir" "auth$i"
            cat <<EOF
Address 127.0.0.1
ORPort 127.0.0.1:$((onion_auth_or + i - 1))
DirPort 127.0.0.1:$((onion_auth_dir + i - 1))
SocksPort 0
AuthoritativeDirectory 1
V3AuthoritativeDirectory 1
ExitPolicy reject *:*
AssumeReachable 1
# A vote every 20 s from the start, so a consensus comes within a minute.
V3AuthVotingInterval 20
V3AuthVoteDelay 4
V3AuthDistDelay 4
TestingV3AuthInitialVotingInterval 20
TestingV3AuthInitialVoteDelay 4
TestingV3AuthInitialDistDelay 4
# Six idle relays carry too little to earn these flags by measure.
TestingDirAuthVoteGuard *
TestingMinFastFlagThreshold 0
TestingMinExitFlagThreshold 0
EOF
        } >"$dir/torrc"
        onion_start_node "$dir" tor
    done

    # The exits: any destination is allowed, as nothing but loopback exists
    # here (an exit that allows only 127.0.0.0/8 is never chosen: a
    # client's summary of exit policies counts public addresses alone).
    ONION_EXITS=""
    onion_exit_fingerprints=()
    for i in 1 2 3; do
        local dir="$ONION_DIR/exit$i" address="127.0.0.${onion_exit_hosts[$((i - 1))]}"
        local or=$((onion_exit_or + i - 1))
        onion_exit_fingerprints+=("$(onion_identity "$dir" "exit$i" "$address:$or")")
        echo "nameserver 127.0.0.1" >"$dir/resolv.conf"
        {
            onion_common "$dir" "exit$i"
            cat <<EOF
Address $address
ORPort $address:$or
SocksPort 0
AssumeReachable 1
ExitRelay 1
IPv6Exit 0
ExitPolicy accept *:*
# No name server but a silent one on loopback: clients map their names.
ServerDNSResolvConfFile $dir/resolv.conf
ServerDNSDetectHijacking 0
EOF
        } >"$dir/torrc"
        onion_start_node "$dir" env LD_PRELOAD="$ONION_DIR/bind_exit.so" \
            VELQUIN_BIND_ADDRESS="$address" tor
        ONION_EXITS+="${ONION_EXITS:+ }$address"
    done

    ONION_CLIENT_TORRC="$ONION_DIR/client-torrc"
    {
        echo "# The test world's private onion network."
        echo "TestingTorNetwork 1"
        cat "$ONION_DIR/dir-authorities"
        local host
        for host in "${onion_hosts[@]}"; do
            echo "MapAddress $host 127.0.0.1"
        done
    } >"$ONION_CLIENT_TORRC"

    # A Linux client proves the network usable: a circuit through each exit
    # in turn must reach the echo server from that exit's address. Before
    # that, a client may open circuits whose streams fail (the exits are
    # not yet in a consensus).
    local probe="$ONION_DIR/probe"
    mkdir -p "$probe"
    {
        grep -v '^#' "$ONION_CLIENT_TORRC"
        cat <<EOF
DataDirectory $probe
Log notice file $probe/notice.log
SocksPort 127.0.0.1:$onion_probe_socks
ControlPort 127.0.0.1:$onion_probe_control
EOF
    } >"$probe/torrc"
    onion_start_node "$probe" tor
    onion_probe_pid=${ONION_PIDS[-1]}
}

onion_wait() {
    local deadline=$((onion_started + 180)) i
    for i in 0 1 2; do
        local address="127.0.0.${onion_exit_hosts[$i]}"
        until onion_probe_exit "${onion_exit_fingerprints[$i]}" "$address" "${onion_hosts[0]}"; do
            if [ $SECONDS -ge $deadline ]; then
                echo "onion network: no circuit through the exit $address within 180 s" >&2
                onion_log "$ONION_DIR" >&2
                return 1
            fi
            sleep 1
        done
    done
    kill "$onion_probe_pid"
    wait "$onion_probe_pid" 2>/dev/null || true
    local pid left=()
    for pid in "${ONION_PIDS[@]}"; do
        [ "$pid" = "$onion_probe_pid" ] || left+=("$pid")
    done
    ONION_PIDS=("${left[@]}")
    echo "onion network: usable after $((SECONDS - onion_started)) s (exits $ONION_EXITS)"
}

onion_stop() {
    local pid
    [ ${#ONION_PIDS[@]} -gt 0 ] || return 0
    for pid in "${ONION_PIDS[@]}"; do
        kill "$pid" 2>/dev/null
    done
    # ShutdownWaitLength 0: each ends at once; one that hangs is killed.
    local deadline=$((SECONDS + 10))
    for pid in "${ONION_PIDS[@]}"; do
        while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    ONION_PIDS=()
}
