#!/usr/bin/env bash
# Builds one preset (default: "default") and runs every test of it with CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
bash tools/build.sh "$preset"
ctest --preset "$preset"
