#!/usr/bin/env bash
# Installs what is missing, builds, assembles the program folder with the
# sample collection and starts the reader from it.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/build
exec "${SOBRANIE_BUILD_DIR:-build}/sobranie/sobranie" "$@"
