#!/usr/bin/env bash
# Installs what is missing, builds Parlix and starts it.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$ROOT/scripts/setup.sh"
BUILD_DIR=${PARLIX_BUILD_DIR:-$ROOT/build}
if [ -x "$BUILD_DIR/bin/parlix" ]; then
    if [ -z "${DISPLAY:-}" ]; then
        cat >&2 <<MSG
Parlix is built, but there is no X display to start it on: DISPLAY is not set.
Start it from a desktop session (X11, or Wayland with XWayland):

    $BUILD_DIR/bin/parlix
MSG
        exit 1
    fi
    exec "$BUILD_DIR/bin/parlix" "$@"
fi
cat <<MSG

Parlix is built. The tray application is not part of this build yet; meanwhile transcribe a
16 kHz mono WAV file with the same engine and settings from the command line:

    $BUILD_DIR/bin/parlixctl transcribe FILE.wav --model PATH/TO/ggml-model.bin [--language CODE]

Model files placed in ${XDG_DATA_HOME:-$HOME/.local/share}/Parlix/models are picked up automatically.
MSG
