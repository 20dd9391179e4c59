#!/usr/bin/env bash
# Boots a fresh Debian 12 root with systemd, installs the package in it and follows the README's
# "Scheduled backups" procedure as a station administrator would: the user and its folder, sites
# added as that user, the timer, service runs against two simulators, an operator and a
# monitoring user in the group, the node exporter, then remove and purge. Prints each step's
# result with its output, the service's security score and the whole time; exits 1 when a step
# failed, 77 (skipped) when not run as root.
#
# Usage: booted_station.sh BUILD_DIR (a configured and built build folder)
# ORVEX_TEST_ROOT_CACHE (default /var/cache/orvexdab-test-root) keeps the debootstrapped base root
# and the downloaded packages between runs; each run works on a copy of the base.
set -uo pipefail
build=$(realpath "$1")
started=$SECONDS

if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: booting a root with systemd-nspawn and installing packages in it needs root"
    exit 77
fi
for tool in systemd-nspawn debootstrap nsenter cpack chroot; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (tools/deps.sh installs it)"; exit 1; }
done

# shellcheck source=tests/install/station_root.sh
source "$(dirname "$0")/station_root.sh"

# ---- the README's procedure, each step as its text says -------------------------------------

data=/var/lib/orvexdab
cli() { in_ct sudo -u orvexdab orvexdab-cli --data-dir "$data" "$@"; }

folder_made() {
    in_ct stat -c '%U:%G %a %n' "$data"
    in_ct id orvexdab
    [ "$(in_ct stat -c '%U:%G %a' "$data")" = "orvexdab:orvexdab 2770" ]
}

enable_timer() {
    in_ct systemctl enable --now orvexdab-backup.timer || return 1
    in_ct systemctl list-timers --no-pager orvexdab-backup.timer
    in_ct systemctl is-active orvexdab-backup.timer
}

# Starts the service and prints what this run wrote to the journal; fails when the run did.
service_run() {
    local since
    since=$(in_ct date +%s)
    in_ct systemctl start orvexdab-backup.service
    local rc=$?
    sleep 0.5
    in_ct journalctl -u orvexdab-backup.service --since "@$since" --no-pager -o cat
    return $rc
}

# A timer run before the first site is added is no failure, and it creates nothing.
run_before_sites() {
    service_run || return 1
    [ -z "$(in_ct ls -A "$data")" ] || { echo "it left: $(in_ct ls -A "$data")"; return 1; }
}

# Two simulated processors as the service user: north through a ports/COM1 link in the data
# folder, studio by its device path.
start_simulators() {
    in_ct install -d -o orvexdab -g orvexdab -m 0750 /run/orvexdab-sim || return 1
    in_ct sudo -u orvexdab mkdir -p "$data/ports" || return 1
    in_ct systemd-run --quiet --unit=orvexdab-sim-north --uid=orvexdab --gid=orvexdab -p UMask=0007 \
        /usr/bin/orvexdab-sim --link "$data/ports/COM1" --log /run/orvexdab-sim/north.log || return 1
    in_ct systemd-run --quiet --unit=orvexdab-sim-studio --uid=orvexdab --gid=orvexdab -p UMask=0007 \
        /usr/bin/orvexdab-sim --link /run/orvexdab-sim/studio --log /run/orvexdab-sim/studio.log || return 1
    for _ in $(seq 50); do
        in_ct grep -q "processor ready" /run/orvexdab-sim/north.log 2>/dev/null \
            && in_ct grep -q "processor ready" /run/orvexdab-sim/studio.log 2>/dev/null && break
        sleep 0.1
    done
    studio_device=$(in_ct readlink /run/orvexdab-sim/studio)
    echo "north: $data/ports/COM1 -> $(in_ct readlink "$data/ports/COM1")"
    echo "studio: $studio_device"
    [ -n "$studio_device" ] && in_ct test -c "$studio_device"
}

add_sites() {
    in_ct sudo -u orvexdab orvexdab-cli --data-dir "$data" site add north 1 --group coast || return 1
    in_ct sudo -u orvexdab orvexdab-cli --data-dir "$data" site add studio "$studio_device" || return 1
    cli site list
}

