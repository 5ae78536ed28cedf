#!/usr/bin/env bash
# Installs what is missing (Debian/Ubuntu packages, whisper-cli) and builds Parlix.
# Idempotent: packages already present are not reinstalled, the whisper.cpp build is cached in
# ~/.cache/parlix and CMake only rebuilds what changed.
#
# Environment:
#   PARLIX_BUILD_DIR     build directory (default: <checkout>/build)
#   PARLIX_WHISPER_SRC   a whisper.cpp source tree to build whisper-cli from instead of the pinned one
#   PARLIX_CACHE_DIR     where the whisper.cpp build is cached (default: ~/.cache/parlix)
#   PARLIX_ENGINE_BUILD  how the pinned whisper.cpp is built: native (default: for this CPU) or
#                        dispatch (every CPU variant, chosen at start: for packages)
#   PARLIX_ENGINE_ONLY   native or dispatch: only install the packages and provide that engine,
#                        print its directory and build nothing else (scripts/package.sh)
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
    qt6-tools-dev qt6-l10n-tools qt6-translations-l10n scdoc
    libicu-dev libssl-dev libsystemd-dev libxcb1-dev libxcb-xtest0-dev libxcb-xkb-dev libx11-dev libxtst-dev libxi-dev libxdo-dev libxkbcommon-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libpulse-dev libsoxr-dev
    libwayland-dev qt6-wayland
)
if [ "${PARLIX_WITH_TEST_TOOLS:-0}" = 1 ]; then
    PACKAGES+=(xvfb openbox xdotool x11-xserver-utils x11-utils pulseaudio pulseaudio-utils espeak-ng sox dbus desktop-file-utils trayer wmctrl)
    # The applications delivery is tried on: terminals (xterm, rxvt, VTE), GTK 3 and Qt 5/KDE
    # dialogs, and the two browsers.
    PACKAGES+=(xterm rxvt-unicode xfce4-terminal zenity kdialog chromium firefox-esr)
    # KDE's desktop portal (with kglobalaccel) for the global-shortcut portal client's test.
    PACKAGES+=(xdg-desktop-portal xdg-desktop-portal-kde)
    # The headless Wayland session: sway (wlroots), wl-clipboard to set and read the clipboard,
    # and a GTK 3 window (Python GObject) as a native Wayland target beside Qt's.
    PACKAGES+=(sway wl-clipboard python3-gi gir1.2-gtk-3.0)
    # The fuzz stage of scripts/test.sh: clang and its runtime libraries (libFuzzer, the
    # sanitizers). GCC brings its own sanitizer runtimes for the other checked builds.
    PACKAGES+=(clang libclang-rt-14-dev)
    # The package stage: the Debian package's checks and what its installed files are read with.
    PACKAGES+=(lintian appstream man-db dpkg-dev file)
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

# Builds whisper-cli and whisper-server from a whisper.cpp source tree into $2. $3 picks the CPU code:
#   portable  static, ggml's fixed x86-64 baseline (a custom source tree keeps this build)
#   native    static, for the CPU this runs on (the engine of a local set-up)
#   dispatch  shared ggml with every CPU variant as a loadable backend beside the engine: one
#             build that runs on any CPU of the architecture and picks the best variant at start
#             (the package build); ggml's own variant list, nothing architecture-specific here
build_whisper() {
    local src=$1 out=$2 mode=${3:-portable}
    local work="$out.build"
    local flags=(-DBUILD_SHARED_LIBS=OFF -DGGML_NATIVE=OFF)
    local targets=(whisper-cli whisper-server)
    case $mode in
        native) flags=(-DBUILD_SHARED_LIBS=OFF -DGGML_NATIVE=ON) ;;
        dispatch) flags=(-DBUILD_SHARED_LIBS=ON -DGGML_NATIVE=OFF -DGGML_BACKEND_DL=ON -DGGML_CPU_ALL_VARIANTS=ON
                         "-DCMAKE_INSTALL_RPATH=\$ORIGIN" -DCMAKE_BUILD_WITH_INSTALL_RPATH=ON) ;;
    esac
    log "building whisper.cpp ($mode) from $src (takes a few minutes)"
    rm -rf "$work"
    cmake -S "$src" -B "$work" -G Ninja -DCMAKE_BUILD_TYPE=Release "${flags[@]}" -DGGML_OPENMP=OFF \
        -DWHISPER_BUILD_TESTS=OFF -DWHISPER_BUILD_EXAMPLES=ON -DWHISPER_SDL2=OFF -DWHISPER_CURL=OFF >/dev/null
    if [ "$mode" = dispatch ]; then
        # The CPU variants are loadable modules nothing links to: name them as targets.
        mapfile -t -O ${#targets[@]} targets < <(ninja -C "$work" -t targets all | sed -n 's/^\(ggml-cpu[a-z0-9_-]*\): phony$/\1/p')
    fi
    cmake --build "$work" --target "${targets[@]}" -j"$(nproc)" >/dev/null
    mkdir -p "$out.tmp"
    cp "$work/bin/whisper-cli" "$work/bin/whisper-server" "$out.tmp/"
    [ "$mode" != dispatch ] || cp -P "$work"/bin/lib*.so* "$out.tmp/"
    rm -rf "$out" && mv "$out.tmp" "$out"
    rm -rf "$work"
}

