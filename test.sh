#!/usr/bin/env bash
# Set-up as ./run.sh, then the whole test suite (GUI tests in Xvfb).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/build
cd "${SOBRANIE_BUILD_DIR:-build}"
ctest --output-on-failure
