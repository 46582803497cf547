# Sourced by scripts/dev: the README's test command once more, in a root of
# the current Debian stable (13, "trixie"), made with mmdebstrap from
# the Debian archive the machine's own apt sources name. The bare root is made once and kept as a tarball in
# the cache outside the tree (beside Qt for Windows); every run unpacks a
# fresh copy of it, so each run starts from a fresh Debian 13 machine. The
# packages it downloads are kept in the cache too. The machine's own apt
# configuration is not touched: the root has its own.

# Prints the address of the machine's own Debian archive: the first one its
# apt sources name for packages (not the security archive).
machine_archive() {
    local file
    {
        for file in /etc/apt/sources.list.d/*.sources; do
            [[ -f "$file" ]] && awk '/^URIs:/ { for (i = 2; i <= NF; i++) print $i }' "$file"
        done
        for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
            [[ -f "$file" ]] && awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i !~ /^\[/) { print $i; break } }' "$file"
        done
    } | grep -v -e security -e '^cdrom:' | head -n 1
}

# Prints the tarball of the bare Debian 13 root, making it first if need be.
debian13_root_tarball() {
    local cache tarball
    cache="${PI_COINS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/pi-coins}"
    tarball="$cache/debian-13-root.tar"
    if [[ ! -f "$tarball" ]]; then
        mkdir -p "$cache"
        say "Making a Debian 13 root into $tarball (once)"
        local archive
        archive=$(machine_archive)
        [[ -n "$archive" ]] || { say "no Debian archive in this machine's apt sources"; return 1; }
        mmdebstrap --quiet --format=tar --variant=apt --include=ca-certificates trixie "$tarball.partial" \
            "$archive" >&2
        mv "$tarball.partial" "$tarball"
    fi
    printf '%s\n' "$tarball"
}

# Runs `scripts/dev test` on a copy of the committed tree in a fresh root.
test_debian13() {
    local tarball cache work status=0 started mounts=()
    started=$(date +%s)
    tarball=$(debian13_root_tarball)
    cache="$(dirname "$tarball")/debian-13-apt"
    work=$(mktemp -d)
    # shellcheck disable=SC2064 # the values of now are the ones to clean up
    trap 'for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount -l "${mounts[i]}"; done; rm -rf --one-file-system "$work"' RETURN
    mkdir -p "$work/root" "$cache"
    tar -C "$work/root" -xf "$tarball"
    mkdir -p "$work/root/src"
    git -C "$root" ls-files -z | (cd "$root" && tar --null -T - -cf -) | tar -C "$work/root/src" -xf -
    cp /etc/resolv.conf "$work/root/etc/resolv.conf"
    local target
    for target in proc sys dev dev/pts var/cache/apt/archives; do
        mkdir -p "$work/root/$target"
        case "$target" in
        var/cache/apt/archives) mount --bind "$cache" "$work/root/$target" ;;
        *) mount --rbind "/$target" "$work/root/$target" && mount --make-rslave "$work/root/$target" ;;
        esac
        mounts+=("$work/root/$target")
    done
    mount -t tmpfs tmpfs "$work/root/dev/shm" && mounts+=("$work/root/dev/shm")
    # As a GNOME or KDE desktop has it: PipeWire's sound system, which
    # conflicts with PulseAudio. The test command must leave every package
    # installed and run its sound tests on PipeWire.
    env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 chroot "$work/root" /bin/sh -c '
        set -e
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends pipewire-audio >/dev/null
        installed() { dpkg-query -W -f="\${db:Status-Abbrev} \${Package}\n" | sed -n "s/^ii *//p" | sort; }
        installed >/tmp/before
        cd /src && scripts/dev test
        installed >/tmp/after
        if [ -n "$(comm -23 /tmp/before /tmp/after)" ]; then
            echo "scripts/dev test removed: $(comm -23 /tmp/before /tmp/after | tr "\n" " ")" >&2
            exit 1
        fi
        echo "Debian 13 with pipewire-audio: $(wc -l </tmp/before) packages before, $(wc -l </tmp/after) after, none removed" >&2
    ' || status=$?
    say "Debian 13: the README's test command took $(($(date +%s) - started)) s"
    return "$status"
}
