#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tagwerk (its login window).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh default
exec build/bin/tagwerk
