#!/usr/bin/env bash
# Installs what is missing, builds Parlix and starts it.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$ROOT/scripts/setup.sh"
BUILD_DIR=${PARLIX_BUILD_DIR:-$ROOT/build}
if [ -z "${DISPLAY:-}" ]; then
    cat >&2 <<MSG
Parlix is built, but there is no X display to start it on: DISPLAY is not set.
Start it from a desktop session (X11, or Wayland with XWayland):

    $BUILD_DIR/bin/parlix
MSG
    exit 1
fi
exec "$BUILD_DIR/bin/parlix" "$@"
