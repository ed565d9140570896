# Unpacks the source of a Debian package, from the machine's own Debian
# archive. Sourced by the scripts that build something from Debian's sources.

# debian_source_enable: adds source entries beside the machine's binary ones
# (the same archive, suites and components), once, and reads the lists.
debian_source_enable() {
    local list=/etc/apt/sources.list.d/velquin-debian-src.sources sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    if apt-get source --print-uris --only-source base-files >/dev/null 2>&1; then
        return 0
    fi
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            $sudo tee "$list" >/dev/null
    else
        grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
            $sudo tee "${list%.sources}.list" >/dev/null
    fi
    $sudo apt-get update -qq
}

# debian_source_unpack PACKAGE DIR: the package's source, with Debian's
# patches applied, unpacked into DIR (made afresh).
debian_source_unpack() {
    local package=$1 dir=$2 work
    debian_source_enable
    work=$(mktemp -d)
    (cd "$work" && apt-get source --download-only -qq "$package" >/dev/null 2>&1) || {
        echo "apt-get source $package failed" >&2
        rm -rf "$work"
        return 1
    }
    rm -rf "$dir"
    dpkg-source --no-check -x "$work"/"$package"_*.dsc "$dir" >/dev/null
    rm -rf "$work"
}
