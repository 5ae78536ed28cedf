#!/usr/bin/env bash
# Installs what is missing (Debian/Ubuntu packages, whisper-cli) and builds Parlix.
# Idempotent: packages already present are not reinstalled, the whisper.cpp build is cached in
# ~/.cache/parlix and CMake only rebuilds what changed.
#
# Environment:
#   PARLIX_BUILD_DIR     build directory (default: <checkout>/build)
#   PARLIX_WHISPER_SRC   a whisper.cpp source tree to build whisper-cli from instead of the pinned one
#   PARLIX_CACHE_DIR     where the whisper.cpp build is cached (default: ~/.cache/parlix)
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${PARLIX_BUILD_DIR:-$ROOT/build}
CACHE_DIR=${PARLIX_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/parlix}
WHISPER_VERSION=1.9.1
WHISPER_NPM_PACKAGE=nodejs-whisper@0.3.1
WHISPER_NPM_SHA256=92041caf2b26c74b7f489fedf37bd093f216eebd61df512045ec2d19d0531d37

log() { printf '[setup] %s\n' "$*" >&2; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Packages needed to build, run and test. Kept in one list so both commands agree.
PACKAGES=(
    build-essential cmake ninja-build pkg-config git ca-certificates ccache
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qcoro-qt6-dev
    libicu-dev libsystemd-dev libxcb1-dev libxcb-xtest0-dev libxcb-xkb-dev libx11-dev libxtst-dev libxdo-dev libxkbcommon-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libpulse-dev
)
if [ "${PARLIX_WITH_TEST_TOOLS:-0}" = 1 ]; then
    PACKAGES+=(xvfb openbox xdotool x11-xserver-utils x11-utils pulseaudio pulseaudio-utils espeak-ng sox dbus desktop-file-utils trayer wmctrl)
    # The fuzz stage of scripts/test.sh: clang and its runtime libraries (libFuzzer, the
    # sanitizers). GCC brings its own sanitizer runtimes for the other checked builds.
    PACKAGES+=(clang libclang-rt-14-dev)
fi

install_packages() {
    local missing=()
    local p
    for p in "${PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    # npm may come with a Node.js installed outside apt; only ask apt for it when it is absent.
    command -v npm >/dev/null 2>&1 || missing+=(npm)
    if [ ${#missing[@]} -eq 0 ]; then
        log "all packages present"
        return
    fi
    log "installing: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Builds whisper-cli and whisper-server statically from a whisper.cpp source tree into $2.
build_whisper() {
    local src=$1 out=$2
    local work="$out.build"
    log "building whisper.cpp from $src (takes a few minutes)"
    rm -rf "$work"
    cmake -S "$src" -B "$work" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DBUILD_SHARED_LIBS=OFF -DGGML_NATIVE=OFF -DGGML_OPENMP=OFF \
        -DWHISPER_BUILD_TESTS=OFF -DWHISPER_BUILD_EXAMPLES=ON -DWHISPER_SDL2=OFF -DWHISPER_CURL=OFF >/dev/null
    cmake --build "$work" --target whisper-cli whisper-server -j"$(nproc)" >/dev/null
    mkdir -p "$out.tmp"
    cp "$work/bin/whisper-cli" "$work/bin/whisper-server" "$out.tmp/"
    rm -rf "$out" && mv "$out.tmp" "$out"
    rm -rf "$work"
}

# Prints the directory holding whisper-cli (and whisper-server when available).
provide_whisper() {
    if [ -n "${PARLIX_WHISPER_SRC:-}" ]; then
        local key
        key=$(cd "$PARLIX_WHISPER_SRC" && { git rev-parse HEAD 2>/dev/null || echo local; })
        local out="$CACHE_DIR/whisper-custom-$(printf '%s' "$PARLIX_WHISPER_SRC" | sha256sum | cut -c1-12)-$key"
        [ -x "$out/whisper-cli" ] || build_whisper "$PARLIX_WHISPER_SRC" "$out"
        echo "$out"
        return
    fi
    local onpath
    if onpath=$(command -v whisper-cli 2>/dev/null); then
        log "using whisper-cli on PATH: $onpath"
        dirname "$(readlink -f "$onpath")"
        return
    fi
    local out="$CACHE_DIR/whisper-$WHISPER_VERSION"
    if [ ! -x "$out/whisper-cli" ] || [ ! -x "$out/whisper-server" ]; then
        mkdir -p "$CACHE_DIR"
        local dl="$CACHE_DIR/download"
        rm -rf "$dl" && mkdir -p "$dl"
        log "fetching $WHISPER_NPM_PACKAGE"
        (cd "$dl" && npm pack --silent "$WHISPER_NPM_PACKAGE" >/dev/null)
        local tgz
        tgz=$(ls "$dl"/*.tgz)
        echo "$WHISPER_NPM_SHA256  $tgz" | sha256sum -c --quiet - || { log "checksum mismatch for $tgz"; exit 1; }
        tar -xzf "$tgz" -C "$dl"
        build_whisper "$dl/package/cpp/whisper.cpp" "$out"
        rm -rf "$dl"
    fi
    echo "$out"
}

configure_and_build() {
    local whisper_dir=$1
    local build_type=${PARLIX_BUILD_TYPE:-RelWithDebInfo}
    # ccache keyed by paths relative to the checkout: a fresh clone reuses what any earlier build
    # of the same sources compiled.
    export CCACHE_BASEDIR=$ROOT CCACHE_NOHASHDIR=1
    if [ ! -f "$BUILD_DIR/build.ninja" ] || ! grep -q "PARLIX_WHISPER_DIR:PATH=$whisper_dir\$" "$BUILD_DIR/CMakeCache.txt"; then
        cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" \
            -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DPARLIX_WHISPER_DIR:PATH="$whisper_dir" >/dev/null
    fi
    cmake --build "$BUILD_DIR" -j"$(nproc)"
}

install_packages
WHISPER_DIR=$(provide_whisper)
configure_and_build "$WHISPER_DIR"
