#!/bin/sh
# Runs a test program against a throwaway PostgreSQL cluster that speaks TLS with a throwaway
# certificate: a root certificate that signed the server's (for localhost), and another root
# that did not. ORVEX_TLS_DIR tells the test where they are (ca.crt, other-ca.crt).
# Exit 77 (skipped) where the cluster tools or openssl are not installed.
for tool in pg_virtualenv openssl; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$tool is not installed (Debian packages postgresql-common, postgresql, openssl)"
        exit 77
    fi
done
set -e
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
chmod 755 "$dir"
cd "$dir"
quiet() { "$@" >/dev/null 2>&1; }
root() {
    quiet openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$1" \
        -keyout "$1.key" -out "$1.crt"
}
root ca
root other-ca
quiet openssl req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout server.key -out server.csr
printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\n' >server.ext
quiet openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 \
    -extfile server.ext -out server.crt
chmod 600 server.key
# The server reads its key as its own user and refuses one that others may read.
if [ "$(id -u)" = 0 ] && id postgres >/dev/null 2>&1; then
    chown postgres server.key server.crt
fi
set +e
# The cluster's own set-up turns ssl off where the system has no certificate of its own: it is
# turned on once the cluster runs, which a reload takes.
pg_virtualenv -t -o "ssl_cert_file=$dir/server.crt" -o "ssl_key_file=$dir/server.key" \
    sh -c 'psql -q -c "ALTER SYSTEM SET ssl = on" -c "SELECT pg_reload_conf()" >/dev/null &&
           sleep 1 && [ "$(psql -Atc "SHOW ssl")" = on ] && exec "$@"' sh \
    env ORVEX_TEST_STORE=postgresql:///postgres ORVEX_TLS_DIR="$dir" "$@"
