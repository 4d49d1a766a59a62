#!/usr/bin/env bash
# Set-up as ./run.sh and the whole test suite (GUI tests in Xvfb), then the
# checks: include directions, formatting, clang-tidy, the suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, a short run of every fuzz
# target, and the Windows lane: the Core layers, sobranie-pack and their
# tests cross-built with MinGW and run under Wine (scripts/windows-core; Qt
# for Windows is built once into the build folder, about 10 minutes). Stops
# at the first stage that fails. SOBRANIE_WERROR=ON in the environment (CI
# sets it) turns warnings into errors in every build.
set -euo pipefail
cd "$(dirname "$0")"
build_dir=${SOBRANIE_BUILD_DIR:-build}

stages=()
current=
started=$SECONDS
stage() {
  finish
  current=$1
  stage_start=$SECONDS
  printf '\n==== %s ====\n' "$current"
}
finish() {
  [ -n "$current" ] && stages+=("$(printf '%-28s %5d s' "$current" $((SECONDS - stage_start)))")
  current=
}
trap '[ -z "$current" ] || printf "\n==== FAILED: %s ====\n" "$current"' EXIT
# The suite runs as root: a test that writes outside its own folder could
# harm the machine. After each run, the first thing such a slip would take.
machine_intact() {
  [ -c /dev/null ] || { echo "test.sh: /dev/null is no longer a character device: a test wrote over it" >&2; exit 1; }
}

stage "build"
./scripts/build

stage "tests"
ctest --test-dir "$build_dir" --output-on-failure
machine_intact

stage "include directions"
./scripts/check-layers

stage "formatting (clang-format)"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
else
  find platform format view ui app tools tests bench fuzz \( -name '*.cpp' -o -name '*.h' \) -print0 \
    | xargs -0 clang-format --dry-run -Werror
fi
echo "every C++ file is formatted"

stage "static checks (clang-tidy)"
./scripts/tidy

stage "sanitizer build"
./scripts/build asan

stage "tests under the sanitizers"
ctest --preset asan
machine_intact

stage "fuzz targets, briefly"
./scripts/fuzz "${SOBRANIE_FUZZ_SECONDS:-5}"

stage "Windows: Core, tool and tests under Wine"
./scripts/windows-core "$build_dir/windows"

finish
trap - EXIT
printf '\n==== every stage passed ====\n'
printf '%s\n' "${stages[@]}"
printf '%-28s %5d s\n' "total" $((SECONDS - started))
