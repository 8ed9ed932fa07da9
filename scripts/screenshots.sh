#!/usr/bin/env bash
# Takes the README's screenshots under a virtual X server (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if ! command -v xvfb-run >/dev/null; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends xvfb xauth fonts-dejavu-core >/dev/null
fi
scripts/build.sh default >/dev/null
mkdir -p docs
for language in de en es; do
    xvfb-run -a -s "-screen 0 1280x800x24" build/bin/take_screenshots docs "$language"
done
echo "docs/login-window*.png, docs/main-window*.png and docs/record-list*.png written (German, -en English, -es Spanish)"
