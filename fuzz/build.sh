#!/usr/bin/env bash
# Builds every fuzz/fuzz_*.cpp into build-fuzz/ as a libFuzzer binary under ASan and UBSan,
# with the library sources (Library/Source/**/*.cpp, tools/*.cpp) compiled in.
#
# The library objects are compiled once (with coverage instrumentation) and linked into
# each harness; an object is rebuilt when its source or any header it includes changed.
# Seed corpora are written by the tests (test_native_file writes build-fuzz/corpus-native).
#
# Run a harness:   build-fuzz/fuzz_native_memory build-fuzz/corpus-native -max_total_time=600
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUT="${FUZZ_OUT:-$ROOT/build-fuzz}"
CXX="${CXX:-clang++}"
JOBS="${JOBS:-2}"
OBJ="$OUT/obj"
mkdir -p "$OBJ"

CXXFLAGS=(-std=c++17 -g -O1 -fno-omit-frame-pointer -Wall -Wextra
          -fsanitize=address,undefined -fno-sanitize-recover=undefined
          -I"$ROOT/Library/Source" -I"$ROOT/tools")

# True when the object is missing or older than its source or any dependency it recorded.
stale() {
    local src="$1" obj="$2" dep="${2%.o}.d"
    [[ -f "$obj" && -f "$dep" ]] || return 0
    [[ "$src" -nt "$obj" ]] && return 0
    local f
    for f in $(sed -e 's/\\$//' -e 's/^[^:]*://' "$dep"); do
        [[ -e "$f" && "$f" -nt "$obj" ]] && return 0
    done
    return 1
}

export CXX
export CXXFLAGS_STR="${CXXFLAGS[*]}"

mapfile -t SOURCES < <(find "$ROOT/Library/Source" "$ROOT/tools" -name '*.cpp' | sort)
OBJECTS=()
TODO=()
for src in "${SOURCES[@]}"; do
    rel="${src#"$ROOT"/}"
    obj="$OBJ/${rel//\//__}.o"
    OBJECTS+=("$obj")
    if stale "$src" "$obj"; then TODO+=("$src" "$obj"); fi
done

if ((${#TODO[@]})); then
    echo "compiling $((${#TODO[@]} / 2)) library sources"
    printf '%s\0' "${TODO[@]}" |
        xargs -0 -n 2 -P "$JOBS" bash -c \
            'read -r -a f <<<"$CXXFLAGS_STR"; "$CXX" "${f[@]}" -fsanitize=fuzzer-no-link -MMD -MF "${2%.o}.d" -c "$1" -o "$2"' _
fi

shopt -s nullglob
HARNESSES=("$ROOT"/fuzz/fuzz_*.cpp)
if ((${#HARNESSES[@]} == 0)); then
    echo "no harnesses in $ROOT/fuzz" >&2
    exit 1
fi
# A harness that fails to build does not stop the others; the script still fails at the end.
failed=()
for harness in "${HARNESSES[@]}"; do
    name="$(basename "$harness" .cpp)"
    echo "linking $OUT/$name"
    "$CXX" "${CXXFLAGS[@]}" -fsanitize=fuzzer -I"$ROOT/fuzz" "$harness" "${OBJECTS[@]}" \
        -pthread -o "$OUT/$name" || failed+=("$name")
done
if ((${#failed[@]})); then
    echo "failed to build: ${failed[*]}" >&2
    exit 1
fi
