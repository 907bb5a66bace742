#!/usr/bin/env bash
# Builds the library, registers it into a platform root and runs the demonstration script.
# The root is QUORIX_ROOT when set, otherwise build/root inside the checkout.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh default
export QUORIX_ROOT="${QUORIX_ROOT:-$PWD/build/root}"
mkdir -p "$QUORIX_ROOT"
build/bin/qxregsvr32 /s build/lib/libquorix2.so
PYTHONPATH="$PWD/build/python" /usr/bin/python3 examples/demo.py "$@"
