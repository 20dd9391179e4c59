#!/usr/bin/env bash
# Builds the Debian package and checks what it holds and declares.
set -euo pipefail
build=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; exit 1; }

cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; fail "cpack could not build the package"; }
deb=$(ls "$work"/orvexdab_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no orvexdab_*.deb was built"
echo "package: $(basename "$deb")"

listing=$(dpkg-deb -c "$deb")
for path in ./usr/bin/orvexdab ./usr/bin/orvexdab-sim ./usr/bin/orvexdab-cli \
    ./usr/share/man/man1/orvexdab.1.gz ./usr/share/man/man1/orvexdab-sim.1.gz \
    ./usr/share/man/man1/orvexdab-cli.1.gz \
    ./usr/share/doc/orvexdab/copyright ./usr/share/doc/orvexdab/changelog.gz \
    ./usr/share/icons/hicolor/scalable/apps/org.orvexdab.OrvexDAB.svg \
    ./usr/share/icons/hicolor/256x256/apps/org.orvexdab.OrvexDAB.png \
    ./usr/share/applications/org.orvexdab.OrvexDAB.desktop \
    ./usr/share/metainfo/org.orvexdab.OrvexDAB.metainfo.xml \
    ./usr/lib/systemd/system/orvexdab-backup.service ./usr/lib/systemd/system/orvexdab-backup.timer \
    ./usr/lib/sysusers.d/orvexdab.conf ./usr/lib/tmpfiles.d/orvexdab.conf; do
    grep -q " $path\$" <<<"$listing" || fail "the package lacks $path"
done

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6widgets6 libqt6serialport6 libqt6network6 libqt6printsupport6 \
    libqt6svg6 qt6-qpa-plugins; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
# The fleet store: the SQL module and the embedded driver always, the server driver by choice.
grep -q -E '(^|, )libqt6sql6 ' <<<"$depends" || fail "Depends lacks libqt6sql6: $depends"
grep -q -E '(^|, )libqt6sql6-sqlite ' <<<"$depends" || fail "Depends lacks libqt6sql6-sqlite: $depends"
! grep -q psql <<<"$depends" || fail "the PostgreSQL driver is a dependency, not a recommendation"
grep -q libqt6sql6-psql <<<"$(dpkg-deb -f "$deb" Recommends)" \
    || fail "Recommends lacks libqt6sql6-psql: $(dpkg-deb -f "$deb" Recommends)"

# The maintainer scripts create the backup user and reload systemd, and never enable the timer.
for script in postinst prerm postrm; do
    dpkg-deb -I "$deb" "$script" >"$work/$script" 2>/dev/null || fail "the package has no $script"
    sh -n "$work/$script" || fail "$script is not a valid shell script"
done
grep -q 'systemd-sysusers orvexdab.conf' "$work/postinst" || fail "postinst creates no user"
grep -q 'daemon-reload' "$work/postinst" || fail "postinst does not reload systemd"
grep -q 'daemon-reload' "$work/postrm" || fail "postrm does not reload systemd"
grep -q 'systemd-tmpfiles --create orvexdab.conf' "$work/postinst" \
    || fail "postinst does not make the data folder"
grep -q 'rm -f /var/lib/systemd/timers/stamp-orvexdab-backup.timer' "$work/postrm" \
    || fail "postrm leaves the timer's stamp file behind"
! grep -v '^[[:space:]]*#' "$work/postinst" | grep -q -w -E 'enable|start' \
    || fail "postinst enables or starts a unit"

dpkg-deb -x "$deb" "$work/root"
png="$work/root/usr/share/icons/hicolor/256x256/apps/org.orvexdab.OrvexDAB.png"
file "$png" | grep -q "256 x 256" || fail "the PNG icon is not 256 x 256: $(file "$png")"

desktop-file-validate "$work/root/usr/share/applications/org.orvexdab.OrvexDAB.desktop" \
    || fail "desktop-file-validate refused the desktop entry"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.orvexdab.OrvexDAB.metainfo.xml" \
    || fail "appstreamcli refused the metainfo"
# The scheduled backup: units systemd accepts on the package's own tree (no running systemd
# needed; the tree holds no sysinit.target and such, so only the units' own errors count), a
# service that runs the packaged tool, and a sysusers entry systemd-sysusers can apply.
units=$work/root/usr/lib/systemd/system
grep -q '^ExecStart=/usr/bin/orvexdab-cli --data-dir /var/lib/orvexdab backup --all ' \
    "$units/orvexdab-backup.service" || fail "the service does not run the packaged tool"
! grep -q '^PrivateDevices=' "$units/orvexdab-backup.service" || fail "the service hides serial ports"
grep -q '^DevicePolicy=closed$' "$units/orvexdab-backup.service" || fail "the service opens every device"
for group in char-ttyS char-ttyUSB char-ttyACM char-pts; do
    grep -q "^DeviceAllow=$group rw\$" "$units/orvexdab-backup.service" \
        || fail "the service may not open $group devices"
done
grep -q '^d /var/lib/orvexdab 2770 orvexdab orvexdab -$' "$work/root/usr/lib/tmpfiles.d/orvexdab.conf" \
    || fail "tmpfiles.d does not make /var/lib/orvexdab 2770 orvexdab:orvexdab"
verify=$(MANPATH="$work/root/usr/share/man" systemd-analyze verify --recursive-errors=no \
    --root="$work/root" orvexdab-backup.timer orvexdab-backup.service 2>&1) \
    || fail "systemd-analyze verify refused the units: $verify"
[ -z "$verify" ] || fail "systemd-analyze verify warned: $verify"
sysusers=$(systemd-sysusers --dry-run --root="$work/root" 2>&1) \
    || fail "systemd-sysusers refused orvexdab.conf: $sysusers"
! grep -q 'orvexdab.conf:[0-9]' <<<"$sysusers" || fail "systemd-sysusers warned: $sysusers"
grep -q "Creating user 'orvexdab'" <<<"$sysusers" || fail "orvexdab.conf makes no user: $sysusers"

# The command-line tool runs where no graphics library is installed.
needed=$(readelf -d "$work/root/usr/bin/orvexdab-cli" | grep NEEDED)
! grep -q -E 'libQt6(Gui|Widgets)' <<<"$needed" || fail "orvexdab-cli links Qt Gui: $needed"
grep -q libQt6Network <<<"$needed" || fail "orvexdab-cli does not link Qt Network: $needed"

if ! command -v lintian >/dev/null; then
    echo "SKIP: lintian is not installed (Debian package lintian); the rest passed"
    exit 77
fi
report=$(lintian --fail-on error,warning "$deb" 2>&1) \
    || fail "lintian found errors or warnings: $(grep -v 'root privileges' <<<"$report")"
echo "1 passed, 0 failed"
