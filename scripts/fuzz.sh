#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (tree build-fuzz, every
# layer instrumented, address and undefined-behaviour sanitizers) and runs
# each for a bounded time on its seed corpus.
#
#   scripts/fuzz.sh [seconds per target, default 30] [target ...]
#
# Targets: table, lyrics, names, tag_lyrics (all by default). New inputs the fuzzer finds
# go to build-fuzz/corpus/<target>/, so the seeds in fuzz/corpus/ stay as
# they are; an input that breaks a target is saved in build-fuzz/findings/
# and the script fails.
#
# PLAYER_FUZZ_SEED fixes libFuzzer's seed, so that a bounded run takes the
# same path through the inputs each time (the test command uses it); without
# it every run explores anew.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

seconds="${1:-30}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(table lyrics names tag_lyrics)

ensure_packages

tree="$ROOT/build-fuzz"
if [ ! -f "$tree/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$ROOT" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DPLAYER_FUZZ=ON -DPLAYER_TESTS=OFF -DPLAYER_BENCH=OFF
fi
cmake --build "$tree" --parallel "$(nproc)" --target $(printf 'fuzz_%s ' "${targets[@]}")

export QT_QPA_PLATFORM=offscreen
export G_SLICE=always-malloc
export G_DEBUG=gc-friendly
export ASAN_OPTIONS="abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$ROOT/scripts/sanitizers/ubsan.supp"

mkdir -p "$tree/findings"
status=0
for target in "${targets[@]}"; do
    options=()
    case "$target" in
        # Files on both sides of the memo's bound (the window's is set to 2 KB).
        lyrics) options=(-max_len=10000) ;;
        # Real tags with a few frames of sound, and room to grow.
        tag_lyrics) options=(-max_len=10000) ;;
    esac
    case "$target" in
        # Qt keeps caches that grow as new text is shown, so a leak check after
        # every input would scan a large heap each time; leaks are checked
        # once, when the run ends.
        lyrics | names) options+=(-detect_leaks=0) ;;
    esac
    [ -n "${PLAYER_FUZZ_SEED:-}" ] && options+=(-seed="$PLAYER_FUZZ_SEED")
    mkdir -p "$tree/corpus/$target"
    echo "== fuzz $target for $seconds s"
    if ! "$tree/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
        -artifact_prefix="$tree/findings/${target}_" "${options[@]}" \
        "$tree/corpus/$target" "$ROOT/fuzz/corpus/$target" 2>"$tree/fuzz_$target.log"; then
        tail -n 60 "$tree/fuzz_$target.log"
        echo "fuzz $target: a finding, saved in $tree/findings/ (log: $tree/fuzz_$target.log)" >&2
        status=1
        continue
    fi
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' "$tree/fuzz_$target.log"
done
exit $status
