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
    ./usr/share/metainfo/org.orvexdab.OrvexDAB.metainfo.xml; do
    grep -q " $path\$" <<<"$listing" || fail "the package lacks $path"
done

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6widgets6 libqt6serialport6 libqt6network6 libqt6printsupport6 \
    libqt6svg6 qt6-qpa-plugins; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

dpkg-deb -x "$deb" "$work/root"
png="$work/root/usr/share/icons/hicolor/256x256/apps/org.orvexdab.OrvexDAB.png"
file "$png" | grep -q "256 x 256" || fail "the PNG icon is not 256 x 256: $(file "$png")"

desktop-file-validate "$work/root/usr/share/applications/org.orvexdab.OrvexDAB.desktop" \
    || fail "desktop-file-validate refused the desktop entry"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.orvexdab.OrvexDAB.metainfo.xml" \
    || fail "appstreamcli refused the metainfo"
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
