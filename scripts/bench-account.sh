#!/usr/bin/env bash
# Times `tagwerk-cli report account` over a year of bookings of 50 employees
# as a whole process, beside the whole-table period report on the same table:
#   scripts/bench-account.sh [ROWS]      (default: 1000000)
# Each command runs RUNS times (default 3): the median wall time, its ratio
# to the period report, and the largest peak resident memory (GNU time's %M).
# Expects an optimised build in build/ (scripts/bench.sh makes one).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-3}
rows=${1:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cli=build/bin/tagwerk-cli
mkdir -p "$work/program" "$work/config" "$work/db"
export TAGWERK_PROGRAM_DIR="$work/program" XDG_CONFIG_HOME="$work/config" LC_ALL=C

source scripts/measure.sh

build/bin/make_account "$work/db" "$rows" 50
sync
cat "$work/db/arbeitszeit.dbf" >/dev/null
echo "A year (2025) of $rows bookings of 50 employees, median of $runs runs:"
printf '  %-52s %9s %10s %10s\n' command seconds "x period" "peak MB"
read -r period_s period_kb < <(measure $cli --db "$work/db" --lang de report period --from 01.01.2000 --to 31.12.2100)
printf '  %-52s %9.3f %10.2f %10.1f\n' "report period (whole table, text)" "$period_s" 1 "$(echo "$period_kb / 1024" | bc -l)"
row() {
    local name=$1 s kb
    shift
    read -r s kb < <(measure "$@")
    printf '  %-52s %9.3f %10.2f %10.1f\n' "$name" "$s" "$(echo "$s / $period_s" | bc -l)" "$(echo "$kb / 1024" | bc -l)"
}
row "report account 2025 (50 employees x 12 months)" $cli --db "$work/db" --lang de report account --from 01.01.2025 --to 31.12.2025
row "report account 2025 --format csv" $cli --db "$work/db" --lang de report account --from 01.01.2025 --to 31.12.2025 --format csv
row "report missing 2025" $cli --db "$work/db" --lang de report missing --from 01.01.2025 --to 31.12.2025
