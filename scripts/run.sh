#!/usr/bin/env bash
# Installs what is missing, builds the program (and only what it needs: no test, bench or
# fuzz target), and starts it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" Quorrel_ROZidovo
build="${BUILD_DIR:-$root/build}"
exec "$build/app/Quorrel_ROZidovo" "$@"
