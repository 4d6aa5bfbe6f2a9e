# Sourced by scripts/test and scripts/demo (which set $root first): configuring and building one build tree.
#   tavo_build_tree BUILD ARCH JOBS [TARGET...]
# configures the build tree BUILD for the ARCH toolchain (log: BUILD.configure.log) and builds it, every
# target or the ones named (log: BUILD.build.log). On failure it prints what went wrong and returns 1.
tavo_build_tree() {
    local build="$1" arch="$2" jobs="$3"
    shift 3
    local targets=()
    local target
    for target in "$@"; do targets+=(--target "$target"); done
    mkdir -p "$(dirname "$build")"
    if ! cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" >"$build.configure.log" 2>&1; then
        cat "$build.configure.log"
        return 1
    fi
    if ! cmake --build "$build" -j"$jobs" "${targets[@]}" >"$build.build.log" 2>&1; then
        grep -E -B2 -A8 'error|Error' "$build.build.log" | head -n 200
        echo "build failed for $arch (log: $build.build.log)"
        return 1
    fi
}
