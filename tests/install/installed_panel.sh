#!/usr/bin/env bash
# Installs into a temporary prefix and runs the installed panel as an unprivileged user whose
# program folder is not writable: the working and settings files must land in the per-user data
# folder and carry the panel across a restart.
set -euo pipefail
build=$1
work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; exit 1; }

if ! command -v setpriv >/dev/null || ! id nobody >/dev/null 2>&1; then
    echo "SKIP: needs setpriv and the user nobody to run the panel unprivileged"
    exit 77
fi
if [ "$(id -u)" -ne 0 ]; then
    # Without root we cannot switch user; an ordinary user cannot write the prefix anyway.
    runas=()
else
    runas=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi

cmake --install "$build" --prefix "$work/prefix" >/dev/null
chmod -R a+rX "$work/prefix"
mkdir -p "$work/home"
[ ${#runas[@]} -eq 0 ] || chown nobody "$work/home"
data="$work/home/.local/share/OrvexDAB/OrvexDAB"

# Starts the installed panel, lets it come up, then asks it to close as a logout would.
run_panel() {
    env -i HOME="$work/home" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen \
        "${runas[@]}" "$work/prefix/bin/orvexdab" >"$work/panel.log" 2>&1 &
    local pid=$!
    sleep 5
    kill -TERM "$pid" 2>/dev/null || fail "the panel ended by itself: $(cat "$work/panel.log")"
    for _ in $(seq 1 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid"
        fail "the panel did not close on SIGTERM"
    fi
    wait "$pid" || true
}

run_panel
[ -f "$data/actual.DAB" ] || fail "no working file in the per-user folder $data: $(cat "$work/panel.log")"
[ -f "$data/ORVEXFM.INI" ] || fail "no settings file in the per-user folder"
[ "$(od -An -c "$data/ORVEXFM.INI" | tr -s ' ')" = " 1 \r \n" ] \
    || fail "settings file is not ' 1 ' CR LF: $(od -c "$data/ORVEXFM.INI")"
[ "$(wc -l <"$data/actual.DAB")" -eq 32 ] || fail "the working file does not have 32 lines"
[ -z "$(ls "$work/prefix/bin" | grep -v -E '^orvexdab(-sim|-cli)?$' || true)" ] \
    || fail "the panel wrote into its program folder: $(ls "$work/prefix/bin")"

# A distinctive panel and port survive a restart.
values=(8 248 205 180 60 141 59 65 123 141 59 58 58 70 128 130 65 136 131 25 73 1 90 1 1 0 1 100 135 92 220 165)
: >"$work/custom.DAB"
for v in "${values[@]}"; do printf ' %d \r\n' "$v" >>"$work/custom.DAB"; done
cp "$work/custom.DAB" "$data/actual.DAB"
printf ' 3 \r\n' >"$data/ORVEXFM.INI"
[ ${#runas[@]} -eq 0 ] || chown nobody "$data/actual.DAB" "$data/ORVEXFM.INI"

run_panel
cmp "$work/custom.DAB" "$data/actual.DAB" || fail "the working file changed across a restart"
[ "$(od -An -c "$data/ORVEXFM.INI" | tr -s ' ')" = " 3 \r \n" ] \
    || fail "the port number did not survive a restart"
# The installed command-line tool finds the panel's data folder: its settings and its ports/
# links. The simulator plays port 5 there.
env -i HOME="$work/home" PATH=/usr/bin:/bin "${runas[@]}" "$work/prefix/bin/orvexdab-sim" \
    --link "$data/ports/COM5" --log "$work/home/sim.log" >/dev/null &
sim=$!
trap 'kill -TERM "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do
    grep -q "processor ready" "$work/home/sim.log" 2>/dev/null && break
    sleep 0.1
done
printf ' 5 \r\n' >"$data/ORVEXFM.INI"
cli() { env -i HOME="$work/home" PATH=/usr/bin:/bin "${runas[@]}" "$work/prefix/bin/orvexdab-cli" "$@"; }
out=$(cli upload --output "$work/home/backup.DAB") || fail "orvexdab-cli upload failed: $out"
[ "$out" = "COM5: upload: ok, day layout, written to $work/home/backup.DAB" ] \
    || fail "orvexdab-cli upload said: $out"
out=$(cli --port 5 compare "$work/home/backup.DAB") || fail "orvexdab-cli compare: $out"
echo "1 passed, 0 failed"
