#!/usr/bin/env bash
# The second half of scripts/test.sh, run after the ordinary suite: the whole suite again, built
# with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ (the Qt offscreen, umockdev
# and soak tests included), then every fuzz target of fuzz/, built with clang and libFuzzer into
# build-fuzz/, for ZRT_FUZZ_SECONDS (default 30) seconds each from its seed corpus. Ends with how
# long each part took.
#
# Outside CI, ZRT_PROOF=0 skips all of it, and ZRT_FUZZ_SECONDS / ZRT_SOAK_CYCLES shorten it. With
# CI=true it always runs, in full.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${CI:-}" = "true" ]; then
    unset ZRT_FUZZ_SECONDS ZRT_SOAK_CYCLES
elif [ "${ZRT_PROOF:-1}" = "0" ]; then
    echo "ZRT_PROOF=0: sanitizer suite and fuzzing skipped"
    exit 0
fi
fuzz_seconds="${ZRT_FUZZ_SECONDS:-30}"

packages=(clang libclang-rt-14-dev)
scripts/install-missing.sh "${packages[@]}"

timings=()
started=$SECONDS
lap() {  # records how long the part just ended took
    timings+=("$(printf '%-34s %4d s' "$1" $((SECONDS - started)))")
    started=$SECONDS
}

# The test programs put the umockdev preload first in LD_PRELOAD, ahead of the ASan runtime, so
# ASan must not insist on coming first. Leaks inside Qt, fontconfig and GLib are suppressed one by
# one, each with its reason (scripts/lsan.supp).
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=verify_asan_link_order=0:detect_stack_use_after_return=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZRT_BUILD_BENCHMARKS=OFF \
    -DCMAKE_CXX_FLAGS="$sanitize" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
# The build lists each test program's tests by running it; leaks at that exit prove nothing.
ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0" cmake --build build-asan
lap "sanitizer build (build-asan/)"
ctest --test-dir build-asan --output-on-failure --timeout 1200 -j "$(nproc)"
lap "sanitizer suite"

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DZRT_BUILD_FUZZERS=ON -DZRT_BUILD_TESTS=OFF -DZRT_BUILD_BENCHMARKS=OFF -DZRT_BUILD_GUI=OFF
targets=(reply record upgrade hid_id)
cmake --build build-fuzz --target "${targets[@]/#/zrt_fuzz_}"
lap "fuzz build (build-fuzz/)"
for target in "${targets[@]}"; do
    # New inputs go to the build folder's corpus; the seeds in the repository stay as they are.
    mkdir -p "build-fuzz/corpus/$target" build-fuzz/artifacts
    "build-fuzz/bin/zrt_fuzz_$target" -max_total_time="$fuzz_seconds" -max_len=16384 \
        -timeout=10 -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$target-" \
        "build-fuzz/corpus/$target" "fuzz/corpus/$target"
    lap "fuzzing $target"
done

echo "Time per part:"
printf '  %s\n' "${timings[@]}"
