#!/bin/sh
# Runs a test program against a throwaway PostgreSQL cluster: pg_virtualenv makes one, exports
# where it is (PGHOST, PGPORT, PGUSER, PGPASSWORD, PGDATABASE) and removes it afterwards.
# Exit 77 (skipped) where the cluster tools are not installed.
if ! command -v pg_virtualenv >/dev/null 2>&1; then
    echo "pg_virtualenv is not installed (Debian packages postgresql-common and postgresql)"
    exit 77
fi
# -t: the cluster in a temporary folder even when run as root.
exec pg_virtualenv -t env ORVEX_TEST_STORE=postgresql:///postgres "$@"
