#!/usr/bin/env bash
# Builds the optimised tree and prints the benchmark figures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --bench
scripts/build.sh default >/dev/null
echo "dBase table layer (open, full scan of 12 fields, cat over the same file, 1,000 appends, peak memory):"
for rows in 10000 100000 1000000; do
    build/bin/dbf_bench "$rows"
done
echo
echo "Translation dictionary (load a translate.dat of 100,000 rows, look up keys):"
build/bin/translate_bench 100000 10000
echo
echo "Booking grid (a table of 1,000,000 rows in the main window's grid):"
build/bin/grid_bench 1000000
echo
echo "Saving a booking (checks, clash search through the index, append):"
for rows in 10000 100000 1000000; do
    build/bin/save_bench "$rows"
done
echo
echo "Change history (start on an existing table, a save with its log entry, verify; verify with 100 findings beside none):"
for rows in 100000 1000000; do
    build/bin/changelog_bench "$rows"
done
echo
echo "Evaluations (the four unsorted kinds over the whole table, the sorted one by listed records):"
build/bin/report_bench 1000000
echo
echo "Result window (a whole-table period report: from OK to the first page shown, peak memory):"
build/bin/result_window_bench 1000000
echo
echo "Memory after a result window closes (five period evaluations and law checks, each window closed at once):"
build/bin/memory_bench 1000000 || true
echo
echo "tagwerk-cli as whole processes, beside cat and a shapelib scan:"
scripts/bench-processes.sh 100000 1000000
echo
echo "Working-time law check beside the period evaluation (time, report lines, peak memory):"
build/bin/worktime_law_bench 1000000
echo
echo "Working-time account beside the period report (whole processes, peak memory):"
scripts/bench-account.sh 1000000
echo
echo "Server store on a local PostgreSQL cluster (import, stream scan beside psql COPY, record list, bookings):"
scripts/bench-server.sh 1000000
