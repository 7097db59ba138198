#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Tests that touch the network
# put themselves into private network namespaces (root, or unprivileged user namespaces).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build="${BUILD_DIR:-$root/build}"
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 300
