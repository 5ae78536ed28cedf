#!/usr/bin/env bash
# Builds the Debian package parlix_<version>_<arch>.deb in build-package/ (or $PARLIX_PACKAGE_DIR)
# and prints its path: a release build for /usr (application id without ".dev", no update feed:
# the package manager brings updates) with whisper.cpp's engine built for every CPU of the
# architecture. Installs what is missing first, like setup.sh; ccache makes a rebuild quick.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
OUT=${PARLIX_PACKAGE_DIR:-$ROOT/build-package}

log() { printf '[package] %s\n' "$*" >&2; }

ENGINE_DIR=$(PARLIX_ENGINE_ONLY=dispatch "$ROOT/scripts/setup.sh" | tail -n 1)
export CCACHE_BASEDIR=$ROOT CCACHE_NOHASHDIR=1
# The main build's type, so ccache serves what it compiled.
cmake -S "$ROOT" -B "$OUT" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
    -DCMAKE_INSTALL_PREFIX=/usr -DPARLIX_DEV_BUILD=OFF -DPARLIX_UPDATE_FEED_URL= \
    -DPARLIX_WHISPER_DIR:PATH="$ENGINE_DIR" -DPARLIX_BUILD_TESTS=OFF -DPARLIX_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$OUT" -j"$(nproc)"
rm -f "$OUT"/parlix_*.deb
(cd "$OUT" && cpack -G DEB >/dev/null) || { log "cpack failed; see $OUT/_CPack_Packages"; exit 1; }
deb=$(ls "$OUT"/parlix_*.deb)
log "built $deb"
echo "$deb"
