#!/usr/bin/env bash
# Times tagwerk-cli's whole-table commands as whole processes, beside `cat`
# and a shapelib scan of all fields of the same file, on generated tables:
#   scripts/bench-processes.sh [ROWS...]      (default: 100000 1000000)
# Each command runs RUNS times (default 5): the median wall time, its ratio
# to `cat`, and the largest peak resident memory (GNU time's %M).
# Expects an optimised build in build/ (scripts/bench.sh makes one).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-5}
[ $# -gt 0 ] || set -- 100000 1000000
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One scan of every field through shapelib's DBFReadStringAttribute, the
# yardstick of what reading the table costs a plain C reader.
cat > "$work/shp_scan.c" <<'C'
#include <shapefil.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char **argv)
{
    DBFHandle dbf = argc > 1 ? DBFOpen(argv[1], "rb") : NULL;
    if (!dbf)
        return 1;
    int records = DBFGetRecordCount(dbf), fields = DBFGetFieldCount(dbf);
    unsigned long characters = 0;
    for (int r = 0; r < records; ++r)
        for (int f = 0; f < fields; ++f)
            characters += strlen(DBFReadStringAttribute(dbf, r, f));
    printf("%d records, %lu characters\n", records, characters);
    DBFClose(dbf);
    return 0;
}
C
cc -O2 -o "$work/shp_scan" "$work/shp_scan.c" -lshp

cli=build/bin/tagwerk-cli
mkdir -p "$work/program" "$work/config"
export TAGWERK_PROGRAM_DIR="$work/program" XDG_CONFIG_HOME="$work/config" LC_ALL=C
period=(--from 01.01.2000 --to 31.12.2100)

source scripts/measure.sh

for rows in "$@"; do
    db="$work/db$rows"
    mkdir -p "$db"
    build/bin/make_table "$db/arbeitszeit.dbf" "$rows"
    # The table was just written: let the kernel write it back before the
    # clock runs, or the write-back competes with the first commands.
    sync
    cat "$db/arbeitszeit.dbf" >/dev/null
    size=$(($(stat -c %s "$db/arbeitszeit.dbf") / 1000000))
    echo "Whole processes on a table of $rows rows ($size MB), median of $runs runs:"
    printf '  %-44s %9s %8s %10s\n' command seconds "x cat" "peak MB"
    read -r cat_s cat_kb < <(measure cat "$db/arbeitszeit.dbf")
    row() {
        local name=$1 s kb
        shift
        read -r s kb < <(measure "$@")
        printf '  %-44s %9.3f %8.1f %10.1f\n' "$name" "$s" "$(echo "$s / $cat_s" | bc -l)" "$(echo "$kb / 1024" | bc -l)"
    }
    printf '  %-44s %9.3f %8.1f %10.1f\n' "cat arbeitszeit.dbf" "$cat_s" 1 "$(echo "$cat_kb / 1024" | bc -l)"
    row "shapelib scan of all fields" "$work/shp_scan" "$db/arbeitszeit.dbf"
    row "report period (text)" $cli --db "$db" --lang de report period "${period[@]}"
    row "report period --format csv" $cli --db "$db" --lang de report period "${period[@]}" --format csv
    row "report employee (first employee)" $cli --db "$db" --lang de report employee "${period[@]}"
    row "report place (first place)" $cli --db "$db" --lang de report place "${period[@]}"
    row "report activity (first activity)" $cli --db "$db" --lang de report activity "${period[@]}"
    row "list" $cli --db "$db" --lang de list
    rm -rf "$db"
    echo
done
