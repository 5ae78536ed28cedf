#!/usr/bin/env bash
# Installs what is missing, builds Parlix and runs the whole test suite (unit, integration,
# end-to-end), then the checked stages, each in a build directory of its own beside the main one
# (ccache shared):
#   asan  AddressSanitizer + UndefinedBehaviorSanitizer build, unit and integration labels
#   tsan  ThreadSanitizer build, the audio and engine tests
#   fuzz  libFuzzer targets (clang), each for PARLIX_FUZZ_SECONDS (default 30) from tests/fuzz/corpus
#   package  the Debian package (scripts/package.sh, build-package/): lintian, installed with apt on
#         this machine, its files checked and a dictation made with the installed programs, then
#         purged, leaving nothing behind
# Extra arguments go to ctest of the main build (e.g. -L unit, -R Settings) and skip the checked
# stages; PARLIX_STAGES picks stages ("asan tsan fuzz package" by default, "" for none).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export PARLIX_WITH_TEST_TOOLS=1
"$ROOT/scripts/setup.sh"
BUILD_DIR=${PARLIX_BUILD_DIR:-$ROOT/build}
BUILD_DIR=$(cd "$BUILD_DIR" && pwd)
JOBS=$(nproc)
STAGES=${PARLIX_STAGES-asan tsan fuzz package}
[ $# -eq 0 ] || STAGES=

log() { printf '[test] %s\n' "$*" >&2; }
timed() {
    local name=$1 start=$SECONDS
    shift
    "$@"
    log "$name took $((SECONDS - start)) s"
}

main_suite() {
    ctest --test-dir "$BUILD_DIR" --output-on-failure --timeout 600 -j"$JOBS" "$@"
}

export CCACHE_BASEDIR=$ROOT CCACHE_NOHASHDIR=1
# configure <dir> <cmake options…>: once, and again when the options change.
configure() {
    local dir=$1
    shift
    local stamp="$dir/.parlix-options"
    if [ -f "$dir/build.ninja" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$*" ]; then
        return
    fi
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
        -DPARLIX_WHISPER_DIR:PATH="$(sed -n 's/^PARLIX_WHISPER_DIR:PATH=//p' "$BUILD_DIR/CMakeCache.txt")" \
        -DPARLIX_BUILD_BENCHMARKS=OFF "$@" >/dev/null
    printf '%s' "$*" >"$stamp"
}
# Tests left out of a sanitizer stage, from the given lists in tests/sanitizers/: a ctest name
# regex a line, the reason behind "#".
sanitizer_exclusions() {
    local list
    for list in "$@"; do
        sed -e 's/#.*//' -e 's/[[:space:]]*$//' -e '/^$/d' "$ROOT/tests/sanitizers/$list"
    done | paste -sd'|'
}
# Line tables are enough for the sanitizers' stack traces and keep these builds small.
CHECKED_FLAGS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG")

asan_stage() {
    local dir=$BUILD_DIR-asan
    configure "$dir" "${CHECKED_FLAGS[@]}" -DPARLIX_SANITIZE=address,undefined
    cmake --build "$dir" -j"$JOBS"
    local excluded
    excluded=$(sanitizer_exclusions excluded.txt)
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1 \
    LSAN_OPTIONS=suppressions=$ROOT/tests/sanitizers/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir "$dir" --output-on-failure --timeout 600 -j"$JOBS" -L 'unit|integration' \
        ${excluded:+-E "$excluded"}
}

# The audio and engine test executables and what they run. Only these are built here, so the
# labels select just their tests (the others are registered as *_NOT_BUILT without labels).
TSAN_TARGETS=(AudioUnitTests AudioCaptureTest NoAudioServerTest EngineUnitTest EngineIntegrationTest engine_standin make_synthetic_model)
tsan_stage() {
    local dir=$BUILD_DIR-tsan
    configure "$dir" "${CHECKED_FLAGS[@]}" -DPARLIX_SANITIZE=thread
    cmake --build "$dir" -j"$JOBS" --target "${TSAN_TARGETS[@]}"
    local excluded
    excluded=$(sanitizer_exclusions excluded.txt tsan-excluded.txt)
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:die_after_fork=0:suppressions=$ROOT/tests/sanitizers/tsan.supp \
        ctest --test-dir "$dir" --output-on-failure --timeout 600 -j"$JOBS" -L 'unit|integration' \
        ${excluded:+-E "$excluded"}
}

fuzz_stage() {
    local dir=$BUILD_DIR-fuzz seconds=${PARLIX_FUZZ_SECONDS:-30}
    configure "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DPARLIX_FUZZ=ON -DPARLIX_BUILD_TESTS=OFF
    local targets=(settings_file history_file replacement_rules appcast) t
    cmake --build "$dir" -j"$JOBS" --target "${targets[@]/#/fuzz_}"
    for t in "${targets[@]}"; do
        # New inputs go to a scratch corpus; the seeds in the checkout stay as they are. A finding
        # is written to $dir/findings/ and fails the stage.
        local work="$dir/corpus/$t"
        mkdir -p "$work" "$dir/findings"
        log "fuzzing $t for $seconds s"
        "$dir/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 \
            -artifact_prefix="$dir/findings/$t-" "$work" "$ROOT/tests/fuzz/corpus/$t" 2>"$dir/fuzz-$t.log" \
            || { tail -n 60 "$dir/fuzz-$t.log" >&2; return 1; }
        grep -E '^stat::(number_of_executed_units|new_units_added)' "$dir/fuzz-$t.log" | sed "s/^/[test]   $t /" >&2 || true
    done
}

# Installs the package as a user's machine would, checks what it put there, dictates once with the
# installed programs (the first-run end-to-end test: tray, model download, hotkey, paste) and
# purges it again: nothing of it may stay. It refuses to run where a parlix package is installed.
package_stage() {
    local deb
    deb=$(PARLIX_PACKAGE_DIR=$BUILD_DIR-package "$ROOT/scripts/package.sh" | tail -n 1)
    log "lintian: $(lintian --version)"
    lintian --fail-on error "$deb" | sed 's/^/[lintian] /' >&2 || { log "lintian reports errors"; return 1; }
    local before
    before=$(dpkg-query -W -f='${Status}' parlix 2>/dev/null | grep -q 'install ok installed' && echo yes || echo no)
    [ "$before" = no ] || { log "a parlix package is already installed; the stage needs a machine without it"; return 1; }
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
    local files status=0
    files=$(mktemp)
    dpkg -L parlix >"$files"
    check() { "$@" >/dev/null || { log "failed: $*"; status=1; }; }
    check /usr/bin/parlix --version
    check /usr/bin/parlixctl --help
    check man -w parlix
    check man -w parlixctl
    check desktop-file-validate /usr/share/applications/com.quorvane.parlix.desktop
    check appstreamcli validate --no-net /usr/share/metainfo/com.quorvane.parlix.metainfo.xml
    check test -x /usr/libexec/parlix/whisper-cli
    check test -f /usr/share/parlix/translations/parlix_de.qm
    check test -f /usr/share/bash-completion/completions/parlixctl
    check test -f /usr/share/zsh/vendor-completions/_parlixctl
    PARLIX_BIN=/usr/bin PARLIX_RESOURCE_DIR=/usr/libexec/parlix \
        ctest --test-dir "$BUILD_DIR" --output-on-failure --timeout 600 --no-tests=error \
        -R '^DictationTest\.FirstRunDownloadsTheRecommendedModelFromTheTrayAndDictates$' || status=1
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq parlix >/dev/null
    local left="" path
    while read -r path; do
        if [ -f "$path" ] || [ -L "$path" ]; then left+="$path "; fi
    done <"$files"
    for path in /usr/libexec/parlix /usr/share/parlix /usr/share/doc/parlix; do
        if [ -d "$path" ]; then left+="$path "; fi
    done
    rm -f "$files"
    if [ -n "$left" ] || dpkg-query -W parlix >/dev/null 2>&1; then
        log "left behind after purge: ${left:-its dpkg record}"
        status=1
    fi
    return $status
}

timed "main suite" main_suite "$@"
for stage in $STAGES; do
    timed "$stage stage" "${stage}_stage"
done
