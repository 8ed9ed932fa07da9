#!/usr/bin/env bash
# Installs the Debian packages that building and testing Tagwerk need;
# with --bench also those the benchmarks compare against (shapelib, GNU time).
# Safe to run again: packages already present are left alone.
#   --fuzz   also Clang and its libFuzzer, for scripts/fuzz.sh only
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
    qt6-translations-l10n
    libgl-dev
    poppler-utils
    # Injects read errors into tagwerk-cli (tests/storage/tst_failedreads).
    strace
    # A virtual X server and a window manager: where windows open is only
    # seen with a real frame around them (tests/base/tst_windowplacement).
    xvfb openbox
    # Kills a process at a chosen write (tests/recording/tst_changelog's
    # crash cases).
    strace
    # The server store: Qt's PostgreSQL driver, and a server for the tests,
    # which start a throw-away cluster of their own (tests/server).
    postgresql libqt6sql6-psql
)
if [ "${1:-}" = "--fuzz" ]; then
    packages+=(clang libclang-rt-dev)
fi
if [ "${1:-}" = "--bench" ]; then
    packages+=(libshp-dev time gcc)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
