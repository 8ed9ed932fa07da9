#!/usr/bin/env bash
# The server store's figures on a throw-away local PostgreSQL cluster:
#   scripts/bench-server.sh ROWS
# (build/bin from scripts/build.sh default). The cluster runs as "postgres"
# when this runs as root (initdb refuses root), on a socket in its own
# directory, and is removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
rows=${1:-1000000}
pgbin=/usr/lib/postgresql/15/bin
work=$(mktemp -d)
trap '$as_pg "$pgbin/pg_ctl" -D "$work/data" -m immediate stop >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
as_pg=""
if [ "$(id -u)" -eq 0 ]; then
    as_pg="runuser -u postgres --"
    chown postgres "$work"
fi
$as_pg "$pgbin/initdb" -D "$work/data" -U bench -A trust -E UTF8 --no-locale >/dev/null
port=$((20000 + RANDOM % 30000))
$as_pg "$pgbin/pg_ctl" -D "$work/data" -o "-k $work -p $port -c listen_addresses=''" -l "$work/log" -w start >/dev/null
psql -X -q -h "$work" -p "$port" -U bench -d postgres -c "CREATE DATABASE tagwerk"
mkdir -p "$work/folder"
build/bin/make_table "$work/folder/arbeitszeit.dbf" "$rows"
${TIME_CMD:-} build/bin/server_bench "host=$work port=$port dbname=tagwerk user=bench" "$work/folder"
# Whole processes, median of three runs each: the COPY of every row, and a
# whole-table period report through the server with its peak memory.
export TAGWERK_PROGRAM_DIR="$work/program" XDG_CONFIG_HOME="$work/config" LC_ALL=C
mkdir -p "$work/program" "$work/config"
conninfo="host=$work port=$port dbname=tagwerk user=bench"
source scripts/measure.sh
read -r copy_s copy_kb < <(measure psql -X -q -h "$work" -p "$port" -U bench -d tagwerk \
    -c "COPY (SELECT * FROM arbeitszeit) TO STDOUT")
read -r report_s report_kb < <(measure build/bin/tagwerk-cli --server "$conninfo" report period \
    --from 01.01.1900 --to 31.12.2100)
printf '  psql COPY (SELECT * FROM arbeitszeit) TO STDOUT: %.2f s, peak memory %d MB\n' "$copy_s" $((copy_kb / 1024))
printf '  whole-table period report through the server: %.2f s (%.1fx COPY), peak memory %d MB\n' \
    "$report_s" "$(echo "$report_s / $copy_s" | bc -l)" $((report_kb / 1024))
