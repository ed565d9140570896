# Debian's source packages, from the machine's own Debian archives. Sourced
# by the scripts that build something from Debian's sources.

# debian_source_enabled: whether the apt sources have a deb-src entry.
debian_source_enabled() {
    grep -qsE '^(Types:.*\<deb-src\>|deb-src[[:space:]])' /etc/apt/sources.list \
        /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources
}
# debian_source_enable: source entries that mirror the machine's own binary
# ones for Debian's archives (deb822 files and one-line lists alike), so
# the sources match the suites it installs from, security updates
# included. An archive may list sources that it does not serve (the
# security archive does so here); scripts/build-client then takes the
# newest version it can fetch.
debian_source_enable() {
    local tmp f src_list=/etc/apt/sources.list.d/velquin-deb-src.sources sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    tmp=$(mktemp)
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -e "$f" ] || continue
        awk 'BEGIN { RS = "" }
             {
                 n = split($0, line, "\n"); debian = 0; text = ""
                 for (i = 1; i <= n; i++) {
                     if (line[i] ~ /^URIs:.*debian/) debian = 1
                     if (line[i] ~ /^Types:/) line[i] = "Types: deb-src"
                     text = text line[i] "\n"
                 }
                 if (debian) printf "%s\n", text
             }' "$f" >>"$tmp"
    done
    if [ -s "$tmp" ]; then $sudo install -m 644 "$tmp" "$src_list"; fi
    if [ -f /etc/apt/sources.list ]; then
        grep -E '^deb[[:space:]].*debian' /etc/apt/sources.list | sed 's/^deb/deb-src/' >"$tmp" ||
            true
        if [ -s "$tmp" ]; then $sudo install -m 644 "$tmp" "${src_list%.sources}.list"; fi
    fi
    rm -f "$tmp"
    debian_source_enabled || { echo "$0: found no Debian entry in the apt sources to add deb-src for" >&2; exit 1; }
    $sudo apt-get update -qq
}

# debian_source_unpack PACKAGE[=VERSION] DIR: the package's source (its
# newest version, or the one named), with Debian's patches applied,
# unpacked into DIR (made afresh).
debian_source_unpack() {
    local package=$1 dir=$2 work
    debian_source_enabled || debian_source_enable
    work=$(mktemp -d)
    (cd "$work" && apt-get source --download-only -qq "$package" >/dev/null 2>&1) || {
        echo "apt-get source $package failed" >&2
        rm -rf "$work"
        return 1
    }
    rm -rf "$dir"
    dpkg-source --no-check -x "$work"/"${package%%=*}"_*.dsc "$dir" >/dev/null
    rm -rf "$work"
}