first_backup() {
    service_run || return 1
    in_ct ls -l "$data"
    in_ct grep -q "processor" /run/orvexdab-sim/north.log
}

# The operator logs in again after joining the group: a login shell through sudo -i.
# (Debian already has a group named "operator".)
operator() { in_ct sudo -i -u desk "$@"; }
add_operator() {
    in_ct useradd -m -s /bin/bash desk || return 1
    in_ct adduser --quiet desk orvexdab || return 1
    # The operator's own data folder, as the panel and the tool find it.
    in_ct sudo -u desk -H sh -c "cd && mkdir -p .local/share/OrvexDAB/OrvexDAB \
        && printf '[store]\nurl=sqlite:$data/fleet.sqlite\n' >.local/share/OrvexDAB/OrvexDAB/fleet.ini"
}
operator_reads() {
    operator orvexdab-cli site list || return 1
    operator orvexdab-cli history north || return 1
    operator orvexdab-cli history studio
}
operator_approves() {
    operator orvexdab-cli approve north || return 1
    operator orvexdab-cli approve studio
}

monitoring_check() {
    in_ct id nagios >/dev/null 2>&1 || in_ct adduser --quiet --system --group --no-create-home nagios
    in_ct adduser --quiet nagios orvexdab || return 1
    local line rc
    line=$(in_ct sudo -u nagios orvexdab-cli --data-dir "$data" check)
    rc=$?
    echo "$line"
    echo "exit status $rc"
    [ $rc -eq 0 ] && [ "$(wc -l <<<"$line")" -eq 1 ] && [[ $line == "ORVEXDAB OK - "* ]]
}

# After the group's readers, the store must still take the service's writes.
next_run() {
    local before
    before=$(in_ct stat -c %Y "$data/orvexdab.prom" 2>/dev/null)
    sleep 1
    service_run
    local rc=$?
    in_ct ls -l "$data"
    [ $rc -eq 0 ] || return 1
    [ "$(in_ct stat -c %Y "$data/orvexdab.prom")" != "$before" ] || { echo "the metrics file stayed"; return 1; }
}

# Every file the programs keep in the shared folder (the store with its -wal and -shm, the line
# log, the metrics) stays readable and writable by the group. ports/ holds the simulators' own.
group_writable() {
    local bad
    in_ct ls -l "$data"
    bad=$(in_ct find "$data" -maxdepth 1 -type f \( ! -perm -g+rw -o ! -group orvexdab \) \
        -printf '%M %u:%g %p\n')
    [ -z "$bad" ] || { echo "not writable by the group:"; echo "$bad"; return 1; }
    echo "every file is group-writable"
}

# check must not stay OK when the last run failed.
check_tells_run() {
    local result line rc
    result=$(in_ct systemctl show -P Result orvexdab-backup.service)
    line=$(in_ct sudo -u nagios orvexdab-cli --data-dir "$data" check)
    rc=$?
    echo "last run: $result"
    echo "$line (exit status $rc)"
    [ "$result" = success ] || [ $rc -ne 0 ]
}

