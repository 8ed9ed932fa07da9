# Sourced by the benchmark scripts. measure CMD...: prints "seconds peak-kB"
# for the median wall time of $runs runs (default 3) of the command as a
# whole process, and the largest peak resident memory (GNU time's %M).
# Needs $work, a scratch directory.
measure() {
    local times=() peak=0 kb start end count=${runs:-3}
    for ((i = 0; i < count; i++)); do
        start=$EPOCHREALTIME
        /usr/bin/time -f %M -o "$work/mem" "$@" >/dev/null
        end=$EPOCHREALTIME
        times+=("$(echo "$end - $start" | bc -l)")
        kb=$(tail -n 1 "$work/mem")
        ((kb > peak)) && peak=$kb
    done
    printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((count + 1) / 2))p" | tr '\n' ' '
    echo "$peak"
}