# A short key of this machine's architecture and CPU feature flags: a native engine is rebuilt
# when the home directory moves to a different CPU.
cpu_key() {
    { uname -m; grep -m1 -E '^(flags|Features)[[:space:]]*:' /proc/cpuinfo 2>/dev/null; } | sha256sum | cut -c1-12
}

# Unpacks the pinned whisper.cpp source (checked against its digest) into $1; prints the tree.
fetch_whisper_source() {
    local dl=$1
    rm -rf "$dl" && mkdir -p "$dl"
    log "fetching $WHISPER_NPM_PACKAGE"
    (cd "$dl" && npm pack --silent "$WHISPER_NPM_PACKAGE" >/dev/null)
    local tgz
    tgz=$(ls "$dl"/*.tgz)
    echo "$WHISPER_NPM_SHA256  $tgz" | sha256sum -c --quiet - || { log "checksum mismatch for $tgz"; exit 1; }
    tar -xzf "$tgz" -C "$dl"
    echo "$dl/package/cpp/whisper.cpp"
}

# Prints the cached engine directory of the pinned whisper.cpp built in mode $1, building it first
# when it is missing.
pinned_whisper() {
    local mode=$1 out
    case $mode in
        native) out="$CACHE_DIR/whisper-$WHISPER_VERSION-native-$(cpu_key)" ;;
        *) out="$CACHE_DIR/whisper-$WHISPER_VERSION-$mode-$(uname -m)" ;;
    esac
    if [ ! -x "$out/whisper-cli" ] || [ ! -x "$out/whisper-server" ]; then
        mkdir -p "$CACHE_DIR"
        local dl="$CACHE_DIR/download-$mode"
        build_whisper "$(fetch_whisper_source "$dl")" "$out" "$mode"
        rm -rf "$dl"
    fi
    echo "$out"
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
    pinned_whisper "${PARLIX_ENGINE_BUILD:-native}"
}

configure_and_build() {
    local whisper_dir=$1 dispatch_dir=${2:-}
    local build_type=${PARLIX_BUILD_TYPE:-RelWithDebInfo}
    # ccache keyed by paths relative to the checkout: a fresh clone reuses what any earlier build
    # of the same sources compiled.
    export CCACHE_BASEDIR=$ROOT CCACHE_NOHASHDIR=1
    if [ ! -f "$BUILD_DIR/build.ninja" ] || ! grep -q "PARLIX_WHISPER_DIR:PATH=$whisper_dir\$" "$BUILD_DIR/CMakeCache.txt" \
        || ! grep -q "PARLIX_TEST_DISPATCH_ENGINE_DIR:PATH=$dispatch_dir\$" "$BUILD_DIR/CMakeCache.txt"; then
        cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" \
            -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DPARLIX_WHISPER_DIR:PATH="$whisper_dir" \
            -DPARLIX_TEST_DISPATCH_ENGINE_DIR:PATH="$dispatch_dir" >/dev/null
    fi
    cmake --build "$BUILD_DIR" -j"$(nproc)"
}

install_packages
if [ -n "${PARLIX_ENGINE_ONLY:-}" ]; then
    pinned_whisper "$PARLIX_ENGINE_ONLY"
    exit 0
fi
WHISPER_DIR=$(provide_whisper)
# With the test tools, the pinned engine is also built the way packages carry it, so the tests
# run its CPU variants.
DISPATCH_DIR=
if [ "${PARLIX_WITH_TEST_TOOLS:-0}" = 1 ] && [ -z "${PARLIX_WHISPER_SRC:-}" ] && ! command -v whisper-cli >/dev/null 2>&1; then
    DISPATCH_DIR=$(pinned_whisper dispatch)
fi
configure_and_build "$WHISPER_DIR" "$DISPATCH_DIR"
