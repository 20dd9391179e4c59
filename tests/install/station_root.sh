# shellcheck shell=bash disable=SC2154 # build comes from booted_station.sh
# Sourced by booted_station.sh: a Debian 12 root for the station test, made once and kept
# (debootstrap), a copy of it per run with the package installed (apt-get in chroot), booted
# under systemd-nspawn, and the way in to run commands there. Defines step for the runs' report.
# Expects build, the build folder.

cache=${ORVEX_TEST_ROOT_CACHE:-/var/cache/orvexdab-test-root}
base=$cache/base
archives=$cache/archives
machine=orvexdab-test-$$
root=$cache/run-$$
work=$(mktemp -d)
nspawn_pid=""
leader=""
failed=()
mkdir -p "$archives"
# One run at a time per cache: a second waits rather than making the same base beside it.
exec 9>"$cache/.lock"
flock -w 1200 9 || { echo "FAIL: another run holds $cache/.lock"; exit 1; }

# Stops the container (its simulators and services end with it), then removes the run's copy.
# Nothing is removed while anything is still mounted inside it, and never across file systems.
cleanup() {
    if [ -n "$nspawn_pid" ] && kill -0 "$nspawn_pid" 2>/dev/null; then
        kill -TERM "$nspawn_pid" 2>/dev/null
        for _ in $(seq 100); do
            kill -0 "$nspawn_pid" 2>/dev/null || break
            sleep 0.2
        done
        kill -KILL "$nspawn_pid" 2>/dev/null
        wait "$nspawn_pid" 2>/dev/null
    fi
    for dir in "$root/proc" "$base.tmp/proc"; do
        mountpoint -q "$dir" 2>/dev/null && umount -l "$dir"
    done
    if [ -d "$root" ] && ! findmnt -rn -o TARGET | grep -q "^$root/"; then
        rm -rf --one-file-system "$root"
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Runs one step: PASS or FAIL with its time and everything it printed.
step() {
    local name=$1
    shift
    local t0=$SECONDS out rc line
    # In this shell, not a subshell: steps set what later ones use (the package, the container).
    "$@" >"$work/step.out" 2>&1 </dev/null
    rc=$?
    out=$(cat "$work/step.out")
    if [ $rc -eq 0 ]; then
        echo "PASS  $name ($((SECONDS - t0)) s)"
    else
        echo "FAIL  $name ($((SECONDS - t0)) s, status $rc)"
        failed+=("$name")
    fi
    [ -z "$out" ] || while IFS= read -r line; do printf '      %s\n' "$line"; done <<<"$out"
    return $rc
}

# The Debian mirror this machine's apt uses: only Debian's package registry may be reachable.
mirror_of() {
    grep -h -s -E '^[[:space:]]*(URIs:|deb[[:space:]])' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
        /etc/apt/sources.list.d/*.sources | grep -o -E "https?://[^[:space:]]*/$1/?([[:space:]]|\$)" \
        | head -n 1 | tr -d '[:space:]'
}
mirror=$(mirror_of debian)
mirror=${mirror:-http://deb.debian.org/debian}
security=$(mirror_of debian-security)
security=${security:-http://deb.debian.org/debian-security}

in_chroot() {
    chroot "$1" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "${@:2}"
}

# apt-get inside a root, with the packages kept from earlier runs (hard links: nothing of the
# cache is bind-mounted, so removing a root can never reach it) and no service started.
chroot_apt() {
    local dir=$1
    shift
    mkdir -p "$dir/proc"
    mountpoint -q "$dir/proc" || mount -t proc proc "$dir/proc"
    cp /etc/resolv.conf "$dir/etc/resolv.conf"
    printf '#!/bin/sh\nexit 101\n' >"$dir/usr/sbin/policy-rc.d"
    chmod 755 "$dir/usr/sbin/policy-rc.d"
    find "$archives" -maxdepth 1 -name '*.deb' -exec cp -l -f -t "$dir/var/cache/apt/archives" {} +
    in_chroot "$dir" apt-get -q -o Dpkg::Use-Pty=0 "$@"
    local rc=$?
    find "$dir/var/cache/apt/archives" -maxdepth 1 -name '*.deb' -exec cp -l -n -t "$archives" {} +
    in_chroot "$dir" apt-get clean
    rm -f "$dir/usr/sbin/policy-rc.d"
    umount -l "$dir/proc"
    return $rc
}

# The base root: Debian 12 with systemd, sudo and the monitoring tools the README names. Made
# once and kept; a base of another recipe is made again.
recipe="bookworm minbase systemd-sysv dbus sudo adduser procps curl prometheus-node-exporter prometheus; $mirror"
make_base() {
    if [ -f "$base/.orvexdab-base" ] && [ "$(cat "$base/.orvexdab-base")" = "$recipe" ]; then
        echo "reusing $base"
        return 0
    fi
    rm -rf --one-file-system "$base"
    # A debootstrap that finished is kept even when what follows fails.
    if [ ! -f "$base.tmp/.debootstrap-done" ]; then
        rm -rf --one-file-system "$base.tmp"
        debootstrap --variant=minbase --include=systemd-sysv,dbus,sudo,adduser,procps \
            bookworm "$base.tmp" "$mirror" >"$work/debootstrap.log" 2>&1 \
            || { tail -n 20 "$work/debootstrap.log"; return 1; }
        touch "$base.tmp/.debootstrap-done"
    fi
    cat >"$base.tmp/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security bookworm-security main
EOF
    chroot_apt "$base.tmp" update >/dev/null || return 1
    chroot_apt "$base.tmp" install -y --no-install-recommends curl prometheus-node-exporter prometheus \
        >"$work/base-apt.log" 2>&1 || { tail -n 20 "$work/base-apt.log"; return 1; }
    # Only promtool is wanted from the Prometheus server's package.
    in_chroot "$base.tmp" systemctl disable prometheus.service >/dev/null 2>&1
    in_chroot "$base.tmp" systemctl mask systemd-networkd-wait-online.service >/dev/null 2>&1
    echo "orvexdab-test" >"$base.tmp/etc/hostname"
    rm -f "$base.tmp/.debootstrap-done"
    echo "$recipe" >"$base.tmp/.orvexdab-base"
    mv "$base.tmp" "$base"
    echo "made $base from $mirror"
}

build_package() {
    cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 \
        || { tail -n 20 "$work/cpack.log"; return 1; }
    deb=$(find "$work" -maxdepth 1 -name 'orvexdab_*.deb' | head -n 1)
    [ -n "$deb" ] || { echo "no orvexdab_*.deb"; return 1; }
    basename "$deb"
}

install_package() {
    cp -a --reflink=auto "$base" "$root" || return 1
    cp "$deb" "$root/tmp/"
    # sudo looks its host name up; the container has no network to ask.
    printf '127.0.1.1\t%s\n' "$(cat "$root/etc/hostname")" >>"$root/etc/hosts"
    chroot_apt "$root" install -y --no-install-recommends "/tmp/$(basename "$deb")" >"$work/apt.log" 2>&1 \
        || { tail -n 30 "$work/apt.log"; return 1; }
    grep -E '^(Setting up|Unpacking) orvexdab' "$work/apt.log"
    echo "$(grep -c '^Setting up' "$work/apt.log") packages set up"
}

# The container's processes are reached through its init's namespaces: without registration
# (no system bus on such a host) neither machinectl nor systemd-run --machine can find it, but
# systemctl, systemd-run and journalctl talk to the container's systemd through its private
# socket once inside its mount namespace, as root.
in_ct() {
    nsenter --target "$leader" --mount --uts --ipc --net --pid --cgroup --root --wd -- \
        env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"
}

boot() {
    systemd-nspawn -D "$root" --register=no --keep-unit -M "$machine" -b --console=passive \
        --private-network >"$work/console.log" 2>&1 &
    nspawn_pid=$!
    local state=""
    for _ in $(seq 300); do
        kill -0 "$nspawn_pid" 2>/dev/null || break
        if [ -z "$leader" ]; then
            # The container's init is the nspawn process's child that runs systemd.
            for pid in $(pgrep -P "$nspawn_pid"); do
                [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$root/usr/lib/systemd/systemd" ] \
                    || [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = systemd ] && leader=$pid
            done
        fi
        if [ -n "$leader" ]; then
            state=$(in_ct systemctl is-system-running 2>/dev/null)
            case $state in running | degraded) break ;; esac
        fi
        sleep 0.2
    done
    echo "system state: ${state:-none}"
    if [ "$state" != running ] && [ "$state" != degraded ]; then
        tail -n 30 "$work/console.log"
        return 1
    fi
    [ "$state" = running ] || in_ct systemctl --failed --no-legend --plain
    return 0
}

