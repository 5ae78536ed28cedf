#!/usr/bin/env bash
# Installs what is missing, builds Parlix and runs the whole test suite (unit, integration,
# end-to-end). Extra arguments go to ctest (e.g. -L unit, -R Settings).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export PARLIX_WITH_TEST_TOOLS=1
"$ROOT/scripts/setup.sh"
BUILD_DIR=${PARLIX_BUILD_DIR:-$ROOT/build}
cd "$BUILD_DIR"
ctest --output-on-failure --timeout 600 -j"$(nproc)" "$@"