exporter() {
    in_ct ln -sf "$data/orvexdab.prom" /var/lib/prometheus/node-exporter/orvexdab.prom || return 1
    in_ct adduser --quiet prometheus orvexdab || return 1
    in_ct systemctl restart prometheus-node-exporter || return 1
    local scrape=""
    for _ in $(seq 50); do
        scrape=$(in_ct curl -s --max-time 2 http://127.0.0.1:9100/metrics) && [ -n "$scrape" ] && break
        sleep 0.2
    done
    grep -E '^node_textfile_scrape_error' <<<"$scrape"
    local series
    series=$(grep -E '^(# (HELP|TYPE) )?orvexdab_' <<<"$scrape")
    echo "$(grep -c '^orvexdab_' <<<"$series") orvexdab_ samples served"
    [ -n "$series" ] || return 1
    grep -q '^node_textfile_scrape_error 0' <<<"$scrape" || return 1
    in_ct promtool check metrics <<<"$series" || return 1
    echo "promtool check metrics: clean"
}

security_score() {
    in_ct systemd-analyze security --no-pager orvexdab-backup.service | grep -E '✗|Overall'
}

# Whether the container's systemd can hold a unit to DevicePolicy=closed at all: a device the
# policy leaves out (/dev/net/tun, which nspawn provides) must then refuse to open.
device_policy() {
    local open='exec 3<>/dev/net/tun'
    in_ct systemd-run --quiet --wait --pipe sh -c "$open" >/dev/null 2>&1 \
        || { echo "device policy: not tried (/dev/net/tun does not open here)"; return 0; }
    if in_ct systemd-run --quiet --wait --pipe -p DevicePolicy=closed sh -c "$open" >/dev/null 2>&1; then
        echo "device policy: NOT enforced in this container (its systemd cannot restrict devices)"
    else
        echo "device policy: enforced (a device outside DeviceAllow= is refused)"
    fi
}

remove_package() {
    in_ct apt-get remove -y -q -o Dpkg::Use-Pty=0 orvexdab | grep -E '^Removing|^E:' || return 1
    ! in_ct test -e /usr/bin/orvexdab-cli || { echo "orvexdab-cli is still there"; return 1; }
    ! in_ct systemctl is-active --quiet orvexdab-backup.timer || { echo "the timer still runs"; return 1; }
    in_ct test -d "$data" || { echo "the history went with the package"; return 1; }
    echo "programs and units gone, $data kept"
}

purge_package() {
    local stamp=/var/lib/systemd/timers/stamp-orvexdab-backup.timer
    in_ct test -e "$stamp" && echo "before: $stamp exists"
    in_ct apt-get purge -y -q -o Dpkg::Use-Pty=0 orvexdab | grep -E '^Purging|^E:' || return 1
    ! in_ct test -e "$stamp" || { echo "$stamp is still there"; return 1; }
    ! in_ct test -e /etc/systemd/system/timers.target.wants/orvexdab-backup.timer \
        || { echo "the timer is still enabled"; return 1; }
    in_ct test -d "$data" || { echo "the history went with the package"; return 1; }
    echo "stamp and enablement gone, $data kept"
}

echo "== booted station test: Debian 12 root in $cache, mirror $mirror"
step "build the package (cpack)" build_package || exit 1
step "base root (debootstrap, kept in $cache)" make_base || exit 1
step "install the package with its dependencies (apt-get install ./orvexdab_*.deb in chroot)" \
    install_package || exit 1
if ! step "boot the root (systemd-nspawn -b --private-network)" boot; then
    if [ "${CI:-}" = true ]; then
        echo "FAIL: the root did not boot"
        exit 1
    fi
    echo "SKIP: the root did not boot on this machine (see above)"
    exit 77
fi
step "the user and the folder: $data orvexdab:orvexdab 2770 after installation" folder_made
step "systemctl enable --now orvexdab-backup.timer" enable_timer
step "a timer run before the first site: no sites, nothing created" run_before_sites
step "two simulators (ports/COM1 link, device path)" start_simulators
step "site add as the service user through sudo" add_sites
step "systemctl start orvexdab-backup.service: a first backup" first_backup
step "the store's files are writable by the group" group_writable
step "an operator in the group: fleet.ini in the operator's data folder" add_operator
step "the operator reads: site list, history" operator_reads
step "the operator approves" operator_approves
step "check as a monitoring user in the group" monitoring_check
step "the service's next run still writes" next_run
step "the store's files are still writable by the group" group_writable
step "check tells the next run's outcome" check_tells_run
step "node exporter serves orvexdab_* (link, group, restart; promtool check metrics)" exporter
step "systemd-analyze security orvexdab-backup.service" security_score
step "DevicePolicy=closed in this container" device_policy
step "apt-get remove orvexdab" remove_package
step "apt-get purge orvexdab" purge_package

total=$((SECONDS - started))
echo "== whole run: $total s (budget 600 s)"
[ $total -le 600 ] || failed+=("time budget")
if [ ${#failed[@]} -gt 0 ]; then
    echo "${#failed[@]} step(s) failed:"
    printf '  %s\n' "${failed[@]}"
    exit 1
fi
echo "every step passed"
